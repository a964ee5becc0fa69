#include "display.h"

#include "yuscii.h"

#include <array>

namespace display {
namespace {

struct Tables {
    std::array<char16_t, 256> latin{};
    std::array<char16_t, 256> cyrillic{};
};

const Tables& tables()
{
    static const Tables t = [] {
        Tables t;
        for (int b = 0; b < 256; ++b) {
            t.latin[b] = char16_t(b);
            t.cyrillic[b] = char16_t(b);
        }
        const char codes[] = "[]\\^@{}|~`";
        const char16_t latin[] = u"ŠĆĐČŽšćđčž";
        const char16_t cyrillic[] = u"ШЋЂЧЖшћђчж";
        for (int i = 0; i < 10; ++i) {
            t.latin[uchar(codes[i])] = latin[i];
            t.cyrillic[uchar(codes[i])] = cyrillic[i];
        }
        // The Cyrillic font draws each ASCII letter as its Serbian counterpart; "y" has none.
        const char ascii[] = "abcdefghijklmnopqrstuvwxz";
        const char16_t lower[] = u"абцдефгхијклмнопљрстувњџз";
        const char16_t upper[] = u"АБЦДЕФГХИЈКЛМНОПЉРСТУВЊЏЗ";
        for (int i = 0; ascii[i]; ++i) {
            t.cyrillic[uchar(ascii[i])] = lower[i];
            t.cyrillic[uchar(ascii[i] - 'a' + 'A')] = upper[i];
        }
        return t;
    }();
    return t;
}

const std::array<char16_t, 256>& table(Script script)
{
    return script == Script::Latin ? tables().latin : tables().cyrillic;
}

} // namespace

QChar toUnicode(char c, Script script)
{
    return QChar(table(script)[uchar(c)]);
}

QString toUnicode(const QByteArray& yuscii, Script script)
{
    const auto& t = table(script);
    QString out(yuscii.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (char c : yuscii) {
        *dst++ = QChar(t[uchar(c)]);
    }
    return out;
}

char fromUnicode(QChar c, Script script)
{
    const auto& t = table(script);
    const char16_t u = c.unicode();
    // Most characters map to themselves; try that first, then search the table.
    if (u < 256 && t[u] == u) {
        return char(u);
    }
    for (int b = 0; b < 256; ++b) {
        if (t[b] == u) {
            return char(b);
        }
    }
    return '?';
}

QByteArray fromUnicode(const QString& text, Script script)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char* dst = out.data();
    for (QChar c : text) {
        *dst++ = fromUnicode(c, script);
    }
    return out;
}

QString mapTypedText(const QString& typed, KeyFilter filter)
{
    QString out;
    out.reserve(typed.size());
    for (QChar c : typed) {
        if (filter == KeyFilter::DigitsOnly) {
            if (c.isDigit() && c.unicode() < 128) {
                out += c;
            }
            continue;
        }
        char b = 0;
        if (c.unicode() < 128) {
            b = filter == KeyFilter::Map ? yuscii::mapKey(char(c.unicode())) : yuscii::mapKeyUpper(char(c.unicode()));
        } else {
            // Already a screen letter (pasted "š"): only the case changes.
            b = fromUnicode(c);
            if (b == '?' || filter == KeyFilter::Map) {
                out += c;
                continue;
            }
            b = yuscii::yupperW(QByteArray(1, b)).at(0);
        }
        out += toUnicode(b);
    }
    return out;
}

QString mapPastedText(const QString& pasted, KeyFilter filter)
{
    if (filter == KeyFilter::DigitsOnly) {
        return mapTypedText(pasted, filter);
    }
    QString out;
    out.reserve(pasted.size());
    for (QChar c : pasted) {
        char b = c.unicode() < 128 ? char(c.unicode()) : fromUnicode(c);
        if (b == '?' && c != u'?') {
            out += c;
            continue;
        }
        if (filter == KeyFilter::MapUpper) {
            b = yuscii::yupperW(QByteArray(1, b)).at(0);
        }
        out += toUnicode(b);
    }
    return out;
}

} // namespace display
