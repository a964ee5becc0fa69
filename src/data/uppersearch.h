#pragma once

// Case-independent search of long texts: whether a text upper-cased with yupperW would hold a
// word, found without making the upper-cased copy, so a search over thousands of stored texts
// spends no time copying them.

#include <QByteArrayView>

namespace uppersearch {

// True when yupperW(text) contains `upperWord` (which the caller has upper-cased); true for an
// empty word.
bool contains(QByteArrayView text, QByteArrayView upperWord);

} // namespace uppersearch
