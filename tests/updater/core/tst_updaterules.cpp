// The rules of an update run that need no server: the lenient number parse, which listed names
// are taken and which are new, the renames of short archive names, the update log.

#include "dbeutil.h"
#include "lenient.h"
#include "logger.h"
#include "paths.h"
#include "updaterules.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using updates::ListedName;

class TestUpdateRules : public QObject {
    Q_OBJECT

private slots:
    void lenientParse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("integer");
        QTest::newRow("empty") << "" << 0.0 << 0;
        QTest::newRow("no digits") << "abc" << 0.0 << 0;
        QTest::newRow("lone separator") << "." << 0.0 << 0;
        QTest::newRow("lone minus") << "-" << 0.0 << 0;
        QTest::newRow("letters between digits") << "80x80" << 8080.0 << 8080;
        QTest::newRow("minus behind") << "5-" << -5.0 << -5;
        QTest::newRow("thousands and decimals") << "1,234.5" << 1234.5 << 1234;
        QTest::newRow("last separator is the point") << "1,234,567" << 1234.567 << 1234;
        QTest::newRow("leading separator") << ".5" << 0.5 << 0;
        QTest::newRow("trailing separator") << "7." << 7.0 << 7;
        QTest::newRow("negative truncates toward zero") << "-2.9" << -2.9 << -2;
        QTest::newRow("too large for int") << "99999999999" << 99999999999.0 << std::numeric_limits<int>::max();
    }

    void lenientParse()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(int, integer);
        QCOMPARE(LenientStrToFloat(text, QLatin1Char('.'), QLatin1Char(',')), value);
        QCOMPARE(LenientStrToInt(text, QLatin1Char('.'), QLatin1Char(',')), integer);
    }

    void lenientParseWithCommaDecimals()
    {
        QCOMPARE(LenientStrToFloat("1.234,5", QLatin1Char(','), QLatin1Char('.')), 1234.5);
        QCOMPARE(LenientStrToInt("8080", QLatin1Char(','), QLatin1Char('.')), 8080);
    }

    void listedNames()
    {
        QCOMPARE(updates::classifyListedName("001.zip"), ListedName::Taken);
        QCOMPARE(updates::classifyListedName("vesti.txt"), ListedName::Taken);
        QCOMPARE(updates::classifyListedName("zip.txt"), ListedName::Taken);
        QVERIFY(updates::isArchiveName("zip.txt")); // installed as an archive
        // The test is case-sensitive: the server's names are in lower case.
        QCOMPARE(updates::classifyListedName("003.ZIP"), ListedName::NotOurs);
        QCOMPARE(updates::classifyListedName("readme.md"), ListedName::NotOurs);
        QCOMPARE(updates::classifyListedName("."), ListedName::NotOurs);
        QCOMPARE(updates::classifyListedName(".."), ListedName::NotOurs);
        for (const char* hostile :
             {"../001.zip", "..\\001.zip", "sub/001.zip", "C:001.zip", "c:\\x.zip", "a..zip", "/etc/x.zip"}) {
            QCOMPARE(updates::classifyListedName(hostile), ListedName::Unsafe);
        }
    }

    void newFilesCompareWithoutCase()
    {
        QByteArrayList gone;
        const QByteArrayList fresh = updates::newFiles({"ABC.ZIP", "002.zip", "old.zip"},
                                                       {"003.zip", "abc.zip", "001.zip", "002.zip", "vesti.txt"},
                                                       [&](const QByteArray& name) { gone.append(name); });
        QCOMPARE(fresh, (QByteArrayList{"001.zip", "003.zip", "vesti.txt"}));
        QCOMPARE(gone, QByteArrayList{"old.zip"});
    }

    void shortNamesRenamedAtStart()
    {
        QTemporaryDir dir;
        const auto touch = [&](const char* name, const QByteArray& bytes) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        touch("1.zip", "one");
        touch("10.zip", "ten");
        touch("11.zip", "eleven");
        touch("12.zip", "twelve");
        touch("2.zip", "two");
        touch("002.zip", "two already"); // the new name exists: both stay
        updates::renameShortNames(dir.path());
        const QStringList names = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(names, (QStringList{"001.zip", "002.zip", "010.zip", "011.zip", "12.zip", "2.zip"}));
        QFile kept(dir.filePath("002.zip"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("two already"));
        // The listing then finds nothing new for a server with 001.zip and 002.zip.
        QByteArrayList local;
        for (const QString& n : QDir(dir.path()).entryList(QDir::Files)) {
            local.append(n.toLatin1());
        }
        QVERIFY(updates::newFiles(local, {"001.zip", "002.zip"}).isEmpty());
    }

    void logLinesAndTheirFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("log.txt");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the last run's log\r\n");
        old.close();
        const auto onDisk = [&] {
            QFile current(path);
            return current.open(QIODevice::ReadOnly) ? current.readAll() : QByteArray("(unreadable)");
        };
        {
            // The last run's log goes as the new one begins, and each line is in the file as soon
            // as it is written, so a run that is killed leaves every line up to its end.
            TLogger log(path);
            QVERIFY(log.opened());
            QCOMPARE(onDisk(), QByteArray());
            log.Log(TLogger::stamped(" Konektovanje...", QTime(14, 5, 9)));
            QCOMPARE(onDisk(), QByteArray("[14:05:09] Konektovanje...\r\n"));
            log.Log({});
            QCOMPARE(onDisk(), QByteArray("[14:05:09] Konektovanje...\r\n\r\n"));
        }
        QCOMPARE(onDisk(), QByteArray("[14:05:09] Konektovanje...\r\n\r\n"));

        TLogger nowhere(dir.filePath("missing/log.txt"));
        QVERIFY(!nowhere.opened());
        QVERIFY_THROWS_EXCEPTION(LogError, nowhere.Log("x"));
    }

    void verificationMessages()
    {
        QCOMPARE(verificationMessage(0), QByteArray("Verification Successful. Nema gresaka u bazi"));
        QCOMPARE(verificationMessage(3),
                 QByteArray("Verification Successful. Greska u bazi, pozovite tehnicku podrsku"));
        QCOMPARE(verificationMessage(7), QByteArray("Neuspesna provera baze"));
        QCOMPARE(verificationMessage(-1), QByteArray("Neuspesna provera baze"));
    }

    void foldersBesideTheProgram()
    {
        QTemporaryDir dir;
        platform::setProgramFolder(dir.path());
        QCOMPARE(updates::downloadFolder(), dir.path() + "/updates");
        QCOMPARE(updates::extractionFolder(), dir.path() + "/update/");
        QCOMPARE(updates::logFile(), dir.path() + "/log.txt");
        platform::setProgramFolder({});
    }
};

QTEST_GUILESS_MAIN(TestUpdateRules)
#include "tst_updaterules.moc"
