#pragma once

// Driving the viewer's windows from tests: a modal window is worked on from a timer while the call
// that showed it waits, and it is closed afterwards whatever the checks did.

#include "programfixture.h"

#include "table.h"

#include <functional>
#include <QApplication>
#include <QTimer>
#include <QtTest>

namespace viewertest {

// Calls `open`, which shows a window of type T modally; once it is up, runs `inside` with it, then
// closes it. False when no such window came up, and when a check inside `inside` failed (it
// returned from the lambda only: the caller must stop too).
template <typename T> [[nodiscard]] bool whileModal(const std::function<void()>& open, const std::function<void(T*)>& inside)
{
    bool ran = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        T* window = nullptr;
        const bool up = QTest::qWaitFor(
            [&] {
                window = qobject_cast<T*>(QApplication::activeModalWidget());
                return window != nullptr && window->isVisible();
            },
            5000);
        if (up) {
            ran = true;
            inside(window);
        }
        if (window != nullptr && window->isVisible()) {
            window->close();
        }
    });
    timer.start(0);
    open();
    // A call that showed nothing must not leave the timer to fire inside the next one.
    timer.stop();
    return ran && !QTest::currentTestFailed();
}

// A field of regulation `id`, read from its table.
inline QByteArray regulationField(int id, int position)
{
    engine::Table t;
    t.setDatabaseName("ZAKONI");
    t.setTableName(QStringLiteral("TB_Zakoni.db"));
    t.open();
    t.setFilter("ID_ZAKONA='" + QByteArray::number(id) + "'");
    t.setFiltered(true);
    return t.field(position).asString();
}

inline QByteArray titleOf(int id)
{
    return regulationField(id, 5);
}

inline QByteArray numberYearOf(int id)
{
    return regulationField(id, 10);
}

inline QByteArray opinionTitle(int number)
{
    engine::Table t;
    t.setDatabaseName("ZAKONI");
    t.setTableName(QStringLiteral("TB_Misljenja.db"));
    t.open();
    t.setFilter("BROJ_MISLJENJA='" + QByteArray::number(number) + "'");
    t.setFiltered(true);
    return t.field(2).asString();
}

} // namespace viewertest
