#include "install.h"

#include "batchmove.h"
#include "error.h"
#include "paths.h"
#include "session.h"
#include "tables.h"
#include "tableutil.h"

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

namespace {

// Failures that say the file itself is wrong; any other (a failing disk, a file held by another
// program) is the computer's, whichever file it met.
bool isFileFault(engine::Error::Kind kind)
{
    using Kind = engine::Error::Kind;
    return kind == Kind::NotATable || kind == Kind::Password || kind == Kind::Damaged || kind == Kind::Fields ||
           kind == Kind::Other;
}

bool sameFile(const QString& a, const QString& b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

// An archived table whose fields or key differ from those of `type`, told as such.
void requireRecordType(const engine::TableStructure& type, const engine::Table& source, const QString& file)
{
    if (const QString mismatch = engine::recordTypeMismatch(type, source.structure()); !mismatch.isEmpty()) {
        const QByteArray field = engine::recordTypeDifference(type, source.structure()).field;
        throw engine::Error(engine::Error::Kind::Fields, file,
                            QStringLiteral("%1 is not a table of its kind: %2").arg(file, mismatch), field);
    }
}

void openSource(engine::Table& source, const QString& file)
{
    source.setObjectName(QStringLiteral("updatetabela"));
    source.setReadOnly(true);
    source.setTableName(file);
    source.open();
}

// Each archived table opens as a table of its live table's kind and passes a verification: a
// damaged table could give some records and fail on others, or give wrong ones, so an archive
// that holds one is refused whole before anything is written.
void checkArchivedTable(const QString& file, const engine::Table& target)
{
    engine::Table source;
    openSource(source, file);
    if (const engine::TableStructure* type = engine::session().recordType(target.tableName())) {
        requireRecordType(*type, source, file);
    }
    const engine::Verification v = engine::verifyTableFile(source.filePath());
    if (v.level != 0) {
        throw engine::Error(engine::Error::Kind::Damaged, file,
                            QStringLiteral("%1 is damaged: %2").arg(file, v.findings.join(QStringLiteral("; "))));
    }
}

} // namespace

InstallResult installTables(const QString& extractionFolder, const InstallSteps& steps)
{
    InstallResult result;
    const auto failed = [&](const engine::Error& e, const QString& file, bool archived) {
        result.importFailed = true;
        result.archiveFault = archived && isFileFault(e.kind());
        // Named by the step's file when the engine's failure names none.
        result.error = file.isEmpty() ? e : e.namingFile(file);
        result.failure = e.message();
    };

    QList<std::pair<ImportRow, QString>> rows;
    for (const ImportRow& row : importList()) {
        const QString file = platform::findFileNoCase(extractionFolder, QLatin1String(row.file));
        if (!file.isEmpty()) {
            rows.append({row, file});
        }
    }
    for (const auto& [row, file] : rows) {
        engine::Table* target = nullptr;
        try {
            target = steps.target(row);
        } catch (const engine::Error& e) {
            failed(e, {}, false);
            return result;
        }
        try {
            checkArchivedTable(file, *target);
        } catch (const engine::Error& e) {
            failed(e, file, e.file().isEmpty() || sameFile(e.file(), file));
            return result;
        }
    }

    for (const auto& [row, file] : rows) {
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
            openSource(source, file);
            requireRecordType(target->structure(), source, file);
            current = target->filePath();
            // The source passed its verification before the install began.
            target->appendUpdateFrom(source);
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
            const bool archived = e.file().isEmpty() ? current == file : sameFile(e.file(), file);
            failed(e, current, archived);
            break;
        }
    }
    return result;
}

} // namespace updates
