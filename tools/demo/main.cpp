// korvelin-demo <Podatci folder> [--regulations N] [--seed S] [--text-kb K] [--opinions N]: writes a demo collection.

#include "demo.h"
#include "error.h"

#include <cstdio>
#include <QCoreApplication>
#include <QStringList>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto usage = [] {
        std::fprintf(stderr, "usage: korvelin-demo <Podatci folder> [--regulations N] [--seed S] [--text-kb K] [--opinions N]\n");
        return 2;
    };
    QString folder;
    demo::Options options;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a.startsWith(QLatin1String("--"))) {
            bool ok = false;
            const long long value = i + 1 < args.size() ? args[i + 1].toLongLong(&ok) : 0;
            if (!ok || value < 0) {
                return usage();
            }
            ++i;
            if (a == QLatin1String("--regulations") && value >= 1) {
                options.regulations = int(value);
            } else if (a == QLatin1String("--seed")) {
                options.seed = quint32(value);
            } else if (a == QLatin1String("--text-kb")) {
                options.textKb = int(value);
            } else if (a == QLatin1String("--opinions")) {
                options.opinions = int(value);
            } else {
                return usage();
            }
        } else if (folder.isEmpty()) {
            folder = a;
        } else {
            return usage();
        }
    }
    if (folder.isEmpty()) {
        return usage();
    }
    try {
        demo::generate(folder, options);
    } catch (const engine::Error& e) {
        std::fprintf(stderr, "korvelin-demo: %s\n", e.what());
        return 1;
    }
    std::printf("korvelin-demo: %d regulations written to %s\n", options.regulations, qPrintable(folder));
    return 0;
}
