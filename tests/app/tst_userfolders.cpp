// The whole program and the user's folders. A child process of this test starts the program as the
// entry does and closes it once the main window is up.
//
// As the tests start it (the child of tst_updatecrash is one such): with HOME at an empty folder
// standing for the user's, that folder stays empty; the fonts go to the build's test desktop.
//
// Without a home folder (HOME unset, empty, or a folder that does not exist), started from its
// own folder as a user would start it: its windows show the program's own fonts, the desktop is
// given none, the registry's files and the single-instance marker lie beside the program, and
// nothing is written anywhere else: not in the working folder, not at the root of the file
// system, where the system's fallbacks would put the user's folders.

#include "appvalues.h"
#include "childprogram.h"
#include "demo.h"
#include "mainwindow.h"
#include "paths.h"
#include "program.h"
#include "registry.h"
#include "scriptedprompter.h"
#include "singleinstance.h"
#include "startupwindow.h"
#include "statusbar.h"
#include "testdesktop.h"
#include "userfolders.h"
#include "windows.h"

#include <QApplication>
#include <QFontInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <unistd.h>

using testsupport::rootTraces;
using testsupport::treeOf;

namespace {

const char* const kAsTests = "--as-tests";
const char* const kAsProgram = "--as-program";
const QStringList kFamilies = {"YHelvetica", "CHelvetica", "YU Sans Serif"};

// ---- The child: the program up to its main window, and what its windows show.

int runChild(const QString& mode, const QString& program)
{
    QApplication::setApplicationName(QString::fromLatin1(appvalues::ApplicationTitle));
    QApplication::setQuitOnLastWindowClosed(false);
    if (mode == QLatin1String(kAsTests)) {
        // As tst_updatecrash's child: its own folders for the registry and the marker.
        platform::setProgramFolder(program);
        platform::setRegistryFolder(QDir(program).filePath("registry"));
        platform::setNamedMutexFolder(QDir(program).filePath("run"));
    }
    startupTiming() = {1, 0};
    testsupport::ScriptedPrompter prompter;

    QTimer::singleShot(60000, qApp, &QCoreApplication::quit);
    const bool shown = testsupport::runProgramWindows([&] {
        std::printf("window %s\n", QFontInfo(Form1->font()).family().toUtf8().constData());
        for (const QString& family : {appvalues::LatinFontName, appvalues::CyrillicFontName, appvalues::UIFontName}) {
            std::printf("font %s\n", QFontInfo(QFont(family)).family().toUtf8().constData());
        }
        std::printf("marker %d\n", int(QFile::exists(platform::programFile("KorvelinMutex.lock"))));
        Form1->close();
    });

    for (const QByteArray& text : prompter.texts()) {
        std::printf("prompt %s\n", text.constData());
    }
    return shown ? 0 : 2;
}

// ---- The parent.

struct Report {
    int exitCode = -1;
    QByteArray window; // the main window's font as shown
    QStringList fonts; // the three families as shown
    QByteArray marker; // "1" when the marker lay beside the program while it ran
    QByteArrayList prompts;
    QByteArray errors;
};

Report run(const QString& executable, const QStringList& arguments, const QProcessEnvironment& environment,
           const QString& workingFolder)
{
    QProcess child;
    child.setProgram(executable);
    child.setArguments(arguments);
    child.setProcessEnvironment(environment);
    child.setWorkingDirectory(workingFolder);
    child.start();
    Report report;
    if (!child.waitForFinished(120000)) {
        child.kill();
        child.waitForFinished();
        return report;
    }
    report.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    report.errors = child.readAllStandardError();
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QByteArray key = line.left(line.indexOf(' '));
        const QByteArray value = line.mid(key.size() + 1);
        if (key == "window") {
            report.window = value;
        } else if (key == "font") {
            report.fonts << QString::fromUtf8(value);
        } else if (key == "marker") {
            report.marker = value;
        } else if (key == "prompt") {
            report.prompts << value;
        }
    }
    return report;
}

// A program folder as an installation has it: the program's files beside a generated collection.
void makeProgramFolder(const QString& folder)
{
    QVERIFY(QDir().mkpath(folder));
    for (const char* file : {"DBEinst.dll", "DBENGINE32.DLL", "Yhelvn.TTF", "Yhelvb.TTF", "Cir Helvetica.TTF",
                             "Cir Helvetica Bold.TTF", "Yuerife.FON", "dostava.rtf"}) {
        QVERIFY(QFile::copy(QDir(testsupport::binFolder()).filePath(file), QDir(folder).filePath(file)));
    }
    demo::generate(QDir(folder).filePath("Podatci"), {40, 1, 1});
}

// This test's program placed in `folder`, so that the folder is the program's own, as the folder
// of an installed program is. A hard link where the file system allows one, a copy otherwise.
QString placeProgram(const QString& folder)
{
    const QString source = QCoreApplication::applicationFilePath();
    const QString target = QDir(folder).filePath(QFileInfo(source).fileName());
    if (::link(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::copy(source, target);
    }
    return target;
}

} // namespace

