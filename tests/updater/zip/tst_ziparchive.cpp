#include "filesizelimit.h"

#include "ziparchive.h"
#include "ziptools.h"

#include <fcntl.h>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <unistd.h>

using namespace ziptest;
using testsupport::FileSizeLimit;

namespace {

// Builds an archive with Python's zipfile from {name, method, data file} triples; with `path`
// "-" the archive is written to a pipe, which makes zipfile stream it with data descriptors.
const char* const PythonBuilder = R"(
import json, sys, zipfile
plan = json.load(open(sys.argv[1]))
methods = {'stored': zipfile.ZIP_STORED, 'deflate': zipfile.ZIP_DEFLATED, 'bzip2': zipfile.ZIP_BZIP2}
out = sys.stdout.buffer if plan['path'] == '-' else plan['path']
with zipfile.ZipFile(out, 'w') as z:
    for e in plan['entries']:
        info = zipfile.ZipInfo(e['name'], (2024, 5, 17, 13, 45, 30))
        info.compress_type = methods[e['method']]
        info.external_attr = (0o40755 << 16 | 0x10) if e['name'].endswith('/') else 0o644 << 16
        info.external_attr = e.get('attributes') or info.external_attr
        data = open(e['file'], 'rb').read() if e['file'] else b''
        with z.open(info, 'w', force_zip64=e.get('zip64', False)) as f:
            f.write(data)
    if plan['comment']:
        z.comment = open(plan['comment'], 'rb').read()
)";

struct PyEntry {
    QString name;
    QString method = QStringLiteral("deflate");
    QString file; // empty: no data
    bool zip64 = false;
    quint32 attributes = 0; // 0: a folder's or a plain file's
};

QString pythonArchive(const QString& folder, const QList<PyEntry>& entries, const QString& commentFile = {},
                      bool streamed = false)
{
    const QString path = folder + "/python.zip";
    QJsonArray list;
    for (const PyEntry& e : entries) {
        list.append(QJsonObject{{"name", e.name},
                                {"method", e.method},
                                {"file", e.file},
                                {"zip64", e.zip64},
                                {"attributes", qint64(e.attributes)}});
    }
    const QJsonObject plan{
        {"path", streamed ? QStringLiteral("-") : path}, {"entries", list}, {"comment", commentFile}};
    writeFile(folder + "/plan.json", QJsonDocument(plan).toJson());
    const QByteArray piped = python(PythonBuilder, {folder + "/plan.json"});
    if (streamed) {
        writeFile(path, piped);
    }
    return path;
}

// One archive per kind: text, incompressible and empty data under every method, a folder entry.
QList<PyEntry> sampleEntries(const QString& source)
{
    return {{"folder/", "stored", {}},
            {"folder/plain.txt", "deflate", source + "/plain.txt"},
            {"random.bin", "bzip2", source + "/random.bin"},
            {"stored.txt", "stored", source + "/sub/deeper/nested.txt"},
            {"text.bz2.txt", "bzip2", source + "/plain.txt"},
            {"empty.dat", "deflate", source + "/empty.dat"}};
}

void extractAll(TZipArchive& zip, const QString& folder)
{
    zip.setOverwriteAction(oaOverwriteAll);
    for (int i = 0; i < zip.Entries().Count(); ++i) {
        zip.Entries()[i].ExtractToFile(folder + u'/' + zip.Entries()[i].FileName());
    }
}

QString failureOf(const std::function<void()>& step)
{
    try {
        step();
    } catch (const ZipError& e) {
        return e.message();
    }
    return {};
}

qint64 centralOffset(const QString& archive) // of an archive without a comment
{
    const QByteArray bytes = readFile(archive);
    return qFromLittleEndian<quint32>(bytes.constData() + bytes.size() - 22 + 16);
}

// The bytes of the first directory record of an archive without a comment.
QByteArray firstDirectoryRecord(const QString& archive)
{
    const QByteArray bytes = readFile(archive);
    const char* record = bytes.constData() + centralOffset(archive);
    const int length = 46 + qFromLittleEndian<quint16>(record + 28) + qFromLittleEndian<quint16>(record + 30) +
                       qFromLittleEndian<quint16>(record + 32);
    return QByteArray(record, length);
}

// `record` (46 bytes and a name, no extra field or comment) under another name and local offset.
QByteArray renamedRecord(QByteArray record, const QByteArray& name, quint32 localOffset)
{
    record.truncate(46);
    qToLittleEndian<quint16>(quint16(name.size()), record.data() + 28);
    qToLittleEndian<quint16>(0, record.data() + 30);
    qToLittleEndian<quint16>(0, record.data() + 32);
    qToLittleEndian<quint32>(localOffset, record.data() + 42);
    return record + name;
}

// Appends directory records to an archive without a comment, counted in its end record.
void addDirectoryRecords(const QString& archive, const QByteArrayList& records)
{
    QByteArray bytes = readFile(archive);
    char* end = bytes.data() + bytes.size() - 22;
    const quint16 count = qFromLittleEndian<quint16>(end + 8);
    const quint32 size = qFromLittleEndian<quint32>(end + 12);
    const QByteArray added = records.join();
    qToLittleEndian<quint16>(quint16(count + records.size()), end + 8);
    qToLittleEndian<quint16>(quint16(count + records.size()), end + 10);
    qToLittleEndian<quint32>(quint32(size + added.size()), end + 12);
    bytes.insert(bytes.size() - 22, added);
    writeFile(archive, bytes);
}

} // namespace

class TestZipArchive : public QObject {
    Q_OBJECT
private slots:
    void init();
    void toolArchivesMatchUnzip_data();
    void toolArchivesMatchUnzip();
    void compressionLevels();
    void comments_data();
    void comments();
    void commentLines();
    void filesThatAreNotArchives_data();
    void filesThatAreNotArchives();
    void smallestArchive();
    void missingFile();
    void cutArchiveIsWalked_data();
    void cutArchiveIsWalked();
    void cutInsideLastEntry();
    void emptyEntries();
    void unsafeNamesAreRefused();
    void unsupportedEntries();
    void damagedEntries();
    void overwriteActions_data();
    void overwriteActions();
    void overwriteEventRenames();
    void openAndCloseEvents();
    void decompressionProgress();
    void namesAndIndexes();
    void stateAndProperties();
    void readOnlyEntryStaysWritable();
    void damagedDirectory_data();
    void damagedDirectory();
    void folderAttributeOnDataEntry();
    void recordsSharingDataAreRefused_data();
    void recordsSharingDataAreRefused();
    void failedWritesSayWhy_data();
    void failedWritesSayWhy();
    void entryLargerThanItsSizeIsStopped_data();
    void entryLargerThanItsSizeIsStopped();
    void linksAreNeverWrittenThrough();
    void zip64Sizes();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_source; // the sample tree
    QString path(const QString& name) const { return m_dir->filePath(name); }
};

