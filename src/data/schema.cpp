#include "schema.h"

#include "error.h"
#include "session.h"

namespace data {

using engine::FieldType;

namespace {

engine::FieldDef text(const char* name, int size)
{
    return {name, FieldType::Text, size};
}
engine::FieldDef integer(const char* name)
{
    return {name, FieldType::Integer, 0};
}
engine::FieldDef real(const char* name)
{
    return {name, FieldType::Float, 0};
}
engine::FieldDef rich(const char* name)
{
    return {name, FieldType::FormattedText, 0};
}
engine::FieldDef graphic(const char* name)
{
    return {name, FieldType::Graphic, 0};
}

QList<TableFile> makeTableFiles()
{
    QList<TableFile> t;
    // Publications: positions 4 and 5 (year and issue of print) are read by position as well.
    t.append({"TB_Brojevi.db",
              {{integer("ID_BROJA"), integer("ID_GLASNIKA"), text("DAN_stampanja", 2), text("MESEC_stampanja", 2),
                text("GODINA_stampanja", 4), text("BROJ", 10)},
               {"ID_BROJA"},
               {{"glasnik", {"ID_GLASNIKA", "GODINA_stampanja", "BROJ"}, true}}}});
    // Regulations: 0 key, 5 title, 8 note and 10 number/year are read by position; the two
    // texts come last, so reading the short fields never passes over them.
    t.append({"TB_Zakoni.db",
              {{integer("ID_ZAKONA"), integer("ID_BROJA"), integer("ID_KATEGORIJE_ZAKONA"), integer("ID_TIPA_ZAKONA"),
                text("Oznaka", 20), text("Naziv_zakona", 250), text("Datum_stupanja", 10), text("Izvor", 60),
                rich("Napomena"), text("Verzija", 10), text("BG", 20), rich("Latinica"), rich("Cirilica")},
               {"ID_ZAKONA"},
               {{"naziv", {"Naziv_zakona", "BG"}, true},
                {"broj", {"ID_BROJA"}, false},
                {"oblast", {"ID_KATEGORIJE_ZAKONA", "ID_TIPA_ZAKONA"}, false},
                {"tip", {"ID_TIPA_ZAKONA"}, false}}}});
    t.append({"TB_Glasnici.db", {{integer("ID_GLASNIKA"), text("Naziv_glasnika", 120)}, {"ID_GLASNIKA"}, {}}});
    t.append({"TB_Arhiva.db",
              {{integer("BROJ_ZAKONA"), integer("PRETHODI_MU"), integer("NASLEDJUJE_GA")},
               {"BROJ_ZAKONA"},
               {{"prethodi", {"PRETHODI_MU"}, false}, {"nasledjuje", {"NASLEDJUJE_GA"}, false}}}});
    t.append({"TB_Misljenja.db",
              {{real("BROJ_MISLJENJA"), real("MINISTARSTVO"), text("NAZIV_MISLJENJA", 240), rich("Latinica"),
                rich("Cirilica"), real("DAN"), real("MESEC"), real("GODINA")},
               {"BROJ_MISLJENJA"},
               {{"drugi", {"MINISTARSTVO"}, true}, {"naziv", {"NAZIV_MISLJENJA"}, true}}}});
    t.append({"TB_Ministarstva.db", {{real("MINISTARSTVO"), text("IME_MINISTARSTVA", 240)}, {"MINISTARSTVO"}, {}}});
    t.append({"TB_Kategorije_Zakona.db",
              {{integer("ID_KATEGORIJE_ZAKONA"), text("Naziv_kategorije", 120)}, {"ID_KATEGORIJE_ZAKONA"}, {}}});
    t.append({"TB_Tipovi_Zakona.db", {{integer("ID_TIPA_ZAKONA"), text("Naziv_tipa", 60)}, {"ID_TIPA_ZAKONA"}, {}}});
    t.append({"TB_Ugovori.db",
              {{text("NAZIV_UGOVORA", 120), rich("TEXT_UGOVORA"), rich("Napomena"), integer("BROJ_STRANA")},
               {"NAZIV_UGOVORA"},
               {}}});
    // The user's contracts keep the order they were made in; a name may repeat.
    t.append({"TB_Korisnicki.db", {{text("NAZIV_UG", 160), rich("TEKST_UG")}, {}, {{"naziv", {"NAZIV_UG"}, true}}}});
    // Relations: the opinion first, so its number also serves as its ordinal.
    t.append(
        {"TB_link.db", {{integer("PROP"), integer("MIS")}, {}, {{"mis", {"MIS"}, false}, {"prop", {"PROP"}, false}}}});
    t.append({"TB_Datumi.db", {{integer("ID_ZAKONA"), text("DATUM_UNOSA", 10)}, {"ID_ZAKONA"}, {}}});
    engine::TableStructure pictures{{integer("ID_ZAKONA")}, {"ID_ZAKONA"}, {}};
    for (int i = 1; i <= 33; ++i) {
        pictures.fields.append(graphic(qPrintable(QStringLiteral("S%1").arg(i))));
    }
    t.append({"TB_grafika.db", pictures});
    return t;
}

} // namespace

const QList<TableFile>& tableFiles()
{
    static const QList<TableFile> files = makeTableFiles();
    return files;
}

const TableFile& tableFile(const QString& fileName)
{
    for (const TableFile& f : tableFiles()) {
        if (f.fileName.compare(fileName, Qt::CaseInsensitive) == 0) {
            return f;
        }
    }
    throw engine::Error(QStringLiteral("Unknown table file %1").arg(fileName));
}

void registerRecordTypes()
{
    for (const TableFile& f : tableFiles()) {
        engine::session().setRecordType(f.fileName, f.structure);
    }
}

} // namespace data
