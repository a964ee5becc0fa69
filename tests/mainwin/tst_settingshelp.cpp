#include "diskfiles.h"
#include "programfixture.h"

#include "desktopwithoutprograms.h"

#include "listfiles.h"
#include "plaintext.h"
#include "repair.h"
#include "shell.h"
#include "tabledump.h"
#include "tableutil.h"
#include "upperwindows.h"

#include <memory>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

using testsupport::Prompt;
using testsupport::bytesOf;

namespace {

// A shell that opens nothing: it records what it was handed and answers at once with a chosen result.
class RecordingShell final : public platform::Shell {
public:
    RecordingShell() { platform::setShell(this); }
    ~RecordingShell() override { platform::setShell(nullptr); }
    void execute(const QString& verb, const QString& file, const QString& parameters, const QString& folder,
                 int showCommand, Done done) override
    {
        calls << QStringList{verb, file, parameters, folder, QString::number(showCommand)};
        done(result);
    }
    int result = platform::shellresult::Success;
    QList<QStringList> calls;
};

// An updater that shows nothing: it counts how often it was asked to.
class RecordingUpdater final : public mainwin::UpdateWindow {
public:
    RecordingUpdater() { mainwin::setUpdateWindow(this); }
    ~RecordingUpdater() override { mainwin::setUpdateWindow(nullptr); }
    void showUpdater() override { ++shown; }
    int shown = 0;
};

// What the repair button does as it goes: the progress bar's values, whether the window was busy
// at each, and which tables had been rebuilt by then (each rebuild leaves the table's backup).
struct RepairWatch {
    explicit RepairWatch(const QString& dataFolder) : data(dataFolder)
    {
        QObject::connect(Form1->ProgressBar1, &QProgressBar::valueChanged, [this](int value) {
            progress << value;
            busy << Form1->isBusy();
            rebuilt << rebuiltTables();
        });
    }
    QByteArrayList rebuiltTables() const
    {
        QByteArrayList out;
        for (const repair::Step& step : repair::steps()) {
            if (QFileInfo::exists(data.filePath(QString::fromLatin1(step.table + ".Backup.db")))) {
                out << step.table;
            }
        }
        return out;
    }
    QDir data;
    QList<int> progress;
    QList<bool> busy;
    QList<QByteArrayList> rebuilt;
};

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QList<bool> visibleTabs(QTabWidget* tabs)
{
    QList<bool> visible;
    for (int i = 0; i < tabs->count(); ++i) {
        visible << tabs->isTabVisible(i);
    }
    return visible;
}

const QByteArrayList kRepairOrder = {
    "TB_Brojevi",      "TB_Arhiva", "TB_Glasnici",          "TB_Zakoni",  "TB_Misljenja",  "TB_Tipovi_Zakona",
    "TB_Ministarstva", "TB_link",   "TB_Kategorije_Zakona", "TB_Ugovori", "TB_Korisnicki", "TB_grafika",
    "TB_Datumi"};

} // namespace

class TestSettingsHelp : public QObject {
    Q_OBJECT
private slots:
    void levelsShowAndHideTabs();
    void storedLevelIsReadAtStart();
    void proxySwitchKeepsTexts();
    void repairOfHealthyCollection();
    void repairStopsAtFailingTable();
    void repairOnTheCollection();
    void repairKeepsTheOriginalOfALoss();
    void repairClearsWhatACutRepairLeft();
    void startIgnoresWhatRebuildsKeep();
    void updaterOpensThroughTheSeam();
    void contactLinksAndMessages();
    void manualMissing();
    void desktopWithoutProgramsIsReported();
    void publisherAddressIsNotMapped();
    void manualDescribesEveryTab();
};

void TestSettingsHelp::levelsShowAndHideTabs()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QCOMPARE(visibleTabs(f->PageControl1), QList<bool>(9, true));
        f->ComboBox2->setCurrentIndex(0);
        f->ComboBox2Change();
        QCOMPARE(visibleTabs(f->PageControl1), (QList<bool>{true, true, false, false, false, false, true, true, true}));
        f->ComboBox2->setCurrentIndex(1);
        f->ComboBox2Change();
        QCOMPARE(visibleTabs(f->PageControl1), (QList<bool>{true, true, true, false, true, false, true, true, true}));
        f->ComboBox2->setCurrentIndex(2);
        f->ComboBox2Change();
        QCOMPARE(visibleTabs(f->PageControl1), QList<bool>(9, true));
        f->ComboBox2->setCurrentIndex(-1);
        f->ComboBox2Change();
        QCOMPARE(visibleTabs(f->PageControl1), QList<bool>(9, true));
        f->ComboBox2->setCurrentIndex(1);
    }));
    QCOMPARE(listfiles::load(program.path("korvelin.cfg")).value(1), QByteArray("1"));
}