void TestZipArchive::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_source = path("source");
    makeSampleTree(m_source);
}

void TestZipArchive::toolArchivesMatchUnzip_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<bool>("descriptors"); // whether the tool streams with data descriptors
    QTest::newRow("zip -0") << "zip -0" << false;
    QTest::newRow("zip -1") << "zip -1" << false;
    QTest::newRow("zip -9") << "zip -9" << false;
    QTest::newRow("bsdtar deflate") << "bsdtar" << true;
    QTest::newRow("bsdtar store") << "bsdtar store" << true;
    QTest::newRow("python") << "python" << false;
    QTest::newRow("python streamed") << "python streamed" << true;
}

void TestZipArchive::toolArchivesMatchUnzip()
{
    QFETCH(QString, tool);
    QFETCH(bool, descriptors);
    const QStringList names{"plain.txt", "random.bin", "empty.dat", "sub", "with space.txt"};
    QString archive = path("tool.zip");
    if (tool.startsWith("zip")) {
        run("zip", QStringList{"-q", "-r", tool.mid(4), archive} + names, m_source);
    } else if (tool == "bsdtar") {
        run("bsdtar", QStringList{"--format", "zip", "-cf", archive} + names, m_source);
    } else if (tool == "bsdtar store") {
        run("bsdtar", QStringList{"--format", "zip", "--options", "zip:compression=store", "-cf", archive} + names,
            m_source);
    } else {
        archive = pythonArchive(m_dir->path(), sampleEntries(m_source), {}, tool.endsWith("streamed"));
    }

    TZipArchive zip;
    zip.Open(archive);
    QVERIFY(zip.Active());
    QCOMPARE(zip.FileNames(), QString::fromUtf8(run("zipinfo", {"-1", archive})).split(u'\n', Qt::SkipEmptyParts));
    bool anyDescriptor = false;
    for (int i = 0; i < zip.Entries().Count(); ++i) {
        anyDescriptor |= (zip.Entries()[i].LocalFile().flags & 0x08) != 0;
    }
    QCOMPARE(anyDescriptor, descriptors);

    extractAll(zip, path("ours"));
    unzipTo(archive, path("theirs"));
    const auto ours = tree(path("ours"));
    QCOMPARE(ours.keys(), tree(path("theirs")).keys());
    QCOMPARE(ours, tree(path("theirs")));
    QVERIFY(ours.size() >= 5);
}

void TestZipArchive::compressionLevels()
{
    const QString file = m_source + "/plain.txt";
    const auto typeOf = [&](const QString& level) {
        const QString archive = path("level" + level + ".zip");
        run("zip", {"-q", "-j", level, archive, file});
        TZipArchive zip;
        zip.Open(archive);
        return zip.Entries()[0].CompressionType();
    };
    QCOMPARE(typeOf("-0"), ctUnknown); // stored
    QCOMPARE(typeOf("-1"), ctFast);
    QCOMPARE(typeOf("-6"), ctNormal);
    QCOMPARE(typeOf("-9"), ctMaximum);

    // No tool at hand writes the super-fast mark; set it and check that unzip reads it the same way.
    const QString archive = pythonArchive(m_dir->path(), {{"plain.txt", "deflate", file}});
    patchFile(archive, 6, 6, 2);
    patchFile(archive, centralOffset(archive) + 8, 6, 2);
    QVERIFY(run("zipinfo", {"-v", archive}).contains("superfast"));
    TZipArchive zip;
    zip.Open(archive);
    QCOMPARE(zip.Entries()[0].CompressionType(), ctSuperFast);
    extractAll(zip, path("out"));
    QCOMPARE(readFile(path("out/plain.txt")), readFile(file));

    const QString bzip = pythonArchive(m_dir->path(), {{"b.txt", "bzip2", file}});
    zip.Open(bzip);
    QCOMPARE(zip.Entries()[0].CompressionType(), ctUnknown);
}

void TestZipArchive::comments_data()
{
    QTest::addColumn<QByteArray>("comment");
    QTest::newRow("none") << QByteArray();
    QTest::newRow("300 bytes") << QByteArray(300, 'k');
    // Far enough back that only a search of the whole comment range finds the record.
    QTest::newRow("2000 bytes") << QByteArray(2000, 'm');
    QTest::newRow("65535 bytes") << QByteArray(65535, 'x');
    QTest::newRow("end signature inside") << QByteArray("PK\x05\x06", 4) + QByteArray(18, '\xff') + "after";
    // A whole end record in the comment, saying the archive is empty; and one pointing at the
    // first local header as if it were the directory.
    QTest::newRow("empty end record inside") << QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');
    QTest::newRow("end record inside, pointing at data")
        << QByteArray("PK\x05\x06\0\0\0\0\x01\0\x01\0\x2e\0\0\0\0\0\0\0\0\0", 22);
}

void TestZipArchive::comments()
{
    QFETCH(QByteArray, comment);
    writeFile(path("comment"), comment);
    const QString archive = pythonArchive(m_dir->path(), sampleEntries(m_source), path("comment"));

    TZipArchive zip;
    zip.Open(archive);
    QVERIFY(zip.IsZipFile());
    QVERIFY2(!zip.DirectoryDamaged(), qPrintable(zip.DirectoryError()));
    QCOMPARE(zip.Entries().Count(), 6);
    QCOMPARE(zip.Comment(), comment.isEmpty() ? QList<QByteArray>() : QList<QByteArray>{comment});
    extractAll(zip, path("ours"));
    const QByteArray plain = readFile(m_source + "/plain.txt");
    const QMap<QString, QByteArray> expected{{"folder/", {}},
                                             {"folder/plain.txt", plain},
                                             {"random.bin", readFile(m_source + "/random.bin")},
                                             {"stored.txt", readFile(m_source + "/sub/deeper/nested.txt")},
                                             {"text.bz2.txt", plain},
                                             {"empty.dat", {}}};
    QCOMPARE(tree(path("ours")), expected);
    // unzip takes the signature inside the comment for the record and gives up.
    if (!comment.startsWith("PK")) {
        unzipTo(archive, path("theirs"));
        QCOMPARE(tree(path("theirs")), expected);
    }
}

