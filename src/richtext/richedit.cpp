#include "richedit.h"

#include "clipboard.h"
#include "plaintext.h"
#include "rtfreader.h"
#include "rtfwriter.h"
#include "runscript.h"
#include "yusciicursor.h"

#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>

namespace richtext {
namespace {

// Typed keys, mapped to screen letters, to YUSCII: each letter in whichever script has it.
QByteArray typedToYuscii(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        out += yusciiByte(c.unicode(), std::nullopt);
    }
    return out;
}

// Pasted or dropped text to YUSCII. The keyboard mapping is for keys only: an ASCII character is
// the code it is (a pasted "[" stays "[", however YUSCII shows it), a letter with diacritics of
// either script is its YUSCII code, also when it came written as a letter and a combining accent.
QByteArray pastedToYuscii(const QString& pasted)
{
    const QString text = pasted.normalized(QString::NormalizationForm_C);
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        out += c.unicode() < 128 ? char(c.unicode()) : yusciiByte(c.unicode(), std::nullopt);
    }
    return out;
}

} // namespace

RichEdit::RichEdit(QWidget* parent) : QTextEdit(parent)
{
    setAcceptRichText(false);
    // A find selects while the focus stays in the find field: the selection must show.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
}

void RichEdit::setRtf(const QByteArray& data)
{
    document()->setDefaultFont(font());
    readRtf(data, *document());
    showFromTop();
    m_loaded = data;
    m_loadedRevision = document()->revision();
}

bool RichEdit::loadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return false;
    }
    setRtf(data);
    return true;
}

QByteArray RichEdit::toRtf() const
{
    return writeRtf(*document());
}

void RichEdit::unbind()
{
    for (const auto& c : std::as_const(m_bindings)) {
        disconnect(c);
    }
    m_bindings.clear();
    m_read = nullptr;
}

bool RichEdit::loadBound()
{
    if (!m_read) {
        return false;
    }
    const QByteArray data = m_read();
    if (document()->revision() == m_loadedRevision && data == m_loaded) {
        return false;
    }
    setRtf(data);
    return true;
}

QByteArray RichEdit::yusciiText() const
{
    return documentText(*document());
}

QByteArray RichEdit::yusciiText(int from, int to) const
{
    return documentText(*document(), from, to);
}

int RichEdit::textLength() const
{
    return document()->characterCount() - 1;
}

QByteArray RichEdit::selectedYuscii() const
{
    const QTextCursor c = textCursor();
    return c.hasSelection() ? documentText(*document(), c.selectionStart(), c.selectionEnd()) : QByteArray();
}

QList<QByteArray> RichEdit::paragraphs() const
{
    return yusciiText().split('\n');
}

QList<QByteArray> RichEdit::lines() const
{
    return laidOutLines(*document());
}

void RichEdit::select(int start, int length)
{
    const int end = textLength();
    start = std::clamp(start, 0, end);
    QTextCursor c(document());
    c.setPosition(start);
    c.setPosition(std::clamp(start + std::max(length, 0), start, end), QTextCursor::KeepAnchor);
    setTextCursor(c);
    ensureCursorVisible();
}

void RichEdit::showFromTop()
{
    moveCursor(QTextCursor::Start);
    // Bringing the caret into a view that cannot hold its line scrolls past the first line; the
    // view keeps that scroll once it has its height.
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
}

int RichEdit::selectionStart() const
{
    return textCursor().selectionStart();
}

int RichEdit::selectionLength() const
{
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

int RichEdit::findText(const QByteArray& term, int from, FindOptions options, int to) const
{
    return int(richtext::findText(yusciiText(), term, from, to, options));
}

void RichEdit::copySelection()
{
    if (textCursor().hasSelection()) {
        copy();
    }
}

QMimeData* RichEdit::createMimeDataFromSelection() const
{
    const QTextCursor c = textCursor();
    QTextCursor first(document());
    first.setPosition(c.selectionStart() + 1 <= textLength() ? c.selectionStart() + 1 : c.selectionStart());
    return platform::clipboardData(selectedYuscii(), insertScript(familyOf(first.charFormat(), *document())));
}

void RichEdit::insertYuscii(const QByteArray& text)
{
    QTextCursor c = textCursor();
    richtext::insertYuscii(c, text);
    setTextCursor(c);
}

void RichEdit::setFontFamily(const QString& family)
{
    QTextCursor c = textCursor();
    richtext::setFontFamily(c, family);
    setTextCursor(c);
}

void RichEdit::setParagraphIndents(double firstLine, double left, double right)
{
    QTextCursor c = textCursor();
    richtext::setParagraphIndents(c, firstLine, left, right);
}

void RichEdit::suspendRepaint()
{
    if (m_repaintSuspended++ == 0) {
        viewport()->setUpdatesEnabled(false);
    }
}

void RichEdit::resumeRepaint()
{
    if (m_repaintSuspended > 0 && --m_repaintSuspended == 0) {
        viewport()->setUpdatesEnabled(true);
        viewport()->update();
    }
}

void RichEdit::showEvent(QShowEvent* event)
{
    // A pane shown before its layout has sized it (a splitter's second pane) would scroll its caret
    // into a view of no height and hide its first lines: with no room for the caret's line there is
    // nothing to bring into view, and the scroll stays as the text left it.
    if (viewport()->height() >= cursorRect().height()) {
        QTextEdit::showEvent(event);
    }
}

void RichEdit::keyPressEvent(QKeyEvent* event)
{
    const QString typed = event->text();
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!isReadOnly() && !command && !typed.isEmpty() && typed.at(0).isPrint()) {
        // Typed keys go through the keyboard mapping and land as YUSCII in the font at the caret.
        insertYuscii(typedToYuscii(display::mapTypedText(typed, display::KeyFilter::Map)));
        ensureCursorVisible();
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void RichEdit::insertFromMimeData(const QMimeData* source)
{
    if (isReadOnly() || source == nullptr || !source->hasText()) {
        return;
    }
    insertYuscii(pastedToYuscii(source->text()));
    ensureCursorVisible();
}

void RichEdit::inputMethodEvent(QInputMethodEvent* event)
{
    if (event->commitString().isEmpty()) {
        QTextEdit::inputMethodEvent(event);
        return;
    }
    if (isReadOnly()) {
        // The text edit underneath would take a commit even then.
        event->ignore();
        return;
    }
    // An input method's commit is typed text: it takes the keyboard mapping, as keys do, and
    // lands in the script of the font at the caret. The input method's own work on the text
    // (its preedit, the range it replaces) stays as it was asked.
    const QByteArray typed = typedToYuscii(display::mapTypedText(event->commitString(), display::KeyFilter::Map));
    const display::Script script = insertScript(familyOf(textCursor().charFormat(), *document()));
    QString commit;
    for (char b : typed) {
        const QChar c = display::toUnicode(b, script);
        if (keptChar(c.unicode())) {
            commit += c;
        }
    }
    QInputMethodEvent mapped(event->preeditString(), event->attributes());
    mapped.setCommitString(commit, event->replacementStart(), event->replacementLength());
    QTextEdit::inputMethodEvent(&mapped);
    event->setAccepted(mapped.isAccepted());
}

} // namespace richtext
