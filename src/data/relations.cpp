#include "relations.h"

#include "filter.h"
#include "lookup.h"
#include "opiniondates.h"
#include "tables.h"

namespace relations {

namespace {

// The opinions table over all its records in key order for as long as it lives; then the filter,
// whether it applies, the master link and the order as they were.
class WholeTableInKeyOrder final {
public:
    explicit WholeTableInKeyOrder(engine::Table& table) : m_restore{&table}
    {
        engine::LinkLookup::unlink(table, true);
        table.setFiltered(false);
    }

private:
    engine::LinkLookup m_restore;
};

// Selects the relations whose `field` equals `value` and returns how many there are.
int selectRelations(engine::Table& link, const char* field, const QByteArray& value)
{
    link.setFilter(QByteArray(field) + "= " + engine::quoted(value));
    link.setFiltered(true);
    link.first();
    return link.recordCount();
}

} // namespace

int ordinalPlace(qint64 ordinal, int count)
{
    return ordinal >= 0 && ordinal < count ? int(ordinal) : -1;
}

QList<Row> relatedOpinions(data::MainTables& tables, const QByteArray& regulationKey)
{
    QList<Row> rows;
    if (regulationKey.isEmpty()) {
        return rows;
    }
    const int relationCount = selectRelations(tables.link, "MIS", regulationKey);
    if (relationCount == 0) {
        return rows;
    }
    engine::Table& opinions = tables.misljenja;
    const WholeTableInKeyOrder whole(opinions);
    const int count = opinions.recordCount();
    for (int i = 0; i < relationCount; ++i) {
        const int place = ordinalPlace(tables.link.field(0).asInteger(), count);
        Row row;
        if (place >= 0) {
            opinions.first();
            opinions.moveBy(place);
            row = {opinions.field(2).asString(), opiniondates::opinionDate(opinions)};
        }
        rows.append(row);
        tables.link.next();
    }
    return rows;
}

QList<Row> relatedRegulations(data::MainTables& tables, const QByteArray& opinionNumber)
{
    QList<Row> rows;
    if (opinionNumber.isEmpty()) {
        return rows;
    }
    const int relationCount = selectRelations(tables.link, "PROP", opinionNumber);
    engine::Table& regulations = tables.lookzakoni;
    for (int i = 0; i < relationCount; ++i) {
        const QByteArray key = tables.link.field(1).asString();
        Row row;
        if (!key.isEmpty()) {
            regulations.setFilter("ID_ZAKONA= " + engine::quoted(key));
            regulations.first();
            row = {regulations.field(5).asString(), regulations.field(10).asString()};
        }
        rows.append(row);
        tables.link.next();
    }
    return rows;
}

} // namespace relations