void TestSettingsHelp::storedLevelIsReadAtStart()
{
    ProgramFixture program;
    program.writeFile("korvelin.cfg", "1\r\n0\r\nBez proxy-ja\r\n\r\n\r\n10\r\n16\r\n14\r\n9/12/2019\r\n5.1\r\n");
    program.start();
    QList<bool> visible;
    QVERIFY(program.runMainWindow([&] { visible = visibleTabs(program.form1->PageControl1); }));
    QCOMPARE(visible, (QList<bool>{true, true, false, false, false, false, true, true, true}));
}

void TestSettingsHelp::proxySwitchKeepsTexts()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QVERIFY(!f->Edit14->isEnabled());
        f->CheckBox4->click();
        QVERIFY(f->Edit14->isEnabled() && f->Edit15->isEnabled() && f->Label13->isEnabled());
        QTest::keyClicks(f->Edit14, "proxy.local");
        QTest::keyClicks(f->Edit15, "80a8");
        QCOMPARE(f->Edit15->text(), QStringLiteral("808"));
        f->CheckBox4->click();
        QVERIFY(!f->Edit14->isEnabled() && !f->Edit15->isEnabled() && !f->Label20->isEnabled());
        QCOMPARE(f->Edit14->text(), QStringLiteral("proxy.local"));
    }));
    const QByteArrayList cfg = listfiles::load(program.path("korvelin.cfg"));
    QCOMPARE(cfg.mid(2, 3), (QByteArrayList{"Bez proxy-ja", "proxy.local", "808"}));
}

void TestSettingsHelp::repairOfHealthyCollection()
{
    ProgramFixture program;
    program.start();
    RecordingUpdater updaterDouble; // the repair needs no updater window
    QList<int> progressAtMessage;
    program.prompter.onPrompt = [&](const Prompt&) { progressAtMessage << Form1->ProgressBar1->value(); };
    int progressAfter = -1;
    std::unique_ptr<RepairWatch> watch;
    QVERIFY(program.runMainWindow([&] {
        watch = std::make_unique<RepairWatch>(program.path("Podatci"));
        program.form1->SpeedButton27->click();
        progressAfter = program.form1->ProgressBar1->value();
    }));
    // The progress after each table of the order; the last two set none.
    QCOMPARE(watch->progress, (QList<int>{10, 20, 30, 40, 50, 60, 70, 75, 80, 90, 100, 0}));
    QVERIFY(!watch->busy.mid(0, 11).contains(false));
    for (int i = 0; i < 11; ++i) {
        QCOMPARE(watch->rebuilt[i], kRepairOrder.mid(0, i + 1));
    }
    QCOMPARE(watch->rebuiltTables(), kRepairOrder);
    QCOMPARE(program.prompter.texts(), QByteArrayList{"Popravka uspesno izvrsena. Baza je u ispravnom stanju."});
    QCOMPARE(progressAtMessage, QList<int>{100});
    QCOMPARE(progressAfter, 0);
    QCOMPARE(updaterDouble.shown, 0);
}

void TestSettingsHelp::repairStopsAtFailingTable()
{
    ProgramFixture program;
    program.start();
    // The opinions' copy cannot be made.
    QVERIFY(QDir().mkpath(engine::rebuildFiles(program.path("Podatci/TB_Misljenja.db")).copy + "/blocked"));
    QList<int> progressAtMessage;
    program.prompter.onPrompt = [&](const Prompt&) { progressAtMessage << Form1->ProgressBar1->value(); };
    std::unique_ptr<RepairWatch> watch;
    QVERIFY(program.runMainWindow([&] {
        watch = std::make_unique<RepairWatch>(program.path("Podatci"));
        program.form1->SpeedButton27->click();
    }));
    QCOMPARE(watch->rebuiltTables(), kRepairOrder.mid(0, 4));
    QCOMPARE(program.prompter.texts().size(), 1);
    QVERIFY(program.prompter.texts()[0].startsWith("Greska prilikom popravke baze!"));
    QVERIFY(program.prompter.texts()[0].contains("TB_Misljenja"));
    QCOMPARE(progressAtMessage, QList<int>{40});
    QCOMPARE(program.form1 ? program.form1->ProgressBar1->value() : 0, 0);
}

