#pragma once

// Reading a number out of whatever a user typed: separators, signs and stray characters are
// taken as well as they can be, and nothing makes it fail.

#include <QString>

// With the system's decimal and thousands separators.
double LenientStrToFloat(const QString& text);
// The same, truncated toward zero (and held within the range of int).
int LenientStrToInt(const QString& text);

// With the given separators.
double LenientStrToFloat(const QString& text, QChar decimal, QChar thousands);
int LenientStrToInt(const QString& text, QChar decimal, QChar thousands);