void TestZipArchive::commentLines()
{
    writeFile(path("comment"), "first\r\nsecond\nthird\rfourth\r\n");
    TZipArchive zip;
    zip.Open(pythonArchive(m_dir->path(), {{"a.txt", "stored", {}}}, path("comment")));
    QCOMPARE(zip.Comment(), (QList<QByteArray>{"first", "second", "third", "fourth"}));
    zip.Close();
    QVERIFY(zip.Comment().isEmpty());
}

void TestZipArchive::filesThatAreNotArchives_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("10 bytes") << QByteArray("PK\x03\x04zzzzzz");
    QTest::newRow("end signature, 21 bytes") << QByteArray("PK\x05\x06", 4) + QByteArray(17, '\0');
    QTest::newRow("news text") << textBytes(5000);
}

void TestZipArchive::filesThatAreNotArchives()
{
    // The updater passes news files through the extraction: they open quietly with no entries.
    QFETCH(QByteArray, content);
    writeFile(path("vesti.txt"), content);
    TZipArchive zip;
    QList<int> changes;
    zip.OnZipChange = [&](int change) { changes.append(change); };
    zip.Open(path("vesti.txt"));
    QVERIFY(!zip.IsZipFile());
    QVERIFY(!zip.Active());
    QCOMPARE(zip.Entries().Count(), 0);
    QVERIFY(!zip.DirectoryDamaged()); // not an archive at all, so not a damaged one
    QCOMPARE(changes, (QList<int>{0, 1}));
    QCOMPARE(zip.FileName(), path("vesti.txt"));
}

void TestZipArchive::smallestArchive()
{
    // One empty stored entry named "a": 30 + 1 + 46 + 1 + 22 bytes, the end record at size - 22.
    const QString archive = pythonArchive(m_dir->path(), {{"a", "stored", {}}});
    QCOMPARE(QFileInfo(archive).size(), 100);
    TZipArchive zip;
    zip.Open(archive);
    QVERIFY(zip.IsZipFile());
    QCOMPARE(zip.FileNames(), QStringList{"a"});
}

void TestZipArchive::missingFile()
{
    TZipArchive zip;
    zip.Open(pythonArchive(m_dir->path(), {{"a", "stored", {}}}));
    QVERIFY(zip.Active());
    const QString missing = path("nowhere/001.zip");
    QCOMPARE(failureOf([&] { zip.Open(missing); }), "File \"" + missing + "\" not found!");
    QVERIFY(!zip.Active());
    QCOMPARE(zip.Entries().Count(), 0);
}

void TestZipArchive::cutArchiveIsWalked_data()
{
    QTest::addColumn<bool>("streamed");
    QTest::newRow("sizes in local headers") << false;
    QTest::newRow("data descriptors") << true;
}

void TestZipArchive::cutArchiveIsWalked()
{
    // A download cut off before the directory: the entries are found from their local headers.
    QFETCH(bool, streamed);
    const QString full = pythonArchive(m_dir->path(), sampleEntries(m_source), {}, streamed);
    unzipTo(full, path("theirs"));
    const QByteArray bytes = readFile(full);
    writeFile(path("cut.zip"), bytes.left(centralOffset(full)));

    TZipArchive zip;
    zip.Open(path("cut.zip"));
    QVERIFY(zip.IsZipFile());
    QCOMPARE(zip.Entries().Count(), 6);
    for (int i = 0; i < zip.Entries().Count(); ++i) {
        const TZipArchiveEntriesEntry& entry = zip.Entries()[i];
        QCOMPARE(entry.IsFolder(), entry.FileName().endsWith(u'/'));
        QCOMPARE(entry.DateTime(), QDateTime(QDate(2024, 5, 17), QTime(13, 45, 30)));
    }
    QVERIFY(zip.Comment().isEmpty());
    // The entries are recovered, but a cut archive is not a whole one, and the caller is told.
    QVERIFY(zip.DirectoryDamaged());
    QVERIFY2(zip.DirectoryError().contains(path("cut.zip")), qPrintable(zip.DirectoryError()));
    extractAll(zip, path("ours"));
    QCOMPARE(tree(path("ours")), tree(path("theirs")));
}

void TestZipArchive::cutInsideLastEntry()
{
    const QString full = pythonArchive(m_dir->path(), {{"first.txt", "deflate", m_source + "/plain.txt"},
                                                       {"last.bin", "stored", m_source + "/random.bin"}});
    writeFile(path("cut.zip"), readFile(full).left(centralOffset(full) - 100));
    writeFile(path("out/last.bin"), "the previous update's file");

    TZipArchive zip;
    zip.Open(path("cut.zip"));
    QCOMPARE(zip.Entries().Count(), 2);
    zip.setOverwriteAction(oaOverwriteAll);
    zip.Entries()[0].ExtractToFile(path("out/first.txt"));
    QCOMPARE(readFile(path("out/first.txt")), readFile(m_source + "/plain.txt"));
    QCOMPARE(failureOf([&] { zip.Entries()[1].ExtractToFile(path("out/last.bin")); }),
             "The data of \"last.bin\" are cut short");
    QCOMPARE(readFile(path("out/last.bin")), QByteArray("the previous update's file"));
}

void TestZipArchive::emptyEntries()
{
    const QString archive = pythonArchive(m_dir->path(), {{"stored.dat", "stored", m_source + "/empty.dat"},
                                                          {"deflated.dat", "deflate", m_source + "/empty.dat"},
                                                          {"bzip2.dat", "bzip2", m_source + "/empty.dat"}});
    TZipArchive zip;
    int progress = 0;
    zip.OnDecompressFile = [&](qint64, qint64) { ++progress; };
    zip.Open(archive);
    extractAll(zip, path("ours"));
    unzipTo(archive, path("theirs"));
    const auto ours = tree(path("ours"));
    QCOMPARE(ours, tree(path("theirs")));
    QCOMPARE(ours.keys(), (QStringList{"bzip2.dat", "deflated.dat", "stored.dat"}));
    QCOMPARE(progress, 0);
}

