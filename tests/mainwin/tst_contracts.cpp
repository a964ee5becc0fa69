#include "diskfiles.h"
#include "filesizelimit.h"
#include "listtexts.h"
#include "programfixture.h"
#include "replacedfile.h"

#include "contractfill.h"
#include "error.h"
#include "plaintext.h"
#include "prevprinter.h"
#include "printerenv.h"
#include "richedit.h"
#include "screentext.h"
#include "table.h"

#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>

using testsupport::Prompt;

namespace {

constexpr int kContractsTab = 6;
const QByteArray kRestartQuestion = "Trazena rec nije pronadjena.\r\nZelite li da ponovite pretragu od pocetka teksta?";

// A printer that answers its set-up dialog from a queue and lays pages out for a PDF file.
class TestPrinter final : public platform::PrinterEnvironment {
public:
    explicit TestPrinter(const QString& file) : m_printer(QPrinter::HighResolution)
    {
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setOutputFileName(file);
        platform::setPrinterEnvironment(this);
    }
    ~TestPrinter() override { platform::setPrinterEnvironment(nullptr); }

    QString name = QStringLiteral("PDF");
    QList<bool> setupAnswers;
    int setups = 0;

    QString defaultPrinterName() const override { return name; }
    bool printersInstalled() const override { return true; }
    QPrinter& printer() override { return m_printer; }
    bool printerSetup(QWidget*) override
    {
        ++setups;
        return !setupAnswers.isEmpty() && setupAnswers.takeFirst();
    }
    std::optional<platform::PrintRequest> printDialog(QWidget*, int, int) override { return std::nullopt; }
    std::unique_ptr<QPainter> beginJob(const QString&) override { return nullptr; }

private:
    QPrinter m_printer;
};

struct UserContract {
    QByteArray name;
    QByteArray text; // plain
};

// The user contracts as a fresh table object reads them from the file.
QList<UserContract> storedUserContracts()
{
    engine::Table table;
    table.setDatabaseName("ZAKONI");
    table.setTableName(QStringLiteral("TB_Korisnicki.db"));
    table.open();
    QList<UserContract> out;
    for (int i = 0, n = table.recordCount(); i < n; ++i) {
        out.append({table.field(0).asString(), richtext::plainText(table.field(1).asBytes())});
        table.next();
    }
    return out;
}

QByteArrayList storedNames()
{
    QByteArrayList names;
    for (const UserContract& c : storedUserContracts()) {
        names << c.name;
    }
    return names;
}

void chooseModel(TForm1* f, const QByteArray& name)
{
    const int index = f->ComboBox5->findText(platform::toScreen(name));
    QVERIFY2(index >= 0, name.constData());
    f->ComboBox5->setCurrentIndex(index);
    f->ComboBox5Change();
}

QTextCharFormat formatAt(const richtext::RichEdit* edit, int position)
{
    QTextCursor c(edit->document());
    c.setPosition(position + 1);
    return c.charFormat();
}

Qt::Alignment alignmentAt(const richtext::RichEdit* edit, int position)
{
    return edit->document()->findBlock(position).blockFormat().alignment();
}

QToolButton* navigatorButton(TForm1* f, const char* name)
{
    return f->DBNavigator1->findChild<QToolButton*>(QLatin1String(name));
}

void selectUserContract(TForm1* f, int row)
{
    f->DBGrid13->setCurrentItem(f->DBGrid13->topLevelItem(row));
}

// A click on the row of the user contracts' list, as the user gives it.
void clickUserContract(TForm1* f, int row)
{
    const QRect rect = f->DBGrid13->visualItemRect(f->DBGrid13->topLevelItem(row));
    QVERIFY(rect.isValid());
    QTest::mouseClick(f->DBGrid13->viewport(), Qt::LeftButton, {}, rect.center());
}

// The rows the list highlights.
QList<int> highlightedRows(const TForm1* f)
{
    QList<int> rows;
    for (QTreeWidgetItem* item : f->DBGrid13->selectedItems()) {
        rows << f->DBGrid13->indexOfTopLevelItem(item);
    }
    return rows;
}

// Closes the print preview once it shows; `seen` tells it did.
void closePreviewWhenShown(bool& seen)
{
    QTimer::singleShot(0, [&seen] {
        if (QWidget* preview = QApplication::activeModalWidget(); preview != nullptr && preview != Form1) {
            seen = true;
            preview->close();
        }
    });
}

} // namespace

class TestContracts : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void thirdPartyFollowsTheModel();
    void emptyFieldsLeaveBlanks();
    void valuesFillTheirPlaceholders();
    void searchAsksToRestart();
    void sameModelCopiedTwiceOnOneDay();
    void editsAreSavedOnLeaving();
    void pastedTextIsStoredAsPasted();
    void fieldsStoreWhatTheyShow();
    void editBeforeClosingIsKept();
    void failedSaveIsShownAndKept();
    void failedSaveOnClosingIsToldAndTheProgramEnds();
    void failedMoveKeepsListEditorAndRecordTogether();
    void fileReplacedByAnotherProgram();
    void journalLinkIsToldAsALink_data();
    void journalLinkIsToldAsALink();
    void deleting();
    void printing();

private:
    std::unique_ptr<ProgramFixture> m_program;
    // Runs `check` in the started program, on the contracts tab.
    // False when the window never started or a check failed: the test stops there.
    [[nodiscard]] bool run(const std::function<void(TForm1*)>& check);
};

