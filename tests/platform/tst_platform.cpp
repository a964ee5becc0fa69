#include "clipboard.h"
#include "fileversion.h"
#include "fonts.h"
#include "hints.h"
#include "paths.h"
#include "prompter.h"
#include "registry.h"
#include "screentext.h"
#include "scriptedprompter.h"
#include "shell.h"
#include "singleinstance.h"
#include "statusbar.h"

#include <functional>
#include <memory>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QtTest>

using platform::KeyFilter;

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void lineEditMapsTypedKeys();
    void lineEditUpperAndDigits();
    void lineEditProgramTextIsKept();
    void pastedTextKeepsItsCharacters();
    void pastedLineEndsKeepOneLine();
    void fieldShowsWhatItStores();
    void captions();
    void flattensOnlyOwnClipboardText();
    void fontsInstallMissingFamiliesOnly();
    void generatedFontsLoad();
    void fileLookupIgnoresCase();
    void scriptedPrompterRecords();
    void messageLinesBreakOnceAtEachLineEnd();
    void boxesSpeakTheProgramsLanguage();
    void inputBoxFitsItsTitle();
    void inputBoxGivesWhatItShows();
    void registryKeys();
    void namedMutexMarksOneInstance();
    void versionInfoBlocks();
    void hintsReachTheHandler();
    void desktopWithoutOpener();
};

void TestPlatform::lineEditMapsTypedKeys()
{
    QLineEdit edit;
    platform::installKeyFilter(&edit, KeyFilter::Map);
    QTest::keyClicks(&edit, "[kola ;'\\");
    QCOMPARE(edit.text(), QStringLiteral("škola čćž"));
    QCOMPARE(platform::fromScreen(edit.text()), QByteArray("{kola ~}`"));
    // A mapped key is an edit of the user's, as any other key is.
    edit.setModified(false);
    QTest::keyClicks(&edit, "[");
    QVERIFY(edit.isModified());
}

void TestPlatform::lineEditUpperAndDigits()
{
    QLineEdit upper;
    platform::installKeyFilter(&upper, KeyFilter::MapUpper);
    QTest::keyClicks(&upper, "ra;un");
    QCOMPARE(platform::fromScreen(upper.text()), QByteArray("RA^UN"));

    QLineEdit port;
    port.setMaxLength(4);
    platform::installKeyFilter(&port, KeyFilter::DigitsOnly);
    QTest::keyClicks(&port, "8080");
    QTest::keyClicks(&port, "x");
    QCOMPARE(port.text(), QStringLiteral("8080"));
    QTest::keyClick(&port, Qt::Key_Backspace);
    QCOMPARE(port.text(), QStringLiteral("808"));
    QTest::keyClicks(&port, "a1");
    QCOMPARE(port.text(), QStringLiteral("8081"));
}

void TestPlatform::lineEditProgramTextIsKept()
{
    // Text the program puts into a field is not typed text: it is not re-mapped, but an
    // upper-case field holds it in capitals, as it holds typed text.
    QLineEdit edit;
    platform::installKeyFilter(&edit, KeyFilter::MapUpper);
    platform::setFieldText(&edit, "a;b O'B \"{uma\"");
    QCOMPARE(platform::fromScreen(edit.text()), QByteArray("A;B O'B \"[UMA\""));
    QLineEdit mapped;
    platform::installKeyFilter(&mapped, KeyFilter::Map);
    platform::setFieldText(&mapped, "a;b");
    QCOMPARE(platform::fromScreen(mapped.text()), QByteArray("a;b"));

    // Keys typed afterwards are mapped alone; the program's ";", "'" and '"' stay what they are.
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClicks(&edit, " ;");
    QCOMPARE(platform::fromScreen(edit.text()), QByteArray("A;B O'B \"[UMA\" ^"));
    // A key typed into a run of equal characters is mapped where it went.
    platform::setFieldText(&edit, ";;");
    edit.setCursorPosition(1);
    QTest::keyClicks(&edit, ";");
    QCOMPARE(platform::fromScreen(edit.text()), QByteArray(";^;"));
    // A selection typed over: only the new key is mapped.
    platform::setFieldText(&edit, "A;B;C");
    edit.setSelection(1, 2);
    QTest::keyClicks(&edit, "'");
    QCOMPARE(platform::fromScreen(edit.text()), QByteArray("A];C"));
}

