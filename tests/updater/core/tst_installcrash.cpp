// An install killed at any moment: a child process of this test installs an update archive into
// a copy of a collection and is killed at a random point. Afterwards every table opens and
// verifies, each is wholly as it was before or wholly as the finished install leaves it, and a
// second install completes the update.

#include "demo.h"
#include "install.h"
#include "schema.h"
#include "sessionsetup.h"
#include "tabledump.h"
#include "tables.h"
#include "tableutil.h"

#include <cstdio>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Installs the extracted update in `extraction` into the collection beside `programFolder`, as
// the updater does, with nothing of the window around it.
int installAsChild(const QString& programFolder, const QString& extraction)
{
    data::setUpSession(programFolder);
    data::MainTables tables;
    tables.openAll();
    engine::Table attachments;
    attachments.setDatabaseName(data::DatabaseAlias);
    attachments.setTableName("TB_grafika.DB");
    attachments.open();
    updates::InstallSteps steps;
    steps.target = [&](const updates::ImportRow& row) { return updates::targetAmong(tables, attachments, row); };
    steps.rebuild = [](engine::Table& t) { return engine::rebuildTableFile(t.filePath()).rebuilt; };
    // The parent counts its kill points from here.
    std::fputs("installing\n", stdout);
    std::fflush(stdout);
    return updates::installTables(extraction, steps).ok() ? 0 : 1;
}

using Digests = QMap<QString, QByteArray>;

Digests digestsOf(const QString& dataFolder)
{
    Digests out;
    for (const data::TableFile& f : data::tableFiles()) {
        out[f.fileName] = tabletest::digest(QDir(dataFolder).filePath(f.fileName));
    }
    return out;
}

void copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files)) {
        QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name));
    }
}

} // namespace

class TestInstallCrash : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString base() const { return m_dir.filePath("base/Podatci"); }
    QString extraction() const { return m_dir.filePath("update"); }

    // Runs the child on a fresh copy of the collection in `program`; kills it `killAfterMs` after
    // it began to install unless that is negative. Returns how long the install ran.
    qint64 runChild(const QString& program, int killAfterMs, int* exitCode = nullptr)
    {
        QDir(program).removeRecursively();
        copyFolder(base(), QDir(program).filePath("Podatci"));
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({"--child", program, extraction()});
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start();
        if (!child.waitForStarted(10000)) {
            return -1;
        }
        while (!child.canReadLine() && child.waitForReadyRead(10000)) {
        }
        QElapsedTimer clock;
        clock.start();
        if (killAfterMs >= 0) {
            if (!child.waitForFinished(killAfterMs)) {
                child.kill(); // SIGKILL: nothing of the child runs after it
            }
        }
        child.waitForFinished(60000);
        if (exitCode != nullptr) {
            *exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
        }
        return clock.elapsed();
    }

private slots:
    void killedInstallLeavesEveryTableWholeAndFinishesLater()
    {
        QVERIFY(m_dir.isValid());
        demo::generate(base(), {200, 11, 3});
        data::setUpSession(m_dir.filePath("base"));
        demo::writeUpdateTables(base(), extraction(), {1, 1, 150, 80, 5, 3}, 1);
        const Digests before = digestsOf(base());

        // The finished install, for what "after" is and how long an install takes.
        const QString reference = m_dir.filePath("reference");
        int exitCode = -1;
        const qint64 duration = runChild(reference, -1, &exitCode);
        QCOMPARE(exitCode, 0);
        const Digests after = digestsOf(QDir(reference).filePath("Podatci"));
        QVERIFY(after["TB_Zakoni.db"] != before["TB_Zakoni.db"]);

        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("kill points from seed %u over an install of %lld ms", seed, duration);
        QRandomGenerator random(seed);
        int interrupted = 0;
        for (int run = 0; run < 24; ++run) {
            const QString program = m_dir.filePath(QStringLiteral("run%1").arg(run));
            const int killAfter = int(random.bounded(qint64(duration * 11 / 10) + 1));
            runChild(program, killAfter, &exitCode);
            interrupted += exitCode != 0 ? 1 : 0;
            const QString dataFolder = QDir(program).filePath("Podatci");

            // Every table opens and verifies; each is whole: as before or as after.
            data::setUpSession(program);
            for (const data::TableFile& f : data::tableFiles()) {
                const QString path = QDir(dataFolder).filePath(f.fileName);
                QVERIFY2(engine::verifyTableFile(path).level == 0, qPrintable(path));
                const QByteArray digest = tabletest::digest(path);
                QVERIFY2(digest == before[f.fileName] || digest == after[f.fileName],
                         qPrintable(QStringLiteral("%1 half installed after %2 ms").arg(f.fileName).arg(killAfter)));
            }
            {
                data::MainTables tables;
                tables.openAll();
                QVERIFY(tables.Glavna.recordCount() >= 200);
            }

            // A second install completes the update.
            QProcess again;
            again.start(QCoreApplication::applicationFilePath(), {"--child", program, extraction()});
            QVERIFY(again.waitForFinished(60000));
            QCOMPARE(again.exitCode(), 0);
            QCOMPARE(digestsOf(dataFolder), after);
            QDir(program).removeRecursively();
        }
        qInfo("%d of 24 installs were killed before they finished", interrupted);
        QVERIFY(interrupted >= 10);
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0) {
        QCoreApplication app(argc, argv);
        return installAsChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QCoreApplication app(argc, argv);
    TestInstallCrash test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_installcrash.moc"
