// The update run: the first click lists the server's new files, the second downloads them in
// name order and extracts and installs each; every step goes to the update log.

#include "updaterwindow.h"

#include "error.h"
#include "failuremessages.h"
#include "logger.h"
#include "prompter.h"
#include "runfiles.h"
#include "screentext.h"
#include "session.h"
#include "sessionsetup.h"
#include "statusbar.h"
#include "updaterules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <unistd.h>

namespace {

const char* const Ready = "Spremno";
const char* const Downloading = "preuzima se...";
const char* const Installing = "instalira se...";
const char* const Done = "preuzeto";
const char* const Failed = "neuspe{no";

const char* const ListingFailed = "Gre{ka u preuzimanju liste datoteka";
const char* const DownloadFailed = "Gre{ka u preuzimanju datoteka";

// The log beside the program cannot be written: the folder is read-only or the disk is full.
QByteArray logFailureMessage()
{
    return "Dnevnik a`uriranja " + QFile::encodeName(updates::logFile()) +
           " ne mo`e da se upi{e.\r\nProverite prava pristupa folderu programa i prostor na disku.";
}

// The folder of the collection's tables; empty when no collection is set up.
QString collectionFolder()
{
    try {
        return engine::session().aliasFolder(data::DatabaseAlias);
    } catch (const engine::Error&) {
        return {};
    }
}

} // namespace

void Tupdater::logLine(const QByteArray& text)
{
    logBare(TLogger::stamped(text));
}

// After the first line a log that cannot be written no longer stops the run: the run's own work
// matters more than its record, and the failure is told once at the end.
void Tupdater::logBare(const QByteArray& text)
{
    if (m_log == nullptr || m_logFailed) {
        return;
    }
    try {
        m_log->Log(text);
    } catch (const LogError&) {
        m_logFailed = true;
    }
}

void Tupdater::SpeedButton1Click()
{
    if (m_running) {
        return; // the button is disabled while a click runs; nothing starts a second run
    }
    // The log is emptied as the click begins and takes every line as it happens: after a crash
    // or a kill it holds the failed run up to its last step.
    TLogger log(updates::logFile());
    try {
        log.Log(TLogger::stamped(" LOG fajl otvoren"));
        log.Log({});
    } catch (const LogError&) {
        platform::prompter().error(logFailureMessage());
        return;
    }
    // The run's folders are opened once, as they stand, and reached through those handles alone.
    updates::RunFolders folders(updates::downloadFolder(), updates::extractionFolder());
    struct Running {
        Tupdater* window;
        explicit Running(Tupdater* w) : window(w) { window->m_running = true; }
        ~Running()
        {
            window->m_log = nullptr;
            window->m_folders = nullptr;
            window->m_running = false;
        }
    } running(this);
    m_log = &log;
    m_folders = &folders;
    m_logFailed = false;
    SpeedButton1->setEnabled(false);

    // A link in the folder's place is replaced by a real folder: the run writes nothing through it.
    if (!folders.openDownloadFolder()) {
        platform::prompter().message("Neuspesno kreiranje direktorijuma za azuriranje!");
        logLine(" Neuspesno kreiranje direktorijuma za azuriranje!");
    } else {
        clearLeftovers();
        if (m_tag == 0) {
            phase0();
        } else {
            phase1();
        }
    }
    m_log = nullptr;
    try {
        log.close();
    } catch (const LogError&) {
        m_logFailed = true;
    }
    if (m_logFailed) {
        platform::prompter().error(logFailureMessage());
    }
}

// What an earlier run cut short left is cleared before anything is listed or read: its download
// is fetched and installed again, and its tables are whole again before they are read.
void Tupdater::clearLeftovers()
{
    const QStringList removed = m_folders->clearLeftovers(collectionFolder());
    for (const QString& name : removed) {
        logLine(" uklonjen ostatak prekinutog azuriranja: " + QFile::encodeName(name));
    }
}

