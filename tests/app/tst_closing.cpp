// Closing while the files beside the program cannot be saved (a full disk, a file or folder that
// may not be written, a folder in a file's place): one message names each file with its reason in
// the program's words and says what to do; the user keeps the window open, mends the cause and
// closes again, and the files hold what the lists held. Closing without them keeps the old files.

#include "filemodes.h"
#include "filesizelimit.h"
#include "programfixture.h"

#include "listfiles.h"
#include "listtexts.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <optional>
#include <QListWidget>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::Prompt;

namespace {

const QByteArray kOldFrequent = "Zakon o radu\r\n";
const QByteArray kNewTitle = "Zakon o {umama";
const QByteArray kCloseQuestion = "U redu zatvara program bez snimanja ovih datoteka; Otka`i ostavlja program "
                                  "otvoren, pa ga ponovo zatvorite kada otklonite uzrok.";

// Sets or clears the file's immutable flag, which keeps root from changing it too; false when the
// file system or the process's capabilities do not allow it.
bool setImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

// The one message of a failed save: a question in the program's 7-bit code, without a word of the
// system's own (English) reasons.
QByteArray theOneMessage(const ProgramFixture& program)
{
    if (program.prompter.asked().size() != 1) {
        return "asked " + QByteArray::number(program.prompter.asked().size()) + " times";
    }
    const Prompt& p = program.prompter.asked().first();
    if (p.kind != Prompt::Confirm) {
        return "not a question: " + p.text;
    }
    for (const char c : p.text) {
        if (uchar(c) >= 0x80) {
            return "not 7-bit: " + p.text;
        }
    }
    for (const int error : {EFBIG, ENOSPC, EDQUOT, EACCES, EPERM, EROFS, EISDIR, ENOTEMPTY}) {
        if (p.text.contains(std::strerror(error))) {
            return "system text: " + p.text;
        }
    }
    for (const char* english : {"file", "File", "directory", "writable", "denied"}) {
        if (p.text.contains(english)) {
            return "system text: " + p.text;
        }
    }
    return p.text;
}

// The program's files beside it hold what the window held when it closed.
void filesHoldTheLists(const ProgramFixture& program, const QByteArrayList& frequent)
{
    QCOMPARE(program.readFile("cesti.ini"), listfiles::joinLines(frequent));
    QCOMPARE(program.readFile("pretrage.ini"), QByteArray());
    QCOMPARE(program.readFile("brzi.ini"), QByteArray());
    QCOMPARE(program.readFile("novo.lst"), QByteArray());
    const QByteArrayList cfg = listfiles::splitLines(program.readFile("korvelin.cfg"));
    QCOMPARE(cfg.size(), 10);
    QCOMPARE(cfg[8], QByteArray("9/12/2019"));
    // Nothing half-written was left beside them.
    const QStringList left =
        QDir(program.path(QString()))
            .entryList({QStringLiteral("*.ini.*"), QStringLiteral("*.lst.*"), QStringLiteral("*.cfg.*")},
                       QDir::Files | QDir::Hidden);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1String(", "))));
}

// The user adds a title to the frequently opened regulations and closes the window by `close`,
// while the files cannot be saved; told so, keeps the window open. Gives back the list and what
// the user was told.
void closeKeepingTheWindow(ProgramFixture& program, const std::function<void()>& close, QByteArrayList* frequent,
                           QByteArray* told)
{
    TForm1* f = program.form1;
    f->dodajuceste(kNewTitle);
    *frequent = testsupport::lines(f->ListBox5);
    program.prompter.answer(platform::Answer::Cancel);
    close();
    *told = theOneMessage(program);
    program.prompter.clear();
    // The window stays, with its lists.
    QVERIFY(f->isVisible());
    QVERIFY(!program.ended);
    QCOMPARE(testsupport::lines(f->ListBox5), *frequent);
}

} // namespace

class TestClosing : public QObject {
    Q_OBJECT
private slots:
    void fullDisk();
    void mayNotBeWritten_data();
    void mayNotBeWritten();
    void folderInTheFilesPlace();
    void closingWithoutTheFiles();
};

void TestClosing::fullDisk()
{
    ProgramFixture program(5);
    program.writeFile("cesti.ini", kOldFrequent);
    program.start();
    QByteArrayList frequent;
    QByteArray told;
    QVERIFY(program.runMainWindow([&] {
        closeKeepingTheWindow(
            program,
            [&] {
                const testsupport::FileSizeLimit full(8); // the empty lists still fit
                program.form1->close();
            },
            &frequent, &told);
        QCOMPARE(told, "Snimanje nije uspelo!\r\n"
                       "Na disku nema mesta za datoteke cesti.ini i korvelin.cfg.\r\n"
                       "Oslobodite prostor na disku i poku{ajte ponovo.\r\n\r\n" +
                           kCloseQuestion);
        // The files keep what they held.
        QCOMPARE(program.readFile("cesti.ini"), kOldFrequent);
        QVERIFY(!QFile::exists(program.path("korvelin.cfg")));
        // The space freed, the window closes again.
    }));
    QVERIFY(program.ended);
    QVERIFY(program.prompter.asked().isEmpty());
    filesHoldTheLists(program, frequent);
}

