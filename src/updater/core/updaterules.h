#pragma once

// The rules of an update run that need no window: where files go, which server names are taken,
// what is new, and the renames of archives that older downloads stored under short names.

#include <functional>
#include <QByteArray>
#include <QByteArrayList>
#include <QString>

namespace updates {

// Beside the program: the downloaded archives and news files, and the folder each archive is
// extracted into before it is installed.
QString downloadFolder();   // program folder + "updates"
QString extractionFolder(); // program folder + "update/"
QString logFile();          // program folder + "log.txt"
// The titles of the last installed update's regulations, which the main window also saves there
// when it closes: an install saves them as its last step, so they last whatever ends the program.

// The remote folder that holds the archives.
inline constexpr const char* RemoteFolder = "updates";

// Archives are the names holding "zip", news files those holding "txt" (letter case counts: the
// server writes them in lower case). A name holding both is installed as an archive.
bool isArchiveName(const QByteArray& name);
bool isNewsName(const QByteArray& name);

enum class ListedName { Taken, NotOurs, Unsafe };
// Whether a name the server listed is taken: not "." or "..", an archive or news name, and a
// plain file name. A name that could place a file outside the download folder (one with "/",
// "\", "..", or a drive) is unsafe and never taken.
ListedName classifyListedName(const QByteArray& name);

// The server's new files: `server` less the names the download folder holds (letter case
// aside), both sorted without regard to case. Every local name the server no longer lists is
// passed to `notOnServer`.
QByteArrayList newFiles(QByteArrayList local, QByteArrayList server,
                        const std::function<void(const QByteArray&)>& notOnServer = {});

// Renames "1.zip" .. "11.zip" of `folder` to "001.zip" .. "011.zip", so they match the server's
// names; a rename whose new name exists already is left undone. Names from "12.zip" on stay.
void renameShortNames(const QString& folder);

// Sorting without regard to case, as the lists of the run are sorted.
bool lessNoCase(const QByteArray& a, const QByteArray& b);

} // namespace updates