void TestZipArchive::unsafeNamesAreRefused()
{
    const QString data = m_source + "/with space.txt";
    const QStringList unsafe{"../evil.txt", "/tmp/absolute.txt", "C:/drive.txt",
                             "c:evil.txt",  "sub\\back.txt",     "sub/../../up.txt"};
    QList<PyEntry> entries;
    for (const QString& name : unsafe) {
        entries.append({name, "stored", data});
    }
    entries.append({"deep/er/fine.txt", "deflate", data});
    const QString archive = pythonArchive(m_dir->path(), entries);

    const QString target = path("area/update");
    QDir().mkpath(target);
    TZipArchive zip;
    zip.Open(archive);
    zip.setOverwriteAction(oaOverwriteAll);
    QCOMPARE(zip.Entries().Count(), unsafe.size() + 1);
    for (int i = 0; i < unsafe.size(); ++i) {
        QCOMPARE(zip.Entries()[i].FileName(), unsafe[i]);
        QCOMPARE(failureOf([&] { zip.Entries()[i].ExtractToFile(target + u'/' + unsafe[i]); }),
                 "Unsafe entry name refused: \"" + unsafe[i] + u'"');
    }
    // Parent folders are made for a name that stays inside.
    zip.Entries()[unsafe.size()].ExtractToFile(target + "/deep/er/fine.txt");
    QCOMPARE(tree(path("area")).keys(),
             (QStringList{"update/", "update/deep/", "update/deep/er/", "update/deep/er/fine.txt"}));
}

void TestZipArchive::unsupportedEntries()
{
    const QString text = m_source + "/plain.txt";
    const QString expectedFor = "Cannot process this file: %1 ";
    const auto check = [&](const QString& archive, const QString& name) {
        TZipArchive zip;
        zip.Open(archive);
        zip.setOverwriteAction(oaOverwriteAll);
        const QString folder = path("out-" + QFileInfo(archive).baseName());
        QCOMPARE(failureOf([&] { zip.Entries()[0].ExtractToFile(folder + u'/' + name); }), expectedFor.arg(name));
        QVERIFY(!QFileInfo::exists(folder)); // not even an empty file
    };

    const QString encrypted = path("encrypted.zip");
    run("zip", {"-q", "-j", "-P", "secret", encrypted, text});
    check(encrypted, "plain.txt");

    // Deflate64 (9) and PPMd (14): rename a stored archive's method in both headers.
    for (const int method : {9, 14}) {
        const QString archive = path(QString("method%1.zip").arg(method));
        QFile::copy(pythonArchive(m_dir->path(), {{"m.txt", "stored", text}}), archive);
        patchFile(archive, 8, method, 2);
        patchFile(archive, centralOffset(archive) + 10, method, 2);
        check(archive, "m.txt");
    }

    // ZIP64 sizes in the directory.
    const QString zip64 = path("zip64.zip");
    QFile::copy(pythonArchive(m_dir->path(), {{"big.txt", "deflate", text}}), zip64);
    patchFile(zip64, centralOffset(zip64) + 20, 0xFFFFFFFF, 4);
    check(zip64, "big.txt");

    // A ZIP64 extra field in a local header alone is harmless: the directory has the sizes.
    const QString local64 = pythonArchive(m_dir->path(), {{"local64.txt", "deflate", text, true}});
    TZipArchive zip;
    zip.Open(local64);
    QCOMPARE(zip.Entries()[0].LocalFile().extra.left(2), QByteArray("\x01\x00", 2)); // the ZIP64 tag
    extractAll(zip, path("local64"));
    QCOMPARE(readFile(path("local64/local64.txt")), readFile(text));
}

void TestZipArchive::damagedEntries()
{
    const QByteArray previous = "the file of the last good update";
    const auto check = [&](const QString& archive, const QString& expected) {
        const QString folder = path("out-" + QFileInfo(archive).baseName());
        writeFile(folder + "/entry", previous);
        TZipArchive zip;
        zip.Open(archive);
        zip.setOverwriteAction(oaOverwriteAll);
        const QString failure = failureOf([&] { zip.Entries()[0].ExtractToFile(folder + "/entry"); });
        QVERIFY2(failure.startsWith(expected), qPrintable(failure));
        // The earlier file stays whole and no half-written file is left beside it.
        QCOMPARE(tree(folder), (QMap<QString, QByteArray>{{"entry", previous}}));
    };
    const auto damaged = [&](const QString& name, const QString& method, auto patch) {
        const QString archive = path(name + ".zip");
        QFile::copy(pythonArchive(m_dir->path(), {{"entry", method, m_source + "/plain.txt"}}), archive);
        patch(archive);
        return archive;
    };
    const auto flipMiddle = [](const QString& archive) {
        const qint64 middle = centralOffset(archive) / 2;
        patchFile(archive, middle, ~quint32(qFromLittleEndian<quint32>(readFile(archive).constData() + middle)), 4);
    };

    const QString damagedData = "The data of \"entry\" are damaged";
    const QString badCrc = "The CRC-32 of \"entry\" does not match its data";
    // A flipped bit inside deflate data is either an invalid code or a wrong byte the CRC-32 catches.
    const QString deflated = damaged("deflated", "deflate", flipMiddle);
    const QString deflatedFailure = failureOf([&] {
        TZipArchive zip;
        zip.Open(deflated);
        zip.setOverwriteAction(oaOverwriteAll);
        zip.Entries()[0].ExtractToFile(path("probe"));
    });
    QVERIFY2(deflatedFailure == damagedData || deflatedFailure == badCrc, qPrintable(deflatedFailure));
    check(deflated, deflatedFailure);
    check(damaged("bzipped", "bzip2", flipMiddle), damagedData);
    check(damaged("crc", "stored", [](const QString& a) { patchFile(a, centralOffset(a) + 16, 0x12345678, 4); }),
          badCrc);
    check(damaged("nolocal", "deflate", [](const QString& a) { patchFile(a, 0, 0, 4); }),
          "The local header of \"entry\" is missing");
    // The directory promises more bytes than the stream yields.
    check(damaged("longer", "deflate", [](const QString& a) { patchFile(a, centralOffset(a) + 24, 70000, 4); }),
          damagedData);
    check(damaged("past-end", "stored",
                  [](const QString& a) {
                      patchFile(a, centralOffset(a) + 20, 0x00FFFFFF, 4);
                      patchFile(a, centralOffset(a) + 24, 0x00FFFFFF, 4);
                  }),
          "The data of \"entry\" are cut short");
}