void TestContracts::init()
{
    m_program = std::make_unique<ProgramFixture>(5);
}

void TestContracts::cleanup()
{
    // Each test has its own program: the next one's folders are set up after this one is gone.
    m_program.reset();
}

bool TestContracts::run(const std::function<void(TForm1*)>& check)
{
    m_program->start();
    const bool ran = m_program->runMainWindow([&] {
        TForm1* f = m_program->form1;
        f->PageControl1->setCurrentIndex(kContractsTab);
        check(f);
        if (QTest::currentTestFailed()) {
            // Whatever the test left unsaved must not keep the window from closing.
            f->cancelUserContract();
        }
    });
    if (!ran) {
        return false;
    }
    // The checks in a lambda of their own, as a check returns from its function.
    [&] {
        QVERIFY(m_program->ended);
        QVERIFY(m_program->prompter.unexpected().isEmpty());
    }();
    return !QTest::currentTestFailed();
}

void TestContracts::thirdPartyFollowsTheModel()
{
    QVERIFY(run([](TForm1* f) {
        const QColor window = QApplication::palette().color(QPalette::Base);
        const QColor buttonFace = QApplication::palette().color(QPalette::Button);
        chooseModel(f, "Ugovor o delu");
        QVERIFY(!f->Edit17->isEnabled() && !f->Edit18->isEnabled());
        QCOMPARE(f->Edit17->palette().color(QPalette::Base), buttonFace);
        chooseModel(f, "Ugovor o jemstvu");
        QVERIFY(f->Edit17->isEnabled() && f->Edit18->isEnabled());
        QCOMPARE(f->Edit18->palette().color(QPalette::Base), window);
        // Coming back to the tab keeps the chosen model's parties.
        f->PageControl1->setCurrentIndex(0);
        f->PageControl1->setCurrentIndex(kContractsTab);
        QVERIFY(f->Edit17->isEnabled());
        QCOMPARE(f->Edit4->palette().color(QPalette::Base), QColor(255, 244, 213));
        QCOMPARE(f->Edit4->width(), 250);
        // The colour box of the settings tab starts on navy.
        QCOMPARE(f->ColorBox1->currentText(), QStringLiteral("Navy"));
        QCOMPARE(f->ContractColor, QColor(0, 0, 128));
    }));
}

void TestContracts::emptyFieldsLeaveBlanks()
{
    QVERIFY(run([](TForm1* f) {
        // At start the first model is chosen and filled with the fields empty.
        QCOMPARE(f->ComboBox5->currentText(), QStringLiteral("Ugovor o delu"));
        const QByteArray text = f->RichEdit2->yusciiText();
        QVERIFY(!text.contains('<'));
        QVERIFY(text.contains("Zaklju~en dana  ___/___/_____  godine u  ____________  izme|u:"));
        QVERIFY(text.contains("1.  ____________________ , iz  _________________  (u daljem tekstu: Naru~ilac)"));
        QVERIFY(formatAt(f->RichEdit2, int(text.indexOf("___/"))).foreground().color() != f->ContractColor);

        // The title: the first two lines, bold, 12 points, centred.
        QVERIFY(text.startsWith("UGOVOR O DELU\n"));
        QCOMPARE(formatAt(f->RichEdit2, 0).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatAt(f->RichEdit2, 0).fontPointSize(), 12.0);
        QCOMPARE(alignmentAt(f->RichEdit2, int(text.indexOf("Zaklju~en"))), Qt::AlignHCenter);
        QVERIFY(formatAt(f->RichEdit2, int(text.indexOf("1. "))).fontWeight() != QFont::Bold);
        // Each heading bold and centred, after an empty line.
        const QList<QByteArray> paragraphs = f->RichEdit2->paragraphs();
        const int heading = int(paragraphs.indexOf("^lan 1"));
        QVERIFY(heading > 0);
        QCOMPARE(paragraphs[heading - 1], QByteArray());
        const int at = int(text.indexOf("^lan 1"));
        QCOMPARE(alignmentAt(f->RichEdit2, at), Qt::AlignHCenter);
        QCOMPARE(formatAt(f->RichEdit2, at).fontWeight(), int(QFont::Bold));
        QVERIFY(alignmentAt(f->RichEdit2, at + 8) != Qt::AlignHCenter);

        // A text too short to hold anything is left as it is.
        f->RichEdit2->setRtf("<ugov1>");
        f->SpeedButton9->click();
        QCOMPARE(f->RichEdit2->yusciiText(), QByteArray("<ugov1>"));
    }));
}

