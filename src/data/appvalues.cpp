#include "appvalues.h"

namespace appvalues {

QString LatinFontName;
QString CyrillicFontName;
QString UIFontName;
QByteArray DataVersion;
QByteArray LastUpdateDate = "9/12/2019";

} // namespace appvalues
