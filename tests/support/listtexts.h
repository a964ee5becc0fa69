#pragma once

// What the lists on screen hold, read back as YUSCII for comparing with the tables.

#include "screentext.h"

#include <QByteArrayList>
#include <QListWidget>
#include <QTreeWidget>

namespace testsupport {

// A report list's column, top to bottom.
inline QByteArrayList column(const QTreeWidget* list, int c)
{
    QByteArrayList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        out << platform::fromScreen(list->topLevelItem(i)->text(c));
    }
    return out;
}

// Each row of a report list as "first column|second column" (a title and its number/year, or
// its date), top to bottom.
inline QByteArrayList rowsOf(const QTreeWidget* list)
{
    QByteArrayList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        out << platform::fromScreen(item->text(0)) + '|' + platform::fromScreen(item->text(1));
    }
    return out;
}

// A list box's lines, top to bottom.
inline QByteArrayList lines(const QListWidget* list)
{
    QByteArrayList out;
    for (int i = 0; i < list->count(); ++i) {
        out << platform::fromScreen(list->item(i)->text());
    }
    return out;
}

} // namespace testsupport