void TestContracts::valuesFillTheirPlaceholders()
{
    QVERIFY(run([](TForm1* f) {
        chooseModel(f, demo::MediationModelName);
        platform::setFieldText(f->Edit4, "<mestoug> grad"); // holds its own placeholder
        platform::setFieldText(f->Edit13, "Ulica 2, Ni{");
        platform::setFieldText(f->Edit5, "05/03/2024");
        f->SpeedButton9->click();
        QByteArray text = f->RichEdit2->yusciiText();
        QCOMPARE(text.count("<mestoug> grad"), 3); // once in capitals in the model, the last ending its text
        QVERIFY(text.contains("Sporove re{ava nadle`ni sud u <mestoug> grad."));
        QVERIFY(text.contains("Potpisano u <mestoug> grad\n") || text.endsWith("Potpisano u <mestoug> grad"));
        QCOMPARE(text.count("Ulica 2, Ni{"), 1);
        QVERIFY(text.contains("2.  ____________________ , iz Ulica 2, Ni{ (u daljem tekstu: Posrednik)"));
        QVERIFY(text.contains("1.  ____________________ , iz  _________________  (u daljem tekstu: Nalogodavac)"));
        QVERIFY(text.contains("Zaklju~en dana 05/03/2024 godine u <mestoug> grad izme|u:"));
        const int value = int(text.indexOf("Ulica 2"));
        QCOMPARE(formatAt(f->RichEdit2, value).foreground().color(), QColor(0, 0, 128));
        QCOMPARE(formatAt(f->RichEdit2, value + 11).foreground().color(), QColor(0, 0, 128));
        QVERIFY(formatAt(f->RichEdit2, value + 13).foreground().color() != QColor(0, 0, 128));

        // The heading rule: "^lan 12" with its title is a heading; "^lanak" and a short line are not.
        const int heading = int(text.indexOf("^lan 12 Re{avanje sporova"));
        QCOMPARE(alignmentAt(f->RichEdit2, heading), Qt::AlignHCenter);
        QCOMPARE(formatAt(f->RichEdit2, heading + 20).fontWeight(), int(QFont::Bold));
        for (const char* line : {"^lanak ovog", "Kraj"}) {
            const int at = int(text.indexOf(line));
            QVERIFY2(alignmentAt(f->RichEdit2, at) != Qt::AlignHCenter, line);
            QVERIFY2(formatAt(f->RichEdit2, at).fontWeight() != QFont::Bold, line);
        }

        // Another colour takes effect at the next filling.
        f->ColorBox1->setCurrentIndex(f->ColorBox1->findText(QStringLiteral("Red")));
        f->ColorBox1Change();
        QCOMPARE(formatAt(f->RichEdit2, value).foreground().color(), QColor(0, 0, 128));
        f->SpeedButton9->click();
        text = f->RichEdit2->yusciiText();
        QCOMPARE(formatAt(f->RichEdit2, int(text.indexOf("Ulica 2"))).foreground().color(), QColor(255, 0, 0));

        // A heading that stands twice is set off in both places.
        richtext::RichEdit edit;
        contractfill::fill(edit, "NASLOV\nPodnaslov\n^lan 1\nPrvi\n^lan 1\nDrugi", {}, Qt::red);
        QCOMPARE(edit.paragraphs(),
                 (QList<QByteArray>{"NASLOV", "Podnaslov", "", "^lan 1", "Prvi", "", "^lan 1", "Drugi"}));
        const QByteArray twice = edit.yusciiText();
        for (int at : {int(twice.indexOf("^lan 1")), int(twice.lastIndexOf("^lan 1"))}) {
            QCOMPARE(alignmentAt(&edit, at), Qt::AlignHCenter);
            QCOMPARE(formatAt(&edit, at).fontWeight(), int(QFont::Bold));
        }
        QCOMPARE(formatAt(&edit, int(twice.indexOf("Podnaslov"))).fontPointSize(), 12.0);
        QVERIFY(formatAt(&edit, int(twice.indexOf("Prvi"))).fontWeight() != QFont::Bold);
    }));
}

void TestContracts::searchAsksToRestart()
{
    QVERIFY(run([this](TForm1* f) {
        auto& prompter = m_program->prompter;
        const QByteArray text = f->RichEdit2->yusciiText();
        // ":" typed is the capital letter Č ("^"), and the field is upper case.
        QTest::keyClicks(f->Edit6, ":lan");
        QCOMPARE(platform::fromScreen(f->Edit6->text()), QByteArray("^LAN"));
        QList<int> found;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(f->Edit6, Qt::Key_Return);
            found << f->RichEdit2->selectionStart();
            QCOMPARE(f->RichEdit2->selectedYuscii(), QByteArray("^lan"));
        }
        QCOMPARE(found,
                 (QList<int>{int(text.indexOf("^lan 1")), int(text.indexOf("^lan 2")), int(text.indexOf("^lan 3"))}));
        // Past the last one: the question, and OK starts again from the top.
        prompter.answer(platform::Answer::Ok);
        f->SpeedButton19->click();
        QCOMPARE(prompter.texts(), QByteArrayList{kRestartQuestion});
        QCOMPARE(f->RichEdit2->selectionStart(), found[0]);

        // A word that is nowhere: OK asks again, Cancel ends and leaves the selection.
        prompter.clear();
        platform::setFieldText(f->Edit6, "NEMA GA");
        prompter.answer(platform::Answer::Ok);
        prompter.answer(platform::Answer::Cancel);
        f->SpeedButton19->click();
        QCOMPARE(prompter.texts(), (QByteArrayList{kRestartQuestion, kRestartQuestion}));
        QCOMPARE(f->RichEdit2->selectionLength(), 0);

        // A YUSCII capital finds that capital only; ASCII letters match in either case.
        prompter.clear();
        platform::setFieldText(f->Edit6, "ZAKLJU^EN");
        prompter.answer(platform::Answer::Cancel);
        f->SpeedButton19->click();
        QCOMPARE(prompter.texts(), QByteArrayList{kRestartQuestion});
        // The field holds capitals only, whoever fills it; the search routine given the small
        // letter finds it.
        platform::setFieldText(f->Edit6, "ZAKLJU~EN");
        QCOMPARE(platform::fromScreen(f->Edit6->text()), QByteArray("ZAKLJU^EN"));
        f->nadjitekstugovora("ZAKLJU~EN");
        QCOMPARE(f->RichEdit2->selectedYuscii(), QByteArray("Zaklju~en"));
    }));
}

