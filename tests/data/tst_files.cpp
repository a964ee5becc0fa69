#include "filesizelimit.h"

#include "configfile.h"
#include "listfiles.h"

#include <cerrno>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::FileSizeLimit;

class TestFiles : public QObject {
    Q_OBJECT
private slots:
    void lineEnds_data();
    void lineEnds();
    void listRoundTripKeepsBytes();
    void entryNeverSplitsItsFile_data();
    void entryNeverSplitsItsFile();
    void saveReplacesReadOnlyFileWhole();
    void saveFailureIsReported_data();
    void saveFailureIsReported();
    void failureKinds();
    void saveNeverWritesThroughALink();
    void missingConfigGivesDefaults();
    void configFromFile();
    void configFaultyLines();
    void configProxyCaseMatters();
    void dataVersion();
};

void TestFiles::lineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QByteArrayList{"a", "b"};
    QTest::newRow("lf") << QByteArray("a\nb\n") << QByteArrayList{"a", "b"};
    QTest::newRow("cr") << QByteArray("a\rb\r") << QByteArrayList{"a", "b"};
    QTest::newRow("mixed, no final end") << QByteArray("a\r\nb\nc\rd") << QByteArrayList{"a", "b", "c", "d"};
    QTest::newRow("empty lines kept") << QByteArray("a\r\n\r\nb") << QByteArrayList{"a", "", "b"};
    QTest::newRow("lf cr is two ends") << QByteArray("a\n\rb") << QByteArrayList{"a", "", "b"};
    QTest::newRow("empty file") << QByteArray() << QByteArrayList{};
}

void TestFiles::lineEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArrayList, lines);
    QCOMPARE(listfiles::splitLines(bytes), lines);
    QCOMPARE(listfiles::splitLines(listfiles::joinLines(lines)), lines);
}

void TestFiles::entryNeverSplitsItsFile_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("line end at the end") << QByteArray("Zakon o radu\r\n") << QByteArray("Zakon o radu");
    QTest::newRow("line end at the start") << QByteArray("\nZakon o radu") << QByteArray("Zakon o radu");
    QTest::newRow("lf inside") << QByteArray("Zakon o\nradu") << QByteArray("Zakon o radu");
    QTest::newRow("cr inside") << QByteArray("Zakon o\rradu") << QByteArray("Zakon o radu");
    QTest::newRow("blank lines and blanks") << QByteArray("'ZAKON O \r\n\r\n\tRADU' - x") << QByteArray("'ZAKON O RADU' - x");
    QTest::newRow("only line ends") << QByteArray("\r\n\n") << QByteArray();
    // Without a line end, an entry is written as it is, its blanks and tabs too.
    QTest::newRow("tabs and blanks kept") << QByteArray(" a\t b ") << QByteArray(" a\t b ");
}

// What writes a list file writes each entry on one line: the next start reads the entries that
// were written, one for one.
void TestFiles::entryNeverSplitsItsFile()
{
    QFETCH(QByteArray, entry);
    QFETCH(QByteArray, line);
    QCOMPARE(listfiles::oneLine(entry), line);
    QTemporaryDir dir;
    const QString path = dir.filePath("pretrage.ini");
    QVERIFY(listfiles::save(path, {"first", entry, "last"}).ok());
    QCOMPARE(listfiles::load(path), (QByteArrayList{"first", line, "last"}));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), "first\r\n" + line + "\r\nlast\r\n");
}

void TestFiles::listRoundTripKeepsBytes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("cesti.ini");
    const QByteArrayList lines{"Zakon o ra~unovodstvu", QByteArray("\xe8\x8a\x00x", 4), "[KOLA 'A'"};
    QVERIFY(listfiles::save(path, lines).ok());
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(),
             QByteArray("Zakon o ra~unovodstvu\r\n") + QByteArray("\xe8\x8a\x00x", 4) + "\r\n[KOLA 'A'\r\n");
    bool ok = false;
    QCOMPARE(listfiles::load(path, &ok), lines);
    QVERIFY(ok);
    // An empty list gives an empty file.
    QVERIFY(listfiles::save(path, {}).ok());
    QCOMPARE(QFileInfo(path).size(), 0);
    listfiles::load(dir.filePath("missing.ini"), &ok);
    QVERIFY(!ok);
}

void TestFiles::saveReplacesReadOnlyFileWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("brzi.ini");
    QVERIFY(listfiles::save(path, {"old"}).ok());
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    QVERIFY(listfiles::save(path, {"new", "lines"}).ok());
    QCOMPARE(listfiles::load(path), (QByteArrayList{"new", "lines"}));
}

void TestFiles::saveFailureIsReported_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<platform::WriteFailure>("failure");
    QTest::newRow("file size limit") << "limit" << platform::WriteFailure::NoSpace;
    QTest::newRow("target is a folder") << "folder" << platform::WriteFailure::FolderInPlace;
    QTest::newRow("target is an empty folder") << "empty folder" << platform::WriteFailure::FolderInPlace;
    QTest::newRow("folder is a file") << "blocked" << platform::WriteFailure::Unknown;
}

