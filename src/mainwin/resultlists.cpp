// The main window's six result lists sort when a column header is clicked: always ascending, by
// the rule of the list, with the sort image on the clicked column.

#include "controls.h"
#include "mainwindow.h"

#include <QHeaderView>
#include <QTreeWidget>

using sortrules::Rule;

void TForm1::connectResultLists()
{
    const struct {
        QTreeWidget* list;
        void (TForm1::*handler)(int);
    } lists[] = {
        {ListView1, &TForm1::ListView1ColumnClick}, {ListBox3, &TForm1::ListBox3ColumnClick},
        {ListBox7, &TForm1::ListBox7ColumnClick},   {Listbox9, &TForm1::Listbox9ColumnClick},
        {ListBox2, &TForm1::ListBox2ColumnClick},   {Listbox6, &TForm1::Listbox6ColumnClick},
    };
    for (const auto& l : lists) {
        QHeaderView* header = l.list->header();
        header->setSectionsClickable(true);
        // Bound once: a second call must not sort twice per click.
        connect(header, &QHeaderView::sectionClicked, this, l.handler, Qt::UniqueConnection);
    }
}

void TForm1::ListView1ColumnClick(int column)
{
    ResultSortColumn = column;
    controls::sortByColumn(ListView1, Rule::TwoColumnRegulations, ResultSortColumn);
}

void TForm1::ListBox3ColumnClick(int column)
{
    ResultSortColumn = column;
    controls::sortByColumn(ListBox3, Rule::TwoColumnRegulations, ResultSortColumn);
}

void TForm1::ListBox7ColumnClick(int column)
{
    ResultSortColumn = column;
    controls::sortByColumn(ListBox7, Rule::TwoColumnRegulations, ResultSortColumn);
}

void TForm1::Listbox9ColumnClick(int column)
{
    ResultSortColumn = column;
    controls::sortByColumn(Listbox9, Rule::TwoColumnRegulations, ResultSortColumn);
}

void TForm1::ListBox2ColumnClick(int column)
{
    ResultSortColumn = column;
    controls::sortByColumn(ListBox2, Rule::ThreeColumnRegulations, ResultSortColumn);
}

void TForm1::Listbox6ColumnClick(int column)
{
    OpinionSortColumn = column;
    controls::sortByColumn(Listbox6, Rule::Opinions, OpinionSortColumn);
}