void TestClosing::mayNotBeWritten_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QByteArray>("told");
    QTest::newRow("read-only file") << "immutable" << QByteArray("Program nema dozvolu za upis datoteke cesti.ini.");
    QTest::newRow("another user's file") << "owner" << QByteArray("Program nema dozvolu za upis datoteke cesti.ini.");
    QTest::newRow("read-only program folder")
        << "folder"
        << QByteArray(
               "Program nema dozvolu za upis datoteka pretrage.ini, cesti.ini, brzi.ini, novo.lst i korvelin.cfg.");
}

// The frequent list's file may not be written, nor made writable: one message for it, not one for
// each step that failed.
void TestClosing::mayNotBeWritten()
{
    QFETCH(QString, cause);
    QFETCH(QByteArray, told);
    constexpr uid_t kOtherUser = 65534;
    ProgramFixture program(5);
    program.writeFile("cesti.ini", kOldFrequent);
    const QString folder = program.path(QString());
    const QByteArray file = QFile::encodeName(program.path("cesti.ini"));
    QVERIFY(::chmod(file.constData(), 0444) == 0);
    struct Undo {
        std::function<void()> run;
        ~Undo() { run(); }
    } undo{[&] {
        setImmutable(program.path("cesti.ini"), false);
        ::chown(file.constData(), ::getuid(), ::getgid());
        ::chown(QFile::encodeName(folder).constData(), ::getuid(), ::getgid());
        ::chmod(QFile::encodeName(folder).constData(), 0755);
    }};
    if (cause == "immutable") {
        if (!setImmutable(program.path("cesti.ini"), true)) {
            QSKIP("this file system or this process cannot make a file immutable");
        }
    } else if (cause == "owner") {
        // A file of another user in a shared folder that keeps each user's files to their owner.
        if (::geteuid() != 0) {
            QSKIP("only root can give a file to another user");
        }
        QVERIFY(::chown(file.constData(), kOtherUser, kOtherUser) == 0);
        QVERIFY(::chown(QFile::encodeName(folder).constData(), kOtherUser, kOtherUser) == 0);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 01777) == 0);
    }
    program.start();
    QByteArrayList frequent;
    QByteArray message;
    QVERIFY(program.runMainWindow([&] {
        if (cause == "folder") {
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        }
        closeKeepingTheWindow(
            program,
            [&] {
                std::optional<testsupport::FileModesHold> modes;
                if (cause != "immutable") {
                    modes.emplace();
                }
                program.form1->close();
            },
            &frequent, &message);
        QCOMPARE(message, "Snimanje nije uspelo!\r\n" + told +
                              "\r\nProverite prava pristupa folderu programa i njegovim datotekama.\r\n\r\n" +
                              kCloseQuestion);
        QCOMPARE(program.readFile("cesti.ini"), kOldFrequent);
        // The user gives the program back its right to write, and closes again.
        undo.run();
    }));
    QVERIFY(program.ended);
    QVERIFY(program.prompter.asked().isEmpty());
    filesHoldTheLists(program, frequent);
}

void TestClosing::folderInTheFilesPlace()
{
    ProgramFixture program(5);
    QVERIFY(QDir().mkpath(program.path("cesti.ini/stari")));
    program.start();
    QByteArrayList frequent;
    QByteArray told;
    QVERIFY(program.runMainWindow([&] {
        closeKeepingTheWindow(
            program, [&] { program.form1->close(); }, &frequent, &told);
        QCOMPARE(told, "Snimanje nije uspelo!\r\n"
                       "Na mestu datoteke cesti.ini u folderu programa nalazi se folder istog imena.\r\n"
                       "Uklonite ili preimenujte taj folder i poku{ajte ponovo.\r\n\r\n" +
                           kCloseQuestion);
        QVERIFY(QFileInfo(program.path("cesti.ini/stari")).isDir());
        // The user removes the folder and closes again.
        QVERIFY(QDir(program.path("cesti.ini")).removeRecursively());
    }));
    QVERIFY(program.ended);
    QVERIFY(program.prompter.asked().isEmpty());
    filesHoldTheLists(program, frequent);
}

// The user closes without the files: the program ends, and each file holds what it held.
void TestClosing::closingWithoutTheFiles()
{
    ProgramFixture program(5);
    program.writeFile("cesti.ini", kOldFrequent);
    program.start();
    std::optional<testsupport::FileSizeLimit> full;
    QVERIFY(program.runMainWindow([&] {
        program.form1->dodajuceste(kNewTitle);
        program.prompter.answer(platform::Answer::Ok);
        full.emplace(8);
    }));
    full.reset();
    QVERIFY(program.ended);
    QVERIFY(theOneMessage(program).startsWith("Snimanje nije uspelo!\r\nNa disku nema mesta za datoteke cesti.ini i "
                                              "korvelin.cfg.\r\n"));
    QCOMPARE(program.readFile("cesti.ini"), kOldFrequent);
    QVERIFY(!QFile::exists(program.path("korvelin.cfg")));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

QTEST_MAIN(TestClosing)
#include "tst_closing.moc"
