#include "programfixture.h"

#include "appvalues.h"
#include "error.h"
#include "fileversion.h"
#include "hints.h"
#include "listfiles.h"
#include "richedit.h"
#include "statusbar.h"
#include "table.h"
#include "updaterwindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QTreeWidget>

using platform::Hive;
using platform::RegistryKey;
using testsupport::Prompt;

namespace {
const char* const kEngineKey = "SOFTWARE\\DBE\\Database Engine";

int countRecords(const QString& file)
{
    engine::Table table;
    table.setDatabaseName("ZAKONI");
    table.setTableName(file);
    table.open();
    return table.recordCount();
}

void installEngine(ProgramFixture& program, const QString& version, const QString& folderSuffix = "/")
{
    QDir().mkpath(program.path("engine"));
    program.writeFile("engine/DBENGINE32.DLL",
                      "MZ" + platform::makeVersionInfo({{"StringFileInfo\\040904E4\\FileVersion", version}}));
    RegistryKey::open(Hive::LocalMachine, kEngineKey, true)
        ->writeString("DLLPATH", program.path("engine") + folderSuffix);
}
} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void init();
    void startsOnCollectionAndSavesOnClosing();
    void secondInstanceEndsWithItsMessage();
    void dataVersionFromConfig_data();
    void dataVersionFromConfig();
    void engineVersionQuestion_data();
    void engineVersionQuestion();
    void installerRegistersTheEngine();
    void missingInstallerIsReported();
    void faultyConfigDoesNotStopStartup();
    void unreadableConfigIsToldInSerbian();
    void listFilesKeepTheirLines();
    void clickBeforeTheBarIsFullWaits();
    void busyWindowCannotBeClosed();
    void controlNamesAreUnique();
};

void TestStartup::init()
{
    appvalues::DataVersion.clear();
    appvalues::LastUpdateDate = "9/12/2019";
}

void TestStartup::startsOnCollectionAndSavesOnClosing()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.form2->isVisible());
    QCOMPARE(program.form2->StartupReady(), true);

    QByteArray counts;
    int searchRows = -1;
    int gazettes = -1;
    bool startupHidden = false;
    QString title;
    QByteArray helpText;
    const bool shown = program.runMainWindow([&] {
        TForm1* f = program.form1;
        counts = f->StatusBar1->panelText(0);
        searchRows = f->ListBox2->topLevelItemCount();
        gazettes = f->ComboBox4->count();
        startupHidden = !program.form2->isVisible();
        title = f->windowTitle();
        helpText = f->RichEdit3->yusciiText();
        QVERIFY(f->DBGrid13->isColumnHidden(1));
        QCOMPARE(f->DBGrid13->headerItem()->text(0), QStringLiteral("Naziv ugovora"));
        // Hints of the controls reach the status bar.
        platform::showHint("Po~ni pretragu");
        QCOMPARE(f->StatusBar1->panelText(2), QByteArray("Po~ni pretragu"));
        QCOMPARE(Form3->StatusBar1->panelText(2), QByteArray("Po~ni pretragu"));
        // Every window was created at start.
        QVERIFY(selekt && Form5 && updater && dokumenti && relacije);
    });
    QVERIFY(shown);
    QVERIFY(program.prompter.unexpected().isEmpty());

    const int regulations = countRecords("TB_Brojevi.db");
    const QByteArray expected = "Propisa/Mi{ljenja/Ugovora: " + QByteArray::number(regulations) + '/' +
                                QByteArray::number(countRecords("TB_Misljenja.db")) + '/' +
                                QByteArray::number(countRecords("TB_Ugovori.db"));
    QCOMPARE(counts, expected);
    QCOMPARE(searchRows, regulations);
    QCOMPARE(gazettes, countRecords("TB_Glasnici.db") + 1);
    QVERIFY(startupHidden);
    QCOMPARE(title, QStringLiteral("Elektronski Korvelin (ver.)"));
    QVERIFY(helpText.startsWith("Dostava propisa i kontakt\n"));
    QVERIFY(helpText.contains("po{aljite nam e-mail"));

    // Closing saved the configuration and every list, and ended the program.
    QVERIFY(program.ended);
    QCOMPARE(listfiles::load(program.path("korvelin.cfg")),
             (QByteArrayList{"1", "2", "Bez proxy-ja", "", "", "10", "16", "14", "9/12/2019", ""}));
    for (const char* list : {"pretrage.ini", "cesti.ini", "brzi.ini", "novo.lst"}) {
        QVERIFY2(QFile::exists(program.path(list)), list);
        QCOMPARE(QFileInfo(program.path(list)).size(), 0);
    }
}

void TestStartup::secondInstanceEndsWithItsMessage()
{
    ProgramFixture program;
    platform::NamedMutex first("KorvelinMutex");
    program.start();
    QVERIFY(program.form2->terminationRequested());
    QVERIFY(!program.form2->isVisible());
    QCOMPARE(program.prompter.texts().count(
                 "Korvelin je vec startovan. Pritisnite taster OK za prekid startovanja nove instance."),
             1);
    QVERIFY(!program.form1->isVisible());
}