void TestZipArchive::overwriteActions_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("withEvent");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("existingReplaced");
    QTest::addColumn<bool>("newWritten");
    QTest::addColumn<int>("questions");
    QTest::newRow("skip") << int(oaSkip) << false << 0 << false << false << 0;
    QTest::newRow("skip all") << int(oaSkipAll) << false << 0 << false << false << 0;
    QTest::newRow("overwrite") << int(oaOverwrite) << false << 0 << true << true << 0;
    QTest::newRow("overwrite all") << int(oaOverwriteAll) << false << 0 << true << true << 0;
    QTest::newRow("overwrite all, event") << int(oaOverwriteAll) << true << int(oaSkip) << true << true << 0;
    QTest::newRow("skip all, event") << int(oaSkipAll) << true << int(oaOverwrite) << false << false << 0;
    QTest::newRow("overwrite, event skips") << int(oaOverwrite) << true << int(oaSkip) << false << true << 1;
    QTest::newRow("skip, event overwrites") << int(oaSkip) << true << int(oaOverwrite) << true << true << 1;
    QTest::newRow("overwrite, event all") << int(oaOverwrite) << true << int(oaOverwriteAll) << true << true << 1;
    QTest::newRow("skip, event skips all") << int(oaSkip) << true << int(oaSkipAll) << false << true << 1;
}

void TestZipArchive::overwriteActions()
{
    QFETCH(int, action);
    QFETCH(bool, withEvent);
    QFETCH(int, answer);
    QFETCH(bool, existingReplaced);
    QFETCH(bool, newWritten);
    QFETCH(int, questions);
    const QString archive = pythonArchive(m_dir->path(), {{"old.txt", "deflate", m_source + "/plain.txt"},
                                                          {"new.txt", "bzip2", m_source + "/plain.txt"}});
    const QString folder = path("out");
    writeFile(folder + "/old.txt", "previous");

    TZipArchive zip;
    zip.Open(archive);
    zip.setOverwriteAction(TOverwriteAction(action));
    QStringList asked;
    if (withEvent) {
        zip.OnOverwriteFile = [&](QString& fileName, TOverwriteAction& a) {
            asked.append(fileName);
            a = TOverwriteAction(answer);
        };
    }
    for (int i = 0; i < zip.Entries().Count(); ++i) {
        zip.Entries()[i].ExtractToFile(folder + u'/' + zip.Entries()[i].FileName());
    }
    const QByteArray text = readFile(m_source + "/plain.txt");
    QCOMPARE(readFile(folder + "/old.txt"), existingReplaced ? text : QByteArray("previous"));
    QCOMPARE(QFileInfo::exists(folder + "/new.txt"), newWritten);
    QCOMPARE(asked.size(), questions);
    if (questions > 0) {
        QCOMPARE(asked.first(), folder + "/old.txt"); // only the file that exists is asked about
    }
    QCOMPARE(int(zip.OverwriteAction()), action); // an answer holds for its entry only
}

void TestZipArchive::overwriteEventRenames()
{
    const QString archive = pythonArchive(m_dir->path(), {{"old.txt", "stored", m_source + "/with space.txt"}});
    writeFile(path("old.txt"), "previous");
    TZipArchive zip;
    zip.Open(archive);
    zip.OnOverwriteFile = [&](QString& fileName, TOverwriteAction& action) {
        fileName = path("renamed.txt");
        action = oaOverwrite;
    };
    zip.Entries()[0].ExtractToFile(path("old.txt"));
    QCOMPARE(readFile(path("old.txt")), QByteArray("previous"));
    QCOMPARE(readFile(path("renamed.txt")), readFile(m_source + "/with space.txt"));
}

void TestZipArchive::openAndCloseEvents()
{
    const QString archive = pythonArchive(m_dir->path(), sampleEntries(m_source));
    writeFile(path("news.txt"), "not an archive");
    TZipArchive zip;
    QList<int> changes;
    QList<QPair<int, int>> opened;
    zip.OnZipChange = [&](int change) { changes.append(change); };
    zip.OnZipOpen = [&](int current, int total) { opened.append({current, total}); };

    zip.Open(archive);
    QCOMPARE(changes, QList<int>{1});
    // Once while the directory is read, once more while the local headers are.
    QList<QPair<int, int>> expected;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < 6; ++i) {
            expected.append({i, 6});
        }
    }
    QCOMPARE(opened, expected);

    changes.clear();
    zip.Open(archive); // reopening closes first
    QCOMPARE(changes, (QList<int>{0, 1}));
    changes.clear();
    zip.Open(path("news.txt"));
    QCOMPARE(changes, (QList<int>{0, 0, 1}));
    changes.clear();
    zip.Close();
    QCOMPARE(changes, QList<int>{0});
}

void TestZipArchive::decompressionProgress()
{
    writeFile(path("big.txt"), textBytes(3 * 1024 * 1024 + 17));
    const QString archive = pythonArchive(m_dir->path(), {{"deflated.txt", "deflate", path("big.txt")},
                                                          {"bzipped.txt", "bzip2", path("big.txt")},
                                                          {"stored.txt", "stored", path("big.txt")}});
    TZipArchive zip;
    QList<qint64> current;
    qint64 total = -1;
    zip.OnDecompressFile = [&](qint64 c, qint64 t) {
        current.append(c);
        QVERIFY(total == -1 || total == t);
        total = t;
    };
    zip.Open(archive);
    zip.setOverwriteAction(oaOverwriteAll);
    for (int i = 0; i < 3; ++i) {
        current.clear();
        total = -1;
        zip.Entries()[i].ExtractToFile(path("out/") + zip.Entries()[i].FileName());
        QCOMPARE(total, QFileInfo(path("big.txt")).size());
        QVERIFY(current.size() > 1);
        QVERIFY(std::is_sorted(current.begin(), current.end()));
        QCOMPARE(current.last(), total);
        QCOMPARE(readFile(path("out/") + zip.Entries()[i].FileName()), readFile(path("big.txt")));
    }
}

