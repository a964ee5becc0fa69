#include "runscript.h"

#include <QTextCharFormat>
#include <QTextDocument>

namespace richtext {
namespace {

bool isFamily(const QString& family, QLatin1StringView name)
{
    // "YHelvetica" itself, or followed by a word of its own ("YHelvetica CE"), never "YHelveticaX".
    return family.startsWith(name, Qt::CaseInsensitive) &&
           (family.size() == name.size() || family.at(name.size()) == u' ');
}

// The inverse of display::toUnicode for the characters YUSCII can hold, as a table for speed.
// It gives what display::fromUnicode gives: a byte that maps to itself wins, else the lowest byte.
struct ReverseTable {
    static constexpr int kSize = 0x500; // every character toUnicode can give lies below U+0500
    std::array<char, kSize> bytes{};

    explicit ReverseTable(display::Script script)
    {
        bytes.fill('?');
        for (int b = 255; b >= 0; --b) {
            bytes[display::toUnicode(char(b), script).unicode()] = char(b);
        }
        for (int b = 0; b < 256; ++b) {
            if (display::toUnicode(char(b), script).unicode() == b) {
                bytes[b] = char(b);
            }
        }
    }
    char operator()(char16_t c) const { return c < kSize ? bytes[c] : '?'; }
};

const ReverseTable& reverseTable(display::Script script)
{
    static const ReverseTable latin(display::Script::Latin);
    static const ReverseTable cyrillic(display::Script::Cyrillic);
    return script == display::Script::Latin ? latin : cyrillic;
}

// clang-format off
constexpr char16_t kCp1250High[128] = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021, 0xFFFD, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// 0xC0-0xFF are А to я in order.
constexpr char16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

// 0xA0-0xFF are the Latin-1 characters of the same code.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};
// clang-format on

// ASCII below 0x80, `high` from 0x80 on, and `rest(b)` for the bytes the high part does not list.
template <size_t N, typename Rest> std::array<char16_t, 256> makeTable(const char16_t (&high)[N], Rest rest)
{
    std::array<char16_t, 256> t{};
    for (int b = 0; b < 256; ++b) {
        t[b] = b < 0x80 ? char16_t(b) : b < 0x80 + int(N) ? high[b - 0x80] : rest(b);
    }
    return t;
}

} // namespace

std::optional<display::Script> yusciiScript(const QString& family)
{
    const QString name = family.trimmed();
    if (isFamily(name, QLatin1StringView("YHelvetica")) || isFamily(name, QLatin1StringView("YU Sans Serif"))) {
        return display::Script::Latin;
    }
    if (isFamily(name, QLatin1StringView("CHelvetica"))) {
        return display::Script::Cyrillic;
    }
    return std::nullopt;
}

display::Script insertScript(const QString& family)
{
    return yusciiScript(family).value_or(display::Script::Latin);
}

QString familyOf(const QTextCharFormat& format, const QTextDocument& document)
{
    const QStringList families = format.property(QTextFormat::FontFamilies).toStringList();
    if (!families.isEmpty() && !families.first().isEmpty()) {
        return families.first();
    }
    return document.defaultFont().family();
}

char yusciiByte(char16_t c, std::optional<display::Script> script)
{
    if (script) {
        return reverseTable(*script)(c);
    }
    const char latin = reverseTable(display::Script::Latin)(c);
    if (latin != '?' || c == u'?') {
        return latin;
    }
    return reverseTable(display::Script::Cyrillic)(c);
}

int codePageOfCharset(int charset, int documentCodePage)
{
    switch (charset) {
    case 0:
        return 1252;
    case 1: // the default charset: the document's code page
        return documentCodePage;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 238:
        return 1250;
    default:
        return documentCodePage;
    }
}

const std::array<char16_t, 256>& codePageTable(int codePage)
{
    static const std::array<char16_t, 256> cp1250 = makeTable(kCp1250High, [](int) { return char16_t(0); });
    static const std::array<char16_t, 256> cp1251 =
        makeTable(kCp1251High, [](int b) { return char16_t(0x0410 + (b - 0xC0)); });
    static const std::array<char16_t, 256> cp1252 = makeTable(kCp1252High, [](int b) { return char16_t(b); });
    switch (codePage) {
    case 1250:
        return cp1250;
    case 1251:
        return cp1251;
    default:
        return cp1252;
    }
}

} // namespace richtext
