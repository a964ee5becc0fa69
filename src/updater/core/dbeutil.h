#pragma once

// The table utility the updater verifies and rebuilds tables with: it hands a table object's
// file to the engine.

#include "tableutil.h"

#include <QByteArray>

namespace engine {
class Table;
}

class TDBEUtil final {
public:
    // Both throw engine::Error when the table has no file or the file cannot be examined at all.
    engine::Verification verify(const engine::Table& table) const;
    engine::RebuildResult rebuild(const engine::Table& table) const;
};

// What the verification of a table says to the user, by its level.
QByteArray verificationMessage(int level);
