#include "personallists.h"

#include "recentsearches.h"
#include "schema.h"
#include "yuscii.h"

#include <algorithm>
#include <climits>

namespace personallists {

Change appendCapped(int count, int capacity)
{
    return {count >= capacity && count > 0, true};
}

Change addFrequent(const QByteArrayList& titles, const QByteArray& title, int capacity)
{
    const QByteArray wanted = yuscii::yupperW(title);
    for (const QByteArray& t : titles) {
        if (yuscii::yupperW(t) == wanted) {
            return {};
        }
    }
    return appendCapped(int(titles.size()), capacity);
}

QuickAdd addQuickOpen(const QByteArrayList& titles, const QByteArray& title)
{
    if (titles.size() >= QuickOpenLimit) {
        return QuickAdd::Full;
    }
    return titles.contains(title) ? QuickAdd::AlreadyThere : QuickAdd::Added;
}

void apply(QByteArrayList& list, Change change, const QByteArray& entry)
{
    if (change.dropOldest && !list.isEmpty()) {
        list.removeFirst();
    }
    if (change.append) {
        list.append(entry);
    }
}

namespace {

int fieldSize(const char* table, const QByteArray& field)
{
    const engine::TableStructure& structure = data::tableFile(QLatin1String(table)).structure;
    return structure.fields.value(structure.indexOf(field)).size;
}

} // namespace

int longestTitle()
{
    static const int longest =
        std::max(fieldSize("TB_Zakoni.db", "Naziv_zakona"), fieldSize("TB_Misljenja.db", "NAZIV_MISLJENJA"));
    return longest;
}

int longestSearchEntry()
{
    static const int longest = int(
        recentsearches::entry(QByteArray(longestTitle(), '\''), recentsearches::Scope::TitlesAndTexts, INT_MAX).size());
    return longest;
}

QByteArrayList entries(QByteArrayList lines, int limit)
{
    lines.removeIf([limit](const QByteArray& line) { return line.size() > limit; });
    return lines;
}

} // namespace personallists
