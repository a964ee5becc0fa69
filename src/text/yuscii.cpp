#include "yuscii.h"

#include <array>

namespace yuscii {

char yusciitounicod(char key)
{
    switch (key) {
    case '[': return '{';
    case ']': return '|';
    case ';': return '~';
    case '\'': return '}';
    case '\\': return '`';
    case '{': return '[';
    case '}': return '\\';
    case ':': return '^';
    case '"': return ']';
    case '|': return '@';
    default: return key;
    }
}

char yusciilower(char c)
{
    switch (c) {
    case '[': return '{';
    case ']': return '}';
    case '\\': return '|';
    case '^': return '~';
    case '@': return '`';
    default: return c;
    }
}

char yusciiupper(char c)
{
    switch (c) {
    case '{': return '[';
    case '}': return ']';
    case '|': return '\\';
    case '~': return '^';
    case '`': return '@';
    default: return c;
    }
}

namespace {

// yupperW and ylowerW map byte for byte: through a table, as they run over whole texts.
struct CaseTables {
    std::array<char, 256> upper{};
    std::array<char, 256> lower{};
    CaseTables()
    {
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            upper[b] = yusciiupper(c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c);
            lower[b] = yusciilower(c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c);
        }
    }
};

const CaseTables& caseTables()
{
    static const CaseTables tables;
    return tables;
}

QByteArray mapped(const QByteArray& s, const std::array<char, 256>& table)
{
    if (s.isEmpty()) {
        return s;
    }
    QByteArray out(s.size(), Qt::Uninitialized);
    const char* in = s.constData();
    char* to = out.data();
    for (qsizetype i = 0, n = s.size(); i < n; ++i) {
        to[i] = table[uchar(in[i])];
    }
    return out;
}

} // namespace

QByteArray yupperW(const QByteArray& s)
{
    return mapped(s, caseTables().upper);
}

QByteArray ylowerW(const QByteArray& s)
{
    return mapped(s, caseTables().lower);
}

bool MatchStr(const QByteArray& s, const QByteArray& old, qsizetype pos, qsizetype& after)
{
    if (old.isEmpty() || pos < 0 || pos + old.size() > s.size()) {
        return false;
    }
    if (s.mid(pos, old.size()) != old) {
        return false;
    }
    after = pos + old.size();
    return true;
}

QByteArray ReplaceAllStr2(const QByteArray& s, const QByteArray& old, const QByteArray& replacement)
{
    if (old.isEmpty()) {
        return s;
    }
    QByteArray out;
    out.reserve(s.size());
    qsizetype pos = 0;
    while (pos < s.size()) {
        qsizetype after = 0;
        if (MatchStr(s, old, pos, after)) {
            out += replacement;
            pos = after;
        } else {
            out += s.at(pos);
            ++pos;
        }
    }
    return out;
}

QByteArray flatten(const QByteArray& s)
{
    static const struct {
        const char* from;
        const char* to;
    } steps[] = {
        {"w", "nj"}, {"W", "Nj"}, {"q", "lj"}, {"Q", "Lj"}, {"x", "d`"}, {"X", "D@"}, {"{", "s"},  {"[", "S"},
        {"}", "c"},  {"]", "C"},  {"~", "c"},  {"^", "C"},  {"@", "Z"},  {"`", "z"},  {"|", "dj"}, {"\\", "Dj"},
    };
    QByteArray out(s);
    for (const auto& step : steps) {
        out = ReplaceAllStr2(out, step.from, step.to);
    }
    return out;
}

char mapKey(char key)
{
    return yusciitounicod(key);
}

char mapKeyUpper(char key)
{
    // Qt edits have no upper-case character mode, so the filter upper-cases a-z itself.
    char c = yusciiupper(yusciitounicod(key));
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

char digitsOnlyKey(char key)
{
    if (key == 8 || (key >= '0' && key <= '9')) {
        return key;
    }
    return 0;
}

} // namespace yuscii
