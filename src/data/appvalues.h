#pragma once

// Values that the start-up window sets for the whole process and the other windows read.

#include <QByteArray>
#include <QString>

namespace appvalues {

inline constexpr const char* ApplicationTitle = "Korvelin";

// Font families of Latin YUSCII text, of the Cyrillic form and of the user interface.
extern QString LatinFontName;
extern QString CyrillicFontName;
extern QString UIFontName;

// The data version (tenth line of the configuration file) and the date of the last update.
extern QByteArray DataVersion;
extern QByteArray LastUpdateDate;

// Dates: day, month and four-digit year joined by the separator, wherever the program converts them.
extern char DateSeparator;
extern QString ShortDateFormat;
extern QString LongDateFormat;

} // namespace appvalues
