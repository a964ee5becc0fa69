#include "versionchain.h"

#include "filter.h"
#include "lookup.h"
#include "table.h"
#include "tables.h"

#include <QSet>

namespace versionchain {

namespace {

QByteArray quotedNumber(qint64 n)
{
    return engine::quoted(QByteArray::number(n));
}

// Runs each step on its own, so a step that fails does not keep the others from running; used
// where settings must be given back whatever happened before.
template <typename Step> void attempt(Step&& step)
{
    try {
        step();
    } catch (...) {
    }
}

// The links the tabs rely on: regulations follow the publications, version records follow the
// regulations.
void linkAsUsual(data::MainTables& t)
{
    t.Zakoni.setMasterSource(&t.Glavna);
    t.Zakoni.setMasterFields("ID_BROJA");
    t.arhiva.setMasterSource(&t.Zakoni);
    t.arhiva.setMasterFields("ID_BROJA");
}

// What a version listing leaves behind, whether it ended or failed: the usual links, the version
// table unfiltered and the regulations filtered again (by the title the listing set).
class ListingRestore final {
public:
    explicit ListingRestore(data::MainTables& t) : m_t(t) {}
    ~ListingRestore()
    {
        attempt([this] {
            m_t.Zakoni.setMasterSource(&m_t.Glavna);
            m_t.Zakoni.setMasterFields("ID_BROJA");
        });
        attempt([this] {
            m_t.arhiva.setMasterSource(&m_t.Zakoni);
            m_t.arhiva.setMasterFields("ID_BROJA");
        });
        attempt([this] { m_t.arhiva.setFilter({}); });
        attempt([this] { m_t.Zakoni.setFiltered(true); });
    }
    ListingRestore(const ListingRestore&) = delete;
    ListingRestore& operator=(const ListingRestore&) = delete;

private:
    data::MainTables& m_t;
};

Links linksWhere(engine::Table& zakoni, engine::Table& arhiva, const QByteArray& regulationFilter)
{
    const engine::LinkLookup restore({&arhiva, &zakoni});
    arhiva.setIndexFieldNames({});
    zakoni.setMasterFields({});
    zakoni.setFilter(regulationFilter);
    zakoni.first();
    const QByteArray key = zakoni.field(0).asString();
    if (key.isEmpty()) {
        return {};
    }
    arhiva.setFilter("BROJ_ZAKONA= " + engine::quoted(key));
    arhiva.first();
    if (arhiva.isEmpty()) {
        return {};
    }
    return {true, arhiva.field(1).asInteger(), arhiva.field(2).asInteger()};
}

} // namespace

QByteArray titleFilter(const QByteArray& title, const QByteArray& numberYear)
{
    return "Naziv_zakona= " + engine::quoted(title) + " AND BG= " + engine::quoted(numberYear);
}

QByteArray neighboursFilter(qint64 key)
{
    const QByteArray x = quotedNumber(key);
    return "BROJ_ZAKONA = " + x + " OR PRETHODI_MU= " + x + " OR NASLEDJUJE_GA= " + x;
}

QByteArrayList collect(const QList<ArchiveRow>& rows)
{
    QByteArrayList keys;
    const auto add = [&keys](const QByteArray& key) {
        if (!key.isEmpty() && !keys.contains(key)) {
            keys.append(key);
        }
    };
    for (const ArchiveRow& row : rows) {
        add(row.earlier);
        add(row.later);
    }
    return keys;
}

QByteArray keysFilter(const QByteArrayList& keys)
{
    if (keys.isEmpty()) {
        // No key is negative: this selects nothing.
        return "BROJ_ZAKONA = '-1'";
    }
    QByteArray filter;
    for (const QByteArray& key : keys) {
        filter += (filter.isEmpty() ? "" : " OR ") + QByteArray("BROJ_ZAKONA = ") + engine::quoted(key);
    }
    return filter;
}

QList<Version> listVersions(data::MainTables& t, const QByteArray& title, const QByteArray& numberYear)
{
    const ListingRestore restore(t);
    t.Glavna.setFilter({});
    t.Zakoni.setFiltered(true);
    t.Zakoni.setMasterFields({});
    t.Zakoni.setFilter(titleFilter(title, numberYear));
    t.Zakoni.first();
    // The chosen regulation's version record, through the link. Without a regulation or without
    // a record the key would read 0, and 0 stands in the link fields of every unversioned record:
    // such a choice has no versions to list.
    const qint64 chosen = t.Zakoni.isEmpty() ? 0 : t.arhiva.field(0).asInteger();
    if (chosen == 0) {
        return {};
    }

    // The regulations now follow the version records, which are taken off their own master.
    t.arhiva.setMasterFields({});
    t.arhiva.setMasterSource(nullptr);
    t.Zakoni.setMasterFields({});
    t.Zakoni.setMasterSource(&t.arhiva);
    t.Zakoni.setMasterFields("BROJ_ZAKONA");
    t.Zakoni.setFiltered(false);

    t.arhiva.setFilter(neighboursFilter(chosen));
    t.arhiva.setFiltered(true);
    t.arhiva.first();
    QList<ArchiveRow> rows;
    for (int i = 0, n = t.arhiva.recordCount(); i < n; ++i) {
        rows.append({t.arhiva.field(0).asString(), t.arhiva.field(1).asString(), t.arhiva.field(2).asString()});
        t.arhiva.next();
    }

    // The records of the gathered keys in key order: the same rows a walk over the whole table
    // would pick, read without walking it.
    t.arhiva.setFilter(keysFilter(collect(rows)));
    t.arhiva.first();
    QList<Version> versions;
    for (int i = 0, n = t.arhiva.recordCount(); i < n; ++i) {
        versions.append(
            {t.Zakoni.field(5).asString(), t.Zakoni.field(10).asString(), t.arhiva.field(2).asInteger() > 0});
        t.arhiva.next();
    }
    return versions;
}

Links linksByTitle(engine::Table& zakoni, engine::Table& arhiva, const QByteArray& title)
{
    return linksWhere(zakoni, arhiva, "Naziv_zakona= " + engine::quoted(title));
}

Links linksByKey(engine::Table& zakoni, engine::Table& arhiva, qint64 key)
{
    return linksWhere(zakoni, arhiva, "ID_BROJA= " + quotedNumber(key));
}

QList<LinkWrite> twoWayWrites(const QList<qint64>& publications, const QMap<qint64, Record>& records)
{
    const QSet<qint64> exists(publications.cbegin(), publications.cend());
    QMap<qint64, Record> now = records;
    QList<LinkWrite> writes;
    const auto write = [&](qint64 version, int field, qint64 value) {
        if (!exists.contains(version)) {
            return; // a link to nothing: there is no record to give it
        }
        Record& target = now[version];
        qint64& slot = field == 1 ? target.earlier : target.later;
        if (slot != value) {
            slot = value;
            writes.append({version, field, value});
        }
    };
    for (qint64 p : publications) {
        if (!now.contains(p)) {
            continue;
        }
        // Each test reads the record as the writes before it have left it.
        if (const qint64 earlier = now.value(p).earlier; earlier != 0) {
            write(earlier, 2, p);
        }
        if (const qint64 later = now.value(p).later; later != 0) {
            write(later, 1, p);
        }
    }
    return writes;
}

void writeLink(data::MainTables& t, qint64 version, int field, qint64 value)
{
    const engine::LinkLookup restore({&t.Zakoni, &t.arhiva});
    struct LeaveUnfiltered {
        engine::Table& glavna;
        ~LeaveUnfiltered()
        {
            attempt([this] { glavna.setFilter({}); });
        }
    } leave{t.Glavna};
    linkAsUsual(t);
    t.Zakoni.setFilter({});
    t.arhiva.setFilter({});
    t.Glavna.setFilter("ID_BROJA= " + quotedNumber(version));
    t.Glavna.first();
    if (t.Zakoni.isEmpty()) {
        return;
    }
    try {
        if (t.arhiva.isEmpty()) {
            t.arhiva.append();
            t.arhiva.field(0).setAsInteger(version);
            t.arhiva.field(1).setAsInteger(0);
            t.arhiva.field(2).setAsInteger(0);
        } else if (t.arhiva.field(field).asInteger() == value) {
            return;
        } else {
            t.arhiva.edit();
        }
        t.arhiva.field(field).setAsInteger(value);
        t.arhiva.post();
    } catch (...) {
        // A half-made edit must not be posted by the next move of the tables.
        attempt([&] { t.arhiva.cancel(); });
        throw;
    }
}

void makeTwoWay(data::MainTables& t)
{
    QList<qint64> publications;
    QMap<qint64, Record> records;
    {
        const engine::LinkLookup restore({&t.Glavna, &t.Zakoni, &t.arhiva});
        linkAsUsual(t);
        t.Glavna.setFilter({});
        t.Zakoni.setFilter({});
        t.arhiva.setFilter({});
        t.Glavna.first();
        for (int i = 0, n = t.Glavna.recordCount(); i < n; ++i) {
            publications.append(t.Glavna.field(0).asInteger());
            if (!t.arhiva.isEmpty()) {
                records[t.arhiva.field(0).asInteger()] = {t.arhiva.field(1).asInteger(), t.arhiva.field(2).asInteger()};
            }
            t.Glavna.next();
        }
    }
    const engine::LinkLookup restore({&t.Glavna});
    for (const LinkWrite& w : twoWayWrites(publications, records)) {
        writeLink(t, w.version, w.field, w.value);
    }
}

} // namespace versionchain
