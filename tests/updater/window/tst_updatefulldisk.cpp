// The update's install on a real file system that fills up: the program's folder on a small
// tmpfs mounted in this process's own mount namespace, filled at the install's start so that as
// much room is left as each case asks, from none to more than a whole run needs. The user reads
// that the disk has no room, naming the file (or the archives install); every table stays whole
// with the records of the archives told as installed; nothing is left in update; and the next
// click, once the room is back, installs what was left.

#include "diskfiles.h"
#include "programfixture.h"
#include "updaterview.h"

#include "appvalues.h"
#include "demo.h"
#include "error.h"
#include "ftpserver.h"
#include "logger.h"
#include "screentext.h"
#include "tabledump.h"
#include "tableutil.h"
#include "updaterwindow.h"

#include <QApplication>
#include <QDate>
#include <QPushButton>
#include <QScopeGuard>
#include <QTreeWidget>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using testsupport::filesUnder;
using updatertest::click;
using updatertest::rowNames;
using updatertest::statusOf;

namespace {

// Why this process could not have a mount namespace of its own; empty when it has one.
QString& namespaceRefusal()
{
    static QString refusal;
    return refusal;
}

qint64 freeBytes(const QString& folder)
{
    struct statvfs disk;
    return ::statvfs(QFile::encodeName(folder).constData(), &disk) == 0 ? qint64(disk.f_bavail) * qint64(disk.f_frsize)
                                                                        : -1;
}

// A tmpfs of its own over a temporary folder; unmounted when it goes, and in any case with the
// namespace when the process ends.
class SmallDisk {
public:
    SmallDisk()
    {
        if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    "size=256m,mode=700") != 0) {
            m_refusal = QStringLiteral("mounting a tmpfs on %1 was refused: %2")
                            .arg(m_dir.path(), QString::fromLocal8Bit(std::strerror(errno)));
        }
    }
    ~SmallDisk()
    {
        if (m_refusal.isEmpty()) {
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    const QString& refusal() const { return m_refusal; }
    QString path() const { return m_dir.path(); }

    // Takes all the room but `room` bytes.
    bool fill(qint64 room)
    {
        const qint64 take = freeBytes(path()) - room;
        if (take <= 0) {
            return true;
        }
        const int fd = ::open(QFile::encodeName(filler()).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            return false;
        }
        struct stat st;
        const bool taken = ::fstat(fd, &st) == 0 && ::fallocate(fd, 0, st.st_size, take) == 0;
        ::close(fd);
        return taken;
    }
    void makeRoom() { QFile::remove(filler()); }

private:
    QString filler() const { return m_dir.filePath(QStringLiteral("filler")); }

    QTemporaryDir m_dir;
    QString m_refusal;
};

// The tables of the collection, not what a rebuild keeps beside them.
QStringList collectionTables(const QString& dataFolder)
{
    QStringList tables;
    for (const QString& name : QDir(dataFolder).entryList({QStringLiteral("*.db")}, QDir::Files, QDir::Name)) {
        if (!QFileInfo(name).completeBaseName().contains(QLatin1Char('.'))) {
            tables << name;
        }
    }
    return tables;
}

// Each table's records by a hash of them.
QMap<QString, QByteArray> records(const QString& dataFolder)
{
    QMap<QString, QByteArray> digests;
    for (const QString& name : collectionTables(dataFolder)) {
        digests[name] = tabletest::digest(QDir(dataFolder).filePath(name));
    }
    return digests;
}

// The first table that does not pass a verification, or an empty name.
QString unsoundTable(const QString& dataFolder)
{
    for (const QString& name : collectionTables(dataFolder)) {
        try {
            if (engine::verifyTableFile(QDir(dataFolder).filePath(name)).level != 0) {
                return name;
            }
        } catch (const engine::Error& e) {
            return name + ": " + e.message();
        }
    }
    return {};
}

// The tables whose records are none of `states`' (before and after an archive's import; the
// tables of an archive are imported one after another), by name.
QStringList changedTables(const QString& dataFolder, const QList<QMap<QString, QByteArray>>& states)
{
    const QMap<QString, QByteArray> now = records(dataFolder);
    QStringList changed;
    for (const QString& name : now.keys()) {
        bool found = false;
        for (const QMap<QString, QByteArray>& state : states) {
            found = found || state.value(name) == now.value(name);
        }
        if (!found) {
            changed << name;
        }
    }
    for (const QString& name : states.first().keys()) {
        if (!now.contains(name)) {
            changed << name;
        }
    }
    return changed;
}

} // namespace

