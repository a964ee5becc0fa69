#pragma once

// The regulations search over the main window's tables: every publication of the chosen gazette
// (or of all), in the publications' order, whose regulation holds every word of the query in its
// title, or in its title or its Latin text. Words are the query's runs of characters between
// blanks; both sides are upper-cased with yupperW, and a word may be part of a longer word.
//
// The loop moves no cursor: the publications' keys and the gazettes' names come from one pass
// over their files, the titles from an index kept while the regulations' file is unchanged, each
// text from the search copy its table file keeps (searchtext.h), and a hit's details from its
// records by key. The loop holds one text at a time.

#include "keyreader.h"
#include "recentsearches.h"
#include "tables.h"

#include <functional>
#include <memory>
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
    explicit RegulationSearch(MainTables& tables);
    ~RegulationSearch();
    RegulationSearch(const RegulationSearch&) = delete;
    RegulationSearch& operator=(const RegulationSearch&) = delete;

    // Links the regulations to the publications, restricts the publications to the gazette
    // (nothing: all gazettes), runs the loop, and leaves the regulations unlinked and unfiltered
    // with no index field names, also when a step throws. Throws engine::Error.
    SearchResult run(const QByteArray& query, Scope scope, std::optional<qint64> gazette, const SearchHooks& hooks);

private:
    class Titles;
    // What a hit's row needs beyond its title: read by key for the hits alone.
    struct Details {
        engine::KeyReader regulations;
        engine::KeyReader versions;
        engine::KeyReader publications;
        QHash<qint64, QByteArray> gazettes;
        SearchHit hitFor(const engine::Value& publication);
    };

    const Titles& titles();

    MainTables& m_t;
    std::unique_ptr<Titles> m_titles;
};

} // namespace data
