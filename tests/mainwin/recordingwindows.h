#pragma once

// Stands in for the windows over the current document while a test runs: it records what the main
// window asked them to show, and what the regulations table held at that moment.

#include "mainwindow.h"
#include "upperwindows.h"

#include <QList>

class RecordingWindows final : public mainwin::DocumentWindows {
public:
    struct Shown {
        QByteArray title;
        int records = 0;       // of the regulations table while shown
        QByteArray numberYear; // of its current record
    };

    RecordingWindows() : m_previous(mainwin::documentWindows()) { mainwin::setDocumentWindows(this); }
    ~RecordingWindows() override { mainwin::setDocumentWindows(m_previous); }
    RecordingWindows(const RecordingWindows&) = delete;
    RecordingWindows& operator=(const RecordingWindows&) = delete;

    void showRegulation(const QByteArray& title) override
    {
        engine::Table& zakoni = Form1->Zakoni;
        regulations.append(
            {title, zakoni.recordCount(), zakoni.isEmpty() ? QByteArray() : zakoni.field(10).asString()});
    }
    void showOpinion(const QByteArray& title) override { opinions.append(title); }
    void showSelectionList(const QList<mainwin::SelectionRow>& rows) override { lists.append(rows); }

    QList<Shown> regulations;
    QByteArrayList opinions;
    QList<QList<mainwin::SelectionRow>> lists;

private:
    mainwin::DocumentWindows* m_previous;
};
