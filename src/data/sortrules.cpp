#include "sortrules.h"

#include <algorithm>
#include <QDate>

namespace sortrules {

namespace {

char fold(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

int sign(qsizetype v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

int compareExact(const QByteArray& a, const QByteArray& b)
{
    return sign(a.compare(b));
}

// A part of a date: blanks around it allowed, then decimal digits only; -1 when it is none.
int datePart(const char* begin, const char* end)
{
    while (begin < end && *begin == ' ') {
        ++begin;
    }
    while (end > begin && end[-1] == ' ') {
        --end;
    }
    if (begin == end || end - begin > 9) {
        return -1;
    }
    int value = 0;
    for (; begin < end; ++begin) {
        if (*begin < '0' || *begin > '9') {
            return -1;
        }
        value = value * 10 + (*begin - '0');
    }
    return value;
}

// Day/month/year as one number that orders like the date; -1 for a text that is no date. A
// sort compares every date many times, so this reads the bytes in place.
qint64 dateKey(const QByteArray& text)
{
    const char* begin = text.constData();
    const char* end = begin + text.size();
    const char* first = std::find(begin, end, '/');
    const char* second = first == end ? end : std::find(first + 1, end, '/');
    if (second == end || std::find(second + 1, end, '/') != end) {
        return -1;
    }
    const int day = datePart(begin, first);
    const int month = datePart(first + 1, second);
    const int year = datePart(second + 1, end);
    if (day < 0 || month < 0 || year < 0 || !QDate::isValid(year, month, day)) {
        return -1;
    }
    return qint64(year) * 10000 + month * 100 + day;
}

int compareColumn(Rule rule, int column, const QByteArray& a, const QByteArray& b)
{
    switch (rule) {
    case Rule::TwoColumnRegulations:
        return column == 0 ? compareText(a, b) : compareYearFirst(a, b);
    case Rule::ThreeColumnRegulations:
        return column == 2 ? compareYearFirst(a, b) : compareText(a, b);
    case Rule::Opinions:
        return column == 0 ? compareText(a, b) : compareDates(a, b);
    }
    return 0;
}

} // namespace

int compareText(const QByteArray& a, const QByteArray& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char x = fold(a[i]);
        const char y = fold(b[i]);
        if (x != y) {
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
        }
    }
    return sign(a.size() - b.size());
}

int compareYearFirst(const QByteArray& a, const QByteArray& b)
{
    const bool shortA = a.size() <= 3;
    const bool shortB = b.size() <= 3;
    if (shortA || shortB) {
        if (shortA != shortB) {
            return shortA ? -1 : 1;
        }
        return compareText(a, b);
    }
    if (const int byYear = compareText(a.right(4), b.right(4))) {
        return byYear;
    }
    return compareText(a, b);
}

int compareDates(const QByteArray& a, const QByteArray& b)
{
    const qint64 x = dateKey(a);
    const qint64 y = dateKey(b);
    if (x < 0 || y < 0) {
        if ((x < 0) != (y < 0)) {
            return x < 0 ? -1 : 1;
        }
        return compareText(a, b);
    }
    return x < y ? -1 : (y < x ? 1 : 0);
}

int compareRows(Rule rule, int column, const QList<QByteArray>& a, const QList<QByteArray>& b)
{
    const QByteArray& x = column < a.size() ? a[column] : QByteArray();
    const QByteArray& y = column < b.size() ? b[column] : QByteArray();
    if (const int byRule = compareColumn(rule, column, x, y)) {
        return byRule;
    }
    // Equal for the rule: the exact texts decide, the sorted column first, then the others.
    if (const int exact = compareExact(x, y)) {
        return exact;
    }
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (const int exact = compareExact(a.value(i), b.value(i))) {
            return exact;
        }
    }
    return 0;
}

} // namespace sortrules
