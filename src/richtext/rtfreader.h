#pragma once

// RTF into a QTextDocument: the program's stored texts, the help files and what word processors
// export. Runs in a YUSCII font are read as YUSCII; runs in any other font keep their text.

#include <QByteArray>

class QTextDocument;

namespace richtext {

// Replaces the content of `document` with `data`: RTF when it starts with "{\rtf", else plain
// YUSCII text. Runs without a font of their own, and plain text, are in the document's default
// font family. Malformed RTF gives the text that could be read.
void readRtf(const QByteArray& data, QTextDocument& document);

} // namespace richtext
