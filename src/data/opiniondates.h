#pragma once

// The dates of opinions: stored as three numbers (DAN, MESEC, GODINA), shown as dd/mm/yyyy, and
// selected by a range whose ends are compared as dates, so a range across a year boundary finds
// the days in between whatever their day and month.

#include <QByteArray>

class QDate;

namespace engine {
class Table;
}

namespace opiniondates {

struct DateParts {
    int day = 1;
    int month = 1;
    int year = 1;
};

// Negative, zero or positive as `a` lies before, on or after `b`: year first, then month, then day.
int compare(const DateParts& a, const DateParts& b);

// The latest year the date controls offer: the current one (never before the collection's 2020).
int latestYear(const QDate& today);
// The range the date controls hold at start: from 1 January 1950 to the end of the latest year.
DateParts defaultFrom();
DateParts defaultTo(const QDate& today);

// After one part of one end changed: keeps the from-date not after the to-date. The changed part
// first takes the other end's value of that part; when the dates still cross, the changed end
// takes the other end's whole date.
enum class End { From, To };
enum class Part { Day, Month, Year };
void keepInOrder(DateParts& from, DateParts& to, End changed, Part part);

// The filter text on DAN, MESEC and GODINA that selects the records dated from `from` to `to`,
// both included, compared as dates.
QByteArray rangeFilter(const DateParts& from, const DateParts& to);

// The date as the lists show it: dd/mm/yyyy. Parts that are not whole numbers forming a valid
// date are shown as stored, joined by "/", day and month padded to two digits like a date's, so
// the row can still be opened by its date text.
QByteArray dateText(const QByteArray& day, const QByteArray& month, const QByteArray& year);
// The date of the opinions table's current record (fields 5, 6 and 7).
QByteArray opinionDate(const engine::Table& opinions);

} // namespace opiniondates
