// The start-up font step as other programs see it: families the desktop lacks are copied into the
// user's font folder and found by fontconfig (fc-list, fc-match, fc-cat run as another program
// would), and their fonts draw YUSCII text with real letters. Every case runs with the user's home,
// data and cache folders in a temporary folder.

#include "fonts.h"
#include "scriptedprompter.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QPainterPath>
#include <QProcess>
#include <QRawFont>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList kFamilies = {"YHelvetica", "CHelvetica", "YU Sans Serif"};
const QStringList kFiles = {"Yhelvn.TTF", "Yhelvb.TTF", "Cir Helvetica.TTF", "Cir Helvetica Bold.TTF", "Yuerife.FON"};

// A fontconfig tool's output, run with this process's environment as another program would be.
QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        return QStringLiteral("<%1 did not run>").arg(program);
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList desktopFamilies()
{
    QStringList families;
    for (const QString& line : run("fc-list", {":", "family"}).split('\n', Qt::SkipEmptyParts)) {
        families += line.split(',');
    }
    return families;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString source(const QString& file)
{
    return QDir(testsupport::binFolder()).filePath(file);
}

// True when `code` and `letter` are drawn alike in the font file `path`.
bool drawsAs(const QString& path, QChar code, QChar letter)
{
    QRawFont font(path, 48);
    const QList<quint32> glyphs = font.glyphIndexesForString(QString(code) + letter);
    if (glyphs.size() != 2 || glyphs[0] == 0 || glyphs[1] == 0) {
        return false;
    }
    return font.pathForGlyph(glyphs[0]) == font.pathForGlyph(glyphs[1]) &&
           font.advancesForGlyphIndexes(glyphs)[0] == font.advancesForGlyphIndexes(glyphs)[1];
}

} // namespace

class TestDesktopFonts : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void unwritableFolderLeavesTheProgramItsFonts();
    void missingFamiliesReachTheDesktop();
    void theFontsDrawYusciiAsLetters();
    void familiesTheDesktopHasAreLeftAlone();
    void aCutCopyIsReplaced();

private:
    QString userFonts() const { return m_home->filePath("data/fonts"); }

    std::unique_ptr<QTemporaryDir> m_home;
};

void TestDesktopFonts::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    qputenv("HOME", QFile::encodeName(m_home->path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->filePath("data")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_home->filePath("cache")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->filePath("config")));
    const QStringList before = desktopFamilies();
    QVERIFY2(!before.isEmpty(), "fc-list lists no fonts");
    for (const QString& family : kFamilies) {
        QVERIFY2(!before.contains(family), qPrintable(family + " is already a font of this system"));
    }
}

void TestDesktopFonts::cleanup()
{
    m_home.reset();
}