void Tupdater::phase0()
{
    ListBox2.clear();
    ListView1->clear();
    for (const QString& name : QDir(updates::downloadFolder()).entryList(QDir::Files | QDir::Hidden)) {
        ListBox2.append(QFile::encodeName(name));
    }
    ListBox3.clear();
    try {
        logLine(" Konektovanje...");
        ProgressBar1->setRange(0, 0); // busy while the server is waited for
        m_ftp->connectToServer();
        logBare(TLogger::stamped(m_ftp->host().toUtf8()));
        logLine(" promena ftp direktorijuma...");
        m_ftp->changeDirectory(updates::RemoteFolder);
        logLine(" uspesna promena ftp direktorijuma");
        logLine(" izlistavanje ftp-a...");
        m_ftp->listNames();
        logLine(" uspesno izlistavanje ftp-a");
        ProgressBar1->setRange(0, 100);

        ListBox3 = updates::newFiles(ListBox2, ListBox3, [this](const QByteArray&) { logLine(" brisanje fajla"); });
        std::stable_sort(ListBox2.begin(), ListBox2.end(), updates::lessNoCase);
        ListView1->clear();
        for (const QByteArray& name : ListBox3) {
            auto* row = new QTreeWidgetItem(ListView1, {platform::toScreen(name), platform::toScreen(Ready)});
            const int image = updates::isNewsName(name) ? 1 : 0;
            row->setIcon(0, listImage(image));
            row->setData(0, Qt::UserRole, image);
        }
        if (!ListBox3.isEmpty()) {
            setButtonState(1, Qt::red);
            logLine(" azuriranje omoguceno");
        } else {
            platform::prompter().message("Nema novijih datoteka za preuzimanje sa interneta!");
            logLine(" Nema novijih datoteka za preuzimanje sa interneta!");
            logLine(" LOG fajl zatvoren");
        }
    } catch (const updates::FtpError& e) {
        ProgressBar1->setRange(0, 100);
        ListBox3.clear();
        ftpFailed(e, Stage::Listing);
        logLine(" diskonektovanje...");
        m_ftp->disconnectFromServer();
        logLine(" uspesno diskonektovanje");
    }
    SpeedButton1->setEnabled(true);
}

void Tupdater::phase1()
{
    try {
        logLine(" pocetak azuriranja po spisku");
        m_ftp->connectToServer();
        m_ftp->changeDirectory(updates::RemoteFolder);
        logLine(" konektovanje ok i promenjen ftp dir");
        for (int i = 0; i < ListBox3.size(); ++i) {
            const QByteArray name = ListBox3[i];
            const bool archive = updates::isArchiveName(name);
            setRowStatus(i, Downloading);
            logLine(" download " + name);
            if (!downloadFile(name)) {
                setRowStatus(i, Failed);
                // Archives build on each other: the later ones wait for this one, which the next
                // run offers again.
                if (archive) {
                    break;
                }
                continue;
            }
            logLine(" download " + name + " zavrsen");
            logBare("Praznjenje update foldera");
            ispraznidir();
            logBare("Raspakivanje " + name);
            bool ok = raspakuj(name);
            if (archive) {
                if (ok) {
                    logBare("Zip fajl - inatalacija");
                    setRowStatus(i, Installing);
                    logLine(" instalacija izmena...");
                    ok = azur(name) && saveNewest() && finishFile(name);
                }
                // An archive's extracted tables go once it is installed or refused: nothing of it
                // stays behind, also when the run ends at the next download.
                ispraznidir();
                if (!ok) {
                    discardDownload(name);
                    setRowStatus(i, Failed);
                    break;
                }
            } else {
                showNews(name);
                finishFile(name);
            }
            setRowStatus(i, Done);
        }
    } catch (const updates::FtpError& e) {
        ftpFailed(e, Stage::Downloading);
        logLine(" ftp dc...");
        m_ftp->disconnectFromServer();
        logLine(" ftp dc ok");
    }
    ListBox2.clear();
    ListBox3.clear();
    setButtonState(0, Qt::black);
    SpeedButton1->setEnabled(true);
    setStatus({});
    logLine(" LOG fajl zatvoren");
}

QString Tupdater::pendingPath(const QByteArray& name) const
{
    return updates::pendingFile(updates::downloadFolder(), name);
}

