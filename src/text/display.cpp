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

char fromEitherScript(QChar c, Script first)
{
    const char b = fromUnicode(c, first);
    if (b != '?' || c == u'?') {
        return b;
    }
    return fromUnicode(c, first == Script::Latin ? Script::Cyrillic : Script::Latin);
}

namespace {

// The code each character of text from outside will be stored as: one byte for each character as
// a reader sees it, so a letter written with a combining accent is one letter (or one "?"), and a
// character outside the basic plane one "?", not one for each half of it.
template <typename Code>
QByteArray arrivingCodes(const QString& text, Code code)
{
    const QString composed = text.normalized(QString::NormalizationForm_C);
    QByteArray out;
    out.reserve(composed.size());
    for (qsizetype i = 0; i < composed.size(); ++i) {
        const QChar c = composed.at(i);
        if (c.isHighSurrogate() && i + 1 < composed.size() && composed.at(i + 1).isLowSurrogate()) {
            ++i;
            out += '?';
        } else if (c.isSurrogate()) {
            out += '?';
        } else if (QChar::category(c.unicode()) == QChar::Mark_NonSpacing && !out.isEmpty()) {
            // An accent the code cannot put on its letter: the letter stands for both.
            continue;
        } else {
            out += code(c);
        }
    }
    return out;
}

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case 0x85:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

} // namespace

QString mapTypedText(const QString& typed, KeyFilter filter)
{
    if (filter == KeyFilter::DigitsOnly) {
        QString out;
        for (QChar c : typed) {
            if (c.isDigit() && c.unicode() < 128) {
                out += c;
            }
        }
        return out;
    }
    const QByteArray codes = arrivingCodes(typed, [filter](QChar c) {
        if (c.unicode() < 128) {
            const char key = char(c.unicode());
            return filter == KeyFilter::Map ? yuscii::mapKey(key) : yuscii::mapKeyUpper(key);
        }
        // Already a screen letter (an input method's "š"): only the case changes.
        const char b = fromEitherScript(c);
        return filter == KeyFilter::Map ? b : yuscii::yupperW(QByteArray(1, b)).at(0);
    });
    return toUnicode(codes);
}

QString mapPastedText(const QString& pasted, KeyFilter filter)
{
    if (filter == KeyFilter::DigitsOnly) {
        return mapTypedText(pasted, filter);
    }
    const QByteArray codes =
        arrivingCodes(pasted, [](QChar c) { return c.unicode() < 128 ? char(c.unicode()) : fromEitherScript(c); });
    return toUnicode(filter == KeyFilter::MapUpper ? yuscii::yupperW(codes) : codes);
}

QString oneLine(const QString& text, QChar before, QChar after)
{
    const bool textBefore = !before.isNull() && !before.isSpace();
    const bool textAfter = !after.isNull() && !after.isSpace();
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (!c.isSpace() && !isControl(c)) {
            out += c;
            ++i;
            continue;
        }
        qsizetype end = i;
        bool hasBreak = false;
        while (end < text.size() && (text.at(end).isSpace() || isControl(text.at(end)))) {
            hasBreak = hasBreak || isLineBreak(text.at(end));
            ++end;
        }
        if (hasBreak) {
            const bool joinsBefore = i > 0 || textBefore;
            const bool joinsAfter = end < text.size() || textAfter;
            if (joinsBefore && joinsAfter) {
                out += u' ';
            }
        } else {
            for (qsizetype k = i; k < end; ++k) {
                out += isControl(text.at(k)) ? QChar(u' ') : text.at(k);
            }
        }
        i = end;
    }
    return out;
}

} // namespace display
