#include "install.h"

#include "batchmove.h"
#include "error.h"
#include "paths.h"
#include "tables.h"
#include "usermessages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace updates {

namespace {
// The opinions are listed by ministry; an import goes by their key.
const char* const OpinionsTarget = "misljenja";
const char* const OpinionsIndex = "drugi";
const char* const RegulationsTarget = "Zakoni";
} // namespace

const QList<ImportRow>& importList()
{
    static const QList<ImportRow> rows = {
        {"TB_Datumi.DB", "Table1"},
        {"TB_Grafika.DB", "Table1", true},
        {"TB_Zakoni.DB", "Zakoni"},
        {"tb_arhiva.db", "arhiva"},
        {"tb_brojevi.db", "Glavna"},
        {"TB_Glasnici.DB", "Glasnici"},
        {"TB_Kategorije_Zakona.db", "oblasti"},
        {"TB_link.db", "link"},
        {"TB_Ministarstva.db", "ministarstva"},
        {"TB_Misljenja.DB", "misljenja"},
        {"TB_Tipovi_Zakona.db", "vrstezakona"},
        {"TB_Ugovori.db", "ugovori"},
    };
    return rows;
}

const QList<const char*>& validityTables()
{
    static const QList<const char*> names = {
        "TB_Arhiva",        "TB_Brojevi",           "TB_Glasnici",   "TB_Zakoni",       "TB_Misljenja",
        "TB_Grafika",       "TB_Kategorije_Zakona", "TB_Korisnicki", "TB_Ministarstva", "TB_link",
        "TB_Tipovi_Zakona", "TB_Ugovori",           "TB_Datumi",
    };
    return names;
}

void removeValidityFiles(const QString& dataFolder)
{
    for (const char* name : validityTables()) {
        const QString file = platform::findFileNoCase(dataFolder, QLatin1String(name) + QStringLiteral(".VAL"));
        if (!file.isEmpty()) {
            QFile::remove(file); // a file that stays is no reason to stop the install
        }
    }
}

QByteArrayList newestTitles(engine::Table& regulations)
{
    QByteArrayList titles;
    const engine::Field title = regulations.fieldByName("Naziv_zakona");
    regulations.first();
    for (int i = 0, n = regulations.recordCount(); i < n; ++i) {
        titles.append(title.asString());
        regulations.next();
    }
    regulations.first();
    return titles;
}

engine::Table* targetAmong(data::MainTables& tables, engine::Table& attachments, const ImportRow& row)
{
    if (row.attachments) {
        return &attachments;
    }
    for (engine::Table* t : tables.openingOrder()) {
        if (t->objectName() == QLatin1String(row.target)) {
            return t;
        }
    }
    throw engine::Error(QStringLiteral("No table object %1").arg(QLatin1String(row.target)));
}

InstallResult installTables(const QString& extractionFolder, const InstallSteps& steps)
{
    InstallResult result;
    for (const ImportRow& row : importList()) {
        const QString file = platform::findFileNoCase(extractionFolder, QLatin1String(row.file));
        if (file.isEmpty()) {
            continue;
        }
        if (steps.progress) {
            steps.progress(file);
        }
        const bool opinions = qstrcmp(row.target, OpinionsTarget) == 0 && !row.attachments;
        engine::Table* target = nullptr;
        // The file the current step works on, for a failure that does not name one.
        QString current;
        try {
            target = steps.target(row);
            current = target->tableName();
            target->close();
            target->setReadOnly(false);
            if (opinions) {
                target->setIndexName({});
            }
            struct OrderBack {
                engine::Table* table;
                bool on;
                ~OrderBack()
                {
                    if (on) {
                        try {
                            table->setIndexName(OpinionsIndex);
                        } catch (const engine::Error&) {
                            // The file lacks the index: the next import brings it.
                        }
                    }
                }
            } orderBack{target, opinions};
            target->open();
            current = file;
            engine::Table source;
            source.setObjectName(QStringLiteral("updatetabela"));
            source.setReadOnly(true);
            source.setTableName(file);
            source.open();
            current = target->filePath();
            engine::appendUpdate(*target, source);
            result.installed.append(file);
            if (!steps.rebuild(*target)) {
                result.rebuildFailed = true;
                result.failure = QStringLiteral("%1 could not be rebuilt").arg(target->filePath());
                break;
            }
            if (qstrcmp(row.target, RegulationsTarget) == 0 && steps.newest) {
                steps.newest(source);
            }
        } catch (const engine::Error& e) {
            result.importFailed = true;
            // Named by the step's file when the engine's failure names none.
            result.error = current.isEmpty() ? e : e.namingFile(current);
            result.failure = e.message();
            break;
        }
    }
    return result;
}

QByteArray installFailureMessage(const engine::Error& e, const QString& extractionFolder)
{
    QByteArray message = "Azuriranje nije uspelo\r\n";
    const QFileInfo file(e.file());
    const bool archived =
        !e.file().isEmpty() && file.dir().isAbsolute() &&
        QDir::cleanPath(file.absolutePath()) == QDir::cleanPath(QDir(extractionFolder).absolutePath());
    if (!archived) {
        return message + data::userMessage(e);
    }
    const QByteArray table = "Tabela " + data::messageFileName(e.file()) + " iz arhive";
    using Kind = engine::Error::Kind;
    switch (e.kind()) {
    case Kind::NotATable:
        return message + "Datoteka " + data::messageFileName(e.file()) + " iz arhive nije tabela baze podataka.";
    case Kind::Password:
        return message + table + " je za{ti}ena drugom lozinkom.";
    case Kind::Damaged:
        return message + table + " je o{te}ena.";
    case Kind::Fields:
        return message + table + " nema polja koja program o~ekuje.";
    default:
        return message + table + " ne mo`e da se pro~ita.";
    }
}

} // namespace updates
