#pragma once

// Stands in for the windows over the current document (the viewer and the selection list) while a
// test runs: it records what the main window asked them to show, and what the main window's tables
// held at that moment. Registered for its lifetime; the windows registered before come back after.

#include "mainwindow.h"
#include "upperwindows.h"

#include <functional>
#include <QByteArrayList>
#include <QList>

namespace testsupport {

class RecordingWindows final : public mainwin::DocumentWindows {
public:
    // A regulation shown: its caption, and the regulations table as the viewer would find it.
    struct Regulation {
        QByteArray title;        // the caption asked for
        QByteArray key;          // of the current record (ID_ZAKONA)
        QByteArray currentTitle; // of the current record (Naziv_zakona)
        QByteArray numberYear;   // of the current record (BG)
        int records = 0;         // of the table
        QByteArray masterFields; // of the table
        // "title|key|number/year": several shown regulations compared at once.
        QByteArray line() const { return title + '|' + key + '|' + numberYear; }
    };
    // An opinion shown: its caption, and the opinions table as the viewer would find it.
    struct Opinion {
        QByteArray title;        // the caption asked for
        QByteArray number;       // of the current record (BROJ_MISLJENJA)
        QByteArray currentTitle; // of the current record (NAZIV_MISLJENJA)
        QByteArray filter;       // of the table
    };

    RecordingWindows() : m_previous(mainwin::documentWindows()) { mainwin::setDocumentWindows(this); }
    ~RecordingWindows() override { mainwin::setDocumentWindows(m_previous); }
    RecordingWindows(const RecordingWindows&) = delete;
    RecordingWindows& operator=(const RecordingWindows&) = delete;

    void showRegulation(const QByteArray& title) override
    {
        engine::Table& zakoni = Form1->Zakoni;
        Regulation shown{title, {}, {}, {}, zakoni.recordCount(), zakoni.masterFields()};
        if (!zakoni.isEmpty()) {
            shown.key = zakoni.field(0).asString();
            shown.currentTitle = zakoni.fieldByName("Naziv_zakona").asString();
            shown.numberYear = zakoni.fieldByName("BG").asString();
        }
        regulations.append(shown);
        if (whileShown) {
            whileShown();
        }
    }
    void showOpinion(const QByteArray& title) override
    {
        engine::Table& misljenja = Form1->misljenja;
        opinions.append({title, misljenja.field(0).asString(), misljenja.field(2).asString(), misljenja.filter()});
        if (whileShown) {
            whileShown();
        }
    }
    void showSelectionList(const QList<mainwin::SelectionRow>& rows) override
    {
        lists.append(rows);
        if (whileShown) {
            whileShown();
        }
    }

    // Each shown regulation's line(), in order.
    QByteArrayList lines() const
    {
        QByteArrayList out;
        for (const Regulation& r : regulations) {
            out.append(r.line());
        }
        return out;
    }

    QList<Regulation> regulations;
    QList<Opinion> opinions;
    QList<QList<mainwin::SelectionRow>> lists;
    // Runs inside every showing, where the real window would be open.
    std::function<void()> whileShown;

private:
    mainwin::DocumentWindows* m_previous;
};

} // namespace testsupport
