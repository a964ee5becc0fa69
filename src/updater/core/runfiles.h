#pragma once

// The files of an update run on disk. A downloaded file waits in a folder of its own inside the
// download folder until it has been wholly processed (an archive installed, a news file offered)
// and only then takes its name in the download folder, where the listing counts it as done. A run
// cut short at any moment, by a failure, a kill or a power cut, thus leaves its file to be
// fetched and installed again by the next run. Also the clean-up of what such a run left.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace updates {

// download folder + "/.incomplete". The listing takes only the download folder's own files, so
// nothing in here ever looks installed.
QString pendingFolder(const QString& downloadFolder);
// Where the file `name` waits: in the pending folder under its own name.
QString pendingFile(const QString& downloadFolder, const QByteArray& name);

// Gives the waiting file its name in the download folder and puts that on disk before it
// returns: from then on the file counts as done. Empty on success, else the system's reason (the
// file then keeps waiting and the next run fetches it again).
QString finishFile(const QString& downloadFolder, const QByteArray& name);

// Removes what a run cut short leaves behind and rolls back its table writes:
// - every file of the pending folder (downloads whose processing did not end, partly written
//   downloads);
// - every file of the extraction folder (an archive's extracted tables, partly written entries);
//   its sub-folders stay;
// - beside each table of the data folder, the copy a rebuild was writing and its journal, and
//   the partly written files of records a salvage put aside;
// - a table whose write was cut short has its journal played back (the engine does it when the
//   file is opened), so no one reads it half written.
// Returns the names of what was removed or rolled back from the pending and data folders, for
// the log (the extraction folder's files are there after every install, and are not named). An
// empty folder name is skipped. Called while no table is being written.
QStringList clearLeftovers(const QString& downloadFolder, const QString& extractionFolder, const QString& dataFolder);

} // namespace updates
