#pragma once

// A whole program in a temporary folder: a generated collection, the fonts and the engine's
// installer beside it, its own registry and single-instance folders, and a scripted prompter.
// start() creates the windows as the entry does. The fonts the program gives the desktop go to a
// folder of the build's (build/test-desktop, see testdesktop.h), never to the user's.

#include "childprogram.h"
#include "demo.h"
#include "paths.h"
#include "program.h"
#include "registry.h"
#include "scriptedprompter.h"
#include "singleinstance.h"
#include "startupwindow.h"
#include "statusbar.h"
#include "testdesktop.h"
#include "windows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

class ProgramFixture {
public:
    explicit ProgramFixture(int regulations = 40)
    {
        platform::setProgramFolder(m_dir.path());
        platform::setRegistryFolder(m_dir.filePath("registry"));
        platform::setNamedMutexFolder(m_dir.filePath("run"));
        startupTiming() = {1, 0};
        for (const char* file : {"DBEinst.dll", "DBENGINE32.DLL", "Yhelvn.TTF", "Yhelvb.TTF", "Cir Helvetica.TTF",
                                 "Cir Helvetica Bold.TTF", "Yuerife.FON", "dostava.rtf"}) {
            QFile::copy(QDir(testsupport::binFolder()).filePath(file), m_dir.filePath(file));
        }
        if (regulations > 0) {
            demo::generate(m_dir.filePath("Podatci"), {regulations, 1, 1});
        }
    }

    ~ProgramFixture()
    {
        delete form1;
        delete form2;
        platform::setProgramFolder(QString());
        platform::setRegistryFolder(QString());
        platform::setNamedMutexFolder(QString());
        startupTiming() = {};
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void writeFile(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QByteArray readFile(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The windows in the entry's order.
    void start()
    {
        form2 = createWindows();
        form1 = Form1;
        QObject::connect(form2, &TForm2::closed, [this] { ended = true; });
    }

    // Runs the message loop until the main window has shown and finished its first activation,
    // calls `whileOpen` inside its modal showing, then closes it. False when it never showed, and
    // when a check inside `whileOpen` failed: a failed check returns from the lambda only, and the
    // test, told so, must not go on to what the lambda did not leave it.
    [[nodiscard]] bool runMainWindow(const std::function<void()>& whileOpen, int timeoutMs = 15000)
    {
        bool seen = false;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (seen || !testsupport::mainWindowStarted(form1)) {
                return;
            }
            seen = true;
            whileOpen();
            form1->close();
        });
        poll.start();
        QElapsedTimer clock;
        clock.start();
        while (!seen && !ended && clock.elapsed() < timeoutMs) {
            QTest::qWait(5);
        }
        return seen && !QTest::currentTestFailed();
    }

    testsupport::ScriptedPrompter prompter;
    TForm2* form2 = nullptr;
    TForm1* form1 = nullptr;
    bool ended = false;

private:
    QTemporaryDir m_dir;
    TestDesktopFolders m_desktop;
};
