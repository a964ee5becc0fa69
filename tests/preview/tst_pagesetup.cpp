#include "formsettings.h"
#include "pagesetupdlg.h"
#include "pdfprinterenv.h"
#include "prevprinter.h"
#include "registry.h"
#include "testdoc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using platform::Hive;
using platform::RegistryKey;

namespace {

const QString kKey = QStringLiteral("Software\\Korvelin\\PageSetupForm");

RegistryKey storedKey(const QString& sub)
{
    return *RegistryKey::open(Hive::CurrentUser, kKey + QLatin1Char('\\') + sub, true);
}

void store(const QList<std::pair<QString, QString>>& values)
{
    RegistryKey key = storedKey(QStringLiteral("Values"));
    for (const auto& [name, value] : values) {
        key.writeString(name, value);
    }
}

} // namespace

class TestPageSetup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void nothingStoredKeepsTheDesign();
    void storedValuesApplyToBothPrinters();
    void bothUnitButtonsLeaveCentimetres();
    void lengthsPassThroughTheTextForm();
    void unreadableValuesKeepTheDesign();
    void textsAndAlignments();
    void windowStateInAnyCase_data();
    void windowStateInAnyCase();
    void boundsSavedOnlyForANormalWindow();
    void setDefaultStoresTheControls();
    void okStoresCancelKeeps();
    void otherControlsRoundTrip();
    void colourNumbers();

private:
    std::unique_ptr<QTemporaryDir> m_registry;
    std::unique_ptr<testsupport::PdfPrinterEnvironment> m_env;
};

void TestPageSetup::initTestCase()
{
    previewtest::installFonts();
}

void TestPageSetup::init()
{
    // Margins are written and read with the user's decimal comma.
    QLocale::setDefault(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia));
    m_registry = std::make_unique<QTemporaryDir>();
    platform::setRegistryFolder(m_registry->path());
    m_env = std::make_unique<testsupport::PdfPrinterEnvironment>(m_registry->path());
}

void TestPageSetup::nothingStoredKeepsTheDesign()
{
    const TPreviewPrinter main(nullptr, mainWindowTextOptions());
    const TPreviewPrinter viewer(nullptr, viewerTextOptions());
    for (const TPreviewPrinter* p : {&main, &viewer}) {
        const TTextOptions& o = p->TextOptions();
        QCOMPARE(o.MarginLeft, 1.0);
        QCOMPARE(o.MarginBottom, 1.0);
        QCOMPARE(o.HeaderMargin, 0.5);
        QCOMPARE(o.FooterMargin, 0.75);
        QCOMPARE(o.PageNumText, QStringLiteral("Strana %d"));
        QCOMPARE(o.FooterFont.family(), QStringLiteral("Times New Roman"));
        QCOMPARE(o.FooterFont.pointSize(), 10);
        QVERIFY(o.FooterFont.italic());
        QCOMPARE(o.PrintPageNumber, TPrintPageNumber::pnBottom);
        QCOMPARE(p->Units(), TUnits::unInches);
        QCOMPARE(p->Orientation(), TPrinterOrientation::poPortrait);
    }
    QCOMPARE(main.TextOptions().Header, QString());
    QCOMPARE(main.TextOptions().HeaderFont.pointSize(), 18);
    QVERIFY(main.TextOptions().HeaderFont.bold());
    QCOMPARE(main.TextOptions().PageNumAlign, TAlignment::taRightJustify);
    QCOMPARE(viewer.TextOptions().Header, QStringLiteral("Korvelin, Dremvalo d.o.o."));
    QCOMPARE(viewer.TextOptions().HeaderFont.pointSize(), 8);
    QVERIFY(!viewer.TextOptions().HeaderFont.bold());
    QCOMPARE(viewer.TextOptions().PageNumAlign, TAlignment::taCenter);

    // Reading made the key, and nothing in it.
    const std::optional<RegistryKey> key = RegistryKey::open(Hive::CurrentUser, kKey, false);
    QVERIFY(key);
    QVERIFY(key->valueNames().isEmpty());
    QVERIFY(key->subKeyNames().isEmpty());
}

