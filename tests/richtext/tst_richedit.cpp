#include "clipboard.h"
#include "fonts.h"
#include "richedit.h"
#include "runscript.h"
#include "samplertf.h"
#include "scriptedprompter.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

using richtext::RichEdit;

// Stands for a table of the database layer: it reports when its current record changes.
class RecordSource : public QObject {
    Q_OBJECT
public:
    QByteArray field;
    void move(const QByteArray& value)
    {
        field = value;
        emit currentRecordChanged();
    }
signals:
    void currentRecordChanged();
};

namespace {

QByteArray rtf(const QByteArray& body, const char* font = "\\f0")
{
    return "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fnil\\fcharset238 YHelvetica;}{\\f1\\fnil\\fcharset0 "
           "CHelvetica;}}\\viewkind4\\uc1\\pard" +
           QByteArray(font) + "\\fs20 " + body + "\\par }";
}

} // namespace

class TestRichEdit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void loadsRtfPlainTextAndFiles();
    void followsTheBoundRecord();
    void selectionIsKeptVisible();
    void findGivesDocumentPositions();
    void copyGoesThroughTheFlattening();
    void typingIsMappedPastingKeepsCharacters();
    void formatsOnTheSelection();
    void repaintingSuspendsAndResumes();
    void linesAndParagraphs();
};

void TestRichEdit::initTestCase()
{
    platform::ApplicationFontTable fonts;
    platform::installFonts(fonts, testsupport::binFolder());
}