void TestContracts::sameModelCopiedTwiceOnOneDay()
{
    const QByteArray name = "Korisnicki Ugovor o poklonu";
    const QByteArray proposal = name + " (" + QDate::currentDate().toString("dd/MM/yyyy").toLatin1() + ")";
    int before = 0;
    QVERIFY(run([&](TForm1* f) {
        auto& prompter = m_program->prompter;
        before = f->DBGrid13->topLevelItemCount();
        QVERIFY(before > 0);
        chooseModel(f, "Ugovor o poklonu");
        platform::setFieldText(f->Edit9, "Petar Petrovi}");
        f->SpeedButton9->click();
        f->SpeedButton18->click();
        QVERIFY(prompter.asked().isEmpty());
        QCOMPARE(f->PageControl3->currentIndex(), 1);
        QCOMPARE(platform::fromScreen(f->DBEdit1->text()), name);
        QVERIFY(f->DBEdit1->isEnabled() && f->DBRichEdit4->isEnabled());
        // The copy is formatted as a contract: the headings centred.
        const QByteArray copied = f->DBRichEdit4->yusciiText();
        QCOMPARE(alignmentAt(f->DBRichEdit4, int(copied.indexOf("^lan 1"))), Qt::AlignHCenter);

        for (const std::optional<QByteArray>& answer :
             {std::optional<QByteArray>(proposal), std::optional<QByteArray>("Moj ugovor"),
              std::optional<QByteArray>()}) {
            f->PageControl3->setCurrentIndex(0);
            prompter.clear();
            prompter.answerInput(answer);
            f->SpeedButton18->click();
            QCOMPARE(prompter.asked().size(), 1);
            const Prompt asked = prompter.asked().first();
            QCOMPARE(asked.kind, Prompt::Input);
            QCOMPARE(asked.caption, QByteArray("Ugovor sa ovim imenom postoji u bazi!"));
            QCOMPARE(asked.text, "Predlazemo da koristite naziv slican ovom:\r\n" + proposal);
            QCOMPARE(asked.value, proposal);
        }
        QCOMPARE(f->DBGrid13->topLevelItemCount(), before + 4);
        QCOMPARE(f->DBGrid13->currentItem()->text(0), QString::fromLatin1(name));
    }));
    const QList<UserContract> stored = storedUserContracts();
    QCOMPARE(stored.size(), before + 4);
    QCOMPARE(storedNames().mid(before), (QByteArrayList{name, proposal, "Moj ugovor", name}));
    QVERIFY(stored.last().text.contains("1. Petar Petrovi}, iz"));
}

void TestContracts::editsAreSavedOnLeaving()
{
    QVERIFY(run([](TForm1* f) {
        f->PageControl3->setCurrentIndex(1);
        QVERIFY(f->DBGrid13->topLevelItemCount() >= 3);
        QVERIFY(f->DBRichEdit4->isEnabled());
        selectUserContract(f, 0);
        const QByteArrayList names = storedNames();
        QCOMPARE(platform::fromScreen(f->DBEdit1->text()), names[0]);
        QVERIFY(!navigatorButton(f, "nbPost")->isEnabled());

        // Moving to another contract.
        f->DBRichEdit4->select(0, 0);
        QTest::keyClicks(f->DBRichEdit4, "Prvi ");
        QVERIFY(navigatorButton(f, "nbPost")->isEnabled());
        selectUserContract(f, 1);
        QVERIFY(storedUserContracts()[0].text.startsWith("Prvi "));
        QCOMPARE(platform::fromScreen(f->DBEdit1->text()), names[1]);

        // Leaving the page.
        QTest::keyClicks(f->DBEdit1, " novi");
        f->PageControl3->setCurrentIndex(0);
        QCOMPARE(storedNames()[1], names[1] + " novi");
        QCOMPARE(f->DBGrid13->topLevelItem(1)->text(0), platform::toScreen(names[1] + " novi"));

        // Leaving the tab.
        f->PageControl3->setCurrentIndex(1);
        f->DBRichEdit4->select(0, 0);
        QTest::keyClicks(f->DBRichEdit4, "Drugi ");
        f->PageControl1->setCurrentIndex(0);
        QVERIFY(storedUserContracts()[1].text.startsWith("Drugi "));
        f->PageControl1->setCurrentIndex(kContractsTab);

        // The navigator: Cancel gives the edit up, Post saves at once.
        f->DBRichEdit4->select(0, 0);
        QTest::keyClicks(f->DBRichEdit4, "Odbaceno ");
        QTest::mouseClick(navigatorButton(f, "nbCancel"), Qt::LeftButton);
        QVERIFY(f->DBRichEdit4->yusciiText().startsWith("Drugi "));
        QVERIFY(!navigatorButton(f, "nbPost")->isEnabled());
        QTest::keyClicks(f->DBEdit1, "!");
        QTest::mouseClick(navigatorButton(f, "nbPost"), Qt::LeftButton);
        QCOMPARE(storedNames()[1], names[1] + " novi!");
    }));
}

