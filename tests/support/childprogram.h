#pragma once

// The whole program run the way its entry runs it: the windows created in their order and the
// message loop run until they close. Tests run it in a child process to kill it at a chosen
// moment, or to see what it leaves behind, from the parent.

#include "program.h"
#include "startupwindow.h"
#include "statusbar.h"
#include "windows.h"

#include <functional>
#include <QApplication>
#include <QTimer>
#include <QtTest>

namespace testsupport {

// The main window has shown and finished its first activation: idle, its start-up status written.
inline bool mainWindowStarted(const TForm1* form1)
{
    return form1 != nullptr && form1->isVisible() && !form1->isBusy() &&
           form1->StatusBar1->panelText(2) == "Inicijalizacija zavr{ena";
}

// Creates the windows, calls `created` (to hook into them), runs the message loop until they
// close and calls `started` once, when the main window has started. The windows are deleted
// before it returns. False when the main window never started, and when a check inside `started`
// failed; the main window is then closed for it, as the lambda returned before it could.
[[nodiscard]] inline bool runProgramWindows(const std::function<void()>& started, const std::function<void()>& created = {})
{
    TForm2* form2 = createWindows();
    QObject::connect(form2, &TForm2::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    if (created) {
        created();
    }
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (seen || !mainWindowStarted(Form1)) {
            return;
        }
        seen = true;
        poll.stop();
        started();
        if (QTest::currentTestFailed() && Form1 != nullptr) {
            Form1->close();
        }
    });
    poll.start(5);
    QApplication::exec();
    delete Form1;
    delete form2;
    return seen && !QTest::currentTestFailed();
}

} // namespace testsupport
