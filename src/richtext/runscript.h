#pragma once

// How the characters of one run of rich text relate to YUSCII. The program's texts are YUSCII
// bytes drawn in a YUSCII font; the document holds them as the letters the font would draw, so a
// run's font family decides how its bytes become characters and how characters become bytes again.

#include "display.h"

#include <array>
#include <optional>
#include <QByteArray>
#include <QChar>
#include <QString>

class QTextCharFormat;
class QTextDocument;

namespace richtext {

// The default font of the documents plainText() stands for when not told: the Latin text font.
inline const QString DefaultFamily = QStringLiteral("YHelvetica");

// Latin for "YHelvetica" and "YU Sans Serif", Cyrillic for "CHelvetica" (also with a suffix such
// as "YHelvetica CE"); nothing for any other family, whose text is ordinary text.
std::optional<display::Script> yusciiScript(const QString& family);

// The script YUSCII text takes when it is put into a run of this family: a family that is not a
// YUSCII font shows the Latin form.
display::Script insertScript(const QString& family);

// A run's family as the document draws it: its own, else the document's default font's.
QString familyOf(const QTextCharFormat& format, const QTextDocument& document);

// One character of a run back to its YUSCII byte. In a YUSCII font the run's script decides; in
// any other font the Latin form is tried first and the Cyrillic form for what Latin lacks (so
// "š" gives "{" and "ш" gives "{" too). A character with no YUSCII byte gives "?".
char yusciiByte(char16_t c, std::optional<display::Script> script);

// Characters the reader keeps. Control characters other than the tab, and the characters the
// document uses for its own structure (paragraph and frame marks, the object mark), would change
// the document's paragraphs or positions, so they are dropped wherever text comes from.
inline bool keptChar(char16_t c)
{
    if (c < 0x20) {
        return c == u'\t';
    }
    return c != 0x2029 && c != 0xFDD0 && c != 0xFDD1 && c != 0xFFFC;
}

// Windows code pages for the bytes of text that is not in a YUSCII font. 1250, 1251 and 1252 are
// known; any other code page reads as 1252.
int codePageOfCharset(int charset, int documentCodePage);
const std::array<char16_t, 256>& codePageTable(int codePage);

} // namespace richtext
