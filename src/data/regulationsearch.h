#pragma once

// The regulations search over the main window's tables: every publication of the chosen gazette
// (or of all), in the publications' order, whose regulation holds every word of the query in its
// title, or in its title or its Latin text. Words are the query's runs of characters between
// blanks; both sides are upper-cased with yupperW, and a word may be part of a longer word.
//
// The loop reads no cursor: the publications' keys, the titles and the gazettes' names come from
// one pass over each file, each text from the search copy its table file keeps (searchtext.h),
// and a hit's own details from its records by key. Only one text is held at a time.

#include "recentsearches.h"
#include "tables.h"

#include <functional>
#include <optional>
#include <QByteArray>
#include <QHash>

namespace data {

using recentsearches::Scope;

// One regulation found, as the hit list shows it.
struct SearchHit {
    QByteArray title;
    QByteArray gazette;
    QByteArray numberYear;
    bool moreInfo = false; // its note is longer than 200 characters
    bool archived = false; // a later version exists
};

struct SearchHooks {
    // Before the loop: the progress the loop will reach (publications times words).
    std::function<void(qint64 total)> started;
    // At the top of every round; true ends the loop there, keeping what was found.
    std::function<bool()> stopRequested;
    // After every round, with the progress so far; the window keeps itself live here.
    std::function<void(qint64 progress)> tick;
    std::function<void(const SearchHit& hit)> found;
};

struct SearchResult {
    int found = 0;
    bool stopped = false;
};

class RegulationSearch final {
public:
    explicit RegulationSearch(MainTables& tables) : m_t(tables) {}

    // Links the regulations to the publications, restricts the publications to the gazette
    // (nothing: all gazettes), runs the loop, and leaves the regulations unlinked and unfiltered
    // with no index field names, also when a step throws. Throws engine::Error.
    SearchResult run(const QByteArray& query, Scope scope, std::optional<qint64> gazette, const SearchHooks& hooks);

private:
    SearchHit hitFor(const engine::Value& publication, const QByteArray& title, const QByteArray& numberYear);

    MainTables& m_t;
    QHash<qint64, QByteArray> m_gazettes;
};

} // namespace data