void TestContracts::pastedTextIsStoredAsPasted()
{
    QVERIFY(run([](TForm1* f) {
        f->PageControl3->setCurrentIndex(1);
        selectUserContract(f, 0);
        f->DBRichEdit4->setFocus();
        f->DBRichEdit4->select(0, 0);
        // From another program: the punctuation at the places of the letters stays punctuation, its
        // own letters with diacritics are stored as their codes. Typed keys still map.
        QApplication::clipboard()->setText(QStringLiteral("Zalepljeno: \"citat\"; tacka-zarez, Niš. "));
        QTest::keySequence(f->DBRichEdit4, QKeySequence::Paste);
        QTest::keyClicks(f->DBRichEdit4, "[;");
        QApplication::clipboard()->setText(QStringLiteral(" O'B\n"));
        QTest::keyClick(f->DBRichEdit4, Qt::Key_Insert, Qt::ShiftModifier);
        const QByteArray expected = "Zalepljeno: \"citat\"; tacka-zarez, Ni{. {~ O'B\n";
        QVERIFY(f->DBRichEdit4->toPlainText().startsWith(
            QStringLiteral("Zalepljeno: \"citat\"; tacka-zarez, Niš. šč O'B\n")));
        QTest::mouseClick(navigatorButton(f, "nbPost"), Qt::LeftButton);
        QVERIFY(storedUserContracts()[0].text.startsWith(expected));
        // Shown again from the table, it reads as it was pasted.
        selectUserContract(f, 1);
        selectUserContract(f, 0);
        QVERIFY(f->DBRichEdit4->yusciiText().startsWith(expected));
    }));
}

// The name field and the text show what is stored: keys through the keyboard mapping as in every
// field, pasted text as its codes, and a character YUSCII has no code for as what it is stored as.
// The list, the fields shown again and a fresh read of the table all agree.
void TestContracts::fieldsStoreWhatTheyShow()
{
    QVERIFY(run([](TForm1* f) {
        f->PageControl3->setCurrentIndex(1);
        selectUserContract(f, 0);
        f->DBEdit1->setFocus();
        f->DBEdit1->selectAll();
        QTest::keyClicks(f->DBEdit1, "Ugovor [];' ");
        QCOMPARE(f->DBEdit1->text(), QStringLiteral("Ugovor šđčć "));
        QApplication::clipboard()->setText(QStringLiteral("[x] {y} Caf\u00e9 \u20ac \u0416\u0443 e\u0301\r\n"));
        QTest::keySequence(f->DBEdit1, QKeySequence::Paste);
        const QString shown = QStringLiteral("Ugovor šđčć ŠxĆ šyć Café ? Žu é");
        QCOMPARE(f->DBEdit1->text(), shown);
        QCOMPARE(f->DBEdit1->displayText(), shown);

        f->DBRichEdit4->setFocus();
        f->DBRichEdit4->select(0, 0);
        QApplication::clipboard()->setText(QStringLiteral("\u20ac \u0416\u0443 e\u0301 "));
        QTest::keySequence(f->DBRichEdit4, QKeySequence::Paste);
        QTest::keyClicks(f->DBRichEdit4, "[");
        QVERIFY(f->DBRichEdit4->toPlainText().startsWith(QStringLiteral("? Žu é š")));
        QTest::mouseClick(navigatorButton(f, "nbPost"), Qt::LeftButton);

        const QByteArray name = "Ugovor {|~} [x] {y} Caf\xe9 ? @u \xe9";
        const QList<UserContract> stored = storedUserContracts();
        const auto it = std::find_if(stored.cbegin(), stored.cend(), [&](const UserContract& c) { return c.name == name; });
        QVERIFY2(it != stored.cend(), storedNames().join('|').constData());
        QVERIFY(it->text.startsWith("? @u \xe9 {"));
        const int row = int(testsupport::column(f->DBGrid13, 0).indexOf(name));
        QVERIFY(row >= 0);
        QCOMPARE(f->DBGrid13->topLevelItem(row)->text(0), shown);
        // Shown again from the table, the fields read as they read before.
        selectUserContract(f, row == 0 ? 1 : 0);
        selectUserContract(f, row);
        QCOMPARE(f->DBEdit1->text(), shown);
        QVERIFY(f->DBRichEdit4->toPlainText().startsWith(QStringLiteral("? Žu é š")));
    }));
}

void TestContracts::editBeforeClosingIsKept()
{
    QVERIFY(run([](TForm1* f) {
        f->PageControl3->setCurrentIndex(1);
        selectUserContract(f, 2);
        f->DBRichEdit4->select(0, 0);
        QTest::keyClicks(f->DBRichEdit4, "Poslednja izmena ");
        QTest::keyClicks(f->DBEdit1, " (moj)");
    }));
    const QList<UserContract> stored = storedUserContracts();
    QVERIFY(stored[2].name.endsWith(" (moj)"));
    QVERIFY(stored[2].text.startsWith("Poslednja izmena "));
}

