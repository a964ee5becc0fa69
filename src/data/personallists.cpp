#include "personallists.h"

#include "yuscii.h"

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

} // namespace personallists
