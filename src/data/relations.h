#pragma once

// Relations between regulations and opinions (TB_link): each row pairs an opinion, named by its
// ordinal, with a regulation's key. The ordinal counts the whole opinions table in its key order,
// so a relation names the same opinion whatever ministry or filter the opinions tab has set.

#include <QByteArray>
#include <QList>

namespace data {
struct MainTables;
}

namespace relations {

// One row of the relations list: the related document's title, and its date (an opinion) or its
// number/year (a regulation).
struct Row {
    QByteArray title;
    QByteArray second;
    bool operator==(const Row&) const = default;
};

// Where an opinion's ordinal lands among `count` opinions: its 0-based place, or -1 when the
// ordinal names no opinion.
int ordinalPlace(qint64 ordinal, int count);

// One row per relation of the regulation with this key, in the relations' order; a relation
// whose ordinal names no opinion gives an empty row. The opinions table's filter, link and order
// are given back afterwards; the relations table keeps its filter.
QList<Row> relatedOpinions(data::MainTables& tables, const QByteArray& regulationKey);

// One row per relation of the opinion with this number (BROJ_MISLJENJA); a relation whose
// regulation is missing gives an empty row. The regulations lookup table keeps its last filter.
QList<Row> relatedRegulations(data::MainTables& tables, const QByteArray& opinionNumber);

} // namespace relations
