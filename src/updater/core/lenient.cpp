#include "lenient.h"

#include <cmath>
#include <limits>
#include <QLocale>

double LenientStrToFloat(const QString& text, QChar decimal, QChar thousands)
{
    // Every separator counts as a decimal one, and only the last of them is kept: "1,234,567"
    // with a comma for thousands reads as 1234.567.
    QString t = text;
    t.replace(thousands, decimal);
    const bool negative = t.contains(QLatin1Char('-'));
    QString kept;
    for (const QChar c : t) {
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == decimal) {
            kept += c;
        }
    }
    const qsizetype last = kept.lastIndexOf(decimal);
    QString digits;
    for (qsizetype i = 0; i < kept.size(); ++i) {
        if (kept[i] != decimal) {
            digits += kept[i];
        } else if (i == last) {
            digits += QLatin1Char('.');
        }
    }
    if (digits.isEmpty()) {
        return 0;
    }
    if (digits.startsWith(QLatin1Char('.'))) {
        digits.prepend(QLatin1Char('0'));
    }
    if (digits.endsWith(QLatin1Char('.'))) {
        digits += QLatin1Char('0');
    }
    const double value = digits.toDouble();
    return negative ? -value : value;
}

int LenientStrToInt(const QString& text, QChar decimal, QChar thousands)
{
    const double value = std::trunc(LenientStrToFloat(text, decimal, thousands));
    if (value >= double(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (value <= double(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return int(value);
}

namespace {
// The system's separators; a locale without one of them gets the usual character.
std::pair<QChar, QChar> systemSeparators()
{
    const QLocale locale = QLocale::system();
    const QString decimal = locale.decimalPoint();
    const QString thousands = locale.groupSeparator();
    return {decimal.isEmpty() ? QLatin1Char('.') : decimal.at(0),
            thousands.isEmpty() ? QLatin1Char(',') : thousands.at(0)};
}
} // namespace

double LenientStrToFloat(const QString& text)
{
    const auto [decimal, thousands] = systemSeparators();
    return LenientStrToFloat(text, decimal, thousands);
}

int LenientStrToInt(const QString& text)
{
    const auto [decimal, thousands] = systemSeparators();
    return LenientStrToInt(text, decimal, thousands);
}
