#pragma once

// Small builders the tabs share for their controls: each control is created with its name and
// its YUSCII caption.

#include "screentext.h"

#include <QByteArray>
#include <QList>

class QLabel;
class QLineEdit;
class QTreeWidget;

namespace controls {

// A read-only report list with whole-row selection and the given column captions.
QTreeWidget* resultList(const char* name, const QList<QByteArray>& columns);
// An edit field whose typed keys pass the filter.
QLineEdit* edit(const char* name, platform::KeyFilter filter);
QLabel* label(const char* name, const QByteArray& caption);

} // namespace controls