class TestUpdateFullDisk : public QObject {
    Q_OBJECT

    // A program with a collection of 2000 regulations (its regulations table some 14 MB, much more
    // than an archive's import writes into it) on a small disk, and a server folder, elsewhere,
    // with three archives for it.
    struct Setup {
        QTemporaryDir server;
        SmallDisk disk;
        std::optional<ProgramFixture> program;

        Setup()
        {
            if (!disk.refusal().isEmpty()) {
                return;
            }
            const QByteArray tmp = qgetenv("TMPDIR");
            qputenv("TMPDIR", QFile::encodeName(disk.path()));
            program.emplace(2000);
            if (tmp.isNull()) {
                qunsetenv("TMPDIR");
            } else {
                qputenv("TMPDIR", tmp);
            }
            QDir().mkpath(server.filePath("updates"));
            QDir().mkpath(program->path("update"));
            demo::writeUpdateArchives(program->path("Podatci"), server.filePath("updates"), {3, 1, 6, 4, 9, 1});
        }
        QString data() const { return program->path("Podatci"); }
    };

    // The records of the collection before the run and after each archive, by a whole run with
    // room enough.
    QList<QMap<QString, QByteArray>> m_states;

private slots:
    void initTestCase()
    {
        QVERIFY2(namespaceRefusal().isEmpty(),
                 qPrintable("this test needs a mount namespace of its own, to mount a small disk "
                            "(run it as root or with CAP_SYS_ADMIN): " +
                            namespaceRefusal()));
        appvalues::LastUpdateDate = "9/12/2019";
        Setup s;
        QVERIFY2(s.disk.refusal().isEmpty(), qPrintable(s.disk.refusal()));
        FtpServer server(s.server.path());
        QVERIFY(server.running());
        server.registerAccount();
        s.program->start();
        m_states << records(s.data());
        TLogger::lineWritten() = [&](const QByteArray& line) {
            if (line.contains(" fajl 00") && line.endsWith(".zip obradjen")) {
                m_states << records(s.data());
            }
        };
        QVERIFY(s.program->runMainWindow([&] {
            click();
            click();
        }));
        TLogger::lineWritten() = nullptr;
        QCOMPARE(s.program->prompter.texts().join("\n"), QByteArray());
        QCOMPARE(m_states.size(), 4);
        QVERIFY(m_states[0] != m_states[3]);
    }

    void init() { appvalues::LastUpdateDate = "9/12/2019"; }

    void fullDiskDuringTheInstall_data()
    {
        QTest::addColumn<qint64>("room");
        // From no room at all, through the import's journal, the rebuild's copy and backup and
        // the table's reopen, to room for the whole run.
        for (qint64 room : {0, 512, 2048, 4096, 6144, 8192, 10240, 12288, 13312, 14336, 15360, 24576, 98304}) {
            QTest::addRow("%lld KiB left", room) << room * 1024;
        }
    }

    void fullDiskDuringTheInstall()
    {
        QFETCH(qint64, room);
        Setup s;
        QVERIFY2(s.disk.refusal().isEmpty(), qPrintable(s.disk.refusal()));
        FtpServer server(s.server.path());
        server.registerAccount();
        s.program->start();
        bool filled = false;
        TLogger::lineWritten() = [&](const QByteArray& line) {
            if (line.endsWith("Zip fajl - inatalacija") && !filled) {
                filled = true;
                QVERIFY(s.disk.fill(room));
            }
        };
        QVERIFY(s.program->runMainWindow([&] {
            click();
            click();
            TLogger::lineWritten() = nullptr;
            QVERIFY(filled);
            int installed = 0;
            while (installed < 3 && statusOf(installed) == "preuzeto") {
                ++installed;
            }
            const QList<QByteArray> texts = s.program->prompter.texts();
            if (installed == 3) {
                QCOMPARE(texts, QList<QByteArray>());
                return;
            }
            QCOMPARE(texts.size(), 1);
            // A table that could not be written, or the next archive that could not be downloaded
            // or extracted.
            const QByteArray archive = "00" + QByteArray::number(installed + 1) + ".zip";
            QVERIFY2((texts[0].contains("Na disku nema mesta za upis u tabelu TB_") ||
                      (installed > 0 && (texts[0].contains("Na disku nema mesta za datoteku " + archive + ".") ||
                                         texts[0].contains("Za raspakivanje arhive " + archive + " potrebno je ")))) &&
                         !texts[0].contains("nije tabela") && !texts[0].contains("o{te}ena") &&
                         !texts[0].contains("dozvolu"),
                     texts[0].constData());
            QCOMPARE(statusOf(installed), QByteArray("neuspe{no"));
            QCOMPARE(unsoundTable(s.data()), QString());
            QCOMPARE(changedTables(s.data(), {m_states[installed], m_states[installed + 1]}).join(", "), QString());
            QCOMPARE(filesUnder(s.program->path("update")), (QMap<QString, QByteArray>()));

            s.disk.makeRoom(); // the user's next step, with room on the disk
            click();
            QCOMPARE(rowNames().size(), 3 - installed);
            click();
            for (int i = 0; i < 3 - installed; ++i) {
                QCOMPARE(statusOf(i), QByteArray("preuzeto"));
            }
            QCOMPARE(s.program->prompter.texts().size(), 1);
        }));
        TLogger::lineWritten() = nullptr;
        QCOMPARE(unsoundTable(s.data()), QString());
        QCOMPARE(changedTables(s.data(), {m_states[3]}).join(", "), QString());
        QCOMPARE(QString::fromLatin1(appvalues::LastUpdateDate), QDate::currentDate().toString("dd/MM/yyyy"));
    }

