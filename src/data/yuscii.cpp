#include "yuscii.h"

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

QByteArray yupperW(const QByteArray& s)
{
    QByteArray out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = char(c - 'a' + 'A');
        }
        c = yusciiupper(c);
    }
    return out;
}

QByteArray ylowerW(const QByteArray& s)
{
    QByteArray out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        }
        c = yusciilower(c);
    }
    return out;
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