namespace {

// What the field would say after `arrive` brings `text` into an empty field.
template <typename Arrive> QByteArray arrived(KeyFilter filter, const QString& text, Arrive arrive)
{
    QLineEdit edit;
    platform::installKeyFilter(&edit, filter);
    QApplication::clipboard()->setText(text);
    arrive(edit, text);
    return platform::fromScreen(edit.text());
}

} // namespace

void TestPlatform::pastedTextKeepsItsCharacters()
{
    // From another program: punctuation at the places of the ten letters, a letter with
    // diacritics, and "[" which YUSCII can hold only as Š.
    const QString pasted = QStringLiteral("Zalepljeno: \"citat\"; O'B [x] ž");
    const QByteArray kept = "Zalepljeno: \"citat\"; O'B [x] `";
    const QByteArray upper = "ZALEPLJENO: \"CITAT\"; O'B [X] @";

    using Arrive = std::function<void(QLineEdit&, const QString&)>;
    const QList<std::pair<const char*, Arrive>> ways = {
        {"Ctrl+V", [](QLineEdit& e, const QString&) { QTest::keySequence(&e, QKeySequence::Paste); }},
        {"Shift+Insert", [](QLineEdit& e, const QString&) { QTest::keyClick(&e, Qt::Key_Insert, Qt::ShiftModifier); }},
        {"context menu",
         [](QLineEdit& e, const QString&) {
             std::unique_ptr<QMenu> menu(e.createStandardContextMenu());
             for (QAction* action : menu->actions()) {
                 if (action->text().startsWith(QLatin1String("&Paste"))) {
                     action->trigger();
                 }
             }
         }},
        {"drop",
         [](QLineEdit& e, const QString& text) {
             QMimeData data;
             data.setText(text);
             QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(&e, &enter);
             QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(&e, &drop);
         }},
        // A paste right after a typed key is still a paste.
        {"key then paste",
         [](QLineEdit& e, const QString&) {
             QTest::keyClick(&e, Qt::Key_BracketLeft, Qt::NoModifier);
             QTest::keyClick(&e, Qt::Key_Backspace);
             e.paste();
         }},
    };
    for (const auto& [way, arrive] : ways) {
        QVERIFY2(arrived(KeyFilter::Map, pasted, arrive) == kept, way);
        QVERIFY2(arrived(KeyFilter::MapUpper, pasted, arrive) == upper, way);
    }

    // The digits field takes pasted digits, and refuses a paste with anything else in it.
    QCOMPARE(arrived(KeyFilter::DigitsOnly, QStringLiteral("8080"), ways[0].second), QByteArray("8080"));
    QCOMPARE(arrived(KeyFilter::DigitsOnly, QStringLiteral("80a"), ways[0].second), QByteArray());

    // An input method's commit is typed: it takes the keyboard mapping, one key or many.
    QCOMPARE(arrived(KeyFilter::MapUpper, {},
                     [](QLineEdit& e, const QString&) {
                         QInputMethodEvent commit;
                         commit.setCommitString(QStringLiteral("ra;un'"));
                         QApplication::sendEvent(&e, &commit);
                     }),
             QByteArray("RA^UN]"));
    // Typed keys, and after them a paste, each by their own rule.
    QCOMPARE(arrived(KeyFilter::Map, pasted,
                     [](QLineEdit& e, const QString&) {
                         QTest::keyClicks(&e, "[;");
                         QTest::keySequence(&e, QKeySequence::Paste);
                         QTest::keyClicks(&e, "'");
                     }),
             "{~" + kept + "}");

    // Undo and redo bring back what was there, not what its keys would type.
    QLineEdit edit;
    platform::installKeyFilter(&edit, KeyFilter::MapUpper);
    platform::setFieldText(&edit, "O'B;");
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Delete);
    QTest::keySequence(&edit, QKeySequence::Undo);
    QCOMPARE(platform::fromScreen(edit.text()), QByteArray("O'B;"));
    QTest::keySequence(&edit, QKeySequence::Redo);
    QTest::keySequence(&edit, QKeySequence::Undo);
    QCOMPARE(platform::fromScreen(edit.text()), QByteArray("O'B;"));
}

