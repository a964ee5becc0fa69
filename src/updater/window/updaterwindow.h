#pragma once

// The updater window: brings the collection up to date from the publisher's update server. The
// first click of the update button lists the server's new archives, the second downloads them in
// name order and extracts and installs each. The window also verifies and rebuilds tables, for
// the install.
//
// While a click runs, the window does not close: the run goes on in it, seen, to its end, with the
// main window disabled behind it.
//
// The class is one; its work is split by concern: updaterwindow.cpp (controls, creation, closing,
// FTP events), updaterrun.cpp (the two-phase run, extraction), updaterinstall.cpp (install,
// verify, rebuild).

#include "dbeutil.h"
#include "ftpclient.h"
#include "install.h"
#include "upperwindows.h"
#include "ziparchive.h"

#include <memory>
#include <QByteArrayList>
#include <QDialog>
#include <QIcon>

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class TLogger;

namespace data {
struct MainTables;
}
namespace engine {
class Table;
}
namespace updates {
class RunFolders;
}
namespace platform {
class PanelStatusBar;
}

class Tupdater final : public QDialog, public mainwin::UpdateWindow {
    Q_OBJECT
public:
    explicit Tupdater(QWidget* parent = nullptr);
    ~Tupdater() override;

    // mainwin::UpdateWindow
    void showUpdater() override;
    bool refuseClosing() override;

    // ---- The run (updaterrun.cpp) ---------------------------------------------------------------
    void SpeedButton1Click();
    void SpeedButton4Click();
    // Deletes the files and links of the extraction folder (its sub-folders stay).
    void ispraznidir();
    // Extracts a downloaded file into the extraction folder. False when a file named as an
    // archive is not one, its entries would not fit on the disk, or an entry cannot be extracted
    // ("Greska u otpakivanju!" shown, and why); nothing extracted is then left.
    bool raspakuj(const QByteArray& name);
    // 0: the next click lists the server; 1: it downloads and installs the listed files.
    int tag() const { return m_tag; }
    // A click is running.
    bool running() const { return m_running; }

    // Escape, the close box and "&Zatvori" all come here: refused, with a word why, while a click
    // runs.
    void reject() override;

    // ---- Install, verification and rebuild (updaterinstall.cpp) ---------------------------------
    // Installs the extraction folder's tables, those of the archive named `archive`, into the
    // live ones; true when nothing failed (the date of the last update is set only then). A
    // failure is told to the user, naming the table, and the archive when one of its tables is
    // at fault.
    bool azur(const QByteArray& archive = {});
    void ubivalove();
    void popuninajnovije(engine::Table& regulations);
    // Verifies and rebuilds one table: false (after its message) when the rebuild failed; throws
    // engine::Error when the table could not be verified.
    bool Rebuild(engine::Table& table);
    // Verifies one table and tells the result in a message; nothing when it cannot be verified.
    void Verify(engine::Table& table);

    // The FTP client in use; another may be put in its place (before a run).
    updates::FtpClient* FtpClient1() const { return m_ftp.get(); }
    void setFtpClient(std::unique_ptr<updates::FtpClient> client);
    // The account the window's client was made with, the proxy taken from the main window.
    const updates::FtpAccount& account() const { return m_account; }

    // The list's images: 0 an archive, 1 a news file.
    static QIcon listImage(int index);

    // ---- Controls -------------------------------------------------------------------------------
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* SpeedButton4 = nullptr;
    platform::PanelStatusBar* StatusBar1 = nullptr;
    // The download folder's file names, and the server's new files carried from the listing to
    // the download.
    QByteArrayList ListBox2;
    QByteArrayList ListBox3;
    TZipArchive ZipArchive1;

private:
    void FormCreate();
    void buildControls();
    void takeProxyFromMainWindow();
    void connectFtpEvents();

    // FTP events, each showing its status text.
    void FtpClient1Connect();
    void FtpClient1TransactionStart(qint64 total);
    void FtpClient1PacketRecvd(qint64 received);
    void FtpClient1ListItem(const QByteArray& name);
    void ZipArchive1DecompressFile(qint64 current, qint64 total);

    // ---- updaterrun.cpp
    enum class Stage { Listing, Downloading };
    void phase0();
    void phase1();
    bool downloadFile(const QByteArray& name);
    bool openArchive(const QByteArray& name);
    QString pendingPath(const QByteArray& name) const;
    bool finishFile(const QByteArray& name);
    void clearLeftovers();
    void discardDownload(const QByteArray& name);
    void showNews(const QByteArray& name);
    // `noRoomFor`: the downloaded file, named when the disk had no room for it.
    void ftpFailed(const updates::FtpError& error, Stage stage, const QByteArray& noRoomFor = {});
    void setRowStatus(int row, const QByteArray& status);
    void setButtonState(int tag, const QColor& colour);
    void logLine(const QByteArray& text); // stamped
    void logBare(const QByteArray& text);
    void setStatus(const QByteArray& text);

    // ---- updaterinstall.cpp
    data::MainTables& mainTables();
    engine::Table& attachmentsTable();
    engine::Table* importTarget(const updates::ImportRow& row);
    void reopenTables();
    bool saveNewest();

    std::unique_ptr<TDBEUtil> m_dbeUtil;
    updates::FtpAccount m_account;
    std::unique_ptr<updates::FtpClient> m_ftp;
    TLogger* m_log = nullptr;                 // while a click runs
    updates::RunFolders* m_folders = nullptr; // while a click runs
    bool m_logFailed = false;
    int m_tag = 0;
    bool m_running = false;
    // Stand-ins when the program has no main window or attachments window (tests of the window
    // alone); the program's own are used whenever they exist.
    std::unique_ptr<data::MainTables> m_ownTables;
    std::unique_ptr<engine::Table> m_ownAttachments;
};

// The updater, created once at program start.
extern Tupdater* updater;
