// The start-up steps that would write into the user's folders, run without a home folder: HOME
// unset, empty, relative, the root itself, a folder that does not exist, a file. The desktop is
// given no fonts, the registry's files and the single-instance marker lie beside the program,
// and nothing is written anywhere else: not in the working folder, not where HOME points, not
// at the root of the file system (where the system's own fallbacks would put the user's folders).

#include "fonts.h"
#include "paths.h"
#include "registry.h"
#include "scriptedprompter.h"
#include "singleinstance.h"
#include "userfolders.h"

#include <QFontDatabase>
#include <QTemporaryDir>
#include <QtTest>

using platform::Hive;
using platform::RegistryKey;
using testsupport::rootTraces;
using testsupport::treeOf;

class TestNoHome : public QObject {
    Q_OBJECT
private slots:
    void startUpStepsKeepToTheProgramFolder_data();
    void startUpStepsKeepToTheProgramFolder();
    void aHomeFolderIsUsed();
};

void TestNoHome::startUpStepsKeepToTheProgramFolder_data()
{
    QTest::addColumn<QByteArray>("home"); // "-": unset; "@/": inside the temporary folder
    QTest::addColumn<bool>("xdgSet");     // the XDG folders named, inside the temporary folder
    QTest::newRow("unset") << QByteArray("-") << false;
    QTest::newRow("unset, XDG folders named") << QByteArray("-") << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("relative") << QByteArray("home") << false;
    QTest::newRow("root") << QByteArray("/") << false;
    QTest::newRow("missing") << QByteArray("@/missing") << false;
    QTest::newRow("a file") << QByteArray("@/file") << false;
}

void TestNoHome::startUpStepsKeepToTheProgramFolder()
{
    QFETCH(QByteArray, home);
    QFETCH(bool, xdgSet);
    QTemporaryDir dir;
    const QDir root(dir.path());
    QVERIFY(root.mkpath("program") && root.mkpath("cwd"));
    QFile file(root.filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    testsupport::ScopedEnvironment env;
    for (const QByteArray& name : testsupport::userFolderVariables()) {
        env.unset(name);
    }
    if (home != "-") {
        env.set("HOME", home.startsWith("@/") ? QFile::encodeName(root.filePath(home.mid(2))) : home);
    }
    if (xdgSet) {
        env.set("XDG_DATA_HOME", QFile::encodeName(root.filePath("xdg/data")));
        env.set("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("xdg/config")));
        env.set("XDG_CACHE_HOME", QFile::encodeName(root.filePath("xdg/cache")));
        env.set("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath("xdg/run")));
    }
    const QString workingFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root.filePath("cwd")));
    platform::setProgramFolder(root.filePath("program"));
    const QStringList rootBefore = rootTraces();

    // The font step: the program has its families, the desktop is given none.
    const platform::FontNames names = platform::makeFontsAvailable(testsupport::binFolder());
    QCOMPARE(QStringList({names.latin, names.cyrillic, names.ui}),
             QStringList({"YHelvetica", "CHelvetica", "YU Sans Serif"}));
    for (const QString& family : {names.latin, names.cyrillic, names.ui}) {
        QVERIFY2(QFontDatabase::families().contains(family), qPrintable(family));
    }
    QCOMPARE(rootTraces(), rootBefore);
    QCOMPARE(treeOf(root.path()), QStringList({"cwd", "file", "program"}));

    // The registry: the page set-up key is created, the engine's installer records its folder,
    // and both are read back from the files beside the program.
    {
        QVERIFY(RegistryKey::open(Hive::CurrentUser, "Software\\Korvelin\\PageSetupForm", true));
        auto engine = RegistryKey::open(Hive::LocalMachine, "SOFTWARE\\DBE\\Database Engine", true);
        QVERIFY(engine);
        engine->writeString("DLLPATH", "/opt/dbe");
    }
    QCOMPARE(rootTraces(), rootBefore);
    QVERIFY(RegistryKey::open(Hive::CurrentUser, "Software\\Korvelin\\PageSetupForm", false));
    QCOMPARE(RegistryKey::open(Hive::LocalMachine, "SOFTWARE\\DBE\\Database Engine", false)->readString("DLLPATH"),
             QStringLiteral("/opt/dbe"));
    QCOMPARE(treeOf(root.path()), QStringList({"cwd", "file", "program", "program/HKEY_CURRENT_USER.ini",
                                               "program/HKEY_LOCAL_MACHINE.ini"}));

    // The single-instance marker: beside the program while held, and it still keeps out a second.
    {
        platform::NamedMutex first("KorvelinMutex");
        QVERIFY(!first.alreadyExisted());
        QVERIFY(QFile::exists(root.filePath("program/KorvelinMutex.lock")));
        platform::NamedMutex second("KorvelinMutex");
        QVERIFY(second.alreadyExisted());
    }
    QCOMPARE(treeOf(root.path()), QStringList({"cwd", "file", "program", "program/HKEY_CURRENT_USER.ini",
                                               "program/HKEY_LOCAL_MACHINE.ini"}));
    QCOMPARE(rootTraces(), rootBefore);

    platform::setProgramFolder(QString());
    QVERIFY(QDir::setCurrent(workingFolder));
}

// With a home folder the same steps use the user's folders: the XDG ones where they are named by
// absolute paths, the usual ones inside the home folder otherwise.
void TestNoHome::aHomeFolderIsUsed()
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    QVERIFY(root.mkpath("home") && root.mkpath("program"));
    testsupport::ScopedEnvironment env;
    for (const QByteArray& name : testsupport::userFolderVariables()) {
        env.unset(name);
    }
    env.set("HOME", QFile::encodeName(root.filePath("home")));
    env.set("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath("run")));
    env.set("XDG_CONFIG_HOME", "relative/config"); // no folder by the XDG rules: ignored
    platform::setProgramFolder(root.filePath("program"));

    QCOMPARE(platform::DesktopFontTable::folder(), root.filePath("home/.local/share/fonts/Korvelin"));
    QVERIFY(RegistryKey::open(Hive::CurrentUser, "Software\\Korvelin\\PageSetupForm", true));
    QVERIFY(QFile::exists(root.filePath("home/.config/Korvelin/HKEY_CURRENT_USER.ini")));

    env.set("XDG_DATA_HOME", QFile::encodeName(root.filePath("data")));
    env.set("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("config")));
    QCOMPARE(platform::DesktopFontTable::folder(), root.filePath("data/fonts/Korvelin"));
    QVERIFY(RegistryKey::open(Hive::LocalMachine, "SOFTWARE\\DBE\\Database Engine", true));
    QVERIFY(QFile::exists(root.filePath("config/Korvelin/HKEY_LOCAL_MACHINE.ini")));
    QVERIFY(treeOf(root.filePath("program")).isEmpty());

    platform::setProgramFolder(QString());
}

QTEST_MAIN(TestNoHome)
#include "tst_nohome.moc"