void TestZipArchive::namesAndIndexes()
{
    const QString data = m_source + "/with space.txt";
    const QString archive = pythonArchive(m_dir->path(), {{"dir//double.txt", "stored", data},
                                                          {"C:/windows/drive.txt", "stored", data},
                                                          {"čćž/šđ.txt", "deflate", data},
                                                          {"xAy.txt", "stored", data}});
    // Give the last name a code page 437 byte (0x82, "é") without the UTF-8 flag.
    const QByteArray bytes = readFile(archive);
    for (qsizetype at = bytes.indexOf("xAy.txt"); at >= 0; at = bytes.indexOf("xAy.txt", at + 1)) {
        patchFile(archive, at + 1, 0x82, 1);
    }
    TZipArchive zip;
    zip.Open(archive);
    QCOMPARE(zip.FileNames(), (QStringList{"dir/double.txt", "windows/drive.txt", "čćž/šđ.txt", "xéy.txt"}));
    QCOMPARE(zip.Entries()[3].FileName(), "xéy.txt");
    QCOMPARE(failureOf([&] { zip.Entries()[4]; }), "List index out of bounds (4)");
    QCOMPARE(failureOf([&] { zip.Entries().Items(-1); }), "List index out of bounds (-1)");

    zip.setOverwriteAction(oaOverwriteAll);
    zip.Entries()[2].ExtractToFile(path("ours/") + zip.Entries()[2].FileName());
    run("unzip", {"-qq", archive, "čćž/šđ.txt", "-d", path("theirs")});
    QCOMPARE(tree(path("ours")), tree(path("theirs")));
}

void TestZipArchive::stateAndProperties()
{
    const QString archive = pythonArchive(m_dir->path(), sampleEntries(m_source));
    TZipArchive zip;
    QCOMPARE(zip.OverwriteAction(), oaSkip);
    QVERIFY(zip.ApplyAtributes());
    zip.setActive(true); // no file name: nothing happens
    QVERIFY(!zip.Active());

    zip.setFileName(archive);
    QVERIFY(!zip.Active()); // setting the name only stores it
    QFile::setPermissions(archive, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    zip.setActive(true);
    QVERIFY(zip.Active());
    QVERIFY(zip.ReadOnly());
    QVERIFY(!zip.Entries()[0].Selected());
    zip.SelectAll();
    for (int i = 0; i < zip.Entries().Count(); ++i) {
        QVERIFY(zip.Entries()[i].Selected());
    }
    // With the default action and no event nothing is extracted, not even new files.
    for (int i = 0; i < zip.Entries().Count(); ++i) {
        zip.Entries()[i].ExtractToFile(path("out/") + zip.Entries()[i].FileName());
    }
    QVERIFY(!QFileInfo::exists(path("out")));

    zip.setActive(false);
    QVERIFY(!zip.Active());
    QVERIFY(!zip.ReadOnly());
    QCOMPARE(zip.Entries().Count(), 0);
    QCOMPARE(zip.FileName(), archive);
}

void TestZipArchive::readOnlyEntryStaysWritable()
{
    // Read-only, hidden and system (0x07) with Unix mode 0444: applying them would make the next
    // update's extraction over the file fail.
    const QString archive =
        pythonArchive(m_dir->path(), {{"locked.db", "stored", m_source + "/plain.txt", false, 0444u << 16 | 0x07}});
    TZipArchive zip;
    zip.Open(archive);
    QVERIFY(zip.ApplyAtributes());
    extractAll(zip, path("out"));
    QVERIFY(QFileInfo(path("out/locked.db")).permissions() & QFileDevice::WriteOwner);
    writeFile(path("out/locked.db"), "changed since");
    extractAll(zip, path("out"));
    QCOMPARE(readFile(path("out/locked.db")), readFile(m_source + "/plain.txt"));
}

void TestZipArchive::damagedDirectory_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("recovered"); // entries that can still be read
    QTest::newRow("flipped byte in a record's signature") << "signature" << 6;
    QTest::newRow("count one too high") << "count+1" << 6;
    QTest::newRow("count one too low") << "count-1" << 6;
    QTest::newRow("offset into the data") << "offset" << 6;
    QTest::newRow("1,000 bytes in front") << "prefix" << 6;
    QTest::newRow("end record alone behind garbage") << "garbage" << 0;
}

void TestZipArchive::damagedDirectory()
{
    // A file that has an end record or starts with a local header is an archive; when its directory
    // cannot be read, the open says so and what can be read is still there.
    QFETCH(QString, damage);
    QFETCH(int, recovered);
    const QString archive = pythonArchive(m_dir->path(), sampleEntries(m_source));
    unzipTo(archive, path("expected"));
    const qint64 directory = centralOffset(archive);
    const qint64 end = QFileInfo(archive).size() - 22;
    const QString damaged = path("damaged.zip");
    QByteArray bytes = readFile(archive);
    if (damage == "signature") {
        bytes[directory + firstDirectoryRecord(archive).size() + 1] = 'X'; // the second record's "K"
    } else if (damage.startsWith("count")) {
        const quint16 count = damage == "count+1" ? 7 : 5;
        qToLittleEndian<quint16>(count, bytes.data() + end + 8);
        qToLittleEndian<quint16>(count, bytes.data() + end + 10);
    } else if (damage == "offset") {
        qToLittleEndian<quint32>(quint32(directory / 2), bytes.data() + end + 16);
    } else if (damage == "prefix") {
        bytes.prepend(textBytes(1000));
    } else {
        bytes = textBytes(3000) + bytes.right(22);
    }
    writeFile(damaged, bytes);

    TZipArchive zip;
    QList<int> changes;
    zip.OnZipChange = [&](int change) { changes.append(change); };
    zip.Open(damaged);
    QVERIFY(zip.DirectoryDamaged());
    QVERIFY2(zip.DirectoryError().contains(damaged), qPrintable(zip.DirectoryError()));
    QVERIFY(zip.IsZipFile());
    QCOMPARE(changes, QList<int>{1});
    QCOMPARE(zip.Entries().Count(), recovered);
    if (recovered > 0) {
        extractAll(zip, path("ours"));
        QCOMPARE(tree(path("ours")), tree(path("expected")));
    }
    // The next open starts clean, and closing forgets the damage.
    zip.Open(archive);
    QVERIFY(!zip.DirectoryDamaged());
    zip.Open(damaged);
    zip.Close();
    QVERIFY(!zip.DirectoryDamaged());
    QVERIFY(zip.DirectoryError().isEmpty());
}

