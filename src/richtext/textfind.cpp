#include "textfind.h"

#include <algorithm>
#include <cstring>
#include <QByteArray>

namespace richtext {
namespace {

QByteArray foldAscii(QByteArrayView s)
{
    QByteArray out(s.size(), Qt::Uninitialized);
    char* dst = out.data();
    for (char c : s) {
        *dst++ = (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
    }
    return out;
}

} // namespace

bool isWordByte(char c)
{
    const uchar b = uchar(c);
    return (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b >= 0x80 ||
           (b != 0 && std::strchr("[]\\^@{}|~`", b) != nullptr);
}

qsizetype findText(QByteArrayView text, QByteArrayView term, qsizetype from, qsizetype to, FindOptions options)
{
    if (to < 0 || to > text.size()) {
        to = text.size();
    }
    from = std::max<qsizetype>(from, 0);
    if (term.isEmpty() || from >= to || to - from < term.size()) {
        return -1;
    }
    const QByteArrayView range = text.sliced(from, to - from);
    QByteArray foldedRange;
    QByteArray foldedTerm;
    QByteArrayView haystack = range;
    QByteArrayView needle = term;
    if (!options.matchCase) {
        foldedRange = foldAscii(range);
        foldedTerm = foldAscii(term);
        haystack = foldedRange;
        needle = foldedTerm;
    }
    for (qsizetype at = haystack.indexOf(needle); at >= 0; at = haystack.indexOf(needle, at + 1)) {
        const qsizetype start = from + at;
        const qsizetype end = start + term.size();
        if (!options.wholeWord ||
            ((start == 0 || !isWordByte(text[start - 1])) && (end == text.size() || !isWordByte(text[end])))) {
            return start;
        }
    }
    return -1;
}

} // namespace richtext
