#pragma once

// Editing rich text in YUSCII terms: what goes in is YUSCII and takes the script of the font it
// lands in, and a change of font keeps the text's YUSCII bytes (a Cyrillic "ш" put into the Latin
// font becomes "š", both being "{"), as a font switch does to text in the program's fonts.

#include <QByteArray>
#include <QList>
#include <QString>

class QTextCursor;
class QTextDocument;

namespace richtext {

// Replaces the cursor's selection by `text` in the cursor's character format; CR LF, CR and LF
// start new paragraphs. The text is read in the script of the format's font.
void insertYuscii(QTextCursor& cursor, const QByteArray& text);

// Gives the selected text the font `family`.
void setFontFamily(QTextCursor& cursor, const QString& family);

// First-line, left and right indents, in points, of every paragraph the cursor touches.
void setParagraphIndents(QTextCursor& cursor, double firstLine, double left, double right);

// The document's lines as its layout has broken them, first to last, without their line ends.
// Lays the document out first when it is not.
QList<QByteArray> laidOutLines(const QTextDocument& document);

} // namespace richtext