void TestContracts::failedSaveIsShownAndKept()
{
    QVERIFY(run([this](TForm1* f) {
        auto& prompter = m_program->prompter;
        f->PageControl3->setCurrentIndex(1);
        selectUserContract(f, 0);
        f->DBRichEdit4->select(0, 0);
        QTest::keyClicks(f->DBRichEdit4, "Sacuvati ");
        // The table cannot take the edit now: leaving the page shows the failure.
        f->KorisnickiUgovori.close();
        f->PageControl3->setCurrentIndex(0);
        QCOMPARE(prompter.asked().size(), 1);
        QCOMPARE(prompter.asked().first().kind, Prompt::Error);
        QVERIFY(f->DBRichEdit4->yusciiText().startsWith("Sacuvati "));
        // The edit stays in the controls, and the next move saves it once the table takes it.
        f->KorisnickiUgovori.open();
        f->PageControl3->setCurrentIndex(1);
        f->PageControl3->setCurrentIndex(0);
        QCOMPARE(prompter.asked().size(), 1);
        prompter.clear();
    }));
    QVERIFY(storedUserContracts()[0].text.startsWith("Sacuvati "));
}

// Closing while the edit cannot be saved tells it once, with the words that it is lost, and the
// program ends: a table that keeps failing no longer keeps the window open for good.
void TestContracts::failedSaveOnClosingIsToldAndTheProgramEnds()
{
    QByteArray text;
    QVERIFY(run([&](TForm1* f) {
        f->PageControl3->setCurrentIndex(1);
        selectUserContract(f, 0);
        text = storedUserContracts()[0].text;
        f->DBRichEdit4->select(0, 0);
        QTest::keyClicks(f->DBRichEdit4, "Izgubljeno ");
        f->KorisnickiUgovori.close();
        m_program->prompter.clear();
    }));
    const QList<Prompt> asked = m_program->prompter.asked();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.first().kind, Prompt::Error);
    QVERIFY(asked.first().text.endsWith("Izmena korisni~kog ugovora nije sa~uvana."));
    QCOMPARE(storedUserContracts()[0].text, text);
}

void TestContracts::failedMoveKeepsListEditorAndRecordTogether()
{
    QList<UserContract> before;
    QVERIFY(run([&](TForm1* f) {
        auto& prompter = m_program->prompter;
        f->PageControl3->setCurrentIndex(1);
        before = storedUserContracts();
        QVERIFY(before.size() >= 3);
        QCOMPARE(f->DBGrid13->topLevelItemCount(), before.size());

        // Each round: the first contract edited, the second clicked on a full disk.
        const auto editThenFailToMove = [&](const QByteArray& edit) {
            clickUserContract(f, 0);
            QCOMPARE(f->KorisnickiUgovori.recNo(), 0);
            f->DBRichEdit4->select(0, 0);
            QTest::keyClicks(f->DBRichEdit4, edit);
            prompter.clear();
            {
                const testsupport::FileSizeLimit full(1);
                clickUserContract(f, 1);
                QTRY_COMPARE(prompter.asked().size(), 1);
                QCOMPARE(prompter.asked().first().kind, Prompt::Error);
                // Let whatever the click left behind run while the disk is still full.
                QTest::qWait(20);
            }
            // The list goes back to the contract whose save failed; editor and record stay on it.
            QCOMPARE(highlightedRows(f), QList<int>{0});
            QCOMPARE(f->DBGrid13->indexOfTopLevelItem(f->DBGrid13->currentItem()), 0);
            QCOMPARE(f->KorisnickiUgovori.recNo(), 0);
            QVERIFY(f->DBRichEdit4->yusciiText().startsWith(edit));
            QCOMPARE(platform::fromScreen(f->DBEdit1->text()), storedNames()[0]);
            QCOMPARE(prompter.asked().size(), 1);
        };

        // Deleted at once: the highlighted contract, the one whose save failed, goes with its edit.
        editThenFailToMove("Izgubljena izmena ");
        QTest::mouseClick(f->SpeedButton4, Qt::LeftButton);
        QList<UserContract> stored = storedUserContracts();
        QCOMPARE(stored.size(), before.size() - 1);
        QCOMPARE(stored[0].name, before[1].name);
        QCOMPARE(stored[0].text, before[1].text);
        QCOMPARE(highlightedRows(f), QList<int>{0});

        // Space back, the user moves on: the edit is saved and the contract now highlighted goes.
        editThenFailToMove("Sacuvana izmena ");
        clickUserContract(f, 1);
        QCOMPARE(highlightedRows(f), QList<int>{1});
        QCOMPARE(f->KorisnickiUgovori.recNo(), 1);
        QTest::mouseClick(f->SpeedButton4, Qt::LeftButton);
        QCOMPARE(prompter.asked().size(), 1);
    }));
    const QList<UserContract> stored = storedUserContracts();
    QCOMPARE(stored.size(), before.size() - 2);
    QCOMPARE(stored[0].name, before[1].name);
    QVERIFY(stored[0].text.startsWith("Sacuvana izmena " + before[1].text.left(10)));
    for (int i = 1; i < stored.size(); ++i) {
        QCOMPARE(stored[i].name, before[i + 2].name);
        QCOMPARE(stored[i].text, before[i + 2].text);
    }
}