void TestFiles::saveFailureIsReported()
{
    // Each failure holds for root too (which folder permissions do not stop): the save fails, says
    // why by its kind, and what was there stays whole, with nothing left beside it.
    QFETCH(QString, kind);
    QFETCH(platform::WriteFailure, failure);
    QTemporaryDir dir;
    QString path = dir.filePath("pretrage.ini");
    QVERIFY(listfiles::save(path, {"kept"}).ok());
    if (kind == "folder") {
        path = dir.filePath("cesti.ini");
        QVERIFY(QDir().mkpath(path + "/inside"));
    } else if (kind == "empty folder") {
        path = dir.filePath("cesti.ini");
        QVERIFY(QDir().mkpath(path));
    } else if (kind == "blocked") {
        path = dir.filePath("pretrage.ini/brzi.ini");
    }
    platform::WriteResult result;
    {
        const FileSizeLimit limit(kind == "limit" ? 8 : -1);
        result = listfiles::save(path, {"a line longer than the limit", "and another"});
    }
    QCOMPARE(result.failure, failure);
    QVERIFY(!result.ok());
    QVERIFY(!result.systemText.isEmpty()); // kept for a log
    QCOMPARE(listfiles::load(dir.filePath("pretrage.ini")), QByteArrayList{"kept"});
    const QStringList expected =
        kind.endsWith("folder") ? QStringList{"cesti.ini", "pretrage.ini"} : QStringList{"pretrage.ini"};
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name), expected);
    // Making a folder in the file's place writable fails alike; a missing file needs nothing.
    if (kind.endsWith("folder")) {
        QCOMPARE(platform::makeWritable(path).failure, platform::WriteFailure::FolderInPlace);
    }
    QVERIFY(platform::makeWritable(dir.filePath("missing.ini")).ok());
}

// The system's reasons, by the kinds the user is told.
void TestFiles::failureKinds()
{
    using platform::WriteFailure;
    QCOMPARE(platform::writeFailureFromErrno(0), WriteFailure::None);
    for (int e : {ENOSPC, EDQUOT, EFBIG}) {
        QCOMPARE(platform::writeFailureFromErrno(e), WriteFailure::NoSpace);
    }
    for (int e : {EACCES, EPERM, EROFS}) {
        QCOMPARE(platform::writeFailureFromErrno(e), WriteFailure::NoPermission);
    }
    QCOMPARE(platform::writeFailureFromErrno(EISDIR), WriteFailure::FolderInPlace);
    QCOMPARE(platform::writeFailureFromErrno(EIO), WriteFailure::Unknown);
}

// A list file that is a symbolic link is replaced by the saved file; what it points to keeps its
// bytes and its permissions.
void TestFiles::saveNeverWritesThroughALink()
{
    QTemporaryDir dir;
    const QString elsewhere = dir.filePath("elsewhere.txt");
    QVERIFY(listfiles::save(elsewhere, {"not the program's"}).ok());
    QVERIFY(QFile::setPermissions(elsewhere, QFileDevice::ReadOwner));
    const QString path = dir.filePath("cesti.ini");
    QVERIFY(QFile::link(elsewhere, path));
    QVERIFY(platform::makeWritable(path).ok());
    const auto ownerBits = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    QCOMPARE(QFile::permissions(elsewhere) & ownerBits, QFileDevice::ReadOwner);
    QVERIFY(listfiles::save(path, {"Zakon o radu"}).ok());
    QVERIFY(!QFileInfo(path).isSymLink());
    QCOMPARE(listfiles::load(path), QByteArrayList{"Zakon o radu"});
    QCOMPARE(listfiles::load(elsewhere), QByteArrayList{"not the program's"});
}

void TestFiles::missingConfigGivesDefaults()
{
    // What closing writes when no file was read.
    const configfile::Settings defaults;
    const QByteArrayList lines = configfile::write(defaults, "9/12/2019", "");
    QCOMPARE(lines.size(), 10);
    QCOMPARE(lines[0], QByteArray("1"));
    QCOMPARE(lines[1], QByteArray("2"));
    QCOMPARE(lines[2], QByteArray("Bez proxy-ja"));
    QCOMPARE(lines.mid(5, 4), (QByteArrayList{"10", "16", "14", "9/12/2019"}));
}

