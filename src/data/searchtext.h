#pragma once

// The form of a regulation's or an opinion's text that the title-and-text searches compare: its
// plain text, upper-cased with yupperW like the query words, so that a YUSCII capital in the text
// is found by a small letter in the query and the other way round.

#include <QByteArray>

namespace data {

QByteArray searchableText(const QByteArray& richText);

// Registers searchableText as the search copy of the Latin text of the regulations and of the
// opinions, which their table files keep beside each record (engine/searchcopy.h). Every process
// that writes or searches those tables calls it before; calling it again changes nothing.
void registerSearchCopies();

// Where the copies live and what they copy: the same field of both tables.
inline constexpr const char* SearchedTable = "TB_Zakoni";
inline constexpr const char* SearchedOpinionsTable = "TB_Misljenja";
inline constexpr const char* SearchedField = "Latinica";

} // namespace data
