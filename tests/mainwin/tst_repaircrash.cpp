// A repair killed at any moment, and the repair the user starts next. A child process of this test
// starts the whole program on a copy of a collection whose regulations are damaged in their
// middle, and clicks "Popravka" as a user does. It is killed (SIGKILL) while a table's copy is
// written, checked or put in place, or while the damaged table is salvaged. The moments are
// counted in one uncut repair first, so each kill lands where it is meant to.
//
// After each kill a second child starts the program again and clicks "Popravka". It must leave
// nothing of the cut repair in the data folder, every table sound and as an uncut repair leaves
// it, and every original kept of the damaged table equal to it byte for byte.

#include "appvalues.h"
#include "childprogram.h"
#include "demo.h"
#include "diskfiles.h"
#include "killswitch.h"
#include "mainwindow.h"
#include "paths.h"
#include "program.h"
#include "registry.h"
#include "repair.h"
#include "scriptedprompter.h"
#include "sessionsetup.h"
#include "singleinstance.h"
#include "startupwindow.h"
#include "statusbar.h"
#include "tabledump.h"
#include "tableutil.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using testsupport::bytesOf;
using testsupport::copyTree;

namespace {

const QByteArray Success = "Popravka uspesno izvrsena. Baza je u ispravnom stanju.";

// ---- The child: the program, and one click of the repair.

// Arguments: program folder, file for the moments counted ("-": none), the name of the moment to
// be killed at ("-": none) and its occurrence.
int runChild(const QStringList& args)
{
    const QString program = args[0];
    QApplication::setApplicationName(QString::fromLatin1(appvalues::ApplicationTitle));
    QApplication::setQuitOnLastWindowClosed(false);
    platform::setProgramFolder(program);
    platform::setRegistryFolder(QDir(program).filePath("registry"));
    platform::setNamedMutexFolder(QDir(program).filePath("run"));
    startupTiming() = {1, 0};
    testsupport::ScriptedPrompter prompter;
    killswitch::install();

    const bool started = testsupport::runProgramWindows([&] {
        prompter.clear(); // the start's word on the damaged table; only the repair's is reported
        killswitch::arm(args[2] == "-" ? QByteArray() : args[2].toUtf8(), args[3].toInt());
        Form1->SpeedButton27->click();
        killswitch::disarm();
        Form1->close();
    });

    if (args[1] != "-") {
        QFile out(args[1]);
        if (!out.open(QIODevice::WriteOnly)) {
            return 3;
        }
        out.write(killswitch::moments().join('\n'));
    }
    for (const QByteArray& text : prompter.texts()) {
        std::printf("prompt %s\n", QByteArray(text).replace("\r\n", " / ").constData());
    }
    return started ? 0 : 2;
}

// ---- The parent.

struct Report {
    bool killed = false;
    int exitCode = -1;
    QByteArrayList prompts;
    QByteArray errors;
};

struct Moment {
    QByteArray name;
    int occurrence = 0;
    QByteArray why;
};

} // namespace

