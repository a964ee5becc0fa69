// An update run killed at any moment, and the run the user starts next. A child process of this
// test starts the whole program on a copy of a collection and clicks through the updater as a user
// does: the listing, then the download, extraction and install of two archives from a real FTP
// server. It is killed (SIGKILL) at one of some thirty moments spread over the run: in the
// listing, the download, the extraction, the import of each table, the refresh of the search
// copies, the rebuild's copy, its check and its rename, the newest list, the end of an archive.
// The moments are counted in one uncut run first, so each kill lands where it is meant to.
//
// After each kill: the log holds every line written up to the kill; each table holds its records
// as before the update or as after a whole archive; an archive that counts as installed is wholly
// installed. Then a second child starts the program again and clicks through the updater the
// same way. It must be offered the archive that was cut short and those after it, and end with
// every table as an uncut run leaves it, the date of the last update set, the newest regulations
// as an uncut run lists them, and nothing of the cut run left on disk.

#include "appvalues.h"
#include "childprogram.h"
#include "demo.h"
#include "diskfiles.h"
#include "ftpserver.h"
#include "install.h"
#include "killswitch.h"
#include "listfiles.h"
#include "mainwindow.h"
#include "paths.h"
#include "program.h"
#include "registry.h"
#include "screentext.h"
#include "scriptedprompter.h"
#include "singleinstance.h"
#include "startupwindow.h"
#include "statusbar.h"
#include "tabledump.h"
#include "testdesktop.h"
#include "updaterwindow.h"
#include "upperwindows.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using testsupport::copyTree;

namespace {

const QByteArrayList Archives = {"001.zip", "002.zip"};

// ---- The child: the program, and one click-through of the updater.

// The files of the data, download and extraction folders of a program folder.
QStringList runFiles(const QString& program)
{
    QStringList out;
    for (const char* sub : {"Podatci", "updates", "update"}) {
        QDirIterator it(QDir(program).filePath(sub), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            out << QDir(program).relativeFilePath(it.next());
        }
    }
    out.sort();
    return out;
}

QByteArrayList rowTexts(int column)
{
    QByteArrayList out;
    for (int i = 0; i < updater->ListView1->topLevelItemCount(); ++i) {
        out << platform::fromScreen(updater->ListView1->topLevelItem(i)->text(column));
    }
    return out;
}

// Arguments: program folder, server port, file for the moments counted ("-": none), the name of
// the moment to be killed at ("-": none) and its occurrence.
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
    {
        auto key =
            platform::RegistryKey::open(platform::Hive::LocalMachine, QString::fromLatin1(updates::AccountKey), true);
        key->writeString("Host", "127.0.0.1");
        key->writeString("Port", args[1]);
        key->writeString("User", "korvl");
        key->writeString("Password", "azurk742");
        key->writeString("ConnectTimeout", "10");
        key->writeString("IdleTimeout", "10");
    }
    killswitch::install();

    const auto hookMoments = [] {
        updates::FtpClient* ftp = updater->FtpClient1();
        ftp->onPacketReceived = [packet = ftp->onPacketReceived](qint64 received) {
            killswitch::moment("packet");
            packet(received);
        };
        updater->ZipArchive1.OnDecompressFile = [unpack = updater->ZipArchive1.OnDecompressFile](qint64 current,
                                                                                                 qint64 total) {
            killswitch::moment("decompress");
            unpack(current, total);
        };
    };

    QByteArrayList offered;
    QByteArrayList statuses;
    QStringList afterListing;
    const auto runUpdate = [&] {
        killswitch::arm(args[3] == "-" ? QByteArray() : args[3].toUtf8(), args[4].toInt());
        QTimer::singleShot(0, [&] {
            updater->SpeedButton1->click(); // the listing
            offered = rowTexts(0);
            afterListing = runFiles(program);
            if (updater->tag() == 1) {
                updater->SpeedButton1->click(); // download, extraction and install
            }
            statuses = rowTexts(1);
            updater->SpeedButton4->click();
        });
        // The user's way in: the settings tab's button shows the updater modally.
        mainwin::updateWindow()->showUpdater();
        killswitch::disarm();
        Form1->close(); // the lists and the configuration are saved as the program closes
    };
    const bool started = testsupport::runProgramWindows(runUpdate, hookMoments);

