#pragma once

// What the benchmarks of the windows share: a prompter that never waits for an answer, a program
// folder of their own, and the main window as its first activation leaves it.

#include "figures.h"
#include "mainwindow.h"
#include "paths.h"
#include "prompter.h"
#include "registry.h"

#include <cstdio>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QTemporaryDir>

namespace benchdata {

// Prints what would be shown and answers at once: OK to a question (a short query does not stop
// a run), Cancel where something could be written.
class QuietPrompter final : public platform::Prompter {
public:
    int messages = 0;
    void message(const QByteArray& text) override
    {
        ++messages;
        std::printf("message: %s\n", text.constData());
    }
    void error(const QByteArray& text) override { std::printf("error: %s\n", text.constData()); }
    bool confirm(const QByteArray&) override { return true; }
    platform::Answer warningYesNoCancel(const QByteArray&) override { return platform::Answer::Cancel; }
    std::optional<QByteArray> input(const QByteArray&, const QByteArray&, const QByteArray&) override { return {}; }
};

// The program's folder and registry in a temporary folder, and the quiet prompter installed, for
// as long as this lives: nothing the windows write lands beside the kept collection.
class QuietProgram final {
public:
    QuietProgram()
    {
        platform::setProgramFolder(m_folder.path());
        platform::setRegistryFolder(m_folder.filePath(QStringLiteral("registry")));
        platform::setPrompter(&prompter);
    }
    ~QuietProgram() { platform::setPrompter(nullptr); }
    QuietProgram(const QuietProgram&) = delete;
    QuietProgram& operator=(const QuietProgram&) = delete;

    QuietPrompter prompter;

private:
    QTemporaryDir m_folder;
};

// A main window after its first activation, as the program shows it: tables open, the lists
// filled. Owned by the caller; not closed, as closing would write the program's files.
inline TForm1* activatedMainWindow()
{
    auto* form = new TForm1;
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(form, &activate);
    return form;
}

// The table work of the main window's first activation alone, without the gazettes tree.
inline void openTablesAndLists(TForm1& form)
{
    form.CheckBox5->setChecked(false); // no end-of-search tone between rounds
    form.openAll();
    form.poubacuj();
}

} // namespace benchdata
