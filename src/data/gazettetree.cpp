#include "gazettetree.h"

#include "filter.h"
#include "sortrules.h"
#include "table.h"

#include <algorithm>
#include <climits>
#include <QSet>

namespace gazettetree {

namespace {

QByteArray foldAscii(const QByteArray& text)
{
    QByteArray folded = text;
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') {
            c = char(c - 'a' + 'A');
        }
    }
    return folded;
}

int digitValue(char c, int base)
{
    int d = -1;
    if (c >= '0' && c <= '9') {
        d = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        d = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        d = c - 'A' + 10;
    }
    return d < base ? d : -1;
}

} // namespace

QByteArray gazetteFilter(const QByteArray& gazetteName)
{
    return "naziv_glasnika=" + engine::quoted(gazetteName);
}

QByteArray publicationsFilter(const QByteArray& gazetteId, const QByteArrayList& below)
{
    QByteArray filter = "ID_GLASNIKA=" + engine::quoted(gazetteId);
    if (!below.isEmpty()) {
        filter += " AND GODINA_stampanja=" + engine::quoted(below[0]);
    }
    if (below.size() > 1) {
        filter += " AND BROJ=" + engine::quoted(below[1]);
    }
    return filter;
}

QByteArray yearsFilter(const QByteArray& gazetteId)
{
    return "id_GLASNIKa=" + engine::quoted(gazetteId);
}

QByteArray issuesFilter(const QByteArray& gazetteId, const QByteArray& year)
{
    return yearsFilter(gazetteId) + " AND GODINA_stampanja=" + engine::quoted(year);
}

QByteArrayList distinctValues(engine::Table& table, const QByteArray& field)
{
    const engine::Field f = table.fieldByName(field);
    QByteArrayList values;
    QSet<QByteArray> seen;
    table.first();
    for (int i = 0, n = table.recordCount(); i < n; ++i) {
        const QByteArray value = f.asString();
        if (!value.isEmpty()) {
            const QByteArray key = foldAscii(value);
            if (!seen.contains(key)) {
                seen.insert(key);
                values << value;
            }
        }
        table.next();
    }
    return values;
}

void sortYears(QByteArrayList& years)
{
    // Values are distinct under the fold already; the exact bytes only make ties impossible.
    std::sort(years.begin(), years.end(), [](const QByteArray& a, const QByteArray& b) {
        const int byText = sortrules::compareText(a, b);
        return byText != 0 ? byText < 0 : a < b;
    });
}

bool TryWholeNumber(const QByteArray& text, int& value)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i < n && (text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    qint64 magnitude = 0;
    int digits = 0;
    bool overflow = false;
    for (; i < n; ++i) {
        const int d = digitValue(text[i], base);
        if (d < 0) {
            break;
        }
        const qint64 next = magnitude * base + d;
        if (next > qint64(INT_MAX) + (negative ? 1 : 0)) {
            overflow = true;
            break;
        }
        magnitude = next;
        ++digits;
    }
    value = int(negative ? -magnitude : magnitude);
    return digits > 0 && !overflow && i == n;
}

int CompareIssueNumbers(const QByteArray& a, const QByteArray& b)
{
    int x = 0;
    int y = 0;
    TryWholeNumber(a, x);
    TryWholeNumber(b, y);
    if (x != y) {
        return x < y ? -1 : 1;
    }
    const int exact = a.compare(b);
    return exact < 0 ? -1 : (exact > 0 ? 1 : 0);
}

void sortIssueNumbers(QByteArrayList& numbers)
{
    std::sort(numbers.begin(), numbers.end(),
              [](const QByteArray& a, const QByteArray& b) { return CompareIssueNumbers(a, b) < 0; });
}

} // namespace gazettetree
