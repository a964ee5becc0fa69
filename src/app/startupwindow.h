#pragma once

// The start-up window: the application's main form. While it is created it prepares the process
// (date format, single instance, database engine and session, fonts, data version); then it shows
// the splash until the bar is full and hands over to the main window.

#include "mainwindow.h"

#include <QByteArrayList>
#include <QWidget>
#include <memory>

class QLabel;
class QProgressBar;
class QTimer;

namespace platform {
class NamedMutex;
}

// Timing of the splash. Tests shorten it; the program never changes it.
struct StartupTiming {
    int tickMs = 1;
    int waitMs = 1000;
};
StartupTiming& startupTiming();

class TForm2 final : public QWidget, public StartupHost {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // Steps of the start-up, as the entry and the main window call them.
    void pocetak();
    void installfonts();
    bool GetDBERegistryInfo();
    void instalirajDBE();
    static QString GetFileVersionStr(const QString& fileName);
    void Image1Click();
    // Operations that nothing in the program invokes.
    void ChangeAlias();
    void uninstallfonts();
    void Timer1Timer();

    // The program was started a second time: this instance ends when its message loop starts.
    bool terminationRequested() const { return m_terminate; }
    // The entry has created every window; a hand-over that came earlier happens now.
    void allWindowsCreated();

    bool StartupReady() const { return m_startupReady; }

    // StartupHost
    void hideStartup() override { hide(); }
    void stopSplashTimer() override;
    void closeStartup() override;

    QLabel* Image1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QTimer* Timer1 = nullptr;
    // The lines of the configuration file, as read for the data version.
    QByteArrayList ff;

signals:
    // The start-up window was closed: the program ends.
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void readDataVersion();
    void handOver();

    std::unique_ptr<platform::NamedMutex> m_mutex;
    bool m_startupReady = false;
    bool m_terminate = false;
    bool m_allWindowsCreated = false;
    bool m_handOverPending = false;
};

extern TForm2* Form2;
