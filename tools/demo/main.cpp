// korvelin-demo <Podatci folder> [--regulations N] [--seed S] [--text-kb K]: writes a demo collection,
// and beside a folder named "Podatci" the configuration file of a fresh install when none is there.

#include "configfile.h"
#include "demo.h"
#include "error.h"
#include "listfiles.h"

#include <cstdio>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

// The data version of the collections this tool makes.
constexpr const char* kDataVersion = "2.2.0";

// The program keeps "Podatci" and its configuration file side by side, so a collection made in a
// program's folder makes it a fresh install that shows its data version; a configuration file
// already there is the user's and stays as it is. Empty on success, else what went wrong.
QString writeFreshConfiguration(const QString& folder)
{
    const QFileInfo data(QDir::cleanPath(folder));
    if (data.fileName() != QLatin1String("Podatci")) {
        return {};
    }
    const QString path = QDir(data.absolutePath()).filePath(QLatin1String(configfile::FileName));
    if (QFileInfo::exists(path)) {
        return {};
    }
    const QString error = listfiles::save(path, configfile::freshInstall(kDataVersion));
    if (error.isEmpty()) {
        std::printf("korvelin-demo: %s written with data version %s\n", qPrintable(path), kDataVersion);
    }
    return error.isEmpty() ? QString() : path + QLatin1String(": ") + error;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto usage = [] {
        std::fprintf(stderr, "usage: korvelin-demo <Podatci folder> [--regulations N] [--seed S] [--text-kb K]\n");
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
    const QString error = writeFreshConfiguration(folder);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "korvelin-demo: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
