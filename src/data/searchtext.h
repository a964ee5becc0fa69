#pragma once

// The form of a regulation's text that the title-and-text search compares: its plain text,
// upper-cased with yupperW like the query words, so that a YUSCII capital in the text is found
// by a small letter in the query and the other way round.

#include <QByteArray>

namespace data {

QByteArray searchableText(const QByteArray& richText);

// Registers searchableText as the search copy of the regulations' Latin text, which the table
// file keeps beside each record (engine/searchcopy.h). Every process that writes or searches the
// regulations table calls it before; calling it again changes nothing.
void registerSearchCopies();

// Where the copies live and what they copy.
inline constexpr const char* SearchedTable = "TB_Zakoni";
inline constexpr const char* SearchedField = "Latinica";

} // namespace data