void TestStartup::dataVersionFromConfig_data()
{
    QTest::addColumn<QByteArray>("tenth");
    QTest::addColumn<bool>("hasTenth");
    QTest::addColumn<QByteArray>("version");
    QTest::newRow("nine lines") << QByteArray() << false << QByteArray();
    QTest::newRow("empty tenth") << QByteArray() << true << QByteArray("2.2.0");
    QTest::newRow("given") << QByteArray("3.1.4") << true << QByteArray("3.1.4");
}

void TestStartup::dataVersionFromConfig()
{
    QFETCH(QByteArray, tenth);
    QFETCH(bool, hasTenth);
    QFETCH(QByteArray, version);
    ProgramFixture program(0);
    QByteArrayList lines{"1", "2", "Bez proxy-ja", "", "", "10", "16", "14", "9/12/2019"};
    if (hasTenth) {
        lines << tenth;
    }
    program.writeFile("korvelin.cfg", listfiles::joinLines(lines));
    TForm2 form;
    QCOMPARE(appvalues::DataVersion, version);
}

void TestStartup::engineVersionQuestion_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("answer"); // -1: no question expected
    QTest::addColumn<bool>("shown");
    QTest::newRow("supported, folder with final slash") << "5.2.0.2" << -1 << true;
    QTest::newRow("older supported") << "5.1.1.1" << -1 << true;
    QTest::newRow("other, OK") << "5.2.0.1" << int(platform::Answer::Ok) << true;
    QTest::newRow("other, Cancel") << "5.2.0.1" << int(platform::Answer::Cancel) << false;
}

void TestStartup::engineVersionQuestion()
{
    QFETCH(QString, version);
    QFETCH(int, answer);
    QFETCH(bool, shown);
    ProgramFixture program(5);
    installEngine(program, version);
    if (answer >= 0) {
        program.prompter.answer(platform::Answer(answer));
    }
    program.start();
    QCOMPARE(program.runMainWindow([] {}, shown ? 15000 : 2000), shown);
    QVERIFY(program.prompter.unexpected().isEmpty());
    QCOMPARE(program.prompter.pendingAnswers(), 0);
    if (answer >= 0) {
        const Prompt question = program.prompter.asked().first();
        QCOMPARE(question.kind, Prompt::Confirm);
        QVERIFY(question.text.startsWith("Verzija DBE-a na vasem sistemu (5.2.0.1) se razlikuje"));
        QVERIFY(question.text.endsWith("\r\n\r\nZelite li da nastavite sa startovanjem?"));
    }
    QVERIFY(program.ended);
}

