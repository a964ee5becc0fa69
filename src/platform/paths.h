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

// The path of the entry of `folder` named `name` without regard to letter case (file names are
// spelt in more than one case: "TB_grafika.DB" and "TB_Grafika.db"); an exact match wins.
// Empty when there is none.
QString findFileNoCase(const QString& folder, const QString& name);

} // namespace platform
