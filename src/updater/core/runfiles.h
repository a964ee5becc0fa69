#pragma once

// The files of an update run on disk. A downloaded file waits in a folder of its own inside the
// download folder until it has been wholly processed (an archive installed, a news file offered)
// and only then takes its name in the download folder, where the listing counts it as done. A run
// cut short at any moment, by a failure, a kill or a power cut, thus leaves its file to be
// fetched and installed again by the next run. Also the clean-up of what such a run left.
//
// The run's folders (the download folder, its pending folder and the extraction folder) are the
// program's own: nothing is written or removed through a symbolic link found in them or in their
// place. A link is removed itself, never what it points to.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace updates {

// download folder + "/.incomplete". The listing takes only the download folder's own files, so
// nothing in here ever looks installed.
QString pendingFolder(const QString& downloadFolder);
// Where the file `name` waits: in the pending folder under its own name.
QString pendingFile(const QString& downloadFolder, const QByteArray& name);

// Makes `folder` a real folder: a symbolic link in its place (to a folder, to a file, or to
// nothing) is removed and the folder made, its parents too when missing. False, with the
// system's reason in `why` when given, when it cannot be made or a file that is no link stands
// in its place.
bool ownFolder(const QString& folder, QString* why = nullptr);

// Removes from `folder` every file and every symbolic link (the link itself, wherever it
// points); real sub-folders stay with their files, and links inside them go too. Returns the
// names removed at the top level. Nothing when the folder is missing or is itself a link.
QStringList clearFolder(const QString& folder);

// A download's file in the pending folder: written under a temporary name, created there anew
// (never through a link that stands in the folder under any name), and given the waiting name
// by commit() once it is complete and on disk. Unless committed, the temporary file is removed.
class PendingDownload final {
public:
    PendingDownload(const QString& downloadFolder, const QByteArray& name);
    ~PendingDownload();
    PendingDownload(const PendingDownload&) = delete;
    PendingDownload& operator=(const PendingDownload&) = delete;

    // Makes the pending folder a real one when needed and creates the temporary file. Each is
    // false on failure, with the system's reason in error().
    bool open();
    // Where the downloaded bytes go, between open() and commit().
    QIODevice& device() { return m_device; }
    bool commit();
    QString error() const { return m_error; }

private:
    bool fail(int error);
    void discard();

    QString m_folder;
    QByteArray m_name;
    QByteArray m_partName; // the temporary file's, while it exists
    int m_folderFd = -1;
    int m_fd = -1;
    QFile m_device;
    QString m_error;
};

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
// Links among them are removed as links. A pending folder that is a link is removed, and an
// extraction folder that is one is made a real folder. Returns the names of what was removed or
// rolled back from the pending and data folders, for the log (the extraction folder's files are
// there after every install, and are not named). An empty folder name is skipped. Called while
// no table is being written.
QStringList clearLeftovers(const QString& downloadFolder, const QString& extractionFolder, const QString& dataFolder);

// Whether the extraction folder's disk has room for an archive's entries, whose declared sizes
// add up to `declared` bytes, with room to spare.
struct ExtractionRoom {
    bool fits = true;
    qint64 needed = 0;     // the declared sizes and the margin kept free
    qint64 available = -1; // on the folder's disk; -1 when the system could not say
};
ExtractionRoom extractionRoom(const QString& folder, qint64 declared);

} // namespace updates
