#include "searchwords.h"

#include <cstring>

namespace searchwords {

namespace {

bool isDelimiter(char c, const QByteArray& delimiters)
{
    return delimiters.contains(c);
}

// Calls `visit(start, length)` for each word in order until it returns false.
template <typename Visit> void forEachWord(const QByteArray& text, const QByteArray& delimiters, Visit visit)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && isDelimiter(text[i], delimiters)) {
            ++i;
        }
        if (i == n) {
            return;
        }
        const qsizetype start = i;
        while (i < n && !isDelimiter(text[i], delimiters)) {
            ++i;
        }
        if (!visit(start, i - start)) {
            return;
        }
    }
}

} // namespace

int WordCount(const QByteArray& text, const QByteArray& delimiters)
{
    int count = 0;
    forEachWord(text, delimiters, [&](qsizetype, qsizetype) {
        ++count;
        return true;
    });
    return count;
}

QByteArray ExtractWord(int n, const QByteArray& text, const QByteArray& delimiters)
{
    QByteArray word;
    int index = 0;
    forEachWord(text, delimiters, [&](qsizetype start, qsizetype length) {
        if (++index == n) {
            word = text.mid(start, length);
            return false;
        }
        return true;
    });
    return word;
}

QByteArrayList words(const QByteArray& text, const QByteArray& delimiters)
{
    QByteArrayList out;
    forEachWord(text, delimiters, [&](qsizetype start, qsizetype length) {
        out.append(text.mid(start, length));
        return true;
    });
    return out;
}

bool contains(QByteArrayView text, QByteArrayView word)
{
    // The C library's search is several times faster than a plain scan on long texts, and the
    // text search runs it over every regulation.
    return word.isEmpty() ||
           (word.size() <= text.size() && ::memmem(text.data(), size_t(text.size()), word.data(), size_t(word.size())));
}

} // namespace searchwords