void TestZipArchive::folderAttributeOnDataEntry()
{
    // Only a name ending in "/" makes a folder; the DOS folder bit on an entry with data does not.
    const QString text = m_source + "/plain.txt";
    const QString archive = pythonArchive(m_dir->path(), {{"marked.db", "deflate", text, false, 0x10},
                                                          {"empty/", "stored", {}, false, 0x10},
                                                          {"unmarked/", "stored", {}, false, 0x20}});
    TZipArchive zip;
    zip.Open(archive);
    QCOMPARE(zip.Entries().Count(), 3);
    QVERIFY(!zip.Entries()[0].IsFolder());
    QVERIFY(zip.Entries()[1].IsFolder());
    QVERIFY(zip.Entries()[2].IsFolder());
    extractAll(zip, path("out"));
    QCOMPARE(tree(path("out")),
             (QMap<QString, QByteArray>{{"marked.db", readFile(text)}, {"empty/", {}}, {"unmarked/", {}}}));

    // Such an entry's data are checked like any file's.
    const QString damaged = path("damaged.zip");
    QFile::copy(archive, damaged);
    patchFile(damaged, centralOffset(damaged) + 16, 0x12345678, 4);
    zip.Open(damaged);
    zip.setOverwriteAction(oaOverwriteAll);
    QCOMPARE(failureOf([&] { zip.Entries()[0].ExtractToFile(path("checked/marked.db")); }),
             "The CRC-32 of \"marked.db\" does not match its data");
    QVERIFY(!QFileInfo::exists(path("checked/marked.db")));

    // A folder's name with data behind it: the data would be lost, so it is an error.
    const QString folderWithData = pythonArchive(m_dir->path(), {{"full/", "deflate", text}});
    zip.Open(folderWithData);
    QVERIFY(zip.Entries()[0].IsFolder());
    QCOMPARE(failureOf([&] { zip.Entries()[0].ExtractToFile(path("folder/full/")); }),
             "The folder entry \"full/\" carries data");
}

void TestZipArchive::recordsSharingDataAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("twenty records over one stream") << "same";
    QTest::newRow("a record inside another entry's data") << "inside";
    QTest::newRow("two records, one local header") << "twice";
}

void TestZipArchive::recordsSharingDataAreRefused()
{
    // A few kilobytes of archive must not write many times their size: records whose data would be
    // read twice make the directory unusable, and the local headers are walked instead.
    QFETCH(QString, kind);
    writeFile(path("zeros.bin"), QByteArray(4 * 1024 * 1024, '\0'));
    QString archive;
    QStringList walked;
    if (kind == "same" || kind == "twice") {
        archive = pythonArchive(m_dir->path(), {{"zeros.bin", "deflate", path("zeros.bin")}});
        const QByteArray record = firstDirectoryRecord(archive);
        QByteArrayList copies;
        for (int i = 1; i < (kind == "same" ? 20 : 2); ++i) {
            copies.append(renamedRecord(record, QByteArray("copy") + QByteArray::number(100 + i) + ".bin", 0));
        }
        addDirectoryRecords(archive, copies);
        walked = QStringList{"zeros.bin"};
    } else {
        // The outer entry stores, as its data, a whole local entry with its own header.
        const QString inner = pythonArchive(m_dir->path(), {{"inner.bin", "deflate", path("zeros.bin")}});
        const QByteArray innerRecord = firstDirectoryRecord(inner);
        writeFile(path("inner-local"), readFile(inner).left(centralOffset(inner)));
        archive = pythonArchive(m_dir->path(), {{"outer.bin", "stored", path("inner-local")}});
        addDirectoryRecords(archive, {renamedRecord(innerRecord, "inner.bin", 30 + 9)});
        walked = QStringList{"outer.bin"};
    }
    QVERIFY(QFileInfo(archive).size() < 64 * 1024);

    TZipArchive zip;
    zip.Open(archive);
    QVERIFY(zip.DirectoryDamaged());
    QVERIFY2(zip.DirectoryError().contains(archive), qPrintable(zip.DirectoryError()));
    QCOMPARE(zip.FileNames(), walked);
    extractAll(zip, path("out"));
    QCOMPARE(tree(path("out")).keys(), walked);
}

void TestZipArchive::failedWritesSayWhy_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // the system's words
    QTest::newRow("file size limit") << "limit"
                                     << "File too large";
    QTest::newRow("folder is a file") << "blocked"
                                      << "Not a directory";
    QTest::newRow("target is a folder") << "folder"
                                        << "Is a directory";
}

void TestZipArchive::failedWritesSayWhy()
{
    // Each failure holds for root too: a size limit, a file where a folder must be, a folder
    // where the file must go.
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QString archive = pythonArchive(m_dir->path(), {{"entry.txt", "deflate", m_source + "/plain.txt"}});
    QString target = path("out/entry.txt");
    const QByteArray previous = "the previous update's file";
    writeFile(target, previous);
    if (kind == "blocked") {
        target = path("out/entry.txt/inside.txt");
    } else if (kind == "folder") {
        target = path("out/sub");
        writeFile(target + "/keep.txt", "kept");
    }
    TZipArchive zip;
    zip.Open(archive);
    zip.setOverwriteAction(oaOverwriteAll);
    QString failure;
    {
        const FileSizeLimit limit(kind == "limit" ? 1000 : -1);
        failure = failureOf([&] { zip.Entries()[0].ExtractToFile(target); });
    }
    QVERIFY2(failure.contains('"' + target + '"') && failure.contains(reason), qPrintable(failure));
    // Nothing was half written and the old file stayed.
    QCOMPARE(readFile(path("out/entry.txt")), previous);
    const auto files = tree(path("out")).keys();
    QCOMPARE(files, kind == "folder" ? (QStringList{"entry.txt", "sub/", "sub/keep.txt"}) : QStringList{"entry.txt"});
}

void TestZipArchive::entryLargerThanItsSizeIsStopped_data()
{
    QTest::addColumn<QString>("method");
    QTest::newRow("deflate") << "deflate";
    QTest::newRow("bzip2") << "bzip2";
    QTest::newRow("stored") << "stored";
}

