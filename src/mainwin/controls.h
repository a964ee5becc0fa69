#pragma once

// Small builders and helpers the tabs (and the windows over them) share: each control is created
// with its name and its YUSCII caption; failures of a handler's table steps are reported the
// same way everywhere; long loops fill their lists and the progress bar alike.

#include "error.h"
#include "screentext.h"
#include "sortrules.h"

#include <exception>
#include <functional>
#include <QByteArray>
#include <QColor>
#include <QList>

class QAbstractItemView;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace controls {

// A read-only report list with whole-row selection and the given column captions; a text it
// cuts short shows whole in its tool tip (tipCutTexts).
QTreeWidget* resultList(const char* name, const QList<QByteArray>& columns);

// A cell whose text the list cuts short shows the whole text in its tool tip while the mouse
// rests on it; elsewhere the list's own hint shows as before.
void tipCutTexts(QAbstractItemView* list);

// The same for a drop-down list too narrow for its choice (a ministry's or a gazette's long
// name): the tool tip shows the choice whole; the list itself shows every item whole.
void tipCutChoice(QComboBox* box);

// The columns share the list's width by what they show: every column but `stretchColumn` is as
// wide as the widest of its texts shown since the list was last emptied (its caption included),
// up to half the list each, and grows as rows scroll into view; `stretchColumn` takes what they
// leave. Rows that are never shown are never measured.
void shareWidthByContents(QTreeWidget* list, int stretchColumn);
// An edit field whose typed keys pass the filter.
QLineEdit* edit(const char* name, platform::KeyFilter filter);
// A label, a button and a group box with their captions and, where given, their hints.
QLabel* label(const char* name, const QByteArray& caption, const QByteArray& hint = {});
QPushButton* button(const char* name, const QByteArray& caption, const QByteArray& hint = {});
QGroupBox* groupBox(const char* name, const QByteArray& caption, const QByteArray& hint = {});

// The light yellow the tabs' search and entry fields are filled with.
inline const QColor FieldFill(255, 244, 213);
// Fills a field (an edit's text area, a combo box's face) with the colour.
void fill(QWidget* field, const QColor& colour = FieldFill);

// The row a list's handlers work on: the first selected one, or nothing.
QTreeWidgetItem* chosenRow(const QTreeWidget* list);
// A row's text in `column`, as YUSCII.
QByteArray rowText(const QTreeWidgetItem* row, int column);

// Enter (either key) in the list runs `handler`, as a double click does; other keys are the list's.
void onEnter(QAbstractItemView* list, std::function<void()> handler);

// Sorts the rows of a report list ascending by `column` with the rule, and marks that column's
// header with the sort image (the other columns lose it). Rows compare by their YUSCII texts.
void sortByColumn(QTreeWidget* list, sortrules::Rule rule, int column);
// Takes the sort image off every column.
void clearSortMarker(QTreeWidget* list);

// A failure of a handler's table step, shown with the engine's own text; the window goes on.
void reportFailure(const engine::Error& e);
// Runs the step and reports its engine failure, if any; true when the step ran to its end.
template <typename Step> bool reported(Step&& step)
{
    try {
        step();
        return true;
    } catch (const engine::Error& e) {
        reportFailure(e);
        return false;
    }
}

// Runs `step`, then `restore` also when the step failed; ordinary code, never a destructor, so
// that a failing restore is a failure like any other. The first failure goes on to the caller,
// alone: a restore that fails after the step did adds no second message.
template <typename Step, typename Restore> void thenRestore(Step&& step, Restore&& restore)
{
    std::exception_ptr failure;
    try {
        step();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        restore();
    } catch (...) {
        if (!failure) {
            failure = std::current_exception();
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

// Rows wait here and join the list in batches: one change of the list per batch instead of one
// per row keeps a loop that lists thousands of rows fast. What waits joins the list at the latest
// when this goes, also when the loop ends by an exception.
class PendingRows final {
public:
    explicit PendingRows(QTreeWidget* list) : m_list(list) {}
    ~PendingRows() { flush(); }
    PendingRows(const PendingRows&) = delete;
    PendingRows& operator=(const PendingRows&) = delete;

    void add(QTreeWidgetItem* row) { m_waiting.append(row); }
    qsizetype size() const { return m_waiting.size(); }
    void flush();

private:
    QTreeWidget* m_list;
    QList<QTreeWidgetItem*> m_waiting;
};

// The progress bar over a loop of `total` steps. The bar holds an int, which a loop's progress
// (records times words) may exceed, so the steps are scaled down; and the bar is set only when it
// can have grown visibly, so a loop of thousands of rounds does not spend its time painting it.
class ProgressScale final {
public:
    explicit ProgressScale(QProgressBar* bar) : m_bar(bar) {}
    void start(qint64 total);
    void show(qint64 done);

private:
    QProgressBar* m_bar;
    qint64 m_divisor = 1;
    qint64 m_maximum = 1;
    qint64 m_stride = 1;
    qint64 m_shown = 0;
};

} // namespace controls
