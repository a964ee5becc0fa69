#pragma once

// The import of an update table into a live one, appending new records and updating those whose
// key is already there ("append and update").

#include "table.h"

namespace engine {

// Empty when `source` has the record type of `target`: the same fields by name (letter case
// aside) and type, in any order, and the same key. Otherwise what differs, for the message.
QString recordTypeMismatch(const TableStructure& target, const TableStructure& source);

// Moves every record of the open `source` into the open, writable `target`: a record whose key
// the target holds updates that record, any other is appended; target records the source lacks
// stay. The source must have the target's record type and pass a verification. Everything goes
// in one transaction, so a failure, or a crash at any moment, leaves the target as it was.
// Throws Error saying what was wrong.
Table::MoveCounts appendUpdate(Table& target, const Table& source);

} // namespace engine
