#include "repair.h"

#include "error.h"
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

Loss lossOf(const engine::RebuildReports::Report& report)
{
    const engine::RebuildResult& r = report.result;
    const engine::RebuildFiles files = engine::rebuildFiles(report.path);
    Loss loss;
    loss.file = fileName(report.path);
    loss.folder = QFileInfo(report.path).dir().dirName().toLocal8Bit();
    loss.held = r.held;
    loss.heldExact = r.heldExact;
    loss.kept = r.records;
    loss.keyViolations = r.keyViolations;
    loss.problems = r.problems;
    loss.backup = fileName(files.backup);
    loss.keyViolationsFile = fileName(files.keyViolations);
    loss.problemsFile = fileName(files.problems);
    return loss;
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
    return line + "; original tabele je sa~uvan u datoteci " + loss.backup + " u folderu " + loss.folder + ".";
}

} // namespace

const QList<Step>& steps()
{
    static const QList<Step> order = {
        {"TB_Brojevi", 10},      {"TB_Arhiva", 20},      {"TB_Glasnici", 30},
        {"TB_Zakoni", 40},       {"TB_Misljenja", 50},   {"TB_Tipovi_Zakona", 60},
        {"TB_Ministarstva", 70}, {"TB_link", 75},        {"TB_Kategorije_Zakona", 80},
        {"TB_Ugovori", 90},      {"TB_Korisnicki", 100}, {"TB_grafika", -1},
        {"TB_Datumi", -1},
    };
    return order;
}

Outcome run(const std::function<bool(const QByteArray&)>& rebuild, const std::function<void(int)>& progress)
{
    Outcome outcome;
    progress(0);
    for (const Step& step : steps()) {
        engine::RebuildReports reports;
        bool rebuilt = false;
        try {
            rebuilt = rebuild(step.table);
        } catch (const engine::Error& e) {
            // Named by the step's table when the failure names no file.
            outcome.reason = data::repairFailureMessage(e.namingFile(QString::fromLatin1(step.table + ".db")));
        } catch (const std::exception&) {
            rebuilt = false;
        }
        for (const engine::RebuildReports::Report& report : reports.take()) {
            if (report.result.lostRecords()) {
                outcome.losses.append(lossOf(report));
            } else if (!report.result.rebuilt && outcome.reason.isEmpty()) {
                outcome.reason = data::repairFailureMessage(
                    engine::Error(report.result.errorKind, report.path, report.result.error));
            }
        }
        if (!rebuilt) {
            outcome.ok = false;
            outcome.failedTable = step.table;
            return outcome;
        }
        outcome.reason.clear();
        if (step.progress >= 0) {
            progress(step.progress);
        }
    }
    return outcome;
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