void TestFiles::configFromFile()
{
    const QByteArrayList lines{"7", "0", "Koristi proxy", "proxy.lan", "8080", "11", "12", "13", "1/2/2020", "3.1.4"};
    const configfile::ReadResult r = configfile::read(lines, {});
    QVERIFY(!r.faulty);
    QCOMPARE(r.settings.keptInteger, 7);
    QCOMPARE(r.settings.optionLevel, 0);
    QVERIFY(r.settings.optionLevelRead);
    QVERIFY(r.settings.proxy);
    QCOMPARE(r.settings.proxyAddress, QByteArray("proxy.lan"));
    QCOMPARE(r.settings.proxyPort, QByteArray("8080"));
    QCOMPARE(r.settings.textSizes[2], 13);
    // Written back as it was read, apart from the two lines the program owns.
    QCOMPARE(configfile::write(r.settings, "9/12/2019", "3.1.4"),
             (QByteArrayList{"7", "0", "Koristi proxy", "proxy.lan", "8080", "11", "12", "13", "9/12/2019", "3.1.4"}));

    // A proxy address that came with a line end does not push the lines after it down: the next
    // start reads the file it wrote without a fault.
    configfile::Settings odd = r.settings;
    odd.proxyAddress = "proxy.lan\r\n";
    QTemporaryDir dir;
    const QString path = dir.filePath(configfile::FileName);
    QVERIFY(listfiles::save(path, configfile::write(odd, "9/12/2019", "3.1.4")).ok());
    const QByteArrayList written = listfiles::load(path);
    QCOMPARE(written.size(), 10);
    const configfile::ReadResult again = configfile::read(written, {});
    QVERIFY(!again.faulty);
    QCOMPARE(again.settings.proxyAddress, QByteArray("proxy.lan"));
    QCOMPARE(again.settings.textSizes[2], 13);
    QCOMPARE(configfile::dataVersion(written), QByteArray("3.1.4"));
}

void TestFiles::configFaultyLines()
{
    // Line 7 is not a number: reported, and every other line is still taken.
    configfile::ReadResult r = configfile::read({"1", "1", "Bez proxy-ja", "", "", "20", "x", "22"}, {});
    QVERIFY(r.faulty);
    QCOMPARE(r.settings.optionLevel, 1);
    QCOMPARE(r.settings.textSizes[0], 20);
    QCOMPARE(r.settings.textSizes[1], 16);
    QCOMPARE(r.settings.textSizes[2], 22);

    // A short file: what is there is kept, the rest keeps its defaults (never 0).
    r = configfile::read({"5", "1"}, {});
    QVERIFY(r.faulty);
    QCOMPARE(r.settings.keptInteger, 5);
    QCOMPARE(r.settings.optionLevel, 1);
    QCOMPARE(r.settings.textSizes[0], 10);
    QCOMPARE(configfile::write(r.settings, "", "").at(5), QByteArray("10"));

    // A level the list does not have leaves the form's level and is not applied.
    r = configfile::read({"1", "9", "Bez proxy-ja", "", "", "10", "16", "14"}, {});
    QVERIFY(!r.settings.optionLevelRead);
    QCOMPARE(r.settings.optionLevel, 2);

    QVERIFY(configfile::read({}, {}).faulty);
}

void TestFiles::configProxyCaseMatters()
{
    configfile::Settings form;
    form.proxyAddress = "form";
    const configfile::ReadResult r =
        configfile::read({"1", "2", "koristi PROXY", "proxy.lan", "8080", "10", "16", "14"}, form);
    QVERIFY(!r.faulty);
    QVERIFY(!r.settings.proxy);
    QVERIFY(!r.settings.proxyFieldsRead);
    QCOMPARE(r.settings.proxyAddress, QByteArray("form"));
}

void TestFiles::dataVersion()
{
    QByteArrayList nine{"1", "2", "3", "4", "5", "6", "7", "8", "9"};
    QCOMPARE(configfile::dataVersion(nine), QByteArray());
    QCOMPARE(configfile::dataVersion(nine + QByteArrayList{""}), QByteArray("2.2.0"));
    QCOMPARE(configfile::dataVersion(nine + QByteArrayList{"3.1.4"}), QByteArray("3.1.4"));
    QCOMPARE(configfile::dataVersion(nine + QByteArrayList{" 2024/12 izmena 143"}), QByteArray(" 2024/12 izmena 143"));
    QCOMPARE(configfile::dataVersion(nine + QByteArrayList{QByteArray(32, '9')}), QByteArray(32, '9'));
    QCOMPARE(configfile::dataVersion({}), QByteArray());
    // A fresh install's file reads without a fault and gives its version.
    const QByteArrayList fresh = configfile::freshInstall("2.2.0");
    QCOMPARE(fresh.size(), 10);
    QVERIFY(!configfile::read(fresh, {}).faulty);
    QCOMPARE(configfile::dataVersion(fresh), QByteArray("2.2.0"));
    QCOMPARE(fresh, configfile::write({}, "9/12/2019", "2.2.0"));
    // What a damaged file leaves on line 10 is no version: it counts as missing, and the caption
    // never shows it.
    for (const QByteArray& garbage : {QByteArray("3.1\x01"), QByteArray("\x7f"), QByteArray("3\tx"),
                                      QByteArray("3.1.\xe8"), QByteArray(33, '9'), QByteArray(4000, 'x')}) {
        QCOMPARE(configfile::dataVersion(nine + QByteArrayList{garbage}), QByteArray());
    }
}

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
