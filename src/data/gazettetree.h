#pragma once

// The gazettes tree's rules: which publications a node stands for, the distinct years of print and
// issue numbers under a node, and the order they are shown in. The tree has three levels: the
// gazette (its full name), a year of print, an issue number.

#include <QByteArray>
#include <QByteArrayList>

namespace engine {
class Table;
}

namespace gazettetree {

enum Level { GazetteLevel = 0, YearLevel = 1, IssueLevel = 2 };

// The gazettes table's filter for a gazette named by its node.
QByteArray gazetteFilter(const QByteArray& gazetteName);

// The publications of a gazette (given by its key), narrowed by the texts of the nodes below the
// gazette: none, the year, or the year and the issue.
QByteArray publicationsFilter(const QByteArray& gazetteId, const QByteArrayList& below = {});
// The same selections as the expansion writes them, for the years of a gazette and the issues
// of one of its years.
QByteArray yearsFilter(const QByteArray& gazetteId);
QByteArray issuesFilter(const QByteArray& gazetteId, const QByteArray& year);

// The non-empty values of a field over the table's records (its filter and link as they stand),
// each once: values that differ only in the case of a-z count as one, the first seen kept.
QByteArrayList distinctValues(engine::Table& table, const QByteArray& field);

// Years of print ascending as text, a-z folded; the same for every machine.
void sortYears(QByteArrayList& years);

// The integer conversion the issue order uses: leading blanks, an optional sign, then decimal
// digits, or hexadecimal ones after "$", "x" or "0x". True only when the whole text converts;
// otherwise `value` is what the digits before the first character that does not fit give (0 when
// there are none). A value past the integer range stops the conversion there.
bool TryWholeNumber(const QByteArray& text, int& value);

// Issue numbers by their numeric value (a text that is not a whole number counts as the number
// it starts with, or 0), so 2, 3a, 10; numbers of one value by their exact bytes, so 10 comes
// before 10a. A strict weak order: the result never depends on the order the numbers came in.
int CompareIssueNumbers(const QByteArray& a, const QByteArray& b);
void sortIssueNumbers(QByteArrayList& numbers);

} // namespace gazettetree
