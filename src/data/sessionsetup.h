#pragma once

// The database session as the program sets it up at start: the alias ZAKONI on the data folder
// beside the program, and the tables' password.

#include <QString>

namespace data {

inline constexpr const char* DatabaseAlias = "ZAKONI";
inline constexpr const char* DataFolderName = "Podatci";
// Every table file of the collection is protected with this word.
inline constexpr const char* TablePassword = "brvnar";

// Deletes the alias (ignoring that it may not exist), adds it on programFolder + "Podatci" with
// the standard driver, gives the password and opens the session; registers the search copies
// (searchtext.h) and the tables' record types (schema.h) first. Throws engine::Error.
void setUpSession(const QString& programFolder);

} // namespace data