void TestPageSetup::storedValuesApplyToBothPrinters()
{
    store({{"LeftEdit", "2,500"}, {"LandBut", "1"}, {"HeaderFontDialog_Size", "14"}});
    const TPreviewPrinter main(nullptr, mainWindowTextOptions());
    const TPreviewPrinter viewer(nullptr, viewerTextOptions());
    for (const TPreviewPrinter* p : {&main, &viewer}) {
        QCOMPARE(p->TextOptions().MarginLeft, 2.5);
        QCOMPARE(p->TextOptions().MarginRight, 1.0);
        QCOMPARE(p->Orientation(), TPrinterOrientation::poLandscape);
        QCOMPARE(p->TextOptions().HeaderFont.pointSize(), 14);
        QCOMPARE(p->TextOptions().HeaderFont.family(), QStringLiteral("Times New Roman"));
    }
    // The other font values stay each printer's own.
    QVERIFY(main.TextOptions().HeaderFont.bold());
    QVERIFY(!viewer.TextOptions().HeaderFont.bold());
}

void TestPageSetup::bothUnitButtonsLeaveCentimetres()
{
    store({{"InchBut", "1"}, {"CentBut", "1"}});
    const TPreviewPrinter printer(nullptr, mainWindowTextOptions());
    QCOMPARE(printer.Units(), TUnits::unCentimeters);
    QCOMPARE(printer.UnitFactor(), 2.54);
    QCOMPARE(printer.TextOptions().MarginLeft, 1.0); // the numbers are not converted
}

void TestPageSetup::lengthsPassThroughTheTextForm()
{
    TTextOptions design = mainWindowTextOptions();
    design.MarginTop = 1.23456;
    design.FooterMargin = 0.7496;
    const TPreviewPrinter printer(nullptr, design);
    QCOMPARE(printer.TextOptions().MarginTop, 1.235);
    QCOMPARE(printer.TextOptions().FooterMargin, 0.75);
}

void TestPageSetup::unreadableValuesKeepTheDesign()
{
    store({{"LeftEdit", "abc"},
           {"RightEdit", "2.500"}, // a thousands separator, not a decimal point
           {"TopEdit", ""},
           {"InchBut", "0"},       // no unit left checked
           {"PortBut", "0"},       // no orientation left checked
           {"PageBotBut", "no"},   // no number: stays checked
           {"HdrCenterBut", "0"},  // no header alignment left checked
           {"HeaderFontDialog_Size", "big"},
           {"HeaderFontDialog_Color", "-16777208"},
           {"HeaderFontDialog_Italic", "2"}});
    const TPreviewPrinter printer(nullptr, mainWindowTextOptions());
    const TTextOptions& o = printer.TextOptions();
    QCOMPARE(o.MarginLeft, 1.0);
    QCOMPARE(o.MarginRight, 1.0);
    QCOMPARE(o.MarginTop, 1.0);
    QCOMPARE(printer.Units(), TUnits::unInches);
    QCOMPARE(printer.Orientation(), TPrinterOrientation::poPortrait);
    QCOMPARE(o.PrintPageNumber, TPrintPageNumber::pnBottom);
    QCOMPARE(o.HeaderAlign, TAlignment::taCenter);
    QCOMPARE(o.HeaderFont.pointSize(), 18);
    QCOMPARE(o.HeaderFont.Color, QColor(Qt::black));
    QVERIFY(o.HeaderFont.italic()); // any number but 0 is on
}

