#include "arealisting.h"

#include "filter.h"
#include "table.h"
#include "tables.h"

namespace arealisting {

QByteArray filter(const Choice& choice)
{
    const QByteArray type = "ID_TIPA_ZAKONA=" + engine::quoted(QByteArray::number(choice.type));
    if (choice.topLevel) {
        return choice.allTypes ? QByteArray() : type;
    }
    const QByteArray area = "ID_KATEGORIJE_ZAKONA=" + QByteArray::number(choice.area);
    return choice.allTypes ? area : area + " AND " + type;
}

std::optional<Entry> currentEntry(const engine::Table& zakoni, const engine::Table& arhiva)
{
    if (arhiva.field(2).asInteger() != 0) {
        return std::nullopt;
    }
    Entry e;
    e.title = zakoni.field(5).asString();
    e.numberYear = zakoni.field(10).asString();
    e.moreInfo = data::hasAdditionalInfo(zakoni.field(8).asBytes());
    return e;
}

} // namespace arealisting
