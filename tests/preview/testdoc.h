#pragma once

// Documents and set-up shared by the print preview's tests.

#include "fonts.h"
#include "regulationdoc.h"
#include "scriptedprompter.h"

#include <QRegularExpression>

namespace previewtest {

inline void installFonts()
{
    platform::ApplicationFontTable table;
    platform::installFonts(table, testsupport::binFolder());
}

// The numbers that follow `word` in `text` ("Strana 3" gives 3).
inline QList<int> numbersAfter(const QString& word, const QString& text)
{
    QList<int> numbers;
    const QRegularExpression re(QRegularExpression::escape(word) + QStringLiteral(" (\\d+)"));
    for (auto it = re.globalMatch(text); it.hasNext();) {
        numbers << it.next().captured(1).toInt();
    }
    return numbers;
}

} // namespace previewtest