void TestSettingsHelp::repairOnTheCollection()
{
    ProgramFixture program;
    program.start();
    const QDir data(program.path("Podatci"));
    QMap<QString, QByteArray> before;
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const int regulations = f->Glavna.recordCount();
        f->SpeedButton27->click();
        QCOMPARE(program.prompter.texts(), QByteArrayList{"Popravka uspesno izvrsena. Baza je u ispravnom stanju."});
        QCOMPARE(f->ProgressBar1->value(), 0);
        // The tables the window holds read the rebuilt files.
        QCOMPARE(f->Glavna.recordCount(), regulations);
        f->Zakoni.first();
        QVERIFY(!f->Zakoni.field(5).asString().isEmpty());

        // The opinions table cannot be rebuilt (its copy cannot be made): the repair stops there
        // and names it; that table and the ones after it stay as they were, and none is lost.
        program.prompter.clear();
        for (const QString& file : data.entryList({"*.db"}, QDir::Files)) {
            QFile in(data.filePath(file));
            QVERIFY(in.open(QIODevice::ReadOnly));
            before[file] = in.readAll();
        }
        QVERIFY(QDir().mkpath(engine::rebuildFiles(data.filePath("TB_Misljenja.db")).copy + "/blocked"));
        QList<int> progressAtMessage;
        program.prompter.onPrompt = [&](const Prompt&) { progressAtMessage << f->ProgressBar1->value(); };
        f->SpeedButton27->click();
        program.prompter.onPrompt = nullptr;
        QVERIFY(!program.prompter.texts().isEmpty());
        QVERIFY(program.prompter.texts().last().startsWith("Greska prilikom popravke baze!"));
        QVERIFY(program.prompter.texts().last().contains("TB_Misljenja"));
        QCOMPARE(progressAtMessage.last(), 40);
        QCOMPARE(f->ProgressBar1->value(), 0);
        for (const char* later :
             {"TB_Misljenja.db", "TB_Tipovi_Zakona.db", "TB_Ministarstva.db", "TB_link.db", "TB_Kategorije_Zakona.db",
              "TB_Ugovori.db", "TB_Korisnicki.db", "TB_grafika.db", "TB_Datumi.db"}) {
            QFile file(data.filePath(later));
            QVERIFY2(file.open(QIODevice::ReadOnly), later);
            QVERIFY2(file.readAll() == before.value(later), later);
        }
    }));
    for (const QString& file : before.keys()) {
        QVERIFY2(QFileInfo(data.filePath(file)).size() > 0, qPrintable(file));
    }
}

// A table damaged in its middle: the repair keeps it as it was under a name of its own and names
// that file; the next repair finds the table sound and leaves the original as it is.
void TestSettingsHelp::repairKeepsTheOriginalOfALoss()
{
    ProgramFixture program(300);
    const QString zakoni = program.path("Podatci/TB_Zakoni.db");
    const QList<int> leaves = tabletest::leafPages(zakoni, "records");
    QVERIFY(leaves.size() > 20);
    tabletest::damagePages(zakoni, leaves.mid(leaves.size() / 2 - 4, 8));
    const QByteArray damaged = bytesOf(zakoni);
    program.start();
    const QDir data(program.path("Podatci"));
    QStringList originals;
    QVERIFY(program.runMainWindow([&] {
        program.prompter.clear(); // whatever the start said of the damaged table
        program.form1->SpeedButton27->click();
        originals = data.entryList({"TB_Zakoni.Original-*"}, QDir::Files);
        QCOMPARE(originals.size(), 1);
        QCOMPARE(program.prompter.texts().size(), 1);
        const QByteArray told = program.prompter.texts().first();
        QVERIFY2(told.startsWith("Popravka je izvr{ena, ali nisu sa~uvani svi zapisi:\r\nTabela TB_Zakoni.db: nije "
                                 "sa~uvano "),
                 told.constData());
        QVERIFY2(told.endsWith(" od 300 zapisa; original tabele je sa~uvan u datoteci " + originals.first().toLatin1() +
                               " u folderu Podatci."),
                 told.constData());
        QVERIFY(bytesOf(data.filePath(originals.first())) == damaged);

        program.prompter.clear();
        program.form1->SpeedButton27->click();
        QCOMPARE(program.prompter.texts(), QByteArrayList{"Popravka uspesno izvrsena. Baza je u ispravnom stanju."});
    }));
    QCOMPARE(data.entryList({"TB_Zakoni.Original-*"}, QDir::Files), originals);
    QVERIFY(bytesOf(data.filePath(originals.first())) == damaged);
    QCOMPARE(engine::verifyTableFile(zakoni).level, 0);
}

