#pragma once

// The database repair: every table of the collection verified and rebuilt in a fixed order, the
// progress set after each, and one message at the end. A repair reports success only when every
// table was rebuilt; the first table that fails stops it and is named in the message.

#include <functional>
#include <QByteArray>
#include <QList>

namespace repair {

struct Step {
    QByteArray table; // the table file's name without extension
    int progress;     // the progress after it; -1 leaves the progress as it stands
};

// In the order they are rebuilt.
const QList<Step>& steps();

struct Outcome {
    bool ok = true;
    QByteArray failedTable; // empty when every table was rebuilt
};

// Rebuilds each table with `rebuild` (false, or an exception, is a failure) and reports progress.
Outcome run(const std::function<bool(const QByteArray& table)>& rebuild, const std::function<void(int)>& progress);

// The message that ends a repair.
QByteArray message(const Outcome& outcome);

} // namespace repair
