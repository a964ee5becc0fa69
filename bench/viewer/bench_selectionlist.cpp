// The selection list over 2,000 rows of the collection of 20,000 regulations that the engine
// benchmark keeps in build/bench-data: selection by title text, with the details pane and its
// earlier-version test that the new selection runs, and that test alone.

#include "demo.h"
#include "mainwindow.h"
#include "paths.h"
#include "prompter.h"
#include "registry.h"
#include "screentext.h"
#include "selectionlist.h"
#include "sessionsetup.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

constexpr int Regulations = 20000;
constexpr int TextKb = 30;
constexpr int Rows = 2000;

QString dataFolder()
{
    return QStringLiteral(KORVELIN_BENCH_DATA);
}

// The same collection the engine benchmark makes, made here when it is not there yet.
void prepareCollection()
{
    const QString marker = QDir(dataFolder()).filePath(QStringLiteral("complete-%1-%2").arg(Regulations).arg(TextKb));
    if (!QFile::exists(marker)) {
        std::printf("Generating %d regulations of %d KB into %s ...\n", Regulations, TextKb, qPrintable(dataFolder()));
        demo::generate(QDir(dataFolder()).filePath(QStringLiteral("Podatci")), {Regulations, 1, TextKb});
        QFile(marker).open(QIODevice::WriteOnly);
    }
    data::setUpSession(dataFolder());
}

class SilentPrompter final : public platform::Prompter {
public:
    void message(const QByteArray&) override {}
    void error(const QByteArray& text) override { std::printf("error: %s\n", text.constData()); }
    bool confirm(const QByteArray&) override { return true; }
    platform::Answer warningYesNoCancel(const QByteArray&) override { return platform::Answer::Cancel; }
    std::optional<QByteArray> input(const QByteArray&, const QByteArray&, const QByteArray&) override { return {}; }
};

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

class Reporter final : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> ms;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            ms[r.benchmark_name()] = r.GetAdjustedRealTime();
        }
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    prepareCollection();
    QTemporaryDir programFolder;
    platform::setProgramFolder(programFolder.path());
    platform::setRegistryFolder(programFolder.filePath(QStringLiteral("registry")));
    SilentPrompter prompter;
    platform::setPrompter(&prompter);

    auto* form = new TForm1;
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(form, &activate);
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

    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto find = [&](const std::string& name) {
        const auto it = reporter.ms.find(name);
        return it == reporter.ms.end() ? -1.0 : it->second;
    };
    const double select = find("BM_SelectByTitleText/min_time:2.000");
    const double test = find("BM_EarlierVersionTest/min_time:1.000");
    std::printf("\nTargets on %d regulations, %d rows in the list:\n", Regulations, Rows);
    if (select >= 0) {
        std::printf("  selection by title text: %.1f ms (target < 200 ms) %s\n", select,
                    select < 200 ? "met" : "MISSED");
    }
    if (test >= 0) {
        std::printf("  earlier-version test: %.3f ms\n", test);
    }
    g_list = nullptr;
    delete form;
    platform::setPrompter(nullptr);
    benchmark::Shutdown();
    return 0;
}