// A repair killed while it wrote a table's copy leaves the copy and its journal; the next repair
// clears them before it begins, and every table is sound.
void TestSettingsHelp::repairClearsWhatACutRepairLeft()
{
    ProgramFixture program;
    const QDir data(program.path("Podatci"));
    const engine::RebuildFiles zakoni = engine::rebuildFiles(data.filePath("TB_Zakoni.db"));
    const QByteArray table = bytesOf(data.filePath("TB_Zakoni.db"));
    writeBytes(zakoni.copy, table.left(table.size() / 3));
    writeBytes(zakoni.copy + "-journal", QByteArray(4096, '\x5a'));
    writeBytes(zakoni.keyViolations + ".part", QByteArray(2048, '\0'));
    program.start();
    QVERIFY(program.runMainWindow([&] {
        QVERIFY(QFileInfo::exists(zakoni.copy) && QFileInfo::exists(zakoni.copy + "-journal"));
        program.form1->SpeedButton27->click();
    }));
    QCOMPARE(program.prompter.texts(), QByteArrayList{"Popravka uspesno izvrsena. Baza je u ispravnom stanju."});
    const QStringList left =
        data.entryList({"*.Rebuild.*", "*-journal", "*.part"}, QDir::Files | QDir::Hidden | QDir::System);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(", ")));
    for (const repair::Step& step : repair::steps()) {
        const engine::Verification v = engine::verifyTableFile(data.filePath(QString::fromLatin1(step.table + ".db")));
        QVERIFY2(v.level == 0, step.table.constData());
    }
    QCOMPARE(tabletest::digest(data.filePath("TB_Zakoni.db")), tabletest::digest(data.filePath("TB_Zakoni.Backup.db")));
}

// The files rebuilds keep beside the tables (originals, backups, records put aside, some of them
// no table at all) are never taken for the tables when the collection opens.
void TestSettingsHelp::startIgnoresWhatRebuildsKeep()
{
    ProgramFixture program;
    const QDir data(program.path("Podatci"));
    const QByteArray noTable(8192, '\x33');
    for (const char* name : {"TB_Zakoni.Original-2026-01-02-030405.db", "tb_zakoni.original-2026-01-02-030405-2.DB",
                             "TB_Brojevi.Backup.db", "TB_Glasnici.KEYVIOL.db", "TB_Ugovori.PROBLEM.db"}) {
        writeBytes(data.filePath(name), noTable);
    }
    writeBytes(data.filePath("TB_Zakoni.Original-2026-01-02-030405.db-journal"), noTable);
    int regulations = -1;
    program.start();
    QVERIFY(program.runMainWindow([&] { regulations = program.form1->Glavna.recordCount(); }));
    QCOMPARE(regulations, tabletest::countRecords(data.filePath("TB_Brojevi.db")));
    QCOMPARE(program.prompter.texts(), QByteArrayList());
    QVERIFY(bytesOf(data.filePath("TB_Zakoni.Original-2026-01-02-030405.db")) == noTable);
    QVERIFY(bytesOf(data.filePath("TB_Zakoni.Original-2026-01-02-030405.db-journal")) == noTable);
}

void TestSettingsHelp::updaterOpensThroughTheSeam()
{
    ProgramFixture program;
    program.start();
    RecordingUpdater updaterDouble;
    QVERIFY(program.runMainWindow([&] { program.form1->SpeedButton2->click(); }));
    QCOMPARE(updaterDouble.shown, 1);
}

void TestSettingsHelp::contactLinksAndMessages()
{
    ProgramFixture program;
    RecordingShell shell;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        for (QPushButton* b : {f->SpeedButton3, f->SpeedButton11, f->SpeedButton12, f->SpeedButton15}) {
            b->click();
        }
        QVERIFY(program.prompter.asked().isEmpty());
        shell.result = platform::shellresult::NoAssociation;
        for (QPushButton* b : {f->SpeedButton3, f->SpeedButton11, f->SpeedButton12, f->SpeedButton15}) {
            b->click();
        }
        shell.result = platform::shellresult::FileNotFound;
        for (QPushButton* b : {f->SpeedButton3, f->SpeedButton12, f->SpeedButton15}) {
            b->click();
        }
        shell.result = 4; // an error code without a message of its own
        f->SpeedButton3->click();
    }));
    QCOMPARE(shell.calls.size(), 12);
    QCOMPARE(shell.calls[0],
             (QStringList{"", "mailto:propisi@dremvalo.example?Subject=Treba mi propis...", "", "", "10"}));
    QCOMPARE(shell.calls[1][1], QStringLiteral("mailto:sugestije@dremvalo.example?Subject=Sugestija za poboljsanje "
                                               "Korvelin..."));
    QCOMPARE(shell.calls[2], (QStringList{"open", "http://www.dremvalo.example", "", "", "10"}));
    QCOMPARE(shell.calls[3][1], QStringLiteral("mailto:konsalting@dremvalo.example?Subject=Imam pitanje u vezi..."));
    // The consulting button never reports; the others by their message set.
    QCOMPARE(program.prompter.texts(), (QByteArrayList{"Ne postoji program koji otvara ovu datoteku!",
                                                       "Ne postoji program koji otvara ovu datoteku!",
                                                       "Ne postoji program koji otvara ovu datoteku!",
                                                       "Datoteka nije pronadjena", "Stranica nije pronadjena"}));
}