class TestRepairCrash : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_base;
    QStringList m_tables;
    QByteArray m_damaged; // the regulations' file as the repair first finds it
    QByteArrayList m_moments;

    QString freshProgram(const QString& name)
    {
        const QString folder = m_dir.filePath(name);
        QDir(folder).removeRecursively();
        copyTree(m_base, folder);
        return folder;
    }

    Report run(const QString& folder, const QString& momentsFile, const Moment& kill = {})
    {
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({"--child", folder, momentsFile.isEmpty() ? "-" : momentsFile,
                            kill.name.isEmpty() ? QStringLiteral("-") : QString::fromUtf8(kill.name),
                            QString::number(kill.occurrence)});
        child.start();
        Report report;
        if (!child.waitForFinished(120000)) {
            child.kill();
            child.waitForFinished();
            return report;
        }
        report.killed = child.exitStatus() == QProcess::CrashExit;
        report.exitCode = child.exitCode();
        report.errors = child.readAllStandardError();
        for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
            if (line.startsWith("prompt ")) {
                report.prompts << line.mid(7);
            }
        }
        return report;
    }

    QMap<QString, QByteArray> digests(const QString& dataFolder) const
    {
        QMap<QString, QByteArray> out;
        for (const QString& table : m_tables) {
            out[table] = tabletest::digest(QDir(dataFolder).filePath(table));
        }
        return out;
    }

    // The `which`-th (counted from 0; -1 the middle one, past the end the last one) moment of
    // that name.
    Moment find(const QByteArray& name, int which, const QByteArray& why) const
    {
        const int total = int(m_moments.count(name));
        if (total == 0) {
            return {"(missing) " + name, 0, why};
        }
        return {name, (which < 0 ? total / 2 : std::min(which, total - 1)) + 1, why};
    }

    // The files of the data folder that no uncut repair leaves.
    static QStringList leftovers(const QString& dataFolder)
    {
        QStringList out;
        for (const QString& name : QDir(dataFolder).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            if (name.contains(".Rebuild.", Qt::CaseInsensitive) || name.endsWith("-journal") ||
                name.endsWith(".part") || name.startsWith("qt_temp")) {
                out << name;
            }
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_base = m_dir.filePath("base");
        QDir().mkpath(m_base);
        for (const char* file : {"DBEinst.dll", "DBENGINE32.DLL", "Yhelvn.TTF", "Yhelvb.TTF", "Cir Helvetica.TTF",
                                 "Cir Helvetica Bold.TTF", "Yuerife.FON", "dostava.rtf"}) {
            QVERIFY(QFile::copy(QDir(testsupport::binFolder()).filePath(file), QDir(m_base).filePath(file)));
        }
        const QString data = QDir(m_base).filePath("Podatci");
        demo::generate(data, {150, 3, 1});
        const QString zakoni = QDir(data).filePath("TB_Zakoni.db");
        const QList<int> leaves = tabletest::leafPages(zakoni, "records");
        QVERIFY(leaves.size() > 10);
        tabletest::damagePages(zakoni, leaves.mid(leaves.size() / 2 - 2, 4));
        m_damaged = bytesOf(zakoni);
        m_tables = QDir(data).entryList({"*.db"}, QDir::Files);
        QCOMPARE(m_tables.size(), 13);
    }

    void killedRepairIsCompletedByTheNextClick()
    {
        // The uncut repair: what every repair must end with, and its moments.
        const QString reference = freshProgram("reference");
        const QString momentsFile = m_dir.filePath("moments.txt");
        const Report whole = run(reference, momentsFile);
        QVERIFY2(whole.exitCode == 0, whole.errors.constData());
        QCOMPARE(whole.prompts.size(), 1);
        QVERIFY2(whole.prompts.first().startsWith("Popravka je izvr{ena, ali nisu sa~uvani svi zapisi: / Tabela "
                                                  "TB_Zakoni.db: nije sa~uvano "),
                 whole.prompts.first().constData());
        m_moments = bytesOf(momentsFile).split('\n');
        const QString referenceData = QDir(reference).filePath("Podatci");
        const QMap<QString, QByteArray> after = digests(referenceData);
        QCOMPARE(leftovers(referenceData), QStringList());

        const QList<Moment> moments = {
            find("write TB_Brojevi.Rebuild.db", -1, "the first table's copy"),
            find("open TB_Brojevi.Rebuild.db", 1, "the first table's copy checked"),
            find("write TB_Zakoni.Rebuild.db", 0, "the damaged table's salvage begins"),
            find("write TB_Zakoni.Rebuild.db", -1, "the damaged table's salvage"),
            find("sync TB_Arhiva.Rebuild.db-journal", 0, "a copy's journal on disk"),
            find("open TB_Zakoni.Rebuild.db", 1, "the damaged table's copy checked"),
            find("open TB_Zakoni.db", 1000, "the salvaged table in place, its original kept"),
            find("open TB_Misljenja.Rebuild.db", 1, "a table with search copies checked"),
            find("write TB_Misljenja.Rebuild.db", -1, "a table with search copies written"),
            find("write TB_grafika.Rebuild.db", -1, "the pictures' copy"),
            find("write TB_Datumi.Rebuild.db", -1, "the last table's copy"),
        };
        for (const Moment& kill : moments) {
            const QByteArray where = kill.why + " (" + kill.name + " #" + QByteArray::number(kill.occurrence) + ")";
            qInfo("killed at %s", where.constData());
            QVERIFY2(kill.occurrence > 0, where.constData());
            const QString folder = freshProgram("cut");
            const QString data = QDir(folder).filePath("Podatci");
            const Report cut = run(folder, {}, kill);
            QVERIFY2(cut.killed, where.constData());
            QVERIFY2(!leftovers(data).isEmpty() || kill.name.startsWith("open "), where.constData());
            const QStringList keptByTheCut = QDir(data).entryList({"TB_Zakoni.Original-*"}, QDir::Files);
            const bool salvagedInPlace = kill.why.contains("in place");
            QVERIFY2(!salvagedInPlace || keptByTheCut.size() == 1, where.constData());

            // The user's next click, in a program started anew.
            const Report next = run(folder, {});
            QVERIFY2(next.exitCode == 0 && !next.killed, (where + "\n" + next.errors).constData());
            QCOMPARE(next.prompts.size(), 1);
            const QByteArray told = next.prompts.first();
            QVERIFY2(told == Success ||
                         (!salvagedInPlace && told.startsWith("Popravka je izvr{ena, ali nisu sa~uvani svi zapisi: / "
                                                              "Tabela TB_Zakoni.db")),
                     (where + ": " + told).constData());
            const QStringList left = leftovers(data);
            QVERIFY2(left.isEmpty(), qPrintable(where + ": left " + left.join(", ")));
            QVERIFY2(digests(data) == after, where.constData());
            data::setUpSession(folder);
            for (const QString& table : m_tables) {
                QVERIFY2(engine::verifyTableFile(QDir(data).filePath(table)).level == 0,
                         qPrintable(where + ": " + table));
            }
            // The damaged table as it was is kept, however often its salvage was begun.
            const QStringList originals = QDir(data).entryList({"TB_Zakoni.Original-*"}, QDir::Files);
            QVERIFY2(!originals.isEmpty(), where.constData());
            for (const QString& kept : keptByTheCut) {
                QVERIFY2(originals.contains(kept), qPrintable(where + ": " + kept));
            }
            for (const QString& original : originals) {
                QVERIFY2(bytesOf(QDir(data).filePath(original)) == m_damaged, qPrintable(where + ": " + original));
            }
        }
    }
};

int main(int argc, char** argv)
{
    if (argc == 6 && qstrcmp(argv[1], "--child") == 0) {
        QApplication app(argc, argv);
        QStringList args;
        for (int i = 2; i < argc; ++i) {
            args << QString::fromLocal8Bit(argv[i]);
        }
        return runChild(args);
    }
    QApplication app(argc, argv);
    TestRepairCrash test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_repaircrash.moc"
