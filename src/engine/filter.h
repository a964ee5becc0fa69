#pragma once

// Filter texts: terms `field op value` (op one of "=", ">=", "<="; blanks around it optional),
// values quoted with apostrophes (an inner apostrophe doubled) or bare numbers, terms joined by
// AND and OR (AND binding tighter; keywords in any case). An empty text selects every record.
// A filter is turned into an SQL condition whose values are bound parameters only: the user's
// text never becomes SQL text.

#include "structure.h"

#include <QByteArray>
#include <QList>

namespace engine {

// The value quoted for a filter text: 'O''B' for O'B.
QByteArray quoted(const QByteArray& value);

struct CompiledFilter {
    QByteArray condition; // SQL, parameters numbered from 1; empty = every record
    QList<Value> parameters;
};

// Throws engine::Error for a malformed text or an unknown field. With caseInsensitive, text
// compares folding a-z only, so the YUSCII letters stay distinct ("{" never equals "[").
CompiledFilter compileFilter(const QByteArray& text, const TableStructure& structure, bool caseInsensitive);

} // namespace engine
