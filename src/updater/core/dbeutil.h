#pragma once

// The table utility the updater verifies and rebuilds tables with: it finds a table object's
// file and hands it to the engine.

#include "tableutil.h"

#include <QByteArray>
#include <QString>

namespace engine {
class Table;
}

class TDBEUtil final {
public:
    // The file of a table object: the open file, or its table name in its alias's folder.
    // Throws engine::Error when there is none.
    static QString tableFile(const engine::Table& table);

    engine::Verification verify(const engine::Table& table) const;
    engine::RebuildResult rebuild(const engine::Table& table) const;
};

// What the verification of a table says to the user, by its level.
QByteArray verificationMessage(int level);
