#pragma once

#include <QIcon>

// The main window's shared pictures, by index: 0 plain document, 1 root of the areas tree,
// 2 regulation with additional information, 3 archived regulation, 4 sort marker of a column.
namespace images {
enum Index { Document = 0, AreasRoot = 1, MoreInfo = 2, Archived = 3, SortMarker = 4 };
const QIcon& ImageList1(int index);
} // namespace images