// A backup tool restores the user contracts' file while the program runs, renaming a copy over
// it. The user's next step shows the new file's contracts and a save goes into it; an edit made
// to a contract of the old file is written nowhere, and the user is told so in Serbian.
void TestContracts::fileReplacedByAnotherProgram()
{
    const QString file = m_program->path("Podatci/TB_Korisnicki.db");
    const QString old = m_program->path("Podatci/stari.db");
    QByteArrayList before;
    QByteArrayList restored;
    QVERIFY(run([&](TForm1* f) {
        auto& prompter = m_program->prompter;
        f->PageControl3->setCurrentIndex(1);
        clickUserContract(f, 0);
        before = storedNames();
        QCOMPARE(before.size(), 3);
        QTest::qWait(0); // the click is handled; the program holds nothing of the file

        QString failed = testsupport::replaceWithChangedCopy(
            file, "DELETE FROM records WHERE rowid = 1; INSERT INTO records VALUES ('Ugovor iz rezervne kopije', "
                  "'{\\rtf1 Tekst iz rezervne kopije}');");
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        restored = QByteArrayList{before[1], before[2], "Ugovor iz rezervne kopije"};
        // The user clicks a row of the list as it was: the list shows the new file instead, and
        // the editor the contract the list highlights.
        clickUserContract(f, 2);
        QTRY_COMPARE(f->DBGrid13->topLevelItemCount(), 3);
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(platform::fromScreen(f->DBGrid13->topLevelItem(row)->text(0)), restored[row]);
        }
        const int current = f->DBGrid13->indexOfTopLevelItem(f->DBGrid13->currentItem());
        QTRY_COMPARE(highlightedRows(f), QList<int>{current});
        QCOMPARE(platform::fromScreen(f->DBEdit1->text()), restored[current]);
        // Now the click is taken, and the edit is saved into the new file on moving on.
        clickUserContract(f, 2);
        QCOMPARE(platform::fromScreen(f->DBEdit1->text()), QByteArray("Ugovor iz rezervne kopije"));
        f->DBRichEdit4->select(0, 0);
        QTest::keyClicks(f->DBRichEdit4, "Sacuvano ");
        clickUserContract(f, 0);
        QCOMPARE(storedNames(), restored);
        QVERIFY(storedUserContracts()[2].text.startsWith("Sacuvano Tekst iz rezervne kopije"));
        QVERIFY2(prompter.asked().isEmpty(), prompter.texts().join('|').constData());
        QTest::qWait(0);

        // An edit under way when the file is replaced again, with the contracts in another order.
        f->DBRichEdit4->select(0, 0);
        QTest::keyClicks(f->DBRichEdit4, "Izgubljeno ");
        QTest::qWait(0);
        failed = testsupport::replaceWithChangedCopy(file,
                                                     "CREATE TEMP TABLE t AS SELECT * FROM records; "
                                                     "DELETE FROM records; "
                                                     "INSERT INTO records SELECT * FROM t ORDER BY rowid DESC;",
                                                     old);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        std::reverse(restored.begin(), restored.end());
        clickUserContract(f, 2);
        QTRY_COMPARE(prompter.asked().size(), 1);
        const Prompt told = prompter.asked().first();
        QCOMPARE(told.kind, Prompt::Error);
        QVERIFY2(told.text.contains("TB_Korisnicki.db je zamenjena dok je program radio"), told.text.constData());
        QVERIFY2(told.text.contains("Zatvorite program i pokrenite ga ponovo"), told.text.constData());
        // The edit is gone from the editor, which shows what the new file holds, as the list does.
        QVERIFY(!f->DBRichEdit4->yusciiText().contains("Izgubljeno"));
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(platform::fromScreen(f->DBGrid13->topLevelItem(row)->text(0)), restored[row]);
        }
        QCOMPARE(platform::fromScreen(f->DBEdit1->text()),
                 restored[f->DBGrid13->indexOfTopLevelItem(f->DBGrid13->currentItem())]);
        prompter.clear();
    }));
    // Nothing of the lost edit went into either file: not into the new one, whose contract at the
    // same row id is another, nor into the old one.
    const QList<UserContract> stored = storedUserContracts();
    QCOMPARE(storedNames(), restored);
    for (const UserContract& c : stored) {
        QVERIFY(!c.text.contains("Izgubljeno"));
    }
    QVERIFY(QFileInfo::exists(old));
    engine::Table kept;
    kept.setTableName(old);
    kept.open();
    for (int i = 0, n = kept.recordCount(); i < n; ++i, kept.next()) {
        QVERIFY(!richtext::plainText(kept.field(1).asBytes()).contains("Izgubljeno"));
    }
}

// Another program puts a link where the user contracts' journal goes, to a file of its own or to
// nothing, while the program runs. The save that needs the journal fails without writing through
// the link, and the message names the journal as a link and says to remove it, not that the
// program may not write. The edit stays in the editor; once the user removes the link, the save
// goes in.
void TestContracts::journalLinkIsToldAsALink_data()
{
    QTest::addColumn<bool>("dangling");
    QTest::newRow("link to an outside file") << false;
    QTest::newRow("link to nothing") << true;
}