// First, while the process has not loaded the fonts yet: a user data folder that cannot hold a
// font folder (it is a file) gives the desktop nothing, and the program still has its families.
void TestDesktopFonts::unwritableFolderLeavesTheProgramItsFonts()
{
    QFile blocker(m_home->filePath("data"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const platform::FontNames names = platform::makeFontsAvailable(testsupport::binFolder());
    QCOMPARE(QStringList({names.latin, names.cyrillic, names.ui}), kFamilies);
    for (const QString& family : kFamilies) {
        QVERIFY2(QFontDatabase::families().contains(family), qPrintable(family));
        QVERIFY(!desktopFamilies().contains(family));
    }
}

void TestDesktopFonts::missingFamiliesReachTheDesktop()
{
    platform::makeFontsAvailable(testsupport::binFolder());
    const QString folder = userFonts() + "/Korvelin";
    QCOMPARE(platform::DesktopFontTable::folder(), folder);
    const QStringList families = desktopFamilies();
    for (const QString& family : kFamilies) {
        QVERIFY2(families.contains(family), qPrintable(families.join('|')));
        QCOMPARE(run("fc-match", {"--format=%{family}", family}), family);
    }
    QCOMPARE(run("fc-match", {"--format=%{family} %{style}", "YHelvetica:bold"}), QStringLiteral("YHelvetica Bold"));
    QCOMPARE(run("fc-match", {"--format=%{family} %{style}", "CHelvetica:bold"}), QStringLiteral("CHelvetica Bold"));
    for (const QString& file : kFiles) {
        QCOMPARE(readAll(QDir(folder).filePath(file)), readAll(source(file)));
    }
    // The cache is current: other programs read the folder's fonts from it without a scan.
    const QString cached = run("fc-cat", {folder});
    for (const QString& file : kFiles) {
        QVERIFY2(cached.contains('"' + file + '"'), qPrintable(cached.left(300)));
    }
}

// What another program shows for the manual's "kori{}enje": the letters, in both forms of YUSCII.
void TestDesktopFonts::theFontsDrawYusciiAsLetters()
{
    platform::makeFontsAvailable(testsupport::binFolder());
    const QDir folder(platform::DesktopFontTable::folder());
    const QString codes = QStringLiteral("[]\\^@{}|~`");
    const QString latin = QStringLiteral("ŠĆĐČŽšćđčž");
    const QString cyrillic = QStringLiteral("ШЋЂЧЖшћђчж");
    for (int i = 0; i < codes.size(); ++i) {
        for (const char* file : {"Yhelvn.TTF", "Yhelvb.TTF", "Yuerife.FON"}) {
            QVERIFY2(drawsAs(folder.filePath(file), codes[i], latin[i]), file);
        }
        for (const char* file : {"Cir Helvetica.TTF", "Cir Helvetica Bold.TTF"}) {
            QVERIFY2(drawsAs(folder.filePath(file), codes[i], cyrillic[i]), file);
        }
    }
    const QString ascii = QStringLiteral("abcdefghijklmnopqrstuvwxzWQX");
    const QString letters = QStringLiteral("абцдефгхијклмнопљрстувњџзЊЉЏ");
    for (int i = 0; i < ascii.size(); ++i) {
        QVERIFY2(drawsAs(folder.filePath("Cir Helvetica.TTF"), ascii[i], letters[i]), qPrintable(QString(ascii[i])));
    }
    // Text that is not YUSCII keeps its letters.
    QVERIFY(!drawsAs(folder.filePath("Yhelvn.TTF"), 'w', QChar(0x045A)));  // њ
    QVERIFY(!drawsAs(folder.filePath("Yuerife.FON"), 'b', QChar(0x0431))); // б
    QVERIFY(!drawsAs(folder.filePath("Yhelvn.TTF"), '{', 's'));
}

// Only a missing family is given, and a second start copies nothing.
void TestDesktopFonts::familiesTheDesktopHasAreLeftAlone()
{
    const QString own = userFonts() + "/own";
    QVERIFY(QDir().mkpath(own));
    for (const char* file : {"Cir Helvetica.TTF", "Cir Helvetica Bold.TTF"}) {
        QVERIFY(QFile::copy(source(file), QDir(own).filePath(file)));
    }
    platform::makeFontsAvailable(testsupport::binFolder());
    const QDir folder(platform::DesktopFontTable::folder());
    QCOMPARE(folder.entryList(QDir::Files, QDir::Name), QStringList({"Yhelvb.TTF", "Yhelvn.TTF", "Yuerife.FON"}));

    const QDateTime old = QDateTime::currentDateTime().addDays(-3);
    for (const QString& file : folder.entryList(QDir::Files)) {
        QFile f(folder.filePath(file));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    platform::makeFontsAvailable(testsupport::binFolder());
    QCOMPARE(folder.entryList(QDir::Files, QDir::Name), QStringList({"Yhelvb.TTF", "Yhelvn.TTF", "Yuerife.FON"}));
    for (const QString& file : folder.entryList(QDir::Files)) {
        QCOMPARE(QFileInfo(folder.filePath(file)).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
    }
    QVERIFY(QFile::exists(QDir(own).filePath("Cir Helvetica.TTF")));
}

// A copy cut short (a full disk, a killed program) does not give the family; the next start
// replaces it whole.
void TestDesktopFonts::aCutCopyIsReplaced()
{
    const QDir folder(userFonts() + "/Korvelin");
    QVERIFY(QDir().mkpath(folder.path()));
    QFile cut(folder.filePath("Yhelvn.TTF"));
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(readAll(source("Yhelvn.TTF")).left(4096));
    cut.close();
    QVERIFY(!desktopFamilies().contains("YHelvetica"));
    platform::makeFontsAvailable(testsupport::binFolder());
    QCOMPARE(readAll(folder.filePath("Yhelvn.TTF")), readAll(source("Yhelvn.TTF")));
    QVERIFY(desktopFamilies().contains("YHelvetica"));
    QCOMPARE(run("fc-match", {"--format=%{family} %{style}", "YHelvetica"}), QStringLiteral("YHelvetica Regular"));
}

QTEST_MAIN(TestDesktopFonts)
#include "tst_desktopfonts.moc"
