#pragma once

// The YUSCII text of rich text, as searches and the rich-edit control see it: one byte for each
// character of the document, a "\n" for each paragraph mark, line break and table-cell mark, so
// positions in it are positions in the document.

#include "runscript.h"

#include <QByteArray>

class QTextDocument;

namespace richtext {

// The text `readRtf` would give for `data`, without building a document: the fast path for
// searching many stored texts. `defaultFamily` stands for the default font of that document.
QByteArray plainText(const QByteArray& data, const QString& defaultFamily = DefaultFamily);

// The document's characters from `from` up to `to` (-1: the end) as YUSCII, each run by its font.
QByteArray documentText(const QTextDocument& document, int from = 0, int to = -1);

} // namespace richtext
