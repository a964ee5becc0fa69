#include "sortrules.h"

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

QDate parseDate(const QByteArray& text)
{
    const QList<QByteArray> parts = text.split('/');
    if (parts.size() != 3) {
        return {};
    }
    bool okDay = false;
    bool okMonth = false;
    bool okYear = false;
    const int day = parts[0].toInt(&okDay);
    const int month = parts[1].toInt(&okMonth);
    const int year = parts[2].toInt(&okYear);
    if (!okDay || !okMonth || !okYear) {
        return {};
    }
    return QDate(year, month, day);
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
    const QDate x = parseDate(a);
    const QDate y = parseDate(b);
    if (!x.isValid() || !y.isValid()) {
        if (x.isValid() != y.isValid()) {
            return x.isValid() ? 1 : -1;
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
