#pragma once

#include <QString>

namespace platform {

// The program folder (the executable's folder) with a trailing "/". Files beside the program
// (configuration, lists, fonts, the data folder) are looked for here.
QString programFolder();
// Tests point the program at a folder of their own; an empty text goes back to the executable's.
void setProgramFolder(const QString& folder);
// A file beside the program.
QString programFile(const QString& name);

// The user's home folder, as $HOME names it: empty when there is none, that is when HOME is unset,
// empty, relative, the root of the file system, or not an existing folder. Without a home folder
// the program keeps what it would keep in the user's folders beside itself, or nowhere, and never
// lets the system's fallbacks put it at the root.
QString homeFolder();
// One of the user's folders by the XDG rules: $<variable> when it is an absolute path, otherwise
// `underHome` inside the home folder. Empty without a home folder, whatever the variable says.
QString userFolder(const char* variable, const QString& underHome);

// The path of the entry of `folder` named `name` without regard to letter case (file names are
// spelt in more than one case: "TB_grafika.DB" and "TB_Grafika.db"); an exact match wins.
// Empty when there is none.
QString findFileNoCase(const QString& folder, const QString& name);

} // namespace platform