    if (args[2] != "-") {
        QFile out(args[2]);
        if (!out.open(QIODevice::WriteOnly)) {
            return 3;
        }
        out.write(killswitch::moments().join('\n'));
    }
    std::printf("offered %s\n", offered.join(',').constData());
    std::printf("statuses %s\n", statuses.join(',').constData());
    std::printf("afterListing %s\n", afterListing.join(',').toUtf8().constData());
    std::printf("date %s\n", appvalues::LastUpdateDate.constData());
    for (const QByteArray& text : prompter.texts()) {
        std::printf("prompt %s\n", QByteArray(text).replace("\r\n", " / ").constData());
    }
    return started ? 0 : 2;
}

// ---- The parent.

struct Report {
    bool killed = false;
    int exitCode = -1;
    QMap<QByteArray, QByteArray> values; // "offered", "statuses", "date"
    QByteArrayList prompts;
    QByteArray errors; // what the child wrote to its error output
};

// A moment of the counted run: its name and which occurrence of that name it is.
struct Moment {
    QByteArray name;
    int occurrence = 0;
    QByteArray why; // what is cut there
};

QByteArrayList logLines(const QString& program)
{
    QFile f(QDir(program).filePath("log.txt"));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArrayList lines = f.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    for (QByteArray& line : lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (line.startsWith('[') && line.indexOf(']') == 9) {
            line = line.mid(10);
        }
    }
    return lines;
}

} // namespace

class TestUpdateCrash : public QObject {
    Q_OBJECT

    // Inherited by every child: the fonts the program gives the desktop stay in the build.
    TestDesktopFolders m_desktop;
    QTemporaryDir m_dir;
    std::unique_ptr<FtpServer> m_server;
    QString m_base;
    QStringList m_tables; // the live table files' names
    QMap<QString, QByteArray> m_before;
    QMap<QString, QByteArray> m_afterFirst;
    QMap<QString, QByteArray> m_afterAll;
    QByteArrayList m_moments;

    QString program(const QString& name) const { return m_dir.filePath(name); }

    QString freshProgram(const QString& name)
    {
        const QString folder = program(name);
        QDir(folder).removeRecursively();
        copyTree(m_base, folder);
        return folder;
    }

    QMap<QString, QByteArray> digests(const QString& dataFolder) const
    {
        QMap<QString, QByteArray> out;
        for (const QString& table : m_tables) {
            out[table] = tabletest::digest(QDir(dataFolder).filePath(table));
        }
        return out;
    }

    // The tables as the next opening finds them, read from a copy with their journals so the
    // program's own opening still meets whatever the kill left.
    QMap<QString, QByteArray> digestsOfCopy(const QString& dataFolder, const QString& scratch) const
    {
        QDir(scratch).removeRecursively();
        copyTree(dataFolder, scratch);
        const QMap<QString, QByteArray> out = digests(scratch);
        QDir(scratch).removeRecursively();
        return out;
    }

