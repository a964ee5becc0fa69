#pragma once

// The areas tab's listing: which regulations an area node and a type entry select, and what one
// listed regulation shows.

#include <optional>
#include <QByteArray>

namespace engine {
class Table;
}

namespace arealisting {

// The type entry that stands for every type.
inline constexpr const char* AllTypes = "Sve";

struct Choice {
    bool topLevel = false; // the root of the tree: every area
    int area = 0;          // the node's absolute position in the tree, counted from 1
    bool allTypes = true;  // the type entry reads exactly "Sve"
    int type = 0;          // the entry's position in the type list, counted from 0
};

// The regulations' filter. The area number is written bare and the type number quoted, as the
// stored filters have always been written: ID_KATEGORIJE_ZAKONA=4 AND ID_TIPA_ZAKONA='4'.
// The root with every type selects every regulation (an empty filter).
QByteArray filter(const Choice& choice);

// One listed regulation.
struct Entry {
    QByteArray title;      // position 5
    QByteArray numberYear; // position 10
    bool moreInfo = false; // its note (position 8) is longer than 200 characters
};

// The current regulation of `zakoni` as the listing shows it, or nothing when its version
// record (`arhiva`, a detail of `zakoni`) names a later version: archived regulations are not
// listed.
std::optional<Entry> currentEntry(const engine::Table& zakoni, const engine::Table& arhiva);

} // namespace arealisting
