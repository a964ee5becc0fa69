// The relations window's fill on 5,000 opinions: the opinions related to a regulation (each
// found by its ordinal in the whole opinions table, with the opinions tab's ministry link and
// filter in force and given back after) and the regulations related to an opinion.

#include "collection.h"
#include "windowbench.h"

#include "filter.h"
#include "paths.h"
#include "relationswindow.h"

#include <map>
#include <QApplication>
#include <QComboBox>
#include <QTreeWidget>

namespace {

constexpr double kTargetMs = 50;
constexpr int kRounds = 21;

// The regulation with the most relations.
QByteArray busiestRegulation(engine::Table& link)
{
    std::map<QByteArray, int> counts;
    link.setFilter({});
    for (link.first(); !link.eof(); link.next()) {
        ++counts[link.field(1).asString()];
    }
    auto most = counts.begin();
    for (auto it = counts.begin(); it != counts.end(); ++it) {
        if (it->second > most->second) {
            most = it;
        }
    }
    return most->first;
}

// The main window's table shows this one record, as the viewer's document.
void showRecord(engine::Table& table, const char* keyField, const QByteArray& key)
{
    table.setMasterFields({});
    table.setFilter(QByteArray(keyField) + "= " + engine::quoted(key));
    table.setFiltered(true);
    table.first();
}

void report(const char* what, double ms, int rows)
{
    std::printf("  %s: %.2f ms, %d rows (target < %.0f ms) %s\n", what, ms, rows, kTargetMs,
                ms < kTargetMs ? "OK" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchdata::prepareOpinions();
    platform::setProgramFolder(benchdata::opinionsFolder());
    TForm1 form;
    benchdata::openTablesAndLists(form);
    Trelacije window;

    // The opinions tab as a user may leave it: a ministry chosen and searched, a filter in force.
    form.ComboBox1->setCurrentIndex(3);
    emit form.ComboBox1->activated(3);
    form.SpeedButton14Click();
    form.misljenja.setFilter("GODINA>= '2000'");

    const QByteArray regulation = busiestRegulation(form.link);
    showRecord(form.Zakoni, "ID_ZAKONA", regulation);
    int opinionRows = 0;
    const double opinions = benchdata::medianMs(kRounds, [&] { opinionRows = window.fill(false); });

    form.misljenja.setFilter({});
    form.misljenja.setMasterFields({});
    showRecord(form.misljenja, "BROJ_MISLJENJA", QByteArray::number(demo::landmark::OpinionTwoRegulations));
    int regulationRows = 0;
    const double regulations = benchdata::medianMs(kRounds, [&] { regulationRows = window.fill(true); });

    std::printf("Relations fill over %d opinions and %d regulations (median of %d):\n", benchdata::Opinions,
                benchdata::OpinionRegulations, kRounds);
    report("opinions of the regulation with the most relations", opinions, opinionRows);
    report("regulations of an opinion", regulations, regulationRows);
    return 0;
}
