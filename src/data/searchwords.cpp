#include "searchwords.h"

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

bool contains(const QByteArray& text, const QByteArray& word)
{
    return word.isEmpty() || (word.size() <= text.size() && text.contains(word));
}

} // namespace searchwords
