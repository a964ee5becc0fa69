#pragma once

// What the updater window's tests share: the list's rows as the user reads them, the click that
// runs the window, and a program with a server folder of three archives for it.

#include "demo.h"
#include "programfixture.h"
#include "screentext.h"
#include "updaterwindow.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace updatertest {

// The status of the list's row, as the program wrote it.
inline QByteArray statusOf(int row)
{
    return platform::fromScreen(updater->ListView1->topLevelItem(row)->text(1));
}

// The names of the list's rows, in their order.
inline QStringList rowNames()
{
    QStringList names;
    for (int i = 0; i < updater->ListView1->topLevelItemCount(); ++i) {
        names << updater->ListView1->topLevelItem(i)->text(0);
    }
    return names;
}

// The window's one button: it lists, and once the list is shown, it runs.
inline void click()
{
    updater->SpeedButton1->click();
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A program on a collection of 60 regulations and a server folder with three archives of it.
struct Setup {
    ProgramFixture program{60};
    QTemporaryDir server;

    Setup()
    {
        QDir().mkpath(server.filePath("updates"));
        QDir().mkpath(program.path("update"));
        demo::writeUpdateArchives(program.path("Podatci"), server.filePath("updates"), {3, 1, 6, 4, 9, 1});
    }
    QString served(const QString& name) const { return server.filePath("updates/" + name); }
    QString downloaded(const QString& name) const { return program.path("updates/" + name); }
    QString table(const char* file) const { return program.path("Podatci/" + QLatin1String(file)); }
    bool logHas(const QByteArray& text) const { return program.readFile("log.txt").contains(text); }
};

} // namespace updatertest
