#include "titlesearch.h"

#include "searchwords.h"
#include "yuscii.h"

namespace titlesearch {

bool contains(const QByteArray& title, const QByteArray& piece)
{
    return searchwords::contains(yuscii::yupperW(title), yuscii::yupperW(piece));
}

QList<int> matching(const QByteArrayList& titles, const QByteArray& piece)
{
    // The piece is upper-cased once, not once per title.
    const QByteArray upperPiece = yuscii::yupperW(piece);
    QList<int> found;
    for (int i = 0; i < titles.size(); ++i) {
        if (searchwords::contains(yuscii::yupperW(titles[i]), upperPiece)) {
            found.append(i);
        }
    }
    return found;
}

} // namespace titlesearch