// Data that decode to more than the entry declares (a small archive that would fill the disk) are
// stopped before anything past the declared size is written, and nothing of the entry stays.
void TestZipArchive::entryLargerThanItsSizeIsStopped()
{
    QFETCH(QString, method);
    constexpr quint32 Declared = 1000;
    writeFile(path("zeros.bin"), QByteArray(16 << 20, '\0'));
    const QString archive = pythonArchive(
        m_dir->path(), {{"zeros.bin", method, path("zeros.bin")}, {"small.txt", "deflate", m_source + "/plain.txt"}});
    patchFile(archive, centralOffset(archive) + 24, Declared, 4); // the directory's size
    patchFile(archive, 22, Declared, 4);                          // and the local header's
    writeFile(path("out/zeros.bin"), "the previous update's file");

    TZipArchive zip;
    zip.Open(archive);
    QCOMPARE(zip.UncompressedTotal(), qint64(Declared) + QFileInfo(m_source + "/plain.txt").size());
    zip.setOverwriteAction(oaOverwriteAll);
    qint64 written = 0;
    int reports = 0;
    zip.OnDecompressFile = [&](qint64 current, qint64 total) {
        QCOMPARE(total, qint64(Declared));
        written = std::max(written, current);
        ++reports;
    };
    const QString failure = failureOf([&] { zip.Entries()[0].ExtractToFile(path("out/zeros.bin")); });
    QCOMPARE(failure, QStringLiteral("The data of \"zeros.bin\" are damaged"));
    QVERIFY2(written <= Declared, qPrintable(QString::number(written)));
    QVERIFY(reports <= 1);
    QCOMPARE(tree(path("out")), (QMap<QString, QByteArray>{{"zeros.bin", "the previous update's file"}}));
}

// Nothing is written through a symbolic link: one standing where an entry goes is replaced by the
// entry, one standing for a folder of the entry's name is refused, and what they point to stays.
void TestZipArchive::linksAreNeverWrittenThrough()
{
    const QString outside = path("outside");
    writeFile(outside + "/plain.txt", "outside, not the program's");
    writeFile(outside + "/folder/plain.txt", "outside too");
    const QMap<QString, QByteArray> before = tree(outside);
    const QString archive = pythonArchive(m_dir->path(), {{"plain.txt", "deflate", m_source + "/plain.txt"},
                                                          {"folder/plain.txt", "deflate", m_source + "/plain.txt"}});
    QDir().mkpath(path("out"));
    QVERIFY(QFile::link(outside + "/plain.txt", path("out/plain.txt")));
    QVERIFY(QFile::link(outside + "/folder", path("out/folder")));

    TZipArchive zip;
    zip.Open(archive);
    zip.setOverwriteAction(oaOverwriteAll);
    zip.Entries()[0].ExtractToFile(path("out/plain.txt"));
    QVERIFY(!QFileInfo(path("out/plain.txt")).isSymLink());
    QCOMPARE(readFile(path("out/plain.txt")), readFile(m_source + "/plain.txt"));
    const QString failure = failureOf([&] { zip.Entries()[1].ExtractToFile(path("out/folder/plain.txt")); });
    QVERIFY2(failure.contains("symbolic link"), qPrintable(failure));
    QCOMPARE(tree(outside), before);
}

// Sizes and offsets kept in ZIP64 extra fields (the plain fields all ones), in the local headers
// and the directory, with a ZIP64 end record: the entries count by their real sizes, extract
// byte for byte, also through their folder's descriptor. A mark with no value behind it is
// refused as an entry that cannot be processed, and counts nothing.
void TestZipArchive::zip64Sizes()
{
    const QString archive = path("zip64.zip");
    python(QStringLiteral(R"(
import os, sys, zipfile
zipfile.ZIP64_LIMIT = 0
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED, allowZip64=True) as z:
    for name in ("plain.txt", "random.bin", "sub/deeper/nested.txt"):
        with z.open(zipfile.ZipInfo(name), "w", force_zip64=True) as out:
            out.write(open(os.path.join(sys.argv[2], name), "rb").read())
)"),
           {archive, m_source});
    const QByteArray bytes = readFile(archive);
    QVERIFY(bytes.contains("PK\x06\x06"));
    const qint64 directory = centralOffset(archive);
    QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + directory + 24), 0xFFFFFFFFu);

    TZipArchive zip;
    zip.Open(archive);
    QVERIFY(zip.Active() && !zip.DirectoryDamaged());
    QCOMPARE(zip.Entries().Count(), 3);
    qint64 total = 0;
    for (const QString name : {"plain.txt", "random.bin", "sub/deeper/nested.txt"}) {
        total += QFileInfo(m_source + u'/' + name).size();
    }
    QCOMPARE(zip.UncompressedTotal(), total);
    zip.setOverwriteAction(oaOverwriteAll);
    QDir().mkpath(path("out"));
    const int folder = ::open(QFile::encodeName(path("out")).constData(), O_RDONLY | O_DIRECTORY);
    QVERIFY(folder >= 0);
    for (int i = 0; i < zip.Entries().Count(); ++i) {
        zip.Entries()[i].ExtractAt(folder, path("out"));
    }
    ::close(folder);
    for (const QString name : {"plain.txt", "random.bin", "sub/deeper/nested.txt"}) {
        QCOMPARE(readFile(path("out/") + name), readFile(m_source + u'/' + name));
    }

    // The first entry's extra field made too short to hold the sizes its header marks.
    // The record keeps its length: its comment takes the bytes the extra field gives up.
    QByteArray cut = bytes;
    const quint16 extra = qFromLittleEndian<quint16>(bytes.constData() + directory + 30);
    qToLittleEndian<quint16>(0, cut.data() + directory + 30);
    qToLittleEndian<quint16>(extra, cut.data() + directory + 32);
    writeFile(archive, cut);
    zip.Open(archive);
    QCOMPARE(zip.Entries().Count(), 3);
    QCOMPARE(zip.Entries()[0].UncompressedSize(), qint64(-1));
    QCOMPARE(zip.UncompressedTotal(), total - QFileInfo(m_source + "/plain.txt").size());
    QVERIFY(
        failureOf([&] { zip.Entries()[0].ExtractToFile(path("bad/entry")); }).startsWith("Cannot process this file: "));
}

QTEST_GUILESS_MAIN(TestZipArchive)
#include "tst_ziparchive.moc"
