#pragma once

// Finding a word in YUSCII text the way a text control's find does: ignoring case folds only the
// ASCII letters, since the YUSCII letters are punctuation codes to such a find ("[" and "{" are
// the capital and the small form of one letter, yet each finds only itself).

#include <QByteArrayView>

namespace richtext {

struct FindOptions {
    bool wholeWord = false; // the match neither starts nor ends inside a word
    bool matchCase = false;
};

// A word is made of ASCII letters and digits, the ten YUSCII letter codes and bytes above 127.
bool isWordByte(char c);

// The position of the first match of `term` lying wholly within [from, to) of `text` (to = -1:
// up to the end), or -1. An empty term finds nothing.
qsizetype findText(QByteArrayView text, QByteArrayView term, qsizetype from, qsizetype to = -1,
                   FindOptions options = {});

} // namespace richtext