void TestPageSetup::textsAndAlignments()
{
    store({{"HeaderEdit", "Zaglavlje"},
           {"HdrLeftBut", "1"},
           {"FooterEdit", "Podno\u017Eje"},
           {"FtrRightBut", "1"},
           {"PageNumEdit", "Str. %d"},
           {"PageTopBut", "1"},
           {"PageLeftBut", "1"},
           {"PageNumFontDialog_Name", "YHelvetica"},
           {"PageNumFontDialog_Color", "255"},
           {"PageNumFontDialog_Italic", "0"}});
    const TPreviewPrinter printer(nullptr, viewerTextOptions());
    const TTextOptions& o = printer.TextOptions();
    QCOMPARE(o.Header, QStringLiteral("Zaglavlje"));
    QCOMPARE(o.HeaderAlign, TAlignment::taLeftJustify);
    QCOMPARE(o.Footer, QStringLiteral("Podnožje"));
    QCOMPARE(o.FooterAlign, TAlignment::taRightJustify);
    QCOMPARE(o.PageNumText, QStringLiteral("Str. %d"));
    QCOMPARE(o.PrintPageNumber, TPrintPageNumber::pnTop);
    QCOMPARE(o.PageNumAlign, TAlignment::taLeftJustify);
    QCOMPARE(o.PageNumFont.family(), QStringLiteral("YHelvetica"));
    QCOMPARE(o.PageNumFont.Color, QColor(Qt::red));
    QVERIFY(!o.PageNumFont.italic());
    QCOMPARE(o.PageNumFont.pointSize(), 10);
}

void TestPageSetup::windowStateInAnyCase_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("state");
    QTest::newRow("upper") << "MAXIMIZED" << int(Qt::WindowMaximized);
    QTest::newRow("lower") << "maximized" << int(Qt::WindowMaximized);
    QTest::newRow("mixed") << "MaXiMiZeD" << int(Qt::WindowMaximized);
    QTest::newRow("minimized") << "Minimized" << int(Qt::WindowMinimized);
    QTest::newRow("misspelt") << "Maximised" << int(Qt::WindowNoState);
    QTest::newRow("normal") << "NORMAL" << int(Qt::WindowNoState);
}

void TestPageSetup::windowStateInAnyCase()
{
    QFETCH(QString, stored);
    QFETCH(int, state);
    RegistryKey position = storedKey(QStringLiteral("Position"));
    position.writeString(QStringLiteral("Left"), QStringLiteral("30"));
    position.writeString(QStringLiteral("Top"), QStringLiteral("40"));
    position.writeString(QStringLiteral("Width"), QStringLiteral("1500"));
    position.writeString(QStringLiteral("Height"), QStringLiteral("1100"));
    position.writeString(QStringLiteral("WindowState"), stored);
    const TPageSetupForm form;
    QCOMPARE(int(form.windowState()), state);
    QCOMPARE(form.pos(), QPoint(30, 40));
    QCOMPARE(form.size(), QSize(1500, 1100));
}

void TestPageSetup::boundsSavedOnlyForANormalWindow()
{
    RegistryKey position = storedKey(QStringLiteral("Position"));
    position.writeString(QStringLiteral("Left"), QStringLiteral("11"));
    TPageSetupForm form;
    form.setWindowState(Qt::WindowMaximized);
    form.FormSettings1->SaveSettings();
    position = storedKey(QStringLiteral("Position"));
    QCOMPARE(position.readString(QStringLiteral("Left")), QStringLiteral("11"));
    QVERIFY(!position.hasValue(QStringLiteral("Width")));
    QCOMPARE(position.readString(QStringLiteral("WindowState")), QStringLiteral("MAXIMIZED"));

    form.setWindowState(Qt::WindowNoState);
    form.move(50, 60);
    form.resize(1400, 1000);
    form.FormSettings1->SaveSettings();
    position = storedKey(QStringLiteral("Position"));
    QCOMPARE(position.readString(QStringLiteral("Left")), QStringLiteral("50"));
    QCOMPARE(position.readString(QStringLiteral("Top")), QStringLiteral("60"));
    QCOMPARE(position.readString(QStringLiteral("Width")), QStringLiteral("1400"));
    QCOMPARE(position.readString(QStringLiteral("WindowState")), QStringLiteral("NORMAL"));
    // Without SaveValues no control value is written.
    QVERIFY(!storedKey(QString()).subKeyNames().contains(QStringLiteral("Values")));
}

