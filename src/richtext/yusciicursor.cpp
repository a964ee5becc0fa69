#include "yusciicursor.h"

#include "plaintext.h"
#include "rtfparser.h"
#include "runscript.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

namespace richtext {
namespace {

constexpr double kPixelsPerPoint = 96.0 / 72.0;

} // namespace

void insertYuscii(QTextCursor& cursor, const QByteArray& text)
{
    QTextCharFormat format = cursor.charFormat();
    const QString family = familyOf(format, *cursor.document());
    format.setFontFamilies({family});
    const display::Script script = insertScript(family);
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    bool first = true;
    for (QByteArrayView bytes : plainLines(text)) {
        if (!first) {
            cursor.insertBlock();
        }
        first = false;
        QString line;
        line.reserve(bytes.size());
        for (char b : bytes) {
            const QChar c = display::toUnicode(b, script);
            if (keptChar(c.unicode())) {
                line += c;
            }
        }
        cursor.insertText(line, format);
    }
    cursor.endEditBlock();
}

void setFontFamily(QTextCursor& cursor, const QString& family)
{
    if (!cursor.hasSelection()) {
        QTextCharFormat format;
        format.setFontFamilies({family});
        cursor.mergeCharFormat(format);
        return;
    }
    const QTextDocument& document = *cursor.document();
    const display::Script script = insertScript(family);
    struct Piece {
        int start;
        QString text;
        QTextCharFormat format;
    };
    QList<Piece> pieces;
    const int from = cursor.selectionStart();
    const int to = cursor.selectionEnd();
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const int start = std::max(f.position(), from);
            const int end = std::min(f.position() + f.length(), to);
            if (start < end) {
                pieces.append({start, f.text().mid(start - f.position(), end - start), f.charFormat()});
            }
        }
    }
    cursor.beginEditBlock();
    for (Piece& piece : pieces) {
        const auto oldScript = yusciiScript(familyOf(piece.format, document));
        QString text = piece.text;
        for (QChar& c : text) {
            const char b = yusciiByte(c.unicode(), oldScript);
            // What has no YUSCII byte (and the picture's object mark) stays as it is.
            if (b != '?' || c == u'?') {
                c = display::toUnicode(b, script);
            }
        }
        piece.format.setFontFamilies({family});
        QTextCursor range(cursor.document());
        range.setPosition(piece.start);
        range.setPosition(piece.start + int(text.size()), QTextCursor::KeepAnchor);
        if (text == piece.text || piece.format.isImageFormat()) {
            range.setCharFormat(piece.format);
        } else {
            range.insertText(text, piece.format);
        }
    }
    cursor.endEditBlock();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
}

void setParagraphIndents(QTextCursor& cursor, double firstLine, double left, double right)
{
    QTextBlockFormat format;
    format.setTextIndent(firstLine * kPixelsPerPoint);
    format.setLeftMargin(left * kPixelsPerPoint);
    format.setRightMargin(right * kPixelsPerPoint);
    cursor.mergeBlockFormat(format);
}

QList<QByteArray> laidOutLines(const QTextDocument& document)
{
    document.documentLayout()->documentSize(); // completes the layout
    QList<QByteArray> lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        const int count = layout != nullptr ? layout->lineCount() : 0;
        if (count == 0) {
            lines.append(documentText(document, block.position(), block.position() + block.length() - 1));
            continue;
        }
        for (int i = 0; i < count; ++i) {
            const QTextLine line = layout->lineAt(i);
            const int start = block.position() + line.textStart();
            QByteArray text = documentText(document, start, start + line.textLength());
            if (text.endsWith('\n')) {
                text.chop(1); // a line break ends the line; it is not part of its text
            }
            lines.append(text);
        }
    }
    return lines;
}

} // namespace richtext
