// The main window's close box while the updater runs, on a real X server: the window manager's
// request reaches a window blocked by the updater's modal window, which the toolkit alone drops
// without a word. The user is told to wait, the window stays, the run goes on to its end, and
// once the updater is closed the same request closes the program.

#include "programfixture.h"
#include "updaterview.h"
#include "xserver.h"

#include "appvalues.h"
#include "demo.h"
#include "ftpserver.h"
#include "screentext.h"
#include "tabledump.h"
#include "updaterwindow.h"
#include "upperwindows.h"

#include <QApplication>
#include <QPushButton>
#include <QScopeGuard>
#include <QTreeWidget>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
using updatertest::statusOf;

namespace {

const QByteArray Refused = "A`uriranje je u toku. Prozor mo`e da se zatvori kada se a`uriranje zavr{i.";

void touch(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

// A window manager of the test's own: a connection of its own to the display, sending what a
// window manager sends when the user clicks a window's close box.
class WindowManager final {
public:
    WindowManager() : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection) == 0) {
            m_protocols = atom("WM_PROTOCOLS");
            m_deleteWindow = atom("WM_DELETE_WINDOW");
        }
    }
    ~WindowManager() { xcb_disconnect(m_connection); }
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    bool connected() const { return m_deleteWindow != XCB_ATOM_NONE; }

    void askToClose(WId window) const
    {
        xcb_client_message_event_t event;
        std::memset(&event, 0, sizeof event);
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = xcb_window_t(window);
        event.type = m_protocols;
        event.data.data32[0] = m_deleteWindow;
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_connection, 0, xcb_window_t(window), XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(m_connection);
    }

private:
    xcb_atom_t atom(const char* name) const
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, quint16(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply != nullptr ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    }

    xcb_connection_t* m_connection;
    xcb_atom_t m_protocols = XCB_ATOM_NONE;
    xcb_atom_t m_deleteWindow = XCB_ATOM_NONE;
};

} // namespace

class TestCloseRequest : public QObject {
    Q_OBJECT

private slots:
    // The server holds the first download after its first kilobyte; the user then clicks the main
    // window's close box. The message is shown (and read: the program's events go on meanwhile),
    // then the server lets the download go on. The run installs every archive; the request was
    // told once and closed nothing. After the run the updater closes, and the close box closes
    // the program.
    void closeBoxDuringARun()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        appvalues::LastUpdateDate = "9/12/2019";
        ProgramFixture program(60);
        QTemporaryDir folder;
        QDir().mkpath(folder.filePath("updates"));
        QDir().mkpath(program.path("update"));
        demo::writeUpdateArchives(program.path("Podatci"), folder.filePath("updates"), {3, 1, 6, 4, 9, 1});
        QTemporaryDir hold;
        FtpServer server(folder.path(), {"--hold", "001.zip:1024:" + hold.path()});
        QVERIFY(server.running());
        server.registerAccount();
        const WindowManager manager;
        QVERIFY(manager.connected());

        bool asked = false;
        int refusals = 0;
        program.prompter.onPrompt = [&](const testsupport::Prompt& prompt) {
            if (prompt.text != Refused) {
                return;
            }
            ++refusals;
            QVERIFY(Form1->isVisible());
            QVERIFY(updater->running());
            // A message box on the screen runs the program's events until it is answered.
            QTest::qWait(50);
            touch(hold.filePath("go"));
        };
        QTimer closer;
        closer.setInterval(2);
        connect(&closer, &QTimer::timeout, [&] {
            if (!asked && QFileInfo::exists(hold.filePath("held"))) {
                asked = true;
                manager.askToClose(Form1->winId());
            }
        });
        bool ran = false;
        const bool started = testsupport::runProgramWindows([&] {
            QTimer::singleShot(0, [&] {
                // Closed however the checks end, so that a failed one does not leave the test
                // waiting on the updater.
                const auto closeUpdater = qScopeGuard([] { updater->SpeedButton4->click(); });
                updater->SpeedButton1->click();
                QCOMPARE(updater->ListView1->topLevelItemCount(), 3);
                closer.start();
                updater->SpeedButton1->click();
                closer.stop();
                QVERIFY(asked);
                for (int i = 0; i < 3; ++i) {
                    QCOMPARE(statusOf(i), QByteArray("preuzeto"));
                }
                QVERIFY(Form1->isVisible());
                ran = true;
            });
            mainwin::updateWindow()->showUpdater();
            QVERIFY(ran);
            QVERIFY(!updater->isVisible());
            manager.askToClose(Form1->winId());
            QTRY_VERIFY(!Form1->isVisible());
        });
        QVERIFY(started);
        QCOMPARE(refusals, 1);
        QCOMPARE(program.prompter.texts(), QList<QByteArray>{Refused});
        QVERIFY(program.prompter.unexpected().isEmpty());
        QCOMPARE(tabletest::countRecords(program.path("Podatci/TB_Zakoni.db")), 72);
    }
};

int main(int argc, char** argv)
{
    const testsupport::XServer display;
    if (display.display().isEmpty()) {
        qCritical("Xvfb did not start");
        return 1;
    }
    QApplication app(argc, argv);
    TestCloseRequest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_closerequest.moc"