// The file goes to the pending folder, under a temporary name there until it is complete; it
// takes its name in the download folder, where the listing counts it as done, only once it has
// been wholly processed.
bool Tupdater::downloadFile(const QByteArray& name)
{
    updates::PendingDownload file(*m_folders, name);
    const auto noRoom = [&] { return file.noRoom() ? name : QByteArray(); };
    if (!file.open()) {
        ftpFailed(updates::FtpError(updates::FtpError::Kind::LocalFile, file.error()), Stage::Downloading, noRoom());
        return false;
    }
    try {
        m_ftp->download(name, file.device());
    } catch (const updates::FtpError& e) {
        ftpFailed(e, Stage::Downloading, e.kind() == updates::FtpError::Kind::LocalFile ? noRoom() : QByteArray());
        return false;
    }
    if (!file.commit()) {
        ftpFailed(updates::FtpError(updates::FtpError::Kind::LocalFile, file.error()), Stage::Downloading, noRoom());
        return false;
    }
    return true;
}

bool Tupdater::finishFile(const QByteArray& name)
{
    ZipArchive1.Close();
    const QString why = m_folders->finishFile(name);
    if (!why.isEmpty()) {
        logLine(" neuspelo upisivanje fajla " + name + " (" + why.toLocal8Bit() + ")");
        platform::prompter().message("Azuriranje nije uspelo\r\nDatoteka " + name +
                                     " ne mo`e da se upi{e u folder updates.");
        return false;
    }
    logLine(" fajl " + name + " obradjen");
    return true;
}

// An archive that failed is not kept: the next run does not find it and downloads and installs
// it again.
void Tupdater::discardDownload(const QByteArray& name)
{
    ZipArchive1.Close();
    if (m_folders->discardFile(name)) {
        logLine(" brisanje neuspelog fajla " + name);
    } else {
        logLine(" neuspelo brisanje fajla " + name);
    }
}

void Tupdater::showNews(const QByteArray& name)
{
    if (!platform::prompter().confirm("Zelite li sada da procitate vesti iz datoteke " + name + "?")) {
        return;
    }
    const int fd = m_folders->openPending(name);
    QFile news;
    if (fd >= 0 && news.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        platform::prompter().message(news.readAll());
    } else if (fd >= 0) {
        ::close(fd);
    }
}

void Tupdater::ftpFailed(const updates::FtpError& error, Stage stage, const QByteArray& noRoomFor)
{
    using Kind = updates::FtpError::Kind;
    const QByteArray transfer = stage == Stage::Listing ? ListingFailed : DownloadFailed;
    QByteArray status;
    QByteArray why;
    switch (error.kind()) {
    case Kind::NoNetwork:
        status = "Morate se povezati na Internet da bi a`uriranje putem Interneta funkcionisalo.";
        break;
    case Kind::ConnectFailed:
        status = "Konekcija neuspe{na!";
        why = "Server za a`uriranje se ne javlja.";
        break;
    case Kind::LoginFailed:
        status = "Gre{ka u konektovanju";
        why = "Server je odbio prijavu.";
        break;
    case Kind::Refused:
        status = transfer;
        why = "Server je odbio zahtev.";
        break;
    case Kind::TimedOut:
        status = transfer;
        why = "Server ne odgovara.";
        break;
    case Kind::Dropped:
        status = transfer;
        why = "Veza sa serverom je prekinuta.";
        break;
    case Kind::LocalFile:
        status = transfer;
        why = noRoomFor.isEmpty() ? QByteArray("Preuzeta datoteka ne mo`e da se snimi.")
                                  : "Na disku nema mesta za datoteku " + noRoomFor +
                                        ".\r\nOslobodite prostor na disku i poku{ajte ponovo.";
        break;
    case Kind::Other:
        status = "Gre{ka u konektovanju";
        break;
    }
    setStatus(status);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    logLine(" " + status + " (" + error.message().toUtf8() + ")");
    platform::prompter().message(why.isEmpty() ? status : status + "\r\n" + why);
}

void Tupdater::ispraznidir()
{
    if (m_folders != nullptr) {
        m_folders->clearExtractionFolder();
    } else {
        updates::clearFolder(updates::extractionFolder());
    }
}

