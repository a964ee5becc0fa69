// The main window on a collection of 20,000 regulations: expanding a gazette and a year in the
// gazettes tree, listing an issue, and sorting 20,000-row result lists by each column.

#include "collection.h"
#include "figures.h"
#include "windowbench.h"

#include "paths.h"
#include "screentext.h"

#include <algorithm>
#include <cstdio>
#include <QApplication>
#include <QRandomGenerator>
#include <QTreeWidget>

namespace {

// The main window after its first activation: tables open, gazettes in the tree, the search
// list holding every regulation.
TForm1* window()
{
    static TForm1* form = benchdata::activatedMainWindow();
    return form;
}

QTreeWidgetItem* childNamed(QTreeWidgetItem* node, const QByteArray& text)
{
    for (int i = 0; i < node->childCount(); ++i) {
        if (platform::fromScreen(node->child(i)->text(0)) == text) {
            return node->child(i);
        }
    }
    return nullptr;
}

// The first gazette holds about half of the collection.
QTreeWidgetItem* firstGazette()
{
    return window()->TreeView2->topLevelItem(0);
}

void BM_ExpandGazette(benchmark::State& state)
{
    QTreeWidgetItem* gazette = firstGazette();
    for (auto _ : state) {
        state.PauseTiming();
        gazette->setExpanded(false);
        state.ResumeTiming();
        gazette->setExpanded(true);
    }
    state.counters["years"] = gazette->childCount();
}
BENCHMARK(BM_ExpandGazette)->Unit(benchmark::kMillisecond);

void BM_ExpandYear(benchmark::State& state)
{
    firstGazette()->setExpanded(true);
    QTreeWidgetItem* year = childNamed(firstGazette(), "2005");
    for (auto _ : state) {
        state.PauseTiming();
        year->setExpanded(false);
        state.ResumeTiming();
        year->setExpanded(true);
    }
    state.counters["issues"] = year->childCount();
}
BENCHMARK(BM_ExpandYear)->Unit(benchmark::kMillisecond);

// Selecting a node lists its regulations; two nodes take turns so that each round is a change.
void listNodes(benchmark::State& state, QTreeWidgetItem* a, QTreeWidgetItem* b)
{
    QTreeWidget* tree = window()->TreeView2;
    bool flip = false;
    for (auto _ : state) {
        tree->setCurrentItem(flip ? a : b);
        flip = !flip;
    }
    state.counters["rows"] = window()->ListView1->topLevelItemCount();
}

void BM_ListIssue(benchmark::State& state)
{
    firstGazette()->setExpanded(true);
    QTreeWidgetItem* year = childNamed(firstGazette(), "2005");
    year->setExpanded(true);
    listNodes(state, childNamed(year, "12"), childNamed(year, "13"));
}
BENCHMARK(BM_ListIssue)->Unit(benchmark::kMillisecond);

void BM_ListYear(benchmark::State& state)
{
    firstGazette()->setExpanded(true);
    listNodes(state, childNamed(firstGazette(), "2005"), childNamed(firstGazette(), "2006"));
}
BENCHMARK(BM_ListYear)->Unit(benchmark::kMillisecond);

void BM_ListGazette(benchmark::State& state)
{
    listNodes(state, firstGazette(), window()->TreeView2->topLevelItem(1));
}
BENCHMARK(BM_ListGazette)->Unit(benchmark::kMillisecond);

void shuffleRows(QTreeWidget* list)
{
    QList<QTreeWidgetItem*> items = list->invisibleRootItem()->takeChildren();
    std::shuffle(items.begin(), items.end(), *QRandomGenerator::global());
    list->addTopLevelItems(items);
}

// The areas list and the opinions list with 20,000 rows each, made from the search list's rows.
void fillLists()
{
    static bool filled = false;
    if (filled) {
        return;
    }
    filled = true;
    TForm1* f = window();
    QList<QTreeWidgetItem*> regulations;
    QList<QTreeWidgetItem*> opinions;
    QRandomGenerator random(5);
    for (int i = 0; i < f->ListBox2->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = f->ListBox2->topLevelItem(i);
        regulations << new QTreeWidgetItem({row->text(0), row->text(2)});
        const QString date = QStringLiteral("%1/%2/%3")
                                 .arg(random.bounded(1, 29), 2, 10, QChar('0'))
                                 .arg(random.bounded(1, 13), 2, 10, QChar('0'))
                                 .arg(random.bounded(1990, 2020));
        opinions << new QTreeWidgetItem({row->text(0), date});
    }
    f->ListBox3->clear();
    f->ListBox3->addTopLevelItems(regulations);
    f->Listbox6->clear();
    f->Listbox6->addTopLevelItems(opinions);
}

void sortList(benchmark::State& state, QTreeWidget* list, void (TForm1::*click)(int))
{
    fillLists();
    const int column = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        shuffleRows(list);
        state.ResumeTiming();
        (window()->*click)(column);
    }
    state.counters["rows"] = list->topLevelItemCount();
}

void BM_SortSearchList(benchmark::State& state)
{
    sortList(state, window()->ListBox2, &TForm1::ListBox2ColumnClick);
}
BENCHMARK(BM_SortSearchList)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_SortAreasList(benchmark::State& state)
{
    sortList(state, window()->ListBox3, &TForm1::ListBox3ColumnClick);
}
BENCHMARK(BM_SortAreasList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SortOpinionsList(benchmark::State& state)
{
    sortList(state, window()->Listbox6, &TForm1::Listbox6ColumnClick);
}
BENCHMARK(BM_SortOpinionsList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    platform::setProgramFolder(benchdata::regulationsFolder());
    benchdata::prepareRegulations();
    window();
    benchdata::Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nTargets on %d regulations:\n", benchdata::Regulations);
    for (const auto& [name, value] : reporter.ms) {
        double target = 0;
        if (name.rfind("BM_Expand", 0) == 0 || name.rfind("BM_ListIssue", 0) == 0) {
            target = 50;
        } else if (name.rfind("BM_Sort", 0) == 0) {
            target = 100;
        }
        if (target > 0) {
            std::printf("  %-24s %8.2f ms (target < %.0f ms) %s\n", name.c_str(), value, target,
                        value < target ? "met" : "MISSED");
        } else {
            std::printf("  %-24s %8.2f ms (no target)\n", name.c_str(), value);
        }
    }
    benchmark::Shutdown();
    delete window();
    return 0;
}
