#pragma once

// The title searches of the lists (a phrase over the area listing, a piece of a title over the
// archive list, the find of the selection list): both sides are upper-cased the YUSCII way, so
// "{uma" finds "[UMA", and the piece must occur in the title as a run of identical bytes.

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

namespace titlesearch {

// True when `piece` occurs in `title` without regard to case; an empty piece occurs in every
// title, and a piece longer than the title never does.
bool contains(const QByteArray& title, const QByteArray& piece);

// The positions of the titles that hold the piece, in list order.
QList<int> matching(const QByteArrayList& titles, const QByteArray& piece);

} // namespace titlesearch