// A title copied with its line end, or lines copied together, is one line in a one-line field:
// the field's text, not only what it draws, holds no line end.
void TestPlatform::pastedLineEndsKeepOneLine()
{
    const auto paste = [](QLineEdit& e, const QString& text) {
        QApplication::clipboard()->setText(text);
        QTest::keySequence(&e, QKeySequence::Paste);
    };
    for (KeyFilter filter : {KeyFilter::Map, KeyFilter::MapUpper}) {
        QLineEdit edit;
        platform::installKeyFilter(&edit, filter);
        const QByteArray title = filter == KeyFilter::Map ? "Zakon o radu" : "ZAKON O RADU";
        for (const char* end : {"\n", "\r\n", "\r", "\u2028", "\u2029", "\t\r\n\r\n"}) {
            edit.clear();
            paste(edit, QStringLiteral("Zakon o radu") + QString::fromUtf8(end));
            QCOMPARE(platform::fromScreen(edit.text()), title);
            QCOMPARE(edit.cursorPosition(), title.size());
            edit.clear();
            paste(edit, QString::fromUtf8(end) + QStringLiteral("Zakon o") + QString::fromUtf8(end) +
                            QStringLiteral("radu"));
            QCOMPARE(platform::fromScreen(edit.text()), title);
        }
        // Into the middle of a text: the break parts the words, once.
        platform::setFieldText(&edit, "Zakon radu");
        edit.setCursorPosition(5);
        paste(edit, QStringLiteral("\r\no\r\n"));
        QCOMPARE(platform::fromScreen(edit.text()), title);
        QCOMPARE(edit.cursorPosition(), 7);
        // Dropped text is one line too.
        platform::setFieldText(&edit, "X");
        edit.setCursorPosition(1);
        QMimeData data;
        data.setText(QStringLiteral(" a\nb\n"));
        QDragEnterEvent enter(QPoint(40, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &enter);
        QDropEvent drop(QPointF(40, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &drop);
        QCOMPARE(platform::fromScreen(edit.text()), filter == KeyFilter::Map ? QByteArray("X a b") : "X A B");
    }
    // The port field takes digits copied with their line end.
    QLineEdit port;
    platform::installKeyFilter(&port, KeyFilter::DigitsOnly);
    paste(port, QStringLiteral("8080\r\n"));
    QCOMPARE(port.text(), QStringLiteral("8080"));
}

// What a field shows is what it stores: characters YUSCII has no code for show as the code they
// are stored as, typed (an input method's commit) or pasted.
void TestPlatform::fieldShowsWhatItStores()
{
    const QString arriving = QStringLiteral("Caf\u00e9 \u20ac 5, \u0416\u0443\u0440 \u0439 s\u030C");
    for (KeyFilter filter : {KeyFilter::Map, KeyFilter::MapUpper}) {
        QLineEdit pasted;
        platform::installKeyFilter(&pasted, filter);
        QApplication::clipboard()->setText(arriving);
        QTest::keySequence(&pasted, QKeySequence::Paste);
        QLineEdit typed;
        platform::installKeyFilter(&typed, filter);
        QInputMethodEvent commit;
        commit.setCommitString(arriving);
        QApplication::sendEvent(&typed, &commit);
        for (const QLineEdit* edit : {&pasted, &typed}) {
            QCOMPARE(platform::toScreen(platform::fromScreen(edit->text())), edit->text());
            QCOMPARE(edit->displayText(), edit->text());
        }
        QCOMPARE(platform::fromScreen(pasted.text()),
                 filter == KeyFilter::Map ? QByteArray("Caf\xe9 ? 5, @ur ? {") : QByteArray("CAF\xe9 ? 5, @UR ? ["));
    }
}

void TestPlatform::captions()
{
    QLabel label;
    platform::setCaption(&label, "Pretraga zavr{ena");
    QCOMPARE(label.text(), QStringLiteral("Pretraga završena"));
    QCOMPARE(platform::caption(&label), QByteArray("Pretraga zavr{ena"));
    QWidget window;
    platform::setCaption(&window, "Gre{ka");
    QCOMPARE(window.windowTitle(), QStringLiteral("Greška"));
}

void TestPlatform::flattensOnlyOwnClipboardText()
{
    QClipboard* clipboard = QApplication::clipboard();
    platform::copyToClipboard("wegova {kola", display::Script::Cyrillic);
    QCOMPARE(clipboard->text(), QStringLiteral("његова школа"));
    QCOMPARE(platform::ownClipboardText(), QByteArray("wegova {kola"));
    QVERIFY(platform::appclear());
    QCOMPARE(clipboard->text(), QStringLiteral("njegova skola"));
    // Flattened text is no longer ours: a second deactivation leaves it.
    QVERIFY(!platform::appclear());
    QCOMPARE(clipboard->text(), QStringLiteral("njegova skola"));

    // Another program's text, even with YUSCII look-alikes, is never rewritten.
    clipboard->setText(QStringLiteral("www.example.com [x]"));
    QVERIFY(!platform::appclear());
    QCOMPARE(clipboard->text(), QStringLiteral("www.example.com [x]"));
    clipboard->clear();
    QVERIFY(!platform::appclear());
}

namespace {
class FakeFontTable final : public platform::FontTable {
public:
    QStringList present;
    QStringList added;
    bool hasFamily(const QString& family) const override { return present.contains(family); }
    void addFontFile(const QString& path) override { added << QFileInfo(path).fileName(); }
    void removeFontFile(const QString& path) override { removed << QFileInfo(path).fileName(); }
    QStringList removed;
};
} // namespace

void TestPlatform::fontsInstallMissingFamiliesOnly()
{
    FakeFontTable all;
    all.present = {"YHelvetica", "CHelvetica", "YU Sans Serif"};
    const platform::FontNames names = platform::installFonts(all, "/nowhere");
    QVERIFY(all.added.isEmpty());
    QCOMPARE(names.latin, QStringLiteral("YHelvetica"));
    QCOMPARE(names.cyrillic, QStringLiteral("CHelvetica"));
    QCOMPARE(names.ui, QStringLiteral("YU Sans Serif"));

    FakeFontTable noCyrillic;
    noCyrillic.present = {"YHelvetica", "YU Sans Serif"};
    platform::installFonts(noCyrillic, "/nowhere");
    QCOMPARE(noCyrillic.added, QStringList({"Cir Helvetica.TTF", "Cir Helvetica Bold.TTF"}));

    platform::uninstallFonts(noCyrillic, "/nowhere");
    QCOMPARE(noCyrillic.removed, QStringList({"Yhelvn.TTF", "Yhelvb.TTF", "Yuerife.FON"}));

    FakeFontTable none;
    platform::installFonts(none, "/nowhere");
    QCOMPARE(none.added,
             QStringList({"Yhelvn.TTF", "Yhelvb.TTF", "Cir Helvetica.TTF", "Cir Helvetica Bold.TTF", "Yuerife.FON"}));
}

void TestPlatform::generatedFontsLoad()
{
    platform::ApplicationFontTable table;
    const platform::FontNames names = platform::installFonts(table, testsupport::binFolder());
    for (const QString& family : {names.latin, names.cyrillic, names.ui}) {
        QVERIFY2(QFontDatabase::families().contains(family), qPrintable(family));
        QFont font(family);
        QCOMPARE(QFontInfo(font).family(), family);
    }
    QVERIFY(QFontDatabase::styles(names.latin).contains(QStringLiteral("Bold")));
    QVERIFY(QFontDatabase::styles(names.cyrillic).contains(QStringLiteral("Bold")));
    // The fonts carry the letters the screen shows.
    QVERIFY(QFontMetrics(QFont(names.latin)).inFont(QChar(0x0161)));    // š
    QVERIFY(QFontMetrics(QFont(names.cyrillic)).inFont(QChar(0x045A))); // њ
}

void TestPlatform::fileLookupIgnoresCase()
{
    QTemporaryDir dir;
    QFile f(dir.filePath("TB_Grafika.db"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QCOMPARE(platform::findFileNoCase(dir.path(), "TB_grafika.DB"), dir.filePath("TB_Grafika.db"));
    QCOMPARE(platform::findFileNoCase(dir.path(), "TB_Grafika.db"), dir.filePath("TB_Grafika.db"));
    QVERIFY(platform::findFileNoCase(dir.path(), "TB_Zakoni.db").isEmpty());

    platform::setProgramFolder(dir.path());
    QCOMPARE(platform::programFolder(), dir.path() + "/");
    platform::setProgramFolder(QString());
    QCOMPARE(platform::programFolder(), QCoreApplication::applicationDirPath() + "/");
}

void TestPlatform::scriptedPrompterRecords()
{
    testsupport::ScriptedPrompter prompter;
    prompter.answer(platform::Answer::Ok);
    prompter.answerInput(QByteArray("C:\\podatci"));
    platform::prompter().message("Gre{ka");
    QVERIFY(platform::prompter().confirm("Nastaviti?"));
    QCOMPARE(platform::prompter().input("Naslov", "Direktorijum podaci:", "x"),
             std::optional<QByteArray>("C:\\podatci"));
    QVERIFY(prompter.unexpected().isEmpty());
    // A question nobody scripted is cancelled and reported, never shown.
    QCOMPARE(platform::prompter().warningYesNoCancel("Sure?"), platform::Answer::Cancel);
    QCOMPARE(prompter.unexpected().size(), 1);
    QCOMPARE(prompter.texts(), QList<QByteArray>({"Gre{ka", "Nastaviti?", "Direktorijum podaci:", "Sure?"}));
}

namespace {

// Clicks `button` of the message box the prompter shows next, and gives back the box's text.
QString answerNextBox(const std::function<void()>& ask, QMessageBox::StandardButton button)
{
    QString shown;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            poll.stop();
            shown = box->text();
            box->button(button)->click();
        }
    });
    poll.start();
    ask();
    return shown;
}

// Runs `ask`; while the dialog it shows is open, hands that dialog to `handle`, which closes it.
void whileDialog(const std::function<void()>& ask, const std::function<void(QDialog*)>& handle)
{
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            poll.stop();
            handle(dialog);
        }
    });
    poll.start();
    ask();
}