    Report run(const QString& folder, const QString& momentsFile, const Moment& kill = {})
    {
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({"--child", folder, QString::number(m_server->port()),
                            momentsFile.isEmpty() ? "-" : momentsFile,
                            kill.name.isEmpty() ? QStringLiteral("-") : QString::fromUtf8(kill.name),
                            QString::number(kill.occurrence)});
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start();
        Report report;
        if (!child.waitForFinished(120000)) {
            child.kill();
            child.waitForFinished();
            return report;
        }
        report.killed = child.exitStatus() == QProcess::CrashExit;
        report.errors = child.readAllStandardError();
        report.exitCode = child.exitCode();
        for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
            const qsizetype space = line.indexOf(' ');
            const QByteArray key = space < 0 ? line : line.left(space);
            const QByteArray value = space < 0 ? QByteArray() : line.mid(space + 1);
            if (key == "prompt") {
                report.prompts << value;
            } else if (!key.isEmpty()) {
                report.values[key] = value;
            }
        }
        return report;
    }

    // ---- Finding the moments of the counted run.

    int indexOf(const QByteArray& name, int from = 0) const
    {
        const int at = int(m_moments.indexOf(name, from));
        if (at < 0) {
            qWarning("no moment %s after %d", name.constData(), from);
        }
        return at;
    }

    // Moment i as a name and occurrence.
    Moment at(int i, const QByteArray& why) const
    {
        Moment m{m_moments[i], 0, why};
        for (int k = 0; k <= i; ++k) {
            m.occurrence += m_moments[k] == m.name ? 1 : 0;
        }
        return m;
    }

    // The indexes in [from, to) whose name is `name`. Names keep their letter case: an archived
    // table and its live table may differ only in it.
    QList<int> within(int from, int to, const QByteArray& name) const
    {
        QList<int> out;
        for (int i = std::max(from, 0); i < to && i < m_moments.size(); ++i) {
            if (m_moments[i] == name) {
                out << i;
            }
        }
        return out;
    }

    static int middle(const QList<int>& list) { return list.isEmpty() ? -1 : list[list.size() / 2]; }

    QString liveName(const QByteArray& archived) const
    {
        for (const QString& table : m_tables) {
            if (table.compare(QString::fromLatin1(archived), Qt::CaseInsensitive) == 0) {
                return table;
            }
        }
        return {};
    }

    // The moments a kill is tried at.
    QList<Moment> chooseMoments() const
    {
        QList<Moment> out;
        const auto add = [&](int i, const QByteArray& why) {
            if (i >= 0) {
                out << at(i, why);
            } else {
                out << Moment{"(missing) " + why, 0, why};
            }
        };
        add(indexOf("log  izlistavanje ftp-a..."), "the listing");
        add(indexOf("log  pocetak azuriranja po spisku"), "the second click begins");
        // One kind of moment after another over the tables, so each kind meets several tables.
        int kind = 0;
        for (const QByteArray& archive : Archives) {
            const bool first = archive == Archives.first();
            const int download = indexOf("log  download " + archive);
            add(indexOf("packet after download " + archive, download), archive + ": the download");
            add(indexOf("log  download " + archive + " zavrsen", download), archive + ": downloaded");
            const int unpack = indexOf("log Raspakivanje " + archive, download);
            const int install = indexOf("log Zip fajl - inatalacija", unpack);
            add(middle(within(unpack, install, "decompress after Raspakivanje " + archive)),
                archive + ": the extraction");
            const int done = indexOf("log  fajl " + archive + " obradjen", install);
            // The rows the archive holds, each from its log line to the next.
            QList<int> rows;
            QByteArrayList files;
            for (const updates::ImportRow& row : updates::importList()) {
                const int line = within(install, done, "log Instalacija " + QByteArray(row.file)).value(0, -1);
                if (line >= 0) {
                    rows << line;
                    files << row.file;
                }
            }
            for (int r = 0; r < rows.size(); ++r) {
                const QByteArray file = files[r];
                const int begin = rows[r];
                const int end = r + 1 < rows.size() ? rows[r + 1] : done;
                const QByteArray live = liveName(file).toUtf8();
                const QByteArray copy = QFileInfo(QString::fromUtf8(live)).completeBaseName().toUtf8() + ".Rebuild.db";
                const QList<int> commits = within(begin, end, "delete " + live + "-journal");
                const int imported = commits.isEmpty() ? end : commits.first();
                const QList<int> copies = within(begin, end, "write " + copy);
                const QList<int> copyOpens = within(begin, end, "open " + copy);
                const int lastCopy =
                    std::max(copies.isEmpty() ? -1 : copies.last(), copyOpens.isEmpty() ? -1 : copyOpens.last());
                const int renamed = within(lastCopy, end, "open " + live).value(0, -1);
                const auto refresh = [&] {
                    return commits.size() > 1 ? middle(within(commits[0], commits[1], "write " + live)) : -1;
                };
                const QByteArray what = archive + " " + live + ": ";
                const bool regulations = file == "TB_Zakoni.DB";
                if (!first && !regulations) {
                    continue;
                }
                if (regulations || file == "TB_Misljenja.DB") {
                    // The tables with search copies: every kind.
                    add(middle(within(begin, imported, "write " + live + "-journal")), what + "the import's journal");
                    add(middle(within(begin, imported, "write " + live)), what + "the import's commit");
                    add(refresh(), what + "the search copies' refresh");
                    add(middle(copies), what + "the rebuild's copy");
                    add(copyOpens.value(1, -1), what + "the rebuild's check");
                    add(renamed, what + "the rebuilt table in place");
                    if (!first) {
                        break;
                    }
                    continue;
                }
                switch (kind++ % 4) {
                case 0:
                    add(middle(within(begin, imported, "write " + live)), what + "the import's commit");
                    break;
                case 1:
                    add(middle(copies), what + "the rebuild's copy");
                    break;
                case 2:
                    add(copyOpens.value(1, -1), what + "the rebuild's check");
                    break;
                case 3:
                    add(renamed, what + "the rebuilt table in place");
                    break;
                }
            }
            if (first) {
                // The regulations are in, the newest list filled, the next table begins.
                add(rows.value(files.indexOf("TB_Zakoni.DB") + 1, -1), archive + ": the newest list");
                add(within(install, done, "log  snimljen novo.lst").value(0, -1),
                    archive + ": the newest list saved, the archive not yet counted as installed");
            }
            add(done, archive + ": installed");
        }
        add(indexOf("log  LOG fajl zatvoren", indexOf("log  pocetak azuriranja po spisku")), "the run's last line");
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_base = m_dir.filePath("base");
        for (const char* file : {"DBEinst.dll", "DBENGINE32.DLL", "Yhelvn.TTF", "Yhelvb.TTF", "Cir Helvetica.TTF",
                                 "Cir Helvetica Bold.TTF", "Yuerife.FON", "dostava.rtf"}) {
            QDir().mkpath(m_base);
            QVERIFY(QFile::copy(QDir(testsupport::binFolder()).filePath(file), QDir(m_base).filePath(file)));
        }
        const QString data = QDir(m_base).filePath("Podatci");
        demo::generate(data, {150, 3, 1});
        QDir().mkpath(QDir(m_base).filePath("update"));
        demo::writeUpdateArchives(data, m_dir.filePath("server/updates"), {2, 1, 40, 20, 5, 1});
        m_tables = QDir(data).entryList({"*.db"}, QDir::Files);
        QCOMPARE(m_tables.size(), 13);
        m_before = digests(data);
        m_server = std::make_unique<FtpServer>(m_dir.filePath("server"));
        QVERIFY(m_server->running());
    }

    void killedRunIsCompletedByTheNextClick()
    {
        // The uncut run: what every run must end with, and its moments.
        const QString reference = freshProgram("reference");
        const QString momentsFile = m_dir.filePath("moments.txt");
        const Report whole = run(reference, momentsFile);
        QVERIFY2(whole.exitCode == 0, whole.errors.constData());
        QCOMPARE(whole.values["offered"], QByteArray("001.zip,002.zip"));
        QCOMPARE(whole.values["statuses"], QByteArray("preuzeto,preuzeto"));
        QCOMPARE(whole.prompts, QByteArrayList());
        QFile f(momentsFile);
        QVERIFY(f.open(QIODevice::ReadOnly));
        m_moments = f.readAll().split('\n');
        m_afterAll = digests(QDir(reference).filePath("Podatci"));
        QVERIFY(m_afterAll != m_before);
        const QByteArray newest = QFile(QDir(reference).filePath("novo.lst")).exists()
                                      ? listfiles::joinLines(listfiles::load(QDir(reference).filePath("novo.lst")))
                                      : QByteArray();
        QVERIFY(!newest.isEmpty());
        const QStringList referenceFiles = runFiles(reference);

        const QList<Moment> moments = chooseMoments();
        QVERIFY2(moments.size() >= 20, qPrintable(QString::number(moments.size())));
        // The tables once the first archive is in: the program killed as it counts as installed.
        {
            const Moment firstInstalled = at(indexOf("log  fajl 001.zip obradjen"), "001.zip installed");
            const QString folder = freshProgram("first");
            QVERIFY(run(folder, {}, firstInstalled).killed);
            m_afterFirst = digests(QDir(folder).filePath("Podatci"));
            QVERIFY(m_afterFirst != m_before && m_afterFirst != m_afterAll);
        }
        QElapsedTimer clock;
        clock.start();
        for (const Moment& kill : moments) {
            const QByteArray where = kill.why + " (" + kill.name + " #" + QByteArray::number(kill.occurrence) + ")";
            qInfo("killed at %s", where.constData());
            QVERIFY2(kill.occurrence > 0, where.constData());
            const QString folder = freshProgram("cut");
            const Report cut = run(folder, {}, kill);
            QVERIFY2(cut.killed, where.constData());

            // The log holds every line written up to the kill, each as it was written.
            const int killedAt = [&] {
                int seen = 0;
                for (int i = 0; i < m_moments.size(); ++i) {
                    if (m_moments[i] == kill.name && ++seen == kill.occurrence) {
                        return i;
                    }
                }
                return -1;
            }();
            QByteArrayList expectedLog;
            for (int i = 0; i <= killedAt; ++i) {
                if (m_moments[i].startsWith("log ")) {
                    if (m_moments[i] == "log  LOG fajl otvoren") {
                        expectedLog.clear(); // each click begins the log anew
                    }
                    expectedLog << m_moments[i].mid(4);
                }
            }
            QCOMPARE(logLines(folder), expectedLog);

            // Each table as before or as after a whole archive; an archive that counts as
            // installed is wholly installed.
            const QMap<QString, QByteArray> state = digestsOfCopy(QDir(folder).filePath("Podatci"), program("scratch"));
            const bool firstDone = QFile::exists(QDir(folder).filePath("updates/001.zip"));
            const bool allDone = QFile::exists(QDir(folder).filePath("updates/002.zip"));
            for (const QString& table : m_tables) {
                const QByteArray d = state[table];
                const QByteArray what = table.toUtf8() + " at " + where;
                QVERIFY2(d == m_before[table] || d == m_afterFirst[table] || d == m_afterAll[table],
                         ("half installed: " + what).constData());
                QVERIFY2(!firstDone || d == m_afterFirst[table] || d == m_afterAll[table],
                         ("001.zip counts as installed, but not this table: " + what).constData());
                QVERIFY2(!allDone || d == m_afterAll[table],
                         ("002.zip counts as installed, but not this table: " + what).constData());
            }

            // The user's next click: offered what was cut short and what follows, installed whole.
            QByteArrayList rest;
            for (const QByteArray& archive : Archives) {
                if (!QFile::exists(QDir(folder).filePath("updates/" + QString::fromLatin1(archive)))) {
                    rest << archive;
                }
            }
            const Report next = run(folder, {});
            QVERIFY2(next.exitCode == 0 && !next.killed, (where + "\n" + next.errors).constData());
            QVERIFY2(next.values["offered"] == rest.join(','),
                     (where + ": offered " + next.values["offered"]).constData());
            // The listing alone clears what the cut run left: no download waiting, no extracted
            // archive, no rebuild's copy, no journal.
            for (const QByteArray& file : next.values["afterListing"].split(',')) {
                const bool leftover = file.startsWith("updates/.incomplete/") || file.startsWith("update/") ||
                                      file.contains(".Rebuild.") || file.endsWith("-journal") || file.endsWith(".part");
                QVERIFY2(!leftover, (where + ": after the listing " + file).constData());
            }
            if (rest.isEmpty()) {
                QCOMPARE(next.prompts, QByteArrayList{"Nema novijih datoteka za preuzimanje sa interneta!"});
            } else {
                QVERIFY2(next.prompts.isEmpty(), (where + ": " + next.prompts.join(" | ")).constData());
                QCOMPARE(next.values["statuses"], QByteArrayList(rest.size(), "preuzeto").join(','));
                // The date lives in the run that installed (the configuration's line is written
                // on closing and not read back), so it is looked at where an install ran.
                const QString today = QDate::currentDate().toString("dd/MM/yyyy");
                QCOMPARE(QString::fromLatin1(next.values["date"]), today);
                QCOMPARE(QString::fromLatin1(listfiles::load(QDir(folder).filePath("korvelin.cfg")).value(8)), today);
            }
            QVERIFY2(digests(QDir(folder).filePath("Podatci")) == m_afterAll, where.constData());
            QCOMPARE(listfiles::joinLines(listfiles::load(QDir(folder).filePath("novo.lst"))), newest);
            // Nothing of the cut run stays: the same files as after the uncut run. (An extracted
            // archive stays in the extraction folder until the next click, which here installed
            // nothing when all was in before.)
            const QStringList files = runFiles(folder);
            QStringList expected = referenceFiles;
            if (rest.isEmpty()) {
                expected.removeIf([](const QString& file) { return file.startsWith("update/"); });
            }
            QStringList extra;
            QStringList missing;
            for (const QString& file : files) {
                if (!expected.contains(file)) {
                    extra << file;
                }
            }
            for (const QString& file : expected) {
                if (!files.contains(file)) {
                    missing << file;
                }
            }
            QVERIFY2(extra.isEmpty() && missing.isEmpty(),
                     qPrintable(where + ": left " + extra.join(", ") + "; missing " + missing.join(", ")));
        }
        qInfo("%lld moments tried in %lld s", qint64(moments.size()), clock.elapsed() / 1000);
    }
};

int main(int argc, char** argv)
{
    if (argc == 7 && qstrcmp(argv[1], "--child") == 0) {
        QApplication app(argc, argv);
        QStringList args;
        for (int i = 2; i < argc; ++i) {
            args << QString::fromLocal8Bit(argv[i]);
        }
        return runChild(args);
    }
    QApplication app(argc, argv);
    TestUpdateCrash test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_updatecrash.moc"
