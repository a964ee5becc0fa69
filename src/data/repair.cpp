#include "repair.h"

#include "error.h"
#include "session.h"
#include "sessionsetup.h"
#include "tableutil.h"
#include "usermessages.h"

#include <exception>
#include <QDir>
#include <QFileInfo>

namespace repair {

namespace {

QByteArray fileName(const QString& path)
{
    return QFileInfo(path).fileName().toLocal8Bit();
}

Loss lossOf(const QString& path, const engine::RebuildResult& r)
{
    const engine::RebuildFiles files = engine::rebuildFiles(path);
    Loss loss;
    loss.file = fileName(path);
    loss.folder = QFileInfo(path).dir().dirName().toLocal8Bit();
    loss.held = r.held;
    loss.heldExact = r.heldExact;
    loss.kept = r.records;
    loss.keyViolations = r.keyViolations;
    loss.problems = r.problems;
    loss.original = fileName(r.original);
    loss.keyViolationsFile = fileName(files.keyViolations);
    loss.problemsFile = fileName(files.problems);
    return loss;
}

// The file of a step's table, as its table object names it.
QString fileOf(const Step& step, const data::MainTables& tables, const engine::Table* attachments)
{
    if (step.object != nullptr) {
        return (tables.*step.object).locateFile();
    }
    if (attachments != nullptr) {
        return attachments->locateFile();
    }
    engine::Table pictures;
    pictures.setDatabaseName(data::DatabaseAlias);
    pictures.setTableName(QString::fromLatin1(step.table));
    return pictures.locateFile();
}

QByteArray number(qint64 n)
{
    return QByteArray::number(n);
}

// One line per table: how many records it lost, where those put aside went, and where the table
// as it was is kept.
QByteArray lossLine(const Loss& loss)
{
    const qint64 leftOut = loss.held < 0 ? 0 : std::max<qint64>(0, loss.held - loss.kept);
    QByteArray line = "Tabela " + loss.file + ": ";
    if (loss.heldExact && loss.held >= 0) {
        line += "nije sa~uvano " + number(leftOut) + " od " + number(loss.held) + " zapisa";
    } else {
        line += "sa~uvano je " + number(loss.kept) + " zapisa, a deo zapisa nije mogao da se pro~ita (" +
                (leftOut > 0 ? "najmanje " + number(leftOut) : QByteArray("broj nije poznat")) + ")";
    }
    QByteArrayList aside;
    if (loss.problems > 0) {
        aside << loss.problemsFile + ": " + number(loss.problems);
    }
    if (loss.keyViolations > 0) {
        aside << loss.keyViolationsFile + ": " + number(loss.keyViolations);
    }
    if (!aside.isEmpty()) {
        line += " (izdvojeno u " + aside.join(", ") + ")";
    }
    return line + "; original tabele je sa~uvan u datoteci " + loss.original + " u folderu " + loss.folder + ".";
}

} // namespace

const QList<Step>& steps()
{
    using M = data::MainTables;
    static const QList<Step> order = {
        {"TB_Brojevi", 10, &M::Glavna},
        {"TB_Arhiva", 20, &M::arhiva},
        {"TB_Glasnici", 30, &M::Glasnici},
        {"TB_Zakoni", 40, &M::Zakoni},
        {"TB_Misljenja", 50, &M::misljenja},
        {"TB_Tipovi_Zakona", 60, &M::vrstezakona},
        {"TB_Ministarstva", 70, &M::ministarstva},
        {"TB_link", 75, &M::link},
        {"TB_Kategorije_Zakona", 80, &M::oblasti},
        {"TB_Ugovori", 90, &M::ugovori},
        {"TB_Korisnicki", 100, &M::KorisnickiUgovori},
        {"TB_grafika", -1, nullptr},
        {"TB_Datumi", -1, &M::Table1},
    };
    return order;
}

Outcome run(const data::MainTables& tables, const engine::Table* attachments, const std::function<void(int)>& progress)
{
    Outcome outcome;
    progress(0);
    // A repair cut short (a kill, a power cut) leaves its copies behind; so may an update.
    try {
        engine::clearRebuildLeftovers(engine::session().aliasFolder(data::DatabaseAlias));
    } catch (const engine::Error&) {
        // Without the data folder each table's own step tells why.
    }
    for (const Step& step : steps()) {
        bool rebuilt = false;
        try {
            const QString path = fileOf(step, tables, attachments);
            const engine::RebuildResult result = engine::rebuildTableFile(path);
            rebuilt = result.rebuilt;
            if (result.lostRecords()) {
                outcome.losses.append(lossOf(path, result));
            }
            if (!rebuilt) {
                outcome.reason = data::repairFailureMessage(engine::Error(result.errorKind, path, result.error));
            }
        } catch (const engine::Error& e) {
            // Named by the step's table when the failure names no file.
            outcome.reason = data::repairFailureMessage(e.namingFile(QString::fromLatin1(step.table + ".db")));
        } catch (const std::exception& e) {
            outcome.reason = data::userMessage(e);
        }
        if (!rebuilt) {
            outcome.ok = false;
            outcome.failedTable = step.table;
            return outcome;
        }
        if (step.progress >= 0) {
            progress(step.progress);
        }
    }
    return outcome;
}

QByteArray lossMessage(const QString& path, const engine::RebuildResult& result)
{
    return result.lostRecords() ? lossLine(lossOf(path, result)) : QByteArray();
}

QByteArray message(const Outcome& outcome)
{
    QByteArrayList lines;
    if (!outcome.ok) {
        lines << "Greska prilikom popravke baze!"
              << "Tabela koja nije popravljena: " + outcome.failedTable;
        if (!outcome.reason.isEmpty()) {
            lines << outcome.reason;
        }
        if (!outcome.losses.isEmpty()) {
            lines << "Pre toga popravljene tabele nisu sa~uvale sve zapise:";
        }
    } else if (outcome.losses.isEmpty()) {
        return "Popravka uspesno izvrsena. Baza je u ispravnom stanju.";
    } else {
        lines << "Popravka je izvr{ena, ali nisu sa~uvani svi zapisi:";
    }
    for (const Loss& loss : outcome.losses) {
        lines << lossLine(loss);
    }
    return lines.join("\r\n");
}

} // namespace repair
