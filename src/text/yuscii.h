#pragma once

// YUSCII: the 7-bit Yugoslav code in which ten ASCII punctuation characters stand for the Latin
// letters with diacritics. Stored texts, captions and messages are YUSCII byte strings; these
// routines work on them byte for byte, so positions and lengths never change.

#include <QByteArray>

namespace yuscii {

// The key mapping: a US-layout key typed at the place of a Serbian letter gives that letter's
// YUSCII code ("[" gives "{", which is š). Any other character is returned unchanged.
char yusciitounicod(char key);

// Case of the five letter pairs only ("[" <-> "{", and so on); everything else is unchanged.
char yusciiupper(char c);
char yusciilower(char c);

// Upper- (lower-) cases the ASCII letters, then maps every byte through yusciiupper (yusciilower).
// Every case-independent search compares the results of these.
QByteArray yupperW(const QByteArray& s);
QByteArray ylowerW(const QByteArray& s);

// True when `old` occurs in `s` at `pos`; `after` is then the position just behind the match.
bool MatchStr(const QByteArray& s, const QByteArray& old, qsizetype pos, qsizetype& after);

// Every occurrence of `old` replaced by `replacement`, scanning from the left; inserted text is
// never scanned again.
QByteArray ReplaceAllStr2(const QByteArray& s, const QByteArray& old, const QByteArray& replacement);

// The clipboard flattening: YUSCII (Latin or the Cyrillic form) to plain Latin letters without
// diacritics, in sixteen replacements whose order matters ("x" ends as "dz", "X" as "DZ").
QByteArray flatten(const QByteArray& s);

// Key filters of the edit fields: the typed character in, the character to insert out; 0 means
// the key is swallowed.
char mapKey(char key);       // map
char mapKeyUpper(char key);   // map and upper, a-z included
char digitsOnlyKey(char key); // digits and backspace only

} // namespace yuscii
