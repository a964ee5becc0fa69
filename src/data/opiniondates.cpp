#include "opiniondates.h"

#include "filter.h"
#include "table.h"

#include <algorithm>
#include <QByteArrayList>
#include <QDate>

namespace opiniondates {

namespace {

// Years up to 2020 are always offered, also on a machine whose clock is behind.
constexpr int kCollectionYear = 2020;

int& partOf(DateParts& d, Part part)
{
    switch (part) {
    case Part::Day:
        return d.day;
    case Part::Month:
        return d.month;
    case Part::Year:
        break;
    }
    return d.year;
}

QByteArray term(const char* field, const char* op, int value)
{
    return QByteArray(field) + op + engine::quoted(QByteArray::number(value));
}

// A part shown in a date: at least two digits when it is a whole number.
QByteArray padded(const QByteArray& part)
{
    bool whole = false;
    const int n = part.toInt(&whole);
    return whole && n >= 0 && n < 10 ? "0" + QByteArray::number(n) : part;
}

} // namespace

int compare(const DateParts& a, const DateParts& b)
{
    if (a.year != b.year) {
        return a.year < b.year ? -1 : 1;
    }
    if (a.month != b.month) {
        return a.month < b.month ? -1 : 1;
    }
    return a.day == b.day ? 0 : (a.day < b.day ? -1 : 1);
}

int latestYear(const QDate& today)
{
    return std::max(kCollectionYear, today.year());
}

DateParts defaultFrom()
{
    return {1, 1, 1950};
}

DateParts defaultTo(const QDate& today)
{
    return {31, 12, latestYear(today)};
}

void keepInOrder(DateParts& from, DateParts& to, End changed, Part part)
{
    if (compare(from, to) <= 0) {
        return;
    }
    DateParts& moved = changed == End::From ? from : to;
    const DateParts& other = changed == End::From ? to : from;
    DateParts taken = other;
    partOf(moved, part) = partOf(taken, part);
    if (compare(from, to) > 0) {
        moved = other;
    }
}

QByteArray rangeFilter(const DateParts& from, const DateParts& to)
{
    // The filter compares fields with values only, so "on or after a date" is written out as the
    // three ways a date can be: a later year; the same year and a later month; the same year and
    // month and a day not before. Whole numbers let "later" be ">=" the next value. Both ends
    // together are every pairing of the three ways of each, joined by OR (AND binds tighter).
    const QByteArrayList after = {
        term("GODINA", ">= ", from.year + 1),
        term("GODINA", "= ", from.year) + " AND " + term("MESEC", ">= ", from.month + 1),
        term("GODINA", "= ", from.year) + " AND " + term("MESEC", "= ", from.month) + " AND " +
            term("DAN", ">= ", from.day),
    };
    const QByteArrayList before = {
        term("GODINA", "<= ", to.year - 1),
        term("GODINA", "= ", to.year) + " AND " + term("MESEC", "<= ", to.month - 1),
        term("GODINA", "= ", to.year) + " AND " + term("MESEC", "= ", to.month) + " AND " + term("DAN", "<= ", to.day),
    };
    QByteArrayList alternatives;
    for (const QByteArray& a : after) {
        for (const QByteArray& b : before) {
            alternatives.append(a + " AND " + b);
        }
    }
    return alternatives.join(" OR ");
}

QByteArray dateText(const QByteArray& day, const QByteArray& month, const QByteArray& year)
{
    bool okDay = false;
    bool okMonth = false;
    bool okYear = false;
    const QDate date(year.toInt(&okYear), month.toInt(&okMonth), day.toInt(&okDay));
    if (okDay && okMonth && okYear && date.isValid() && date.year() >= 1 && date.year() <= 9999) {
        // Lists fill thousands of rows: the text is put together directly.
        QByteArray out = QByteArray::number(date.year()).rightJustified(4, '0');
        out.prepend(QByteArray::number(date.month()).rightJustified(2, '0') + '/');
        out.prepend(QByteArray::number(date.day()).rightJustified(2, '0') + '/');
        return out;
    }
    return padded(day) + '/' + padded(month) + '/' + year;
}

QByteArray opinionDate(const engine::Table& opinions)
{
    return dateText(opinions.field(5).asString(), opinions.field(6).asString(), opinions.field(7).asString());
}

} // namespace opiniondates
