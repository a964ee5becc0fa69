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
// Where the file `name` waits: in the pending folder under its own name. For the log and the
// messages; the run reaches the file through RunFolders.
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

// The folders of one run (the download folder, its pending folder and the extraction folder),
// each made a real folder and opened once, as it stands and never through a link, and from then
// on reached only through that handle: another program that renames one of them away and puts a
// link in its place meanwhile sends nothing of the run elsewhere, and reaches none of its files.
// The program's folder, which holds them, is the program's own.
class RunFolders final {
public:
    RunFolders(const QString& downloadFolder, const QString& extractionFolder);
    ~RunFolders();
    RunFolders(const RunFolders&) = delete;
    RunFolders& operator=(const RunFolders&) = delete;

    QString downloadFolder() const { return m_downloadFolder; }
    QString extractionFolder() const { return m_extractionFolder; }

    // Makes the download folder a real one and opens it; false, with the system's reason in
    // `why` when given, when it cannot be.
    bool openDownloadFolder(QString* why = nullptr);

    // Removes what a run cut short leaves behind and rolls back its table writes:
    // - every file of the pending folder (downloads whose processing did not end, partly written
    //   downloads);
    // - every file of the extraction folder (an archive's extracted tables, partly written
    //   entries); its sub-folders stay;
    // - beside each table of the data folder, the copy a rebuild was writing and its journal, and
    //   the partly written files of records a salvage put aside;
    // - a table whose write was cut short has its journal played back (the engine does it when
    //   the file is opened), so no one reads it half written.
    // Links among them are removed as links; a pending or extraction folder that is a link is
    // removed and a real folder made in its place; both are then open for the run. Returns the
    // names of what was removed or rolled back from the pending and data folders, for the log
    // (the extraction folder's files are there after every install, and are not named). An empty
    // data folder name is skipped. Called while no table is being written, after
    // openDownloadFolder.
    QStringList clearLeftovers(const QString& dataFolder);

    // The open folders; each is made and opened at its first use when the clean-up could not.
    // -1, with the system's reason in `why` when given, when it cannot be.
    int downloadFd() const { return m_downloadFd; }
    int pendingFd(QString* why = nullptr);
    int extractionFd(QString* why = nullptr);

    // Removes every file and link of the extraction folder, as clearFolder does.
    void clearExtractionFolder();
    // The extraction folder the run opened, named through its open handle: the archive's tables
    // are read from there, never from what another program renames or links in at its name
    // meanwhile. Empty, with the system's reason in `why` when given, when it cannot be opened.
    QString openedExtractionFolder(QString* why = nullptr);

    // Opens the waiting file `name` for reading, as it stands: a link in its place is not
    // followed. -1 with errno set when it cannot be opened.
    int openPending(const QByteArray& name);
    // Gives the waiting file its name in the download folder and puts that on disk before it
    // returns: from then on the file counts as done. Empty on success, else the system's reason
    // (the file then keeps waiting and the next run fetches it again).
    QString finishFile(const QByteArray& name);
    // Removes the waiting file (a link in its place itself); false when nothing was removed.
    bool discardFile(const QByteArray& name);

private:
    QString m_downloadFolder;
    QString m_extractionFolder;
    int m_downloadFd = -1;
    int m_pendingFd = -1;
    int m_extractionFd = -1;
};

// A download's file in the pending folder: written under a temporary name, created there anew
// (never through a link that stands in the folder under any name), and given the waiting name
// by commit() once it is complete and on disk. Unless committed, the temporary file is removed.
class PendingDownload final {
public:
    PendingDownload(RunFolders& folders, const QByteArray& name);
    ~PendingDownload();
    PendingDownload(const PendingDownload&) = delete;
    PendingDownload& operator=(const PendingDownload&) = delete;

    // Creates the temporary file in the run's pending folder. False on failure, with the
    // system's reason in error().
    bool open();
    // Where the downloaded bytes go, between open() and commit().
    QIODevice& device() { return m_device; }
    bool commit();
    QString error() const { return m_error; }
    // Whether the last failure, in a write too, was the disk having no room.
    bool noRoom() const;

private:
    // Writes straight to the file, keeping the system's reason when a write fails: a full disk
    // is told as such, not as a file that cannot be written.
    class Device final : public QIODevice {
    public:
        int fd = -1;
        int failure = 0;

    protected:
        qint64 readData(char*, qint64) override { return -1; }
        qint64 writeData(const char* data, qint64 size) override;
    };

    bool fail(int error);
    void discard();

    RunFolders& m_folders;
    QByteArray m_name;
    QByteArray m_partName; // the temporary file's, while it exists
    int m_fd = -1;
    Device m_device;
    QString m_error;
    int m_failure = 0;
};

// Whether the disks an archive's entries go to have room for them, whose declared sizes add up
// to `declared` bytes, with room to spare: the extraction folder's disk, and the data folder's
// when that is another (the install's journals and the rebuild's copies go there).
struct ExtractionRoom {
    bool fits = true;
    qint64 needed = 0;     // the declared sizes and the margin kept free
    qint64 available = -1; // on the disk short of room (else the extraction folder's); -1 when the
                           // system could not say
    bool dataDisk = false; // the data folder's disk is the one short of room
};
// A disk as the room check sees it: which one, and its free bytes (-1 when not known).
struct DiskSpace {
    quint64 device = 0;
    qint64 available = -1;
};
// The disk of an open folder, and of a folder by its name (followed to where it lies).
DiskSpace diskSpace(int folderFd);
DiskSpace diskSpace(const QString& folder);
// The rule: each disk must hold the entries and the margin; one disk for both is counted once.
// A disk whose free space is not known is not counted (the per-entry limits still hold while
// writing).
ExtractionRoom extractionRoom(qint64 declared, const DiskSpace& extraction, const DiskSpace& data = {});

} // namespace updates
