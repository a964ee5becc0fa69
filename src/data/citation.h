#pragma once

// How a regulation is cited: its gazette's short name with its number/year, "(Sl. glasnik RS
// 12/2005)". The short names come from a fixed table of the ten gazettes, matched on the full
// name byte for byte; a gazette outside the table has no short name.

#include <QByteArray>

namespace data {
struct MainTables;
}

namespace citation {

// The short name of a gazette by its full name (YUSCII); empty when the gazette is not in the table.
QByteArray abbreviation(const QByteArray& gazetteName);

// "(" + short name + " " + number/year + ")"; the blank stays when the short name is empty.
QByteArray citationText(const QByteArray& gazetteName, const QByteArray& numberYear);

// Through the lookup chain of the main window's tables (lookzakoni -> lookbrojevi ->
// lookglasnici), for the first regulation with the title; empty texts when there is none.
// The gazette name of the regulation:
QByteArray gazetteOfTitle(data::MainTables& tables, const QByteArray& title);
// Its number/year, or with `withGazette` its whole citation.
QByteArray numberOfTitle(data::MainTables& tables, const QByteArray& title, bool withGazette);

} // namespace citation