QStringList buttonTexts(const QDialog* dialog)
{
    QStringList texts;
    for (const QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->isVisible()) {
            texts << button->text();
        }
    }
    texts.sort();
    return texts;
}

void clickButton(QDialog* dialog, const QString& text)
{
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == text) {
            button->click();
            return;
        }
    }
    QFAIL(qPrintable("no button " + text));
}

} // namespace

// Messages written with LF CR between their lines (as some of the program's are) show one break
// there, not an empty line; every way of ending a line is one break, and two line ends in a row
// are still an empty line.
void TestPlatform::messageLinesBreakOnceAtEachLineEnd()
{
    QCOMPARE(platform::screenMessage("Prvi\n\rDrugi"), QStringLiteral("Prvi\nDrugi"));
    QCOMPARE(platform::screenMessage("Prvi\r\nDrugi"), QStringLiteral("Prvi\nDrugi"));
    QCOMPARE(platform::screenMessage("Prvi\nDrugi"), QStringLiteral("Prvi\nDrugi"));
    QCOMPARE(platform::screenMessage("Prvi\rDrugi"), QStringLiteral("Prvi\nDrugi"));
    QCOMPARE(platform::screenMessage("Prvi\n\r\n\rDrugi"), QStringLiteral("Prvi\n\nDrugi"));
    QCOMPARE(platform::screenMessage("Prvi\r\n\r\nDrugi"), QStringLiteral("Prvi\n\nDrugi"));
    QCOMPARE(platform::screenMessage("Prvi\n\nDrugi"), QStringLiteral("Prvi\n\nDrugi"));
    QCOMPARE(platform::screenMessage("Prvi\r\rDrugi"), QStringLiteral("Prvi\n\nDrugi"));
    QCOMPARE(platform::screenMessage("\n\rGre{ka\r\n"), QStringLiteral("\nGre\u0161ka\n"));
    QCOMPARE(platform::screenMessage(""), QString());

    // The boxes on screen show the lines so.
    platform::setPrompter(nullptr);
    QCOMPARE(answerNextBox([] { platform::prompter().message("Ne postoji ni jedan propis.\n\rOvu listu..."); },
                           QMessageBox::Ok),
             QStringLiteral("Ne postoji ni jedan propis.\nOvu listu..."));
    bool confirmed = false;
    QCOMPARE(answerNextBox([&] { confirmed = platform::prompter().confirm("Prekratak tekst!\n\rNastaviti?"); },
                           QMessageBox::Ok),
             QStringLiteral("Prekratak tekst!\nNastaviti?"));
    QVERIFY(confirmed);
}

