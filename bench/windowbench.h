#pragma once

// What the benchmarks of the windows share: a prompter that never waits for an answer, the main
// window as its first activation leaves it, and the median of timed runs.

#include "mainwindow.h"
#include "prompter.h"

#include <algorithm>
#include <cstdio>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <vector>

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

// The median time of `rounds` runs of `run`, in milliseconds.
template <typename F> double medianMs(int rounds, F&& run)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer clock;
        clock.start();
        run();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

} // namespace benchdata
