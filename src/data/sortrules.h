#pragma once

// How result lists compare their rows when a column header is clicked. Every rule is a strict
// weak order, so a sort can rely on it, and the same rows always end in the same order whatever
// order they came in: rows a rule finds equal are ordered by their exact texts.

#include <QByteArray>
#include <QList>

namespace sortrules {

// Text: byte by byte after folding a-z to capitals; the YUSCII letters keep their codes, so "@"
// (Ž) sorts before A and "[" "\" "]" "^" (Š Đ Ć Č) after Z. The empty text sorts first.
int compareText(const QByteArray& a, const QByteArray& b);

// Number/year ("12/2005"): the year (last four characters) first, then the whole text, both as
// text. A text of three characters or fewer has no year; such texts sort before every other,
// among themselves as text.
int compareYearFirst(const QByteArray& a, const QByteArray& b);

// Dates written day/month/year ("05/03/2001"): the earlier date first. A text that is not a valid
// date sorts before every date, among such texts as text.
int compareDates(const QByteArray& a, const QByteArray& b);

enum class Rule {
    TwoColumnRegulations,   // title, number/year
    ThreeColumnRegulations, // title, gazette, number/year
    Opinions,               // title, date
};

// Rows are their column texts, the caption first. Negative when `a` goes first.
int compareRows(Rule rule, int column, const QList<QByteArray>& a, const QList<QByteArray>& b);

} // namespace sortrules
