#pragma once

// How the personal lists grow and shrink: the frequently opened regulations ("cesti.ini"), the
// recent searches ("pretrage.ini") and the titles marked for quick opening ("brzi.ini"). Lists
// keep their oldest entry first.

#include <QByteArray>
#include <QByteArrayList>

namespace personallists {

// What adding one entry does to a list: drop its first (oldest) entry, and append the new one.
struct Change {
    bool dropOldest = false;
    bool append = false;
};

// A list capped at `capacity`: when it holds that many entries or more, the oldest goes first.
// Only one goes, so a list longer than its capacity (lowered meanwhile, or read from a longer
// file) shrinks only as new entries replace old ones.
Change appendCapped(int count, int capacity);

// The frequently opened list: a title already there (letter case ignored, YUSCII letters
// included) changes nothing and keeps its place; otherwise as appendCapped.
Change addFrequent(const QByteArrayList& titles, const QByteArray& title, int capacity);

// The quick-open list holds at most this many titles.
inline constexpr int QuickOpenLimit = 8;
enum class QuickAdd { Added, AlreadyThere, Full };
// A full list refuses first; a title equal byte for byte to an entry is not added twice, but one
// that differs only in letter case is.
QuickAdd addQuickOpen(const QByteArrayList& titles, const QByteArray& title);

// The change applied to a list held as lines (what the tests and the list files see).
void apply(QByteArrayList& list, Change change, const QByteArray& entry);

// The longest title a list can be given: the size of the longer of the regulations' and the
// opinions' title fields. The frequently opened, quick-open and newest lists hold titles.
int longestTitle();
// The longest entry a search can leave in the recent searches: its query as long as the longest
// title and made of apostrophes (each doubled in the entry), with the longer scope and the
// largest count.
int longestSearchEntry();
// The lines of a list file as its list takes them: a line longer than `limit` can be no entry of
// the list (only a damaged or foreign file holds one) and is dropped, lest a list box spend
// seconds laying it out; the other lines keep their order, empty ones too.
QByteArrayList entries(QByteArrayList lines, int limit);

} // namespace personallists