// Every box and question is the program's own: its title and buttons are Serbian, and each button
// gives its own answer.
void TestPlatform::boxesSpeakTheProgramsLanguage()
{
    platform::setPrompter(nullptr);
    const QString ok = QStringLiteral("U redu");
    const QString cancel = QStringLiteral("Otkaži");
    QStringList seen;
    auto take = [&](const QString& click) {
        return [&, click](QDialog* dialog) {
            seen = buttonTexts(dialog);
            seen.prepend(dialog->windowTitle());
            clickButton(dialog, click);
        };
    };

    whileDialog([] { platform::prompter().message("Printer nije detektovan"); }, take(ok));
    QCOMPARE(seen, QStringList({"Korvelin", ok}));
    whileDialog([] { platform::prompter().error("Gre{ka"); }, take(ok));
    QCOMPARE(seen, QStringList({"Korvelin", ok}));

    bool confirmed = true;
    whileDialog([&] { confirmed = platform::prompter().confirm("Nastaviti?"); }, take(cancel));
    QCOMPARE(seen, QStringList({"Potvrda", cancel, ok}));
    QVERIFY(!confirmed);
    whileDialog([&] { confirmed = platform::prompter().confirm("Nastaviti?"); }, take(ok));
    QVERIFY(confirmed);

    const QHash<QString, platform::Answer> answers = {
        {"Da", platform::Answer::Yes}, {"Ne", platform::Answer::No}, {cancel, platform::Answer::Cancel}};
    for (auto it = answers.begin(); it != answers.end(); ++it) {
        platform::Answer answer = platform::Answer::Ok;
        whileDialog([&] { answer = platform::prompter().warningYesNoCancel("Obrisati?"); }, take(it.key()));
        QCOMPARE(seen, QStringList({"Upozorenje", "Da", "Ne", cancel}));
        QCOMPARE(answer, it.value());
    }

    std::optional<QByteArray> typed;
    whileDialog([&] { typed = platform::prompter().input("Naslov", "Naziv:", "Ugovor ~"); }, take(cancel));
    QCOMPARE(seen, QStringList({"Naslov", cancel, ok}));
    QCOMPARE(typed, std::nullopt);
    whileDialog([&] { typed = platform::prompter().input("Naslov", "Naziv:", "Ugovor ~"); }, take(ok));
    QCOMPARE(typed, std::optional<QByteArray>("Ugovor ~"));
}

