#pragma once

// A QTextDocument as RTF in the style the program stores its texts in: text in a YUSCII font is
// written as its YUSCII bytes, any other character outside ASCII as \uN with a "?" fallback, so
// the reader gives back the same characters, paragraphs and formats.

#include <QByteArray>

class QTextDocument;

namespace richtext {

QByteArray writeRtf(const QTextDocument& document);

// Text for an RTF document: the RTF specials, which are also YUSCII letters ("{", "}", "\"),
// escaped with a backslash.
QByteArray rtfEscaped(const QByteArray& text);

} // namespace richtext
