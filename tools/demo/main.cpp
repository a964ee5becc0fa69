// korvelin-demo <Podatci folder> [--regulations N] [--seed S] [--text-kb K] [--opinions N]: writes a demo
//     collection, and beside a folder named "Podatci" the configuration file of a fresh install when
//     none is there.
// korvelin-demo <Podatci folder> --updates <folder> [--archives N] [--first N] [--changed N]
//     [--added N] [--seed S] [--text-kb K]: writes numbered update archives of that collection.

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
    const QString error = listfiles::save(path, configfile::freshInstall(kDataVersion)).systemText;
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
        std::fprintf(stderr,
                     "usage: korvelin-demo <Podatci folder> [--regulations N] [--seed S] [--text-kb K] [--opinions N]\n"
                     "       korvelin-demo <Podatci folder> --updates <folder> [--archives N] [--first N]\n"
                     "                     [--changed N] [--added N] [--seed S] [--text-kb K]\n");
        return 2;
    };
    QString folder;
    QString updates;
    demo::Options options;
    demo::UpdateOptions update;
    bool collectionOption = false;
    bool updateOption = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--updates")) {
            if (i + 1 >= args.size()) {
                return usage();
            }
            updates = args[++i];
        } else if (a.startsWith(QLatin1String("--"))) {
            bool ok = false;
            const long long value = i + 1 < args.size() ? args[i + 1].toLongLong(&ok) : 0;
            if (!ok || value < 0 || value > 1000000000) {
                return usage();
            }
            ++i;
            if (a == QLatin1String("--regulations") && value >= 1) {
                options.regulations = int(value);
                collectionOption = true;
            } else if (a == QLatin1String("--seed")) {
                options.seed = update.seed = quint32(value);
            } else if (a == QLatin1String("--text-kb")) {
                options.textKb = update.textKb = int(value);
            } else if (a == QLatin1String("--opinions")) {
                options.opinions = int(value);
                collectionOption = true;
            } else if (a == QLatin1String("--archives") && value >= 1) {
                update.archives = int(value);
                updateOption = true;
            } else if (a == QLatin1String("--first") && value >= 1) {
                update.first = int(value);
                updateOption = true;
            } else if (a == QLatin1String("--changed")) {
                update.changed = int(value);
                updateOption = true;
            } else if (a == QLatin1String("--added")) {
                update.added = int(value);
                updateOption = true;
            } else {
                return usage();
            }
        } else if (folder.isEmpty()) {
            folder = a;
        } else {
            return usage();
        }
    }
    // Each form takes only its own options.
    if (folder.isEmpty() || (updates.isEmpty() ? updateOption : collectionOption)) {
        return usage();
    }
    try {
        if (!updates.isEmpty()) {
            const QStringList written = demo::writeUpdateArchives(folder, updates, update);
            std::printf("korvelin-demo: %d update archives written to %s\n", int(written.size()), qPrintable(updates));
            return 0;
        }
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