// The name question of the contracts tab has a long title and a short answer field: the box is
// wide enough for the title bar to show the title whole.
void TestPlatform::inputBoxFitsItsTitle()
{
    platform::setPrompter(nullptr);
    QWidget owner;
    owner.resize(300, 200);
    owner.show();
    owner.activateWindow();
    const QByteArray title = "Ugovor sa ovim imenom postoji u bazi!";
    int width = 0;
    QString shownTitle;
    whileDialog(
        [&] {
            platform::prompter().input(title,
                                       "Predlazemo da koristite naziv slican ovom:\r\nKorisnicki Ugovor (1/2/2024)",
                                       "Korisnicki Ugovor (1/2/2024)");
        },
        [&](QDialog* dialog) {
            width = dialog->width();
            shownTitle = dialog->windowTitle();
            dialog->reject();
        });
    QCOMPARE(shownTitle, QString::fromLatin1(title));
    QFont bold = QApplication::font("QMdiSubWindowTitleBar");
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    // The title, and room for the window manager's icon and three buttons.
    QVERIFY2(width >= metrics.horizontalAdvance(shownTitle) + 4 * metrics.height(), qPrintable(QString::number(width)));
}

// The input box's answer is what its field showed: a name typed or pasted into it, line end and
// characters without a code included, is read back as the field showed it.
void TestPlatform::inputBoxGivesWhatItShows()
{
    platform::setPrompter(nullptr);
    QWidget owner;
    owner.resize(300, 200);
    owner.show();
    owner.activateWindow();
    std::optional<QByteArray> answer;
    QString shown;
    whileDialog([&] { answer = platform::prompter().input("Ugovor sa ovim imenom postoji u bazi!", "Naziv:", "Ugovor"); },
                [&](QDialog* dialog) {
                    auto* field = dialog->findChild<QLineEdit*>();
                    QVERIFY(field != nullptr);
                    field->setFocus();
                    field->end(false);
                    QTest::keyClicks(field, " [a]");
                    QApplication::clipboard()->setText(QStringLiteral(" \u20ac{b}\r\n"));
                    QTest::keySequence(field, QKeySequence::Paste);
                    shown = field->text();
                    static_cast<QInputDialog*>(dialog)->accept();
                });
    QCOMPARE(shown, QStringLiteral("Ugovor ŠaĆ ?šbć"));
    QCOMPARE(answer, std::optional<QByteArray>("Ugovor [a] ?{b}"));
}

