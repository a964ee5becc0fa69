#include "citation.h"

#include "filter.h"
#include "tables.h"

namespace citation {

namespace {

struct Entry {
    const char* gazette;
    const char* abbreviation;
};

const Entry kCitations[] = {
    {"Slu`beni glasnik Republike Srbije", "Sl. glasnik RS"},
    {"Slu`beni glasnik Socijalisti~ke Republike Srbije", "Sl. glasnik SRS"},
    {"Slu`beni glasnik Narodne Republike Srbije", "Sl. glasnik NRS"},
    {"Slu`beni list Savezne Republike Jugoslavije", "Sl. list SRJ"},
    {"Slu`beni list Socijalisti~ke Federativne Republike Jugoslavije", "Sl. list SFRJ"},
    {"Slu`beni list Federativne Narodne Republike Jugoslavije", "Sl. list FNRJ"},
    {"Slu`beni list grada Beograda", "Sl. list grada Beograda"},
    {"Slu`beni list Srbije i Crne Gore", "Sl. list SiCG"},
    {"Slu`beni list Crne Gore", "Sl. list CG"},
    {"Slu`beni list Autonomne Pokrajine Vojvodine", "Sl. list AP Vojvodine"},
};

// Positions in the tables' own field order.
constexpr int kGazetteName = 1;
constexpr int kNumberYear = 10;

// The regulations of the title; the publication and the gazette of the first follow the link.
void selectTitle(data::MainTables& tables, const QByteArray& title)
{
    tables.lookzakoni.setFilter("Naziv_zakona= " + engine::quoted(title));
    tables.lookzakoni.setFiltered(true);
    tables.lookzakoni.first();
}

QByteArray gazetteName(data::MainTables& tables)
{
    tables.lookglasnici.setFiltered(true);
    tables.lookglasnici.first();
    return tables.lookglasnici.field(kGazetteName).asString();
}

} // namespace

QByteArray abbreviation(const QByteArray& gazetteName)
{
    for (const Entry& e : kCitations) {
        if (gazetteName == e.gazette) {
            return e.abbreviation;
        }
    }
    return {};
}

QByteArray citationText(const QByteArray& gazetteName, const QByteArray& numberYear)
{
    return "(" + abbreviation(gazetteName) + " " + numberYear + ")";
}

QByteArray gazetteOfTitle(data::MainTables& tables, const QByteArray& title)
{
    selectTitle(tables, title);
    return gazetteName(tables);
}

QByteArray numberOfTitle(data::MainTables& tables, const QByteArray& title, bool withGazette)
{
    selectTitle(tables, title);
    const QByteArray numberYear = tables.lookzakoni.field(kNumberYear).asString();
    if (!withGazette) {
        return numberYear;
    }
    return citationText(gazetteName(tables), numberYear);
}

} // namespace citation
