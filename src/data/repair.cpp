#include "repair.h"

#include <exception>

namespace repair {

const QList<Step>& steps()
{
    static const QList<Step> order = {
        {"TB_Brojevi", 10},      {"TB_Arhiva", 20},      {"TB_Glasnici", 30},
        {"TB_Zakoni", 40},       {"TB_Misljenja", 50},   {"TB_Tipovi_Zakona", 60},
        {"TB_Ministarstva", 70}, {"TB_link", 75},        {"TB_Kategorije_Zakona", 80},
        {"TB_Ugovori", 90},      {"TB_Korisnicki", 100}, {"TB_grafika", -1},
        {"TB_Datumi", -1},
    };
    return order;
}

Outcome run(const std::function<bool(const QByteArray&)>& rebuild, const std::function<void(int)>& progress)
{
    progress(0);
    for (const Step& step : steps()) {
        bool rebuilt = false;
        try {
            rebuilt = rebuild(step.table);
        } catch (const std::exception&) {
            rebuilt = false;
        }
        if (!rebuilt) {
            return {false, step.table};
        }
        if (step.progress >= 0) {
            progress(step.progress);
        }
    }
    return {};
}

QByteArray message(const Outcome& outcome)
{
    if (outcome.ok) {
        return "Popravka uspesno izvrsena. Baza je u ispravnom stanju.";
    }
    return "Greska prilikom popravke baze!\r\nTabela koja nije popravljena: " + outcome.failedTable;
}

} // namespace repair