void TestPlatform::registryKeys()
{
    using platform::Hive;
    using platform::RegistryKey;
    QTemporaryDir dir;
    platform::setRegistryFolder(dir.path());

    QVERIFY(!RegistryKey::open(Hive::LocalMachine, "SOFTWARE\\DBE\\Database Engine", false));
    auto created = RegistryKey::open(Hive::CurrentUser, "Software\\Korvelin\\PageSetupForm", true);
    QVERIFY(created);
    // A created key exists although it holds nothing, and only in its own hive.
    auto again = RegistryKey::open(Hive::CurrentUser, "Software\\Korvelin\\PageSetupForm", false);
    QVERIFY(again);
    QVERIFY(again->valueNames().isEmpty());
    QVERIFY(!RegistryKey::open(Hive::LocalMachine, "Software\\Korvelin\\PageSetupForm", false));

    auto engine = RegistryKey::open(Hive::LocalMachine, "SOFTWARE\\DBE\\Database Engine", true);
    engine->writeString("DLLPATH", "/opt/dbe/");
    auto values = engine->subKey("Values", true);
    values->writeString("LeftEdit", "2,500");
    QCOMPARE(RegistryKey::open(Hive::LocalMachine, "SOFTWARE\\DBE\\Database Engine", false)->readString("DLLPATH"),
             QStringLiteral("/opt/dbe/"));
    QCOMPARE(engine->subKeyNames(), QStringList({"Values"}));
    QCOMPARE(values->readString("LeftEdit"), QStringLiteral("2,500"));
    QCOMPARE(values->readString("Missing", "x"), QStringLiteral("x"));
    platform::setRegistryFolder(QString());
}