void TestSettingsHelp::manualMissing()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        // The desktop's own shell: with the folder missing nothing is started.
        program.form1->SpeedButton8->click();
        QDir().mkpath(program.path("uputstvo"));
        program.form1->SpeedButton8->click();
    }));
    QCOMPARE(program.prompter.texts(),
             (QByteArrayList{"Lokacija Uputstva nije pronadjena", "Uputstvo nije pronadjeno"}));

    RecordingShell shell;
    ProgramFixture second;
    second.start();
    QVERIFY(second.runMainWindow([&] { second.form1->SpeedButton8->click(); }));
    QCOMPARE(shell.calls.size(), 1);
    QCOMPARE(shell.calls[0][0], QStringLiteral("open"));
    QCOMPARE(shell.calls[0][1], second.path("uputstvo/uputstvo.rtf"));
    QCOMPARE(shell.calls[0][3], second.path("uputstvo/"));
}

void TestSettingsHelp::desktopWithoutProgramsIsReported()
{
    ProgramFixture program;
    program.start();
    // The desktop's own shell with the real opener, which finds no program for anything here.
    testsupport::DesktopWithoutPrograms desktop;
    QVERIFY2(desktop.hasOpener(), "xdg-open is missing (package xdg-utils)");
    const QByteArray noProgram = "Ne postoji program koji otvara ovu datoteku!";
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->PageControl1->setCurrentIndex(8);
        // The manual's folder missing: told before anything is started.
        f->SpeedButton8->click();
        QCOMPARE(program.prompter.texts(), QByteArrayList{"Lokacija Uputstva nije pronadjena"});
        program.prompter.clear();

        QVERIFY(QDir().mkpath(program.path("uputstvo")));
        program.writeFile("uputstvo/uputstvo.rtf", "{\\rtf1 Uputstvo}");
        for (QPushButton* b : {f->SpeedButton3, f->SpeedButton12, f->SpeedButton8}) {
            b->click();
            // The click is over before the opener has answered: the window works while it looks.
            QVERIFY(program.prompter.texts().isEmpty());
            QTRY_COMPARE(program.prompter.texts(), QByteArrayList{noProgram});
            program.prompter.clear();
        }

        // The consulting button says nothing, whatever the opener found.
        f->SpeedButton15->click();
        QVERIFY(!qApp->findChildren<QProcess*>().isEmpty());
        QTRY_VERIFY(qApp->findChildren<QProcess*>().isEmpty());
        QVERIFY(program.prompter.texts().isEmpty());
    }));
    QVERIFY(program.prompter.unexpected().isEmpty());
}

void TestSettingsHelp::publisherAddressIsNotMapped()
{
    ProgramFixture program;
    program.start();
    QString line;
    QVERIFY(program.runMainWindow([&] { line = program.form1->Label34->text(); }));
    QVERIFY2(line.endsWith(QStringLiteral(" podrska@dremvalo.example")), qPrintable(line));
    QVERIFY(!line.contains(QChar(0x17D))); // Ž
}

void TestSettingsHelp::manualDescribesEveryTab()
{
    QFile file(QDir(testsupport::binFolder()).filePath("uputstvo/uputstvo.rtf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = richtext::plainText(file.readAll());
    for (const char* heading :
         {"Izbor glasila", "Oblasti", "Pretraga", "^esto kori{}eni propisi", "Mi{ljenja", "Arhiva", "Tipski ugovori",
          "Pode{avanja", "Pomo}", "Pregled propisa", "[tampa", "A`uriranje baze"}) {
        QVERIFY2(text.contains(QByteArray(heading) + '\n'), heading);
    }
}

QTEST_MAIN(TestSettingsHelp)
#include "tst_settingshelp.moc"
