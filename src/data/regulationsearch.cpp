#include "regulationsearch.h"

#include "error.h"
#include "filter.h"
#include "searchcopy.h"
#include "searchtext.h"
#include "searchwords.h"
#include "yuscii.h"

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

struct Title {
    QByteArray title;
    QByteArray upper;
    QByteArray numberYear;
};

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
    QHash<qint64, Title> titles;
    titles.reserve(int(publications.size()));
    zakoni.scan(
        {RegulationKey, RegulationTitle, RegulationNumberYear},
        [&](const QList<Value>& v) {
            const QByteArray title = v[1].toText();
            titles.insert(v[0].toInteger(), {title, yuscii::yupperW(title), v[2].toText()});
            return true;
        },
        Table::ScanRange::WholeFile);
    m_gazettes.clear();
    m_t.Glasnici.scan(
        {GazetteKey, GazetteName},
        [&](const QList<Value>& v) {
            m_gazettes.insert(v[0].toInteger(), v[1].toText());
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
    const Title none;
    for (size_t i = 0; i < publications.size(); ++i) {
        if (hooks.stopRequested && hooks.stopRequested()) {
            result.stopped = true;
            break;
        }
        const qint64 key = publications[i];
        const auto it = titles.constFind(key);
        const Title& title = it == titles.cend() ? none : *it;
        // A text is read only for a word its title lacks, once, and dropped with the round.
        std::optional<QByteArray> text;
        bool all = true;
        for (const QByteArray& word : words) {
            if (searchwords::contains(title.upper, word)) {
                continue;
            }
            if (texts) {
                if (!text) {
                    text = texts->text(Value(key));
                }
                if (searchwords::contains(*text, word)) {
                    continue;
                }
            }
            all = false;
            break;
        }
        if (all) {
            ++result.found;
            if (hooks.found) {
                hooks.found(hitFor(Value(key), title.title, title.numberYear));
            }
        }
        if (hooks.tick) {
            hooks.tick(qint64(i + 1) * wordCount);
        }
    }
    return result;
}

SearchHit RegulationSearch::hitFor(const Value& publication, const QByteArray& title, const QByteArray& numberYear)
{
    SearchHit hit{title, {}, numberYear};
    if (const auto regulation = m_t.Zakoni.recordByKey(publication, {RegulationPublication, RegulationNote})) {
        hit.moreInfo = hasAdditionalInfo((*regulation)[1].toText());
        if (const auto version = m_t.arhiva.recordByKey((*regulation)[0], {ArchiveLater})) {
            hit.archived = (*version)[0].toInteger() != 0;
        }
    }
    if (const auto row = m_t.Glavna.recordByKey(publication, {PublicationGazette})) {
        hit.gazette = m_gazettes.value((*row)[0].toInteger());
    }
    return hit;
}

} // namespace data