void TestPlatform::namedMutexMarksOneInstance()
{
    QTemporaryDir dir;
    platform::setNamedMutexFolder(dir.path());
    {
        platform::NamedMutex first("KorvelinMutex");
        QVERIFY(!first.alreadyExisted());
        platform::NamedMutex second("KorvelinMutex");
        QVERIFY(second.alreadyExisted());
        platform::NamedMutex other("OtherMutex");
        QVERIFY(!other.alreadyExisted());
    }
    // The first instance has ended: the next one starts normally.
    platform::NamedMutex next("KorvelinMutex");
    QVERIFY(!next.alreadyExisted());

    // A marker that cannot be made (here a file stands where its folder should be, which stops
    // root too) is no other instance.
    QFile blocker(dir.filePath("blocked"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    platform::setNamedMutexFolder(dir.filePath("blocked/run"));
    platform::NamedMutex unmade("KorvelinMutex");
    QVERIFY(!unmade.alreadyExisted());
    platform::setNamedMutexFolder(QString());
}

void TestPlatform::versionInfoBlocks()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("DBENGINE32.DLL");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(1000, 'x'));
    f.write(platform::makeVersionInfo({{"StringFileInfo\\040904E4\\FileVersion", "5.2.0.1"}}));
    f.write(QByteArray(10, '\0'));
    f.close();
    QVERIFY(platform::versionInfoSize(path) > 0);
    QCOMPARE(platform::readVersionInfo(path).value("StringFileInfo\\040904E4\\FileVersion"), QStringLiteral("5.2.0.1"));
    QCOMPARE(platform::versionInfoSize(dir.filePath("missing.dll")), 0);
    // A file without a block, such as this test program itself, has no version.
    QCOMPARE(platform::versionInfoSize(QCoreApplication::applicationFilePath()), 0);
}

void TestPlatform::hintsReachTheHandler()
{
    QByteArrayList seen;
    platform::HintHandler previous = platform::setHintHandler([&](const QByteArray& h) { seen << h; });
    QWidget window;
    auto* button = new QLabel(&window);
    platform::setHint(button, "Po~ni pretragu");
    QCOMPARE(platform::hint(button), QByteArray("Po~ni pretragu"));
    QStatusTipEvent tip(button->statusTip());
    QCoreApplication::sendEvent(button, &tip);
    QCOMPARE(seen, QByteArrayList{"Po~ni pretragu"});
    // A window that swaps the handler for a while puts the old one back.
    platform::HintHandler mine = platform::setHintHandler([](const QByteArray&) {});
    platform::showHint("x");
    platform::setHintHandler(std::move(mine));
    platform::showHint("y");
    QCOMPARE(seen, (QByteArrayList{"Po~ni pretragu", "y"}));
    platform::setHintHandler(std::move(previous));

    platform::PanelStatusBar bar({220, 160, 200});
    bar.setPanelText(2, "Pretraga zavr{ena");
    QCOMPARE(bar.panel(2)->text(), QStringLiteral("Pretraga završena"));
    QCOMPARE(bar.panelText(2), QByteArray("Pretraga zavr{ena"));
    QVERIFY(bar.panel(0)->minimumWidth() >= 220);
}

void TestPlatform::desktopWithoutOpener()
{
    // No opener on the machine at all: no program opens anything, and that is known at once.
    QTemporaryDir empty;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(empty.path()));
    QList<int> results;
    platform::shell().execute({}, QStringLiteral("mailto:a@b.example"), {}, {}, platform::ShowDefault,
                              [&](int result) { results << result; });
    qputenv("PATH", path);
    QCOMPARE(results, QList<int>{platform::shellresult::NoAssociation});
}

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
