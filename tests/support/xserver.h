#pragma once

// An X server of the test's own (Xvfb at 1366x768), for what only a real display does: the
// window manager's messages and their handling by the toolkit. Made before the application, it
// points DISPLAY and the toolkit's platform at itself, so the test never uses the session's
// display (nor its message bus). Xvfb picks a free display number itself, and ends with the
// test: when this object goes, and when the test process dies without a word.

#include <QByteArray>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

class XServer final {
public:
    XServer()
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            const int displayFd = dup(fds[1]); // without O_CLOEXEC: Xvfb writes its number there
            const std::string fd = std::to_string(displayFd);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1366x768x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        QByteArray number;
        char c = 0;
        while (m_pid > 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(fds[0]);
        bool ok = false;
        number.toInt(&ok);
        if (!ok) {
            stop();
            return;
        }
        m_display = ':' + number;
        qputenv("DISPLAY", m_display);
        qputenv("QT_QPA_PLATFORM", "xcb");
        // Nor the session's message bus: without an address the toolkit's look-ups would find
        // one through the display, or start one that outlives the test.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/korvelin-test-bus");
    }
    ~XServer() { stop(); }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // ":N", or empty when the server did not start.
    QByteArray display() const { return m_display; }

private:
    void stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

    pid_t m_pid = -1;
    QByteArray m_display;
};

} // namespace testsupport