// The one place that decides whether a downloaded file opened as an archive: a news file is no
// archive and extracts nothing; a file named as an archive that the reader cannot open fails.
bool Tupdater::openArchive(const QByteArray& name)
{
    const QString path = pendingPath(name);
    // The file the run downloaded, in the folder it downloaded it to, whatever stands at that
    // folder's name by now.
    QString why;
    const int folder = m_folders->pendingFd(&why);
    if (folder < 0) {
        throw ZipError(QStringLiteral("Cannot open %1: %2").arg(path, why), ZipError::Kind::Local);
    }
    ZipArchive1.OpenAt(folder, name, path);
    // An archive whose directory does not read may be cut or damaged: what could be recovered
    // from it is not installed, and the next run fetches it again.
    if (ZipArchive1.DirectoryDamaged()) {
        throw ZipError(ZipArchive1.DirectoryError());
    }
    if (ZipArchive1.Active()) {
        return true;
    }
    if (updates::isArchiveName(name)) {
        throw ZipError(QStringLiteral("%1 is not a ZIP archive").arg(path));
    }
    return false;
}

bool Tupdater::raspakuj(const QByteArray& name)
{
    using updates::UnpackFailure;
    const QString path = pendingPath(name);
    const QString target = updates::extractionFolder();
    // What a failure of the computer's (not of the archive) means at the current step.
    UnpackFailure localFailure = UnpackFailure::CannotRead;
    updates::ExtractionRoom room;
    // The entry being extracted, named when its data are at fault.
    QString entryName;
    try {
        if (!openArchive(name)) {
            return true;
        }
        localFailure = UnpackFailure::CannotWrite;
        // The folder comes with the installation; one that went missing, or a link in its place,
        // is made a real folder again.
        QString why;
        const int folder = m_folders->extractionFd(&why);
        if (folder < 0) {
            throw ZipError(QStringLiteral("Cannot create the folder %1: %2").arg(target, why), ZipError::Kind::Local);
        }
        // What the entries declare is checked against the disks before anything is written: an
        // archive that unpacks to more than a disk holds (a few megabytes that inflate to
        // gigabytes) would fill it before any of its tables could be refused. While extracting,
        // no entry writes more than it declares.
        const QString dataFolder = collectionFolder();
        room = updates::extractionRoom(ZipArchive1.UncompressedTotal(), updates::diskSpace(folder),
                                       dataFolder.isEmpty() ? updates::DiskSpace{} : updates::diskSpace(dataFolder));
        if (!room.fits) {
            localFailure = UnpackFailure::NoRoom;
            throw ZipError(QStringLiteral("%1 needs %2 bytes on the disk of %3, where %4 are free")
                               .arg(path)
                               .arg(room.needed)
                               .arg(room.dataDisk ? dataFolder : target)
                               .arg(room.available),
                           ZipError::Kind::Local);
        }
        ZipArchive1.setOverwriteAction(oaOverwriteAll);
        ZipArchive1.SelectAll();
        for (int i = 0; i < ZipArchive1.Entries().Count(); ++i) {
            TZipArchiveEntriesEntry& entry = ZipArchive1.Entries()[i];
            entryName = entry.FileName();
            entry.ExtractAt(folder, target);
            QCoreApplication::processEvents();
        }
    } catch (const ZipError& e) {
        logLine(" " + e.message().toUtf8());
        const UnpackFailure why = e.kind() == ZipError::Kind::Archive ? UnpackFailure::FaultyArchive : localFailure;
        platform::prompter().message(
            updates::unpackFailureMessage(why, name, room, why == UnpackFailure::FaultyArchive ? entryName : QString()));
        ZipArchive1.Close();
        // Nothing of a failed archive stays to be taken for the next one's.
        ispraznidir();
        return false;
    }
    return true;
}

void Tupdater::setRowStatus(int row, const QByteArray& status)
{
    if (QTreeWidgetItem* item = ListView1->topLevelItem(row)) {
        item->setText(1, platform::toScreen(status));
    }
}

void Tupdater::setButtonState(int tag, const QColor& colour)
{
    m_tag = tag;
    platform::setCaption(SpeedButton1, tag == 0 ? "&A`uriraj" : "&Po~ni");
    QPalette palette = SpeedButton1->palette();
    palette.setColor(QPalette::ButtonText, colour);
    SpeedButton1->setPalette(palette);
}