class TestUserFolders : public QObject {
    Q_OBJECT
private slots:
    void childProgramsOfTheTestsKeepOutOfTheHome();
    void withoutAHomeTheProgramKeepsToItsFolder_data();
    void withoutAHomeTheProgramKeepsToItsFolder();
};

void TestUserFolders::childProgramsOfTheTestsKeepOutOfTheHome()
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    QVERIFY(root.mkpath("home"));
    makeProgramFolder(root.filePath("program"));
    // The test's environment as a developer's shell gives it: HOME is the user's, and the user's
    // other folders follow from it.
    testsupport::ScopedEnvironment env;
    for (const QByteArray& name : testsupport::userFolderVariables()) {
        env.unset(name);
    }
    env.set("HOME", QFile::encodeName(root.filePath("home")));
    const TestDesktopFolders desktop;

    const Report report = run(QCoreApplication::applicationFilePath(), {kAsTests, root.filePath("program")},
                              QProcessEnvironment::systemEnvironment(), root.filePath("program"));
    QVERIFY2(report.exitCode == 0, report.errors.constData());
    QVERIFY2(report.prompts.isEmpty(), report.prompts.join('\n').constData());
    QCOMPARE(report.fonts, kFamilies);
    QCOMPARE(treeOf(root.filePath("home")), QStringList());
    // The desktop the program gave its fonts to is the build's.
    const QDir fonts(QFile::decodeName(qgetenv("XDG_DATA_HOME")) + "/fonts/Korvelin");
    QVERIFY2(fonts.absolutePath().contains("/test-desktop/"), qPrintable(fonts.absolutePath()));
    QVERIFY2(fonts.exists("Yhelvn.TTF"), qPrintable(fonts.absolutePath()));
}

void TestUserFolders::withoutAHomeTheProgramKeepsToItsFolder_data()
{
    QTest::addColumn<QByteArray>("home"); // "-": unset; "@/": inside the temporary folder
    QTest::newRow("unset") << QByteArray("-");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("missing") << QByteArray("@/missing");
}

void TestUserFolders::withoutAHomeTheProgramKeepsToItsFolder()
{
    QFETCH(QByteArray, home);
    QTemporaryDir dir;
    const QDir root(dir.path());
    const QString program = root.filePath("program");
    makeProgramFolder(program);
    const QString executable = placeProgram(program);
    QVERIFY(root.mkpath("cwd"));
    const QStringList installed = treeOf(program);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QByteArray& name : testsupport::userFolderVariables()) {
        environment.remove(QString::fromLatin1(name));
    }
    if (home != "-") {
        environment.insert("HOME", home.startsWith("@/") ? root.filePath(home.mid(2)) : QString::fromUtf8(home));
    }
    const QStringList rootBefore = rootTraces();
    const Report report = run(executable, {kAsProgram, program}, environment, root.filePath("cwd"));
    QVERIFY2(report.exitCode == 0, report.errors.constData());
    QVERIFY2(report.prompts.isEmpty(), report.prompts.join('\n').constData());

    // Nothing outside the program folder; in it, the registry's files and what the program keeps
    // beside itself anyway; the marker lay there while it ran.
    QCOMPARE(rootTraces(), rootBefore);
    QCOMPARE(root.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList({"cwd", "program"}));
    QCOMPARE(treeOf(root.filePath("cwd")), QStringList());
    QCOMPARE(report.marker, QByteArray("1"));

    // Its windows show its own fonts, loaded from beside it: no other font of the system has
    // those names, and the desktop was given none.
    QCOMPARE(report.window, QByteArray("YU Sans Serif"));
    QCOMPARE(report.fonts, kFamilies);
    QStringList added = treeOf(program);
    added.removeIf([&](const QString& entry) { return installed.contains(entry); });
    QVERIFY2(added.contains("HKEY_LOCAL_MACHINE.ini") && added.contains("HKEY_CURRENT_USER.ini"),
             qPrintable(added.join(", ")));
    for (const QString& entry : added) {
        QVERIFY2(!entry.contains("Korvelin/") && !entry.startsWith('.') && !entry.endsWith(".lock"), qPrintable(entry));
    }
    // The engine's installer wrote there what the program read back, and the print preview's
    // page set-up key was made there.
    platform::setRegistryFolder(program);
    const auto engine =
        platform::RegistryKey::open(platform::Hive::LocalMachine, "SOFTWARE\\DBE\\Database Engine", false);
    const bool pageSetup =
        platform::RegistryKey::open(platform::Hive::CurrentUser, "Software\\Korvelin\\PageSetupForm", false)
            .has_value();
    platform::setRegistryFolder(QString());
    QVERIFY(engine);
    QCOMPARE(QDir::cleanPath(engine->readString("DLLPATH")), QDir::cleanPath(program));
    QVERIFY(pageSetup);
}

int main(int argc, char** argv)
{
    if (argc == 3 && (qstrcmp(argv[1], kAsTests) == 0 || qstrcmp(argv[1], kAsProgram) == 0)) {
        QApplication app(argc, argv);
        return runChild(QString::fromLatin1(argv[1]), QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    TestUserFolders test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_userfolders.moc"
