#pragma once

// The collection the opinions and relations benchmarks share: 5,000 opinions (and a few hundred
// regulations for them to relate to), made once in the build folder and kept between runs, and
// a main window opened over it as the program opens it.

#include "demo.h"
#include "mainwindow.h"
#include "paths.h"
#include "sessionsetup.h"

#include <algorithm>
#include <cstdio>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <vector>

namespace benchopinions {

inline constexpr int Opinions = 5000;
inline constexpr int Regulations = 500;

inline QString folder()
{
    return QStringLiteral(KORVELIN_BENCH_DATA "/opinions-%1").arg(Opinions);
}

// Generates the collection unless a complete one is there already, and opens the session on it.
inline void prepareCollection()
{
    const QString marker = QDir(folder()).filePath(QStringLiteral("complete"));
    if (!QFile::exists(marker)) {
        std::printf("Generating %d opinions into %s ...\n", Opinions, qPrintable(folder()));
        demo::generate(QDir(folder()).filePath(QStringLiteral("Podatci")), {Regulations, 1, 1, Opinions});
        QFile(marker).open(QIODevice::WriteOnly);
    }
    platform::setProgramFolder(folder());
    data::setUpSession(folder());
}

// The main window after its first activation's table work: tables open, lists filled.
inline void openMainWindow(TForm1& form)
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
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

} // namespace benchopinions
