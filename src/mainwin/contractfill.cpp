#include "contractfill.h"

#include "richedit.h"
#include "yusciicursor.h"

#include <QColor>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

constexpr double kTitlePointSize = 12;

} // namespace

namespace contractfill {

void formatHeadings(richtext::RichEdit& edit)
{
    QTextDocument& document = *edit.document();
    const QByteArray text = edit.yusciiText();
    // A heading is a paragraph of its own, taken where it stands: the same heading twice is set
    // off twice, and what the control's width wraps never counts.
    QList<int> headings;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (contracttext::isArticleHeading(QByteArrayView(text).sliced(block.position(), block.length() - 1))) {
            headings.append(block.blockNumber());
        }
    }
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    // Last to first, so the empty paragraphs put in leave the numbers of the headings before them.
    for (auto it = headings.crbegin(); it != headings.crend(); ++it) {
        const QTextBlock block = document.findBlockByNumber(*it);
        cursor.setPosition(block.position());
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
        cursor.mergeBlockFormat(centred);
        cursor.mergeCharFormat(bold);
        cursor.setPosition(block.position());
        cursor.insertBlock();
    }
    const int title = contracttext::titleParagraphs(document.blockCount());
    if (title > 0) {
        const QTextBlock last = document.findBlockByNumber(title - 1);
        cursor.setPosition(0);
        cursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
        QTextCharFormat titleFormat = bold;
        titleFormat.setFontPointSize(kTitlePointSize);
        cursor.mergeCharFormat(titleFormat);
        cursor.mergeBlockFormat(centred);
    }
    cursor.endEditBlock();
}

void fill(richtext::RichEdit& edit, const QByteArray& model, const contracttext::Values& values, const QColor& colour)
{
    richtext::RepaintPause pause(edit);
    QTextDocument& document = *edit.document();
    document.setUndoRedoEnabled(false);
    edit.setRtf(model);
    QTextCursor cursor(&document);
    // One edit block: the document is laid out once, when the whole filling is done.
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    richtext::setParagraphIndents(cursor, FirstLineIndent, 0, RightIndent);
    formatHeadings(edit);
    QTextCharFormat coloured;
    coloured.setForeground(colour);
    for (const contracttext::Replacement& r : contracttext::fillPlan(edit.yusciiText(), values)) {
        cursor.setPosition(int(r.position));
        cursor.setPosition(int(r.position + r.length), QTextCursor::KeepAnchor);
        if (r.entered) {
            // The value takes the placeholder's format in the contract colour.
            cursor.mergeCharFormat(coloured);
        }
        richtext::insertYuscii(cursor, r.text);
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(true);
    edit.select(0, 0);
}

} // namespace contractfill
