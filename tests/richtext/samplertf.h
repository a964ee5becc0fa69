#pragma once

// Regulations in the RTF style the program stores (a rich-edit control's output): the title
// centred and bold, articles headed "^lan N", Latin texts in font 0 and Cyrillic in font 1, the
// RTF specials escaped and a CR LF every so often. Tests and benchmarks read them.

#include "display.h"

#include <QByteArray>

namespace samples {

struct Sample {
    QByteArray rtf;
    QByteArray text; // the YUSCII text a reader must give, "\n" between paragraphs
};

// About `size` bytes of RTF; the same seed gives the same text.
Sample regulation(qsizetype size, display::Script script = display::Script::Latin, unsigned seed = 1);

// A tariff table as a word processor writes one, between two paragraphs: each row defined anew
// with its cell boundaries, each cell a paragraph of its own.
Sample table(int rows, int columns);

} // namespace samples
