#pragma once

// The word routines of the searches: a query is split into words at the delimiters (the searches
// use the blank alone, so tabs and punctuation belong to the words), and every word must occur in
// the searched text as a run of identical bytes.

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

namespace searchwords {

// The blank: the only delimiter the searches use.
inline constexpr char Blank = ' ';

// The number of words of `text`: maximal runs of characters that are not delimiters.
int WordCount(const QByteArray& text, const QByteArray& delimiters = QByteArray(1, Blank));

// Word `n` of `text`, counted from 1; empty when the text has fewer words (or n < 1).
QByteArray ExtractWord(int n, const QByteArray& text, const QByteArray& delimiters = QByteArray(1, Blank));

// Every word of `text` in order: what counting and extracting them one by one gives, in one pass.
QByteArrayList words(const QByteArray& text, const QByteArray& delimiters = QByteArray(1, Blank));

// True when `word` is empty or occurs in `text` byte for byte (callers upper-case both sides).
bool contains(QByteArrayView text, QByteArrayView word);

// A query of one or two characters would list nearly the whole collection: the searches ask
// before they run one.
inline bool isShortQuery(const QByteArray& query)
{
    return query.size() == 1 || query.size() == 2;
}
inline constexpr const char* ShortQueryQuestion = "Vas tekst za pretragu je prekratak. Na ovaj nacin program ce vam "
                                                  "izlistati gotovo celu bazu!\n\rNastaviti pretragu?";

} // namespace searchwords