    void fullDiskDuringARepair_data()
    {
        QTest::addColumn<qint64>("room");
        // From no room at all, through the salvage's copy of the damaged regulations, to room for
        // the whole repair.
        for (qint64 room : {0, 512, 2048, 6144, 10240, 13312, 65536}) {
            QTest::addRow("%lld KiB left", room) << room * 1024;
        }
    }

    // The repair of a damaged regulations table saves it record by record into a copy. When the
    // disk fills meanwhile (or at a table before it), the user reads that the disk has no room,
    // naming the table, never that the table is not one; the table stays as it was, and the next repair, once the room is back,
    // saves what can be saved.
    void fullDiskDuringARepair()
    {
        QFETCH(qint64, room);
        Setup s;
        QVERIFY2(s.disk.refusal().isEmpty(), qPrintable(s.disk.refusal()));
        const QString zakoni = QDir(s.data()).filePath("TB_Zakoni.db");
        const QList<int> leaves = tabletest::leafPages(zakoni, "records");
        QVERIFY(leaves.size() > 20);
        tabletest::damagePages(zakoni, leaves.mid(leaves.size() / 2 - 2, 4));
        const QByteArray damaged = testsupport::bytesOf(zakoni);
        s.program->start();
        QVERIFY(s.program->runMainWindow([&] {
            s.program->prompter.clear(); // whatever the start said of the damaged table
            // Room comes back however the checks end, so the program can save its files and close.
            const auto roomAgain = qScopeGuard([&] { s.disk.makeRoom(); });
            QVERIFY(s.disk.fill(room));
            s.program->form1->SpeedButton27->click();
            const QList<QByteArray> texts = s.program->prompter.texts();
            QCOMPARE(texts.size(), 1);
            if (room < 64 * 1024 * 1024) {
                // The repair goes table by table: the disk may be full at an earlier one.
                QVERIFY2(texts[0].contains("Na disku nema mesta za upis u tabelu TB_") &&
                             !texts[0].contains("nije tabela") && !texts[0].contains("dozvolu"),
                         texts[0].constData());
                QVERIFY(testsupport::bytesOf(zakoni) == damaged);
            }
            s.disk.makeRoom(); // the user's next step, with room on the disk
            s.program->prompter.clear();
            s.program->form1->SpeedButton27->click();
            QCOMPARE(s.program->prompter.texts().size(), 1);
            QVERIFY2(s.program->prompter.texts()[0].contains("nije sa~uvano") ||
                         s.program->prompter.texts()[0].startsWith("Popravka uspesno"),
                     s.program->prompter.texts()[0].constData());
        }));
        QCOMPARE(unsoundTable(s.data()), QString());
    }
};

int main(int argc, char** argv)
{
    // Before any thread starts: the namespace is the whole process's, and what is mounted in it
    // is gone when the process ends, however the test ends.
    if (::unshare(CLONE_NEWNS) != 0) {
        namespaceRefusal() = QStringLiteral("unshare: ") + QString::fromLocal8Bit(std::strerror(errno));
    } else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        namespaceRefusal() = QStringLiteral("making the mounts private: ") + QString::fromLocal8Bit(std::strerror(errno));
    }
    QApplication app(argc, argv);
    TestUpdateFullDisk test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_updatefulldisk.moc"
