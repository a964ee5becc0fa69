#pragma once

// The version chain (TB_Arhiva): each regulation's earlier and later version, 0 meaning none.
// The lookups here work on the main window's table objects and give back every filter, master
// link and index they change, also when a step fails.

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QMap>

namespace engine {
class Table;
}
namespace data {
struct MainTables;
}

namespace versionchain {

// The regulations filter for a title and its number/year as a list shows them.
QByteArray titleFilter(const QByteArray& title, const QByteArray& numberYear);

// The version record of `key` and every record that points at it.
QByteArray neighboursFilter(qint64 key);

// A version record as its fields read as text.
struct ArchiveRow {
    QByteArray key;
    QByteArray earlier;
    QByteArray later;
};

// The keys a version listing shows, gathered in one pass over the records of neighboursFilter:
// each record's earlier and later key, once each, in the order met. That is the neighbours of
// the chosen version and, through the records that point at it, the version itself and those
// two steps away. "0" (no version) is gathered like any key; no record has that key.
QByteArrayList collect(const QList<ArchiveRow>& rows);

// The version records of the given keys; empty keys select nothing.
QByteArray keysFilter(const QByteArrayList& keys);

// One row of the version listing.
struct Version {
    QByteArray title;
    QByteArray numberYear;
    bool archived = false; // it has a later version
    bool operator==(const Version&) const = default;
};

// The versions of the regulation with this title and number/year, in key order. A title that
// selects no regulation with a version record lists nothing. Afterwards the regulations table
// is linked to the publications again and stays filtered to the title, the publications table
// unfiltered, and the version table linked to the regulations and unfiltered: also when a step
// throws.
QList<Version> listVersions(data::MainTables& t, const QByteArray& title, const QByteArray& numberYear);

// A regulation's version record.
struct Links {
    bool found = false; // a regulation was found and it has a version record
    qint64 earlier = 0;
    qint64 later = 0;
};

// The version record of the first regulation (in the table's order) with this title.
Links linksByTitle(engine::Table& zakoni, engine::Table& arhiva, const QByteArray& title);
// The version record of the regulation whose key is `key`.
Links linksByKey(engine::Table& zakoni, engine::Table& arhiva, qint64 key);

// One write of the two-way links: field 1 (earlier) or 2 (later) of `version`'s record.
struct LinkWrite {
    qint64 version = 0;
    int field = 1;
    qint64 value = 0;
    bool operator==(const LinkWrite&) const = default;
};

// A version record's two links.
struct Record {
    qint64 earlier = 0;
    qint64 later = 0;
};

// The writes that make every link two-way: for each publication in order, its record as the
// writes before it have left it; a version it names as earlier gets it as later, and a version it
// names as later gets it as earlier. Only writes that change a value are given, and only for
// versions that are publications themselves (a record for one that has none is made).
QList<LinkWrite> twoWayWrites(const QList<qint64>& publications, const QMap<qint64, Record>& records);

// Writes one link through the publications' link chain, as the update tools do; a version that
// is no publication is left alone. The publications table is left unfiltered.
void writeLink(data::MainTables& t, qint64 version, int field, qint64 value);

// Makes every link two-way (twoWayWrites applied); the tables' settings are given back.
void makeTwoWay(data::MainTables& t);

} // namespace versionchain
