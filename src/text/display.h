#pragma once

// The boundary between YUSCII text and the screen. Widgets show Unicode; every place that puts
// stored text or a caption on screen, or reads typed text back, goes through these functions.
// The mapping is one character for one character, so positions and lengths agree on both sides.
//
// YUSCII, and so mapped: stored data, the program's captions, hints and messages, the list and
// configuration files. Not YUSCII, and shown as they stand: the publisher's mail addresses and web
// site (publisher.h), links and file paths handed to the shell. In those "@" is an at sign, not Ž.

#include <QByteArray>
#include <QChar>
#include <QString>

namespace display {

// Latin: the ten codes are Š Ć Đ Č Ž š ć đ č ž. Cyrillic: the same 7-bit code read as Serbian
// Cyrillic (the ASCII letters, "w"/"q"/"x" as њ/љ/џ, the ten codes as ш ћ ђ ч ж).
enum class Script { Latin, Cyrillic };

QChar toUnicode(char c, Script script = Script::Latin);
QString toUnicode(const QByteArray& yuscii, Script script = Script::Latin);

// The inverse. A character outside the code (and outside Latin-1 for bytes 0x80-0xFF) becomes "?".
char fromUnicode(QChar c, Script script = Script::Latin);
QByteArray fromUnicode(const QString& text, Script script = Script::Latin);

// A character that arrives from outside, read in `first` and, where that script has no code for
// it, in the other one: the program's own Cyrillic text pasted back ("ш") is its code ("{") as
// much as the Latin "š" is. "?" when neither script has it.
char fromEitherScript(QChar c, Script first = Script::Latin);

// What a key typed on a US layout becomes on screen in an edit field with the given key filter.
// Characters that are already screen letters pass unchanged (in the field's case), so applying it
// twice gives the same text; any other character shows as the code it will be stored as (see
// mapPastedText).
enum class KeyFilter { Map, MapUpper, DigitsOnly };
QString mapTypedText(const QString& typed, KeyFilter filter);

// What pasted text becomes on screen in such a field. The keyboard mapping is for keys only:
// pasted text keeps its characters. A letter with diacritics stays that letter (its YUSCII code),
// an ASCII character stays the code it is (a pasted "[" is the byte "[", which YUSCII shows as Š,
// so what is stored is what was pasted). A field shows what it will store, so a character the code
// lacks shows as the "?" it is stored as (one for each character, a letter and its combining
// accents being one), and a Cyrillic letter as the Latin letter of its code. The upper-case field
// upper-cases as yupperW does; the digits field takes digits only, as from keys. Applying it twice
// gives the same text.
QString mapPastedText(const QString& pasted, KeyFilter filter);

// Text that arrives in a one-line field, `before` and `after` being the field's characters on
// either side of it (none at an end of the field). A line break has no place in one line: a run
// of white space that holds one (LF, CR, CR LF, VT, FF, NEL, U+2028, U+2029) becomes one blank,
// and nothing at an end of the field or beside a blank, so a title copied with its line end is the
// title. A tab or any other control character becomes a blank. Other text is left as it is.
QString oneLine(const QString& text, QChar before = {}, QChar after = {});

} // namespace display