void TestPageSetup::setDefaultStoresTheControls()
{
    testsupport::ScriptedPrompter prompter;
    TPreviewPrinter printer(nullptr, mainWindowTextOptions());
    TPageSetupForm form;
    form.setPrinter(&printer);
    form.OptionsToControls();
    form.LeftEdit->setText(QStringLiteral("3,000"));
    form.LandBut->setChecked(true);
    QVERIFY(!form.PortBut->isChecked());

    prompter.answer(platform::Answer::No);
    QTest::mouseClick(form.DefaultBut, Qt::LeftButton);
    QVERIFY(!storedKey(QString()).subKeyNames().contains(QStringLiteral("Values")));

    prompter.answer(platform::Answer::Yes);
    QTest::mouseClick(form.DefaultBut, Qt::LeftButton);
    QCOMPARE(prompter.texts(),
             QList<QByteArray>(2, "Are you sure you want to save these values as the Default Settings?"));
    QVERIFY(!form.FormSettings1->SaveValues());
    const RegistryKey values = storedKey(QStringLiteral("Values"));
    QCOMPARE(values.valueNames().size(), 9 + 16 + 3 * 7);
    QCOMPARE(values.readString(QStringLiteral("LeftEdit")), QStringLiteral("3,000"));
    QCOMPARE(values.readString(QStringLiteral("RightEdit")), QStringLiteral("1,000"));
    QCOMPARE(values.readString(QStringLiteral("LandBut")), QStringLiteral("1"));
    QCOMPARE(values.readString(QStringLiteral("PortBut")), QStringLiteral("0"));
    QCOMPARE(values.readString(QStringLiteral("InchBut")), QStringLiteral("1"));
    QCOMPARE(values.readString(QStringLiteral("PageRightBut")), QStringLiteral("1"));
    QCOMPARE(values.readString(QStringLiteral("PageNumEdit")), QStringLiteral("Strana %d"));
    QCOMPARE(values.readString(QStringLiteral("HeaderFontDialog_Name")), QStringLiteral("Times New Roman"));
    QCOMPARE(values.readString(QStringLiteral("HeaderFontDialog_Size")), QStringLiteral("18"));
    QCOMPARE(values.readString(QStringLiteral("HeaderFontDialog_Bold")), QStringLiteral("1"));
    QCOMPARE(values.readString(QStringLiteral("FooterFontDialog_Italic")), QStringLiteral("1"));
    QCOMPARE(values.readString(QStringLiteral("FooterFontDialog_Color")), QStringLiteral("0"));

    // The next printer made starts from them.
    const TPreviewPrinter next(nullptr, mainWindowTextOptions());
    QCOMPARE(next.TextOptions().MarginLeft, 3.0);
    QCOMPARE(next.Orientation(), TPrinterOrientation::poLandscape);
    QVERIFY(prompter.unexpected().isEmpty());
}

