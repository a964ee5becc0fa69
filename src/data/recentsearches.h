#pragma once

// The entries of the recent-searches list ("pretrage.ini"): the query quoted with apostrophes
// (an inner apostrophe doubled), " - ", and what was searched with how much was found:
//   'ZAKON RAD' - po naslovima (nadjeno 7 propisa)
// A double click on an entry runs that search again.

#include <QByteArray>

namespace recentsearches {

enum class Scope { Titles, TitlesAndTexts };

// "po naslovima (nadjeno 7 propisa)" or "po naslovima i tekstovima (nadjeno 7 propisa)".
QByteArray scopeText(Scope scope, int found);
// A query that holds a line end (program text, never a field's) is written on one line.
QByteArray entry(const QByteArray& query, Scope scope, int found);

struct Replay {
    QByteArray query;
    Scope scope = Scope::Titles;
};

// The search an entry stands for. A quoted query is unquoted whole (a doubled apostrophe reads
// as one), and the scope is read from behind its closing quote, so a query that holds
// "tekstovima" does not make a title search a text search. A line that does not start with a
// quote (written by hand) is read as the program always read it: the query runs up to its
// first apostrophe after the first character, apostrophes dropped, and "tekstovima" anywhere
// means titles and texts.
Replay parse(const QByteArray& entry);

} // namespace recentsearches