void TestContracts::journalLinkIsToldAsALink()
{
    QFETCH(bool, dangling);
    QTemporaryDir outside;
    const QString target = outside.filePath("tudja.txt");
    if (!dangling) {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("not the program's file\n").repeated(100));
    }
    const QMap<QString, QByteArray> outsideBefore = testsupport::filesUnder(outside.path());
    const QString journal = m_program->path("Podatci/TB_Korisnicki.db-journal");
    QByteArray before;
    QVERIFY(run([&](TForm1* f) {
        auto& prompter = m_program->prompter;
        f->PageControl3->setCurrentIndex(1);
        clickUserContract(f, 0);
        before = storedUserContracts()[0].text;
        f->DBRichEdit4->select(0, 0);
        QTest::keyClicks(f->DBRichEdit4, "Sacuvati ");
        QVERIFY(QFile::link(target, journal));
        QTest::mouseClick(navigatorButton(f, "nbPost"), Qt::LeftButton);
        QTRY_COMPARE(prompter.asked().size(), 1);
        const Prompt told = prompter.asked().first();
        QCOMPARE(told.kind, Prompt::Error);
        QCOMPARE(told.text, QByteArray("Na mestu datoteke TB_Korisnicki.db-journal u folderu Podatci nalazi se link "
                                       "(simboli~ka veza): program kroz link ne upisuje podatke.\r\nUklonite taj link "
                                       "i poku{ajte ponovo."));
        QVERIFY(f->DBRichEdit4->yusciiText().startsWith("Sacuvati "));
        QCOMPARE(testsupport::filesUnder(outside.path()), outsideBefore);
        QVERIFY(QFileInfo(journal).isSymLink());
        prompter.clear();

        QVERIFY(QFile::remove(journal));
        QTest::mouseClick(navigatorButton(f, "nbPost"), Qt::LeftButton);
        QVERIFY2(prompter.asked().isEmpty(), prompter.texts().join('|').constData());
        QVERIFY(storedUserContracts()[0].text.startsWith("Sacuvati "));
    }));
    QCOMPARE(storedUserContracts()[0].text, "Sacuvati " + before);
    QCOMPARE(testsupport::filesUnder(outside.path()), outsideBefore);
    QVERIFY(!QFileInfo::exists(journal) && !QFileInfo(journal).isSymLink());
}

void TestContracts::deleting()
{
    QTemporaryDir dir;
    TestPrinter printer(dir.filePath("out.pdf"));
    QVERIFY(run([this, &printer](TForm1* f) {
        auto& prompter = m_program->prompter;
        // By the model's name: no user contract is named exactly as the model.
        chooseModel(f, "Ugovor o zajmu");
        f->SpeedButton29Click();
        QCOMPARE(prompter.texts(), QByteArrayList{"Ne postoji nijedan korisnicki menjan ugovor"});
        QCOMPARE(f->ComboBox5->currentIndex(), 0);

        // One that is: Cancel keeps it, OK deletes it.
        f->PageControl3->setCurrentIndex(1);
        selectUserContract(f, 0);
        platform::setFieldText(f->DBEdit1, "Ugovor o delu");
        f->DBEdit1->setModified(true);
        QVERIFY(f->saveUserContract());
        const int count = f->DBGrid13->topLevelItemCount();
        prompter.clear();
        prompter.answer(platform::Answer::Cancel);
        f->SpeedButton29Click();
        QCOMPARE(prompter.texts(), QByteArrayList{"Jeste li sigurni da zelite da obrisete ugovor:\r\nUgovor o delu"});
        QCOMPARE(storedUserContracts().size(), count);
        prompter.answer(platform::Answer::Ok);
        f->SpeedButton29Click();
        QCOMPARE(storedUserContracts().size(), count - 1);
        QVERIFY(!storedNames().contains("Ugovor o delu"));
        QCOMPARE(f->DBGrid13->topLevelItemCount(), count - 1);

        // "Obri{i" takes the chosen one without asking, down to none.
        prompter.clear();
        selectUserContract(f, 1);
        const QByteArray second = storedNames()[1];
        f->SpeedButton4->click();
        QVERIFY(!storedNames().contains(second));
        while (!storedUserContracts().isEmpty()) {
            f->SpeedButton4->click();
        }
        QVERIFY(prompter.asked().isEmpty());
        QCOMPARE(f->DBGrid13->topLevelItemCount(), 0);
        QVERIFY(!f->DBRichEdit4->isEnabled() && !f->DBEdit1->isEnabled());
        f->SpeedButton4->click();
        // "[tampa" with no user contracts does nothing at all.
        f->SpeedButton16->click();
        QVERIFY(prompter.asked().isEmpty());
        QCOMPARE(printer.setups, 0);
        f->PageControl3->setCurrentIndex(0);
        f->PageControl3->setCurrentIndex(1);
        QVERIFY(!f->DBRichEdit4->isEnabled());
    }));
}

void TestContracts::printing()
{
    QTemporaryDir dir;
    TestPrinter printer(dir.filePath("out.pdf"));
    QVERIFY(run([this, &printer](TForm1* f) {
        auto& prompter = m_program->prompter;
        printer.name.clear();
        f->SpeedButton28->click();
        QCOMPARE(prompter.texts(), QByteArrayList{"Printer nije detektovan"});
        QCOMPARE(printer.setups, 0);

        // The set-up dialog cancelled: nothing is paginated.
        printer.name = QStringLiteral("PDF");
        printer.setupAnswers = {false};
        f->SpeedButton28->click();
        QCOMPARE(printer.setups, 1);
        QCOMPARE(f->PreviewPrinter1->PageCount(), 0);

        bool seen = false;
        printer.setupAnswers = {true};
        closePreviewWhenShown(seen);
        f->SpeedButton28->click();
        QVERIFY(seen);
        QVERIFY(f->PreviewPrinter1->PageCount() >= 1);

        // The chosen user contract.
        f->PageControl3->setCurrentIndex(1);
        seen = false;
        printer.setupAnswers = {true};
        closePreviewWhenShown(seen);
        f->SpeedButton16->click();
        QVERIFY(seen);
        QCOMPARE(printer.setups, 3);
        QCOMPARE(prompter.asked().size(), 1);
    }));
}

QTEST_MAIN(TestContracts)
#include "tst_contracts.moc"