void TestPageSetup::okStoresCancelKeeps()
{
    TPreviewPrinter printer(nullptr, mainWindowTextOptions());
    TPageSetupForm form;
    form.setPrinter(&printer);
    form.show();
    QCOMPARE(form.LeftEdit->text(), QStringLiteral("1,000"));
    QVERIFY(form.PortBut->isChecked());
    QVERIFY(form.PortraitShape->isVisible());
    QCOMPARE(form.HdrFontBut->text(), QStringLiteral("Times New Roman 18 pt"));
    form.LeftEdit->setText(QStringLiteral("1,5"));
    // On the button's circle: the rest of its row takes no clicks.
    const QPoint indicator(6, form.LandBut->height() / 2);
    QTest::mouseClick(form.LandBut, Qt::LeftButton, {}, indicator);
    QVERIFY(form.LandscapeShape->isVisible());
    QVERIFY(!form.PortraitShape->isVisible());
    QTest::mouseClick(form.CancelBut, Qt::LeftButton);
    QCOMPARE(printer.TextOptions().MarginLeft, 1.0);
    QCOMPARE(printer.Orientation(), TPrinterOrientation::poPortrait);

    form.show();
    QCOMPARE(form.LeftEdit->text(), QStringLiteral("1,000"));
    form.LeftEdit->setText(QStringLiteral("1,5"));
    QTest::mouseClick(form.LandBut, Qt::LeftButton, {}, indicator);
    QTest::mouseClick(form.LandBut, Qt::LeftButton, {}, indicator); // a click on the checked button keeps it
    QVERIFY(form.LandBut->isChecked());
    QTest::mouseClick(form.OKBut, Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QCOMPARE(printer.TextOptions().MarginLeft, 1.5);
    QCOMPARE(printer.Orientation(), TPrinterOrientation::poLandscape);
}

void TestPageSetup::otherControlsRoundTrip()
{
    QWidget window;
    window.setObjectName(QStringLiteral("Podesavanja"));
    auto* check = new QCheckBox(&window);
    check->setObjectName(QStringLiteral("Zvuk"));
    auto* combo = new QComboBox(&window);
    combo->setObjectName(QStringLiteral("Nivo"));
    combo->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    auto* list = new QListWidget(&window);
    list->setObjectName(QStringLiteral("Lista"));
    list->addItems({QStringLiteral("x"), QStringLiteral("y")});
    auto* memo = new QPlainTextEdit(&window);
    memo->setObjectName(QStringLiteral("Memo"));
    auto* unnamed = new QLineEdit(&window);

    TFormSettings settings(&window);
    QCOMPARE(settings.KeyName(), QStringLiteral("Software\\Korvelin\\Podesavanja"));
    settings.setSavePosition(false);
    settings.setSaveValues(true);
    settings.setLoadValues(true);
    check->setChecked(true);
    combo->setCurrentIndex(2);
    list->setCurrentRow(1);
    memo->setPlainText(QStringLiteral("prvi red\ndrugi red"));
    unnamed->setText(QStringLiteral("ne \u010Duva se"));
    settings.SaveSettings();

    check->setChecked(false);
    combo->setCurrentIndex(0);
    list->setCurrentRow(0);
    memo->clear();
    unnamed->clear();
    settings.LoadSettings();
    QVERIFY(check->isChecked());
    QCOMPARE(combo->currentIndex(), 2);
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(memo->toPlainText(), QStringLiteral("prvi red\ndrugi red"));
    QCOMPARE(unnamed->text(), QString());
    const std::optional<RegistryKey> key =
        RegistryKey::open(Hive::CurrentUser, QStringLiteral("Software\\Korvelin\\Podesavanja"), false);
    QVERIFY(key);
    QCOMPARE(key->subKeyNames(), QStringList{QStringLiteral("Values")});

    settings.setKeyName(QStringLiteral("Software\\Drugi"));
    QCOMPARE(settings.KeyName(), QStringLiteral("Software\\Drugi"));
}

void TestPageSetup::colourNumbers()
{
    QCOMPARE(preview::colorNumber(QColor(1, 2, 3)), 0x030201);
    QCOMPARE(preview::colorOf(0x0000FF), std::optional<QColor>(QColor(Qt::red)));
    QCOMPARE(preview::colorOf(0xFF0000), std::optional<QColor>(QColor(Qt::blue)));
    QCOMPARE(preview::colorOf(-16777208), std::nullopt);
    QCOMPARE(preview::colorOf(0x1000000), std::nullopt);
    QCOMPARE(preview::windowStateText(Qt::WindowMaximized), QStringLiteral("MAXIMIZED"));
    QCOMPARE(preview::windowStateText(Qt::WindowNoState), QStringLiteral("NORMAL"));
}

QTEST_MAIN(TestPageSetup)
#include "tst_pagesetup.moc"
