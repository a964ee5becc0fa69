#include "regulationsearch.h"

#include "error.h"
#include "filter.h"
#include "searchcopy.h"
#include "searchtext.h"
#include "searchwords.h"
#include "yuscii.h"

#include <algorithm>
#include <vector>

namespace data {

using engine::Table;
using engine::Value;

namespace {

// Positions of the fields read here.
constexpr int PublicationKey = 0;     // TB_Brojevi: ID_BROJA
constexpr int PublicationGazette = 1; // ID_GLASNIKA
constexpr int RegulationKey = 0;      // TB_Zakoni: ID_ZAKONA, equal to its publication's ID_BROJA
constexpr int RegulationPublication = 1;
constexpr int RegulationTitle = 5;
constexpr int RegulationNote = 8;
constexpr int RegulationNumberYear = 10;
constexpr int GazetteKey = 0; // TB_Glasnici
constexpr int GazetteName = 1;
constexpr int ArchiveLater = 2; // TB_Arhiva: NASLEDJUJE_GA

// After the search the regulations are off their master, unfiltered (filtering stays on) and in
// no index order, whatever ended it; a failure to get there must not hide the one that ended it.
class RegulationsReleased final {
public:
    explicit RegulationsReleased(Table& zakoni) : m_zakoni(zakoni) {}
    ~RegulationsReleased()
    {
        try {
            m_zakoni.setMasterFields({});
            m_zakoni.setFilter({});
            m_zakoni.setIndexFieldNames({});
        } catch (const engine::Error&) {
        }
    }
    RegulationsReleased(const RegulationsReleased&) = delete;
    RegulationsReleased& operator=(const RegulationsReleased&) = delete;

private:
    Table& m_zakoni;
};

} // namespace

// Every regulation's title, upper-cased, found by the regulation's key. The titles lie one after
// the other in one array, so reading 20,000 of them takes a few allocations, not 20,000; and the
// index is kept from search to search for as long as the regulations' file is unchanged.
class RegulationSearch::Titles final {
public:
    explicit Titles(Table& zakoni) : version(zakoni.fileVersion())
    {
        zakoni.scan(
            {RegulationKey, RegulationTitle},
            [&](const QList<Value>& v) {
                const qsizetype start = m_text.size();
                if (v[1].isBytes()) {
                    m_text += v[1].bytes();
                }
                m_entries.push_back({v[0].toInteger(), start, m_text.size() - start});
                return true;
            },
            Table::ScanRange::WholeFile);
        m_text = yuscii::yupperW(m_text);
        std::sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    }

    // Empty when no regulation has the key.
    QByteArrayView upper(qint64 key) const
    {
        const auto it = std::lower_bound(m_entries.begin(), m_entries.end(), key,
                                         [](const Entry& e, qint64 k) { return e.key < k; });
        if (it == m_entries.end() || it->key != key) {
            return {};
        }
        return QByteArrayView(m_text.constData() + it->start, it->length);
    }

    const engine::FileVersion version;

private:
    struct Entry {
        qint64 key;
        qsizetype start;
        qsizetype length;
    };
    std::vector<Entry> m_entries;
    QByteArray m_text;
};

RegulationSearch::RegulationSearch(MainTables& tables) : m_t(tables) {}

RegulationSearch::~RegulationSearch() = default;

const RegulationSearch::Titles& RegulationSearch::titles()
{
    if (!m_titles || !(m_titles->version == m_t.Zakoni.fileVersion())) {
        m_titles.reset();
        m_titles = std::make_unique<Titles>(m_t.Zakoni);
    }
    return *m_titles;
}

SearchResult RegulationSearch::run(const QByteArray& query, Scope scope, std::optional<qint64> gazette,
                                   const SearchHooks& hooks)
{
    Table& zakoni = m_t.Zakoni;
    const RegulationsReleased released(zakoni);
    zakoni.setMasterFields("ID_BROJA");
    zakoni.setFilter({});
    zakoni.setFiltered(true);
    zakoni.setIndexFieldNames("ID_ZAKONA");
    // All gazettes is an empty filter with filtering left on, so that the next operation that
    // only sets a filter text on the publications still filters them.
    m_t.Glavna.setFilter(gazette ? "ID_GLASNIKA = " + engine::quoted(QByteArray::number(*gazette)) : QByteArray());
    m_t.Glavna.setFiltered(true);

    const QByteArrayList words = searchwords::words(yuscii::yupperW(query));
    std::vector<qint64> publications;
    m_t.Glavna.scan({PublicationKey}, [&](const QList<Value>& v) {
        publications.push_back(v[0].toInteger());
        return true;
    });
    const Titles& titles = this->titles();
    Details details{{zakoni, {RegulationPublication, RegulationTitle, RegulationNote, RegulationNumberYear}},
                    {m_t.arhiva, {ArchiveLater}},
                    {m_t.Glavna, {PublicationGazette}},
                    {}};
    m_t.Glasnici.scan(
        {GazetteKey, GazetteName},
        [&](const QList<Value>& v) {
            details.gazettes.insert(v[0].toInteger(), v[1].toText());
            return true;
        },
        Table::ScanRange::WholeFile);
    std::optional<engine::SearchCopyReader> texts;
    if (scope == Scope::TitlesAndTexts) {
        texts.emplace(zakoni, SearchedField);
    }

    const qint64 wordCount = words.size();
    if (hooks.started) {
        hooks.started(qint64(publications.size()) * wordCount);
    }
    SearchResult result;
    QList<const QByteArray*> inText;
    inText.reserve(words.size());
    for (size_t i = 0; i < publications.size(); ++i) {
        if (hooks.stopRequested && hooks.stopRequested()) {
            result.stopped = true;
            break;
        }
        const qint64 key = publications[i];
        const QByteArrayView title = titles.upper(key);
        // The words its title lacks are looked for in its text: read once, and only then.
        inText.clear();
        for (const QByteArray& word : words) {
            if (!searchwords::contains(title, word)) {
                inText.append(&word);
                if (!texts) {
                    break;
                }
            }
        }
        bool all = inText.isEmpty();
        if (!all && texts) {
            texts->read(Value(key), [&](QByteArrayView text) {
                all = std::all_of(inText.begin(), inText.end(),
                                  [&](const QByteArray* word) { return searchwords::contains(text, *word); });
            });
        }
        if (all) {
            ++result.found;
            if (hooks.found) {
                hooks.found(details.hitFor(Value(key)));
            }
        }
        if (hooks.tick) {
            hooks.tick(qint64(i + 1) * wordCount);
        }
    }
    return result;
}

SearchHit RegulationSearch::Details::hitFor(const Value& publication)
{
    SearchHit hit;
    if (const auto regulation = regulations.read(publication)) {
        hit.title = (*regulation)[1].toText();
        hit.numberYear = (*regulation)[3].toText();
        hit.moreInfo = hasAdditionalInfo((*regulation)[2].toText());
        if (const auto version = versions.read((*regulation)[0])) {
            hit.archived = (*version)[0].toInteger() != 0;
        }
    }
    if (const auto row = publications.read(publication)) {
        hit.gazette = gazettes.value((*row)[0].toInteger());
    }
    return hit;
}

} // namespace data
