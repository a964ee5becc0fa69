#pragma once

// Small builders the tabs share for their controls: each control is created with its name and
// its YUSCII caption.

#include "screentext.h"
#include "sortrules.h"

#include <functional>
#include <QByteArray>
#include <QList>

class QAbstractItemView;
class QLabel;
class QLineEdit;
class QTreeWidget;

namespace controls {

// A read-only report list with whole-row selection and the given column captions.
QTreeWidget* resultList(const char* name, const QList<QByteArray>& columns);
// An edit field whose typed keys pass the filter.
QLineEdit* edit(const char* name, platform::KeyFilter filter);
QLabel* label(const char* name, const QByteArray& caption);

// Enter (either key) in the list runs `handler`, as a double click does; other keys are the list's.
void onEnter(QAbstractItemView* list, std::function<void()> handler);

// Sorts the rows of a report list ascending by `column` with the rule, and marks that column's
// header with the sort image (the other columns lose it). Rows compare by their YUSCII texts.
void sortByColumn(QTreeWidget* list, sortrules::Rule rule, int column);
// Takes the sort image off every column.
void clearSortMarker(QTreeWidget* list);

} // namespace controls