void TestStartup::installerRegistersTheEngine()
{
    ProgramFixture program(0);
    QVERIFY(!RegistryKey::open(Hive::LocalMachine, kEngineKey, false));
    TForm2 form;
    auto key = RegistryKey::open(Hive::LocalMachine, kEngineKey, false);
    QVERIFY(key);
    QCOMPARE(QDir(key->readString("DLLPATH")), QDir(program.path(".")));
    QCOMPARE(TForm2::GetFileVersionStr(key->readString("DLLPATH") + "/DBENGINE32.DLL"), QStringLiteral("5.2.0.2"));
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestStartup::missingInstallerIsReported()
{
    ProgramFixture program(0);
    QFile::remove(program.path("DBEinst.dll"));
    TForm2 form;
    QCOMPARE(program.prompter.texts(), QByteArrayList{"DBELoadLibrary failed"});
    // A library without the registration entry.
    program.prompter.clear();
    QFile::copy(program.path("DBENGINE32.DLL"), program.path("DBEinst.dll"));
    form.instalirajDBE();
    QCOMPARE(program.prompter.texts(), QByteArrayList{"DBEGetDLLFunction failed"});
}

void TestStartup::faultyConfigDoesNotStopStartup()
{
    ProgramFixture program(5);
    program.writeFile("korvelin.cfg", "4\r\n0\r\nKoristi proxy\r\nproxy.lan\r\n3128\r\n11\r\nx\r\n");
    program.start();
    QVERIFY(program.runMainWindow([&] {
        QCOMPARE(program.form1->ComboBox2->currentIndex(), 0);
        QVERIFY(program.form1->Edit14->isEnabled());
    }));
    QCOMPARE(program.prompter.texts().count("Greska u .cfg datoteci!"), 1);
    // What could be read is kept; what could not takes its default, never 0.
    QCOMPARE(listfiles::load(program.path("korvelin.cfg")),
             (QByteArrayList{"4", "0", "Koristi proxy", "proxy.lan", "3128", "11", "16", "14", "9/12/2019", ""}));
}

// A configuration file that cannot be read (here a folder stands in its place, which stops root
// too) is told by its name, in the program's language; the program still starts.
void TestStartup::unreadableConfigIsToldInSerbian()
{
    ProgramFixture program(5);
    QVERIFY(QDir().mkpath(program.path("korvelin.cfg")));
    program.start();
    // Closing cannot save over the folder either; the user closes without the file.
    program.prompter.answer(platform::Answer::Ok);
    QVERIFY(program.runMainWindow([&] { QVERIFY(program.form1->isVisible()); }));
    QVERIFY(program.ended);
    const QList<testsupport::Prompt>& asked = program.prompter.asked();
    QCOMPARE(asked.size(), 3); // then the main window's "Greska u .cfg datoteci!"
    QCOMPARE(asked.first().kind, testsupport::Prompt::Error);
    QVERIFY(asked.first().text.startsWith("Datoteka "));
    QVERIFY(asked.first().text.contains("korvelin.cfg ne mo`e da se pro~ita."));
    QCOMPARE(asked[2].kind, testsupport::Prompt::Confirm);
    QVERIFY(asked[2].text.contains("Na mestu datoteke korvelin.cfg u folderu programa nalazi se folder"));
}

void TestStartup::listFilesKeepTheirLines()
{
    ProgramFixture program(5);
    program.writeFile("pretrage.ini", "ZAKON\rPOREZ NA\nDOBIT\r\n");
    program.writeFile("brzi.ini", "Zakon o ra~unovodstvu\r\nO'B");
    program.writeFile("novo.lst", "Zakon o {umama\n");
    program.start();
    QVERIFY(program.runMainWindow([&] {
        QCOMPARE(program.form1->ListBox4->count(), 3);
        QCOMPARE(program.form1->ListBox8->item(0)->text(), QStringLiteral("Zakon o računovodstvu"));
        QCOMPARE(program.form1->najnoviji, QByteArrayList{"Zakon o {umama"});
        // The quick-open menu: two fixed items and one per title.
        QCOMPARE(program.form1->PopupMenu1->actions().size(), 4);
    }));
    QCOMPARE(program.readFile("pretrage.ini"), QByteArray("ZAKON\r\nPOREZ NA\r\nDOBIT\r\n"));
    QCOMPARE(program.readFile("brzi.ini"), QByteArray("Zakon o ra~unovodstvu\r\nO'B\r\n"));
    QCOMPARE(program.readFile("novo.lst"), QByteArray("Zakon o {umama\r\n"));
}

void TestStartup::clickBeforeTheBarIsFullWaits()
{
    ProgramFixture program(5);
    startupTiming() = {20, 0};
    program.start();
    QTest::mouseClick(program.form2->Image1, Qt::LeftButton);
    QVERIFY(!program.form1->isVisible());
    QVERIFY(program.form2->ProgressBar1->value() < 100);
    QVERIFY(program.runMainWindow([&] { QCOMPARE(program.form2->ProgressBar1->value(), 100); }));
}

void TestStartup::busyWindowCannotBeClosed()
{
    ProgramFixture program(5);
    program.start();
    bool stayedOpen = false;
    bool escapeSeen = false;
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        try {
            BusyState busy(*f);
            f->close();
            stayedOpen = f->isVisible() && !f->PageControl1->isEnabled();
            QTest::keyClick(f->Edit2, Qt::Key_Escape);
            escapeSeen = f->takeStopRequest() && !f->stopRequested();
            throw engine::Error("lost table");
        } catch (const engine::Error&) {
        }
        // The failed step left the busy state behind it.
        QVERIFY(!f->isBusy());
        QVERIFY(f->PageControl1->isEnabled());
        QCOMPARE(f->StatusBar1->panelText(2), QByteArray("Pretraga zavr{ena"));
    }));
    QVERIFY(stayedOpen);
    QVERIFY(escapeSeen);
    QVERIFY(program.ended);
}

// Tests and the relations window find the main window's controls by name: no name may stand for
// two of them. The windows over the main window (the viewer and the others) have names of their
// own and are left out, as are the names Qt gives the parts of its controls.
void TestStartup::controlNamesAreUnique()
{
    ProgramFixture program;
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        const auto onMainWindow = [f](const QObject* o) {
            for (const QObject* p = o; p != nullptr && p != f; p = p->parent()) {
                if (p->isWidgetType() && static_cast<const QWidget*>(p)->isWindow()) {
                    return false;
                }
            }
            return true;
        };
        const QStringList qtParts = {QStringLiteral("ScrollLeftButton"), QStringLiteral("ScrollRightButton")};
        QMap<QString, int> count;
        for (const QObject* child : f->findChildren<QObject*>()) {
            const QString name = child->objectName();
            if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")) && !qtParts.contains(name) &&
                onMainWindow(child)) {
                ++count[name];
            }
        }
        QStringList twice;
        for (auto it = count.cbegin(); it != count.cend(); ++it) {
            if (it.value() > 1) {
                twice << it.key();
            }
        }
        QVERIFY2(twice.isEmpty(), qPrintable(twice.join(QLatin1String(", "))));
        QVERIFY(count.size() > 150); // the walk found the controls of every tab
    }));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