void TestRichEdit::loadsRtfPlainTextAndFiles()
{
    RichEdit edit;
    const samples::Sample s = samples::regulation(5000);
    edit.setRtf(s.rtf);
    QCOMPARE(edit.yusciiText(), s.text);
    QCOMPARE(edit.textLength(), int(s.text.size()));
    QCOMPARE(edit.textCursor().position(), 0);
    QVERIFY(!edit.document()->isUndoAvailable());

    // Plain text takes the control's font: the Cyrillic font shows the Cyrillic form.
    edit.setFont(QFont(QStringLiteral("CHelvetica")));
    edit.setRtf("wegov ra~un");
    QCOMPARE(edit.toPlainText(), QStringLiteral("његов рачун"));
    QCOMPARE(edit.yusciiText(), QByteArray("wegov ra~un"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dostava.rtf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(rtf("Dostava \\{tampe"));
    file.close();
    QVERIFY(edit.loadFile(path));
    QCOMPARE(edit.yusciiText(), QByteArray("Dostava {tampe"));
    // A file that cannot be read leaves the text as it was.
    QVERIFY(!edit.loadFile(dir.filePath(QStringLiteral("missing.rtf"))));
    QCOMPARE(edit.yusciiText(), QByteArray("Dostava {tampe"));
}

void TestRichEdit::followsTheBoundRecord()
{
    RichEdit edit;
    auto* source = new RecordSource;
    source->field = rtf("Prvi");
    int reads = 0;
    edit.bindTo(source, &RecordSource::currentRecordChanged, [source, &reads] {
        ++reads;
        return source->field;
    });
    QCOMPARE(edit.yusciiText(), QByteArray("Prvi"));
    source->move(rtf("Drugi"));
    QCOMPARE(edit.yusciiText(), QByteArray("Drugi"));

    // Without automatic loading the control loads only when asked, and only what is new.
    edit.setAutoLoad(false);
    source->move(rtf("Tre\\}i"));
    QCOMPARE(edit.yusciiText(), QByteArray("Drugi"));
    QVERIFY(edit.loadBound());
    QCOMPARE(edit.yusciiText(), QByteArray("Tre}i"));
    edit.select(2, 2);
    QVERIFY(!edit.loadBound());
    QCOMPARE(edit.selectionLength(), 2); // not reloaded: the selection (a find position) stays
    edit.clear();
    QVERIFY(edit.loadBound()); // emptied by the window: the same record loads again
    QCOMPARE(edit.yusciiText(), QByteArray("Tre}i"));

    // Binding to another field replaces the binding.
    edit.setAutoLoad(true);
    RecordSource other;
    other.field = rtf("wegov", "\\f1");
    edit.bindTo(&other, &RecordSource::currentRecordChanged, [&other] { return other.field; });
    QCOMPARE(edit.toPlainText(), QStringLiteral("његов"));
    const int readsBefore = reads;
    source->move(rtf("Ignored"));
    QCOMPARE(reads, readsBefore);
    QCOMPARE(edit.yusciiText(), QByteArray("wegov"));

    // A source that goes away ends the binding.
    edit.bindTo(source, &RecordSource::currentRecordChanged, [source] { return source->field; });
    delete source;
    QVERIFY(!edit.loadBound());
    QCOMPARE(edit.yusciiText(), QByteArray("Ignored"));
}

void TestRichEdit::selectionIsKeptVisible()
{
    QWidget window;
    auto* edit = new RichEdit(&window);
    auto* other = new QLineEdit(&window);
    edit->setGeometry(0, 0, 400, 200);
    other->setGeometry(0, 210, 100, 20);
    edit->setReadOnly(true);
    edit->setRtf(samples::regulation(40000).rtf);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    other->setFocus();

    const int end = edit->textLength();
    edit->select(end - 10, 5);
    QCOMPARE(edit->selectionStart(), end - 10);
    QCOMPARE(edit->selectionLength(), 5);
    QCOMPARE(edit->selectedYuscii(), edit->yusciiText(end - 10, end - 5));
    QVERIFY(edit->verticalScrollBar()->value() > 0);
    QVERIFY(!edit->hasFocus());
    const QPalette p = edit->palette();
    QCOMPARE(p.color(QPalette::Inactive, QPalette::Highlight), p.color(QPalette::Active, QPalette::Highlight));

    edit->select(-5, 1000000);
    QCOMPARE(edit->selectionStart(), 0);
    QCOMPARE(edit->selectionLength(), end);
    edit->select(end + 3, 2);
    QCOMPARE(edit->selectionStart(), end);
    QCOMPARE(edit->selectionLength(), 0);
}

void TestRichEdit::findGivesDocumentPositions()
{
    RichEdit edit;
    edit.setRtf(rtf("^lan 1\\par Ra~un i RA^UN\\par\\trowd\\cellx100\\intbl ra~un\\cell\\row\\pard ra~un"));
    const int first = edit.findText("ra~un", 0);
    QCOMPARE(first, 7);
    // ASCII letters fold, YUSCII letters are found only in the case written.
    QCOMPARE(edit.findText("RA~UN", 0), 7);
    QCOMPARE(edit.findText("RA^UN", 0), 15);
    // The table's marks take their places: the cell's text starts after the mark ending "RA^UN".
    const int inCell = edit.findText("ra~un", 0, {.matchCase = true});
    QCOMPARE(inCell, 21);
    edit.select(inCell, 5);
    QCOMPARE(edit.selectedYuscii(), QByteArray("ra~un"));
    QCOMPARE(edit.textCursor().selectedText(), QStringLiteral("račun"));
    const int last = edit.findText("ra~un", inCell + 1);
    edit.select(last, 5);
    QCOMPARE(edit.textCursor().selectedText(), QStringLiteral("račun"));
    QCOMPARE(edit.findText("ra~un", last + 1), -1);
    QCOMPARE(edit.findText("ra~un", 0, {}, 12), 7);
    QCOMPARE(edit.findText("ra~un", 0, {}, 11), -1);
    QCOMPARE(edit.findText("ra~un", 8, {}, 26), 21);
}

void TestRichEdit::copyGoesThroughTheFlattening()
{
    RichEdit edit;
    edit.setReadOnly(true);
    edit.setRtf(rtf("Ra~un {kole"));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    edit.copySelection();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before")); // nothing selected, nothing copied

    edit.select(0, 5);
    edit.copySelection();
    QCOMPARE(platform::ownClipboardText(), QByteArray("Ra~un"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Račun"));
    QVERIFY(platform::appclear());
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Racun"));

    // The keyboard's copy takes the same way, here from the Cyrillic text.
    edit.setRtf(rtf("wegov", "\\f1"));
    edit.select(0, 5);
    QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(platform::ownClipboardText(), QByteArray("wegov"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("његов"));
    QVERIFY(platform::appclear());
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("njegov"));
}

void TestRichEdit::typingIsMappedPastingKeepsCharacters()
{
    RichEdit edit;
    edit.setRtf(rtf("ab", "\\f0"));
    edit.moveCursor(QTextCursor::End);
    QTest::keyClicks(&edit, "[kola;'");
    QCOMPARE(edit.yusciiText(), QByteArray("ab{kola~}"));
    QCOMPARE(edit.toPlainText(), QStringLiteral("abškolačć"));
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.yusciiText(), QByteArray("ab{kola~"));

    // In the Cyrillic font the same keys give the Cyrillic letters.
    edit.setRtf(rtf("ab", "\\f1"));
    edit.moveCursor(QTextCursor::End);
    QTest::keyClicks(&edit, "w[");
    QCOMPARE(edit.toPlainText(), QStringLiteral("абњш"));
    QCOMPARE(edit.yusciiText(), QByteArray("abw{"));

    // An input method's commit is typed too.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral(";'"));
    QApplication::sendEvent(&edit, &commit);
    QCOMPARE(edit.yusciiText(), QByteArray("abw{~}"));
    QCOMPARE(edit.toPlainText(), QStringLiteral("абњшчћ"));

    // Pasted text keeps its characters: punctuation stays, a letter is its code, and "[" is
    // kept as the byte it is; the same by the keyboard's paste and by a drop.
    edit.setRtf(rtf("", "\\f0"));
    QApplication::clipboard()->setText(QStringLiteral("\"ao\"; O'B\n[š"));
    edit.paste();
    QCOMPARE(edit.yusciiText(), QByteArray("\"ao\"; O'B\n[{"));
    QTest::keySequence(&edit, QKeySequence::Paste);
    QCOMPARE(edit.yusciiText(), QByteArray("\"ao\"; O'B\n[{\"ao\"; O'B\n[{"));
    edit.setRtf(rtf("", "\\f0"));
    QMimeData dropped;
    dropped.setText(QStringLiteral("x;y"));
    QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit.viewport(), &enter);
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit.viewport(), &drop);
    QCOMPARE(edit.yusciiText(), QByteArray("x;y"));

    edit.setReadOnly(true);
    QTest::keyClicks(&edit, "xyz");
    edit.paste();
    QApplication::sendEvent(&edit, &commit);
    QCOMPARE(edit.yusciiText(), QByteArray("x;y"));
}

void TestRichEdit::formatsOnTheSelection()
{
    RichEdit edit;
    edit.setRtf(rtf("prvi red\\par ^lan 12 Naslov\\par tekst", "\\f1"));
    edit.selectAll();
    edit.setParagraphIndents(9, 0, 9);
    edit.setFontFamily(QStringLiteral("YHelvetica"));
    QCOMPARE(edit.toPlainText(), QStringLiteral("prvi red\nČlan 12 Naslov\ntekst"));
    QCOMPARE(edit.yusciiText(), QByteArray("prvi red\n^lan 12 Naslov\ntekst"));

    const int heading = edit.findText("^lan 12 Naslov", 0);
    edit.select(heading, 14);
    edit.setAlignment(Qt::AlignHCenter);
    edit.setFontWeight(QFont::Bold);
    edit.setTextColor(QColor(0, 0, 128));
    edit.moveCursor(QTextCursor::StartOfBlock);
    edit.insertYuscii("\r\n");
    edit.moveCursor(QTextCursor::End);
    edit.insertYuscii(" i ]irilica");

    // What is saved reads back the same.
    const QByteArray saved = edit.toRtf();
    QVERIFY(saved.contains("\\ri180\\fi180"));
    RichEdit back;
    back.setRtf(saved);
    QCOMPARE(back.yusciiText(), QByteArray("prvi red\n\n^lan 12 Naslov\ntekst i ]irilica"));
    const QTextBlock block = back.document()->findBlockByNumber(2);
    QVERIFY(block.blockFormat().alignment() & Qt::AlignHCenter);
    QCOMPARE(block.blockFormat().textIndent(), 12.0);
    QTextCursor c(block);
    c.movePosition(QTextCursor::NextCharacter);
    QCOMPARE(c.charFormat().fontWeight(), int(QFont::Bold));
    QCOMPARE(c.charFormat().foreground().color(), QColor(0, 0, 128));
    QCOMPARE(richtext::familyOf(c.charFormat(), *back.document()), QStringLiteral("YHelvetica"));
}

void TestRichEdit::repaintingSuspendsAndResumes()
{
    RichEdit edit;
    edit.suspendRepaint();
    edit.suspendRepaint();
    QVERIFY(!edit.viewport()->updatesEnabled());
    edit.resumeRepaint();
    QVERIFY(!edit.viewport()->updatesEnabled());
    edit.resumeRepaint();
    QVERIFY(edit.viewport()->updatesEnabled());
    edit.resumeRepaint(); // one too many changes nothing
    QVERIFY(edit.viewport()->updatesEnabled());
    {
        richtext::RepaintPause pause(edit);
        QVERIFY(!edit.viewport()->updatesEnabled());
    }
    QVERIFY(edit.viewport()->updatesEnabled());
}

void TestRichEdit::linesAndParagraphs()
{
    RichEdit edit;
    edit.resize(250, 300);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.setRtf(rtf("^lan 1\\par " + QByteArray("re~ ").repeated(60) + "\\par ^lan 2\\line kraj"));
    const QList<QByteArray> paragraphs = edit.paragraphs();
    QCOMPARE(paragraphs.size(), 4);
    QCOMPARE(paragraphs.first(), QByteArray("^lan 1"));
    QCOMPARE(paragraphs.at(2), QByteArray("^lan 2"));
    const QList<QByteArray> lines = edit.lines();
    QVERIFY(lines.size() > paragraphs.size());
    QCOMPARE(lines.first(), QByteArray("^lan 1"));
    QCOMPARE(lines.last(), QByteArray("kraj"));
    QVERIFY(lines.at(1).startsWith("re~ re~"));
}

QTEST_MAIN(TestRichEdit)
#include "tst_richedit.moc"
