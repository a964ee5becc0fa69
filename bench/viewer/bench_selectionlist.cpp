// The selection list over 2,000 rows of the collection of 20,000 regulations that the engine
// benchmark keeps in build/bench-data: selection by title text, with the details pane and its
// earlier-version test that the new selection runs, and that test alone.

#include "collection.h"
#include "figures.h"
#include "windowbench.h"

#include "screentext.h"
#include "selectionlist.h"

#include <cstdio>
#include <QApplication>
#include <QLineEdit>
#include <QTreeWidget>

namespace {

constexpr int Rows = 2000;

Tselekt* g_list = nullptr;

// Two finds in turn, so that each makes another row the chosen one and the pane tests it anew.
void BM_SelectByTitleText(benchmark::State& state)
{
    const QByteArray pieces[] = {"POREZ", "ZAKON O"};
    int turn = 0;
    int selected = 0;
    for (auto _ : state) {
        platform::setFieldText(g_list->Edit1, pieces[turn++ % 2]);
        g_list->SpeedButton1Click();
        selected = int(g_list->Listbox1->selectedItems().size());
    }
    state.counters["rows"] = g_list->Listbox1->topLevelItemCount();
    state.counters["selected"] = selected;
}
BENCHMARK(BM_SelectByTitleText)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_EarlierVersionTest(benchmark::State& state)
{
    bool answer = false;
    for (auto _ : state) {
        answer = g_list->jelimastariji("Zakon o porezu na dohodak gra|ana");
    }
    state.counters["yes"] = answer;
}
BENCHMARK(BM_EarlierVersionTest)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchdata::prepareRegulations();
    const benchdata::QuietProgram quiet;

    TForm1* form = benchdata::activatedMainWindow();
    auto* list = new Tselekt(form);
    list->resize(1366, 768);
    // The rows the window would be given: the first regulations with their gazettes, as the
    // search tab's full list holds them.
    QList<QTreeWidgetItem*> rows;
    for (int i = 0; i < Rows && i < form->ListBox2->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = form->ListBox2->topLevelItem(i)->clone();
        row->setIcon(0, QIcon());
        rows.append(row);
    }
    list->Listbox1->addTopLevelItems(rows);
    g_list = list;

    benchdata::Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double select = reporter.find("BM_SelectByTitleText/min_time:2.000");
    const double test = reporter.find("BM_EarlierVersionTest/min_time:1.000");
    std::printf("\nTargets on %d regulations, %d rows in the list:\n", benchdata::Regulations, Rows);
    if (select >= 0) {
        std::printf("  selection by title text: %.1f ms (target < 200 ms) %s\n", select,
                    select < 200 ? "met" : "MISSED");
    }
    if (test >= 0) {
        std::printf("  earlier-version test: %.3f ms\n", test);
    }
    g_list = nullptr;
    delete form;
    benchmark::Shutdown();
    return 0;
}
