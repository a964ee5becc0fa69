#include "appvalues.h"

namespace appvalues {

QString LatinFontName;
QString CyrillicFontName;
QString UIFontName;
QByteArray DataVersion;
QByteArray LastUpdateDate = "9/12/2019";
char DateSeparator = '/';
QString ShortDateFormat = QStringLiteral("dd/MM/yyyy");
QString LongDateFormat = QStringLiteral("dd/MM/yyyy");

} // namespace appvalues
