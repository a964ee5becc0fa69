// Update archives of a demo collection: the tables the publisher's server would offer, numbered
// so that they install one after the other.

#include "demo.h"
#include "zipwriter.h"

#include "error.h"
#include "schema.h"
#include "session.h"
#include "sessionsetup.h"
#include "table.h"
#include "tablefile.h"

#include <algorithm>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <random>

namespace demo {

using engine::Value;

namespace {

// The names under which the updater looks for the tables, as the archives carry them.
const char* const RegulationsFile = "TB_Zakoni.DB";
const char* const PublicationsFile = "tb_brojevi.db";
const char* const VersionsFile = "tb_arhiva.db";
const char* const DatesFile = "TB_Datumi.DB";
const char* const PicturesFile = "TB_Grafika.DB";
const char* const OpinionsFile = "TB_Misljenja.DB";
const char* const RelationsFile = "TB_link.db";

// The first regulations are the landmarks tests name; updates leave them as they are.
constexpr int FirstChangeable = 20;

const QList<QByteArray> NewSubjects = {
    "elektronskom fakturisanju",
    "fiskalizaciji",
    "za{titi podataka o li~nosti",
    "digitalnoj imovini",
    "slobodnim zonama",
    "obnovljivim izvorima",
    "energetskoj efikasnosti",
    "elektronskoj trgovini",
    "platnim uslugama",
    "alternativnim investicionim fondovima",
};

struct Regulation {
    int id = 0;
    QByteArray title;
    int area = 2;
    int type = 1;
    QByteArray mark;
    QByteArray since;
    QByteArray source;
    QByteArray bg;
    int previous = 0;
    int next = 0;
};

// What an update needs to know of the collection.
struct Collection {
    QList<Regulation> regulations; // in key order
    int lastRegulation = 0;
    int lastOpinion = -1;
    int ministries = 1;
};

Collection readCollection(const QString& folder)
{
    engine::session().addPassword(data::TablePassword);
    Collection c;
    QMap<int, std::pair<int, int>> versions;
    {
        engine::Table arhiva;
        arhiva.setTableName(QDir(folder).filePath(QStringLiteral("TB_Arhiva.db")));
        arhiva.open();
        for (arhiva.first(); !arhiva.isEmpty() && !arhiva.eof(); arhiva.next()) {
            versions[int(arhiva.field(0).asInteger())] = {int(arhiva.field(1).asInteger()),
                                                          int(arhiva.field(2).asInteger())};
        }
    }
    engine::Table zakoni;
    zakoni.setTableName(QDir(folder).filePath(QStringLiteral("TB_Zakoni.db")));
    zakoni.open();
    const auto text = [&](const char* name) { return zakoni.fieldByName(name).asString(); };
    for (zakoni.first(); !zakoni.isEmpty() && !zakoni.eof(); zakoni.next()) {
        Regulation g;
        g.id = int(zakoni.fieldByName("ID_ZAKONA").asInteger());
        g.title = text("Naziv_zakona");
        g.area = int(zakoni.fieldByName("ID_KATEGORIJE_ZAKONA").asInteger());
        g.type = int(zakoni.fieldByName("ID_TIPA_ZAKONA").asInteger());
        g.mark = text("Oznaka");
        g.since = text("Datum_stupanja");
        g.source = text("Izvor");
        g.bg = text("BG");
        std::tie(g.previous, g.next) = versions.value(g.id);
        c.lastRegulation = std::max(c.lastRegulation, g.id);
        c.regulations.append(g);
    }
    engine::Table misljenja;
    misljenja.setTableName(QDir(folder).filePath(QStringLiteral("TB_Misljenja.db")));
    misljenja.open();
    for (misljenja.first(); !misljenja.isEmpty() && !misljenja.eof(); misljenja.next()) {
        c.lastOpinion = std::max(c.lastOpinion, int(misljenja.field(0).asInteger()));
    }
    engine::Table ministarstva;
    ministarstva.setTableName(QDir(folder).filePath(QStringLiteral("TB_Ministarstva.db")));
    ministarstva.open();
    c.ministries = std::max(1, ministarstva.recordCount());
    return c;
}

// A record of `file`'s table from named values; fields not named stay empty.
QList<Value> record(const char* file, const QList<std::pair<const char*, Value>>& values)
{
    const engine::TableStructure& s = data::tableFile(QString::fromLatin1(file)).structure;
    QList<Value> out(s.fields.size());
    for (const auto& [name, value] : values) {
        const int at = s.indexOf(name);
        if (at < 0) {
            throw engine::Error(QStringLiteral("No field %1 in %2").arg(QLatin1String(name), QLatin1String(file)));
        }
        out[at] = value;
    }
    return out;
}

class Writer {
public:
    Writer(const QString& folder, const char* name)
        : m_writer(QDir(folder).filePath(QString::fromLatin1(name)),
                   data::tableFile(QString::fromLatin1(name)).structure, data::TablePassword),
          m_name(name)
    {
    }
    void add(const QList<std::pair<const char*, Value>>& values) { m_writer.append(record(m_name, values)); }
    void commit() { m_writer.commit(); }

private:
    engine::TableFileWriter m_writer;
    const char* m_name;
};

QByteArray twoDigits(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

} // namespace

void writeUpdateTables(const QString& collectionFolder, const QString& folder, const UpdateOptions& o, int number)
{
    if (number < 1 || o.changed < 0 || o.added < 0) {
        throw engine::Error(QStringLiteral("An update needs a number from 1 and no negative counts"));
    }
    if (!QDir().mkpath(folder)) {
        throw engine::Error(QStringLiteral("Cannot make folder %1").arg(folder));
    }
    const Collection c = readCollection(collectionFolder);
    std::mt19937 order(o.seed);
    QList<const Regulation*> changeable;
    for (const Regulation& g : c.regulations) {
        if (g.id >= FirstChangeable) {
            changeable.append(&g);
        }
    }
    std::shuffle(changeable.begin(), changeable.end(), order);
    QList<const Regulation*> changed;
    for (int i = 0; i < o.changed && !changeable.isEmpty(); ++i) {
        const auto* g = changeable[(qsizetype(number - 1) * o.changed + i) % changeable.size()];
        if (!changed.contains(g)) {
            changed.append(g);
        }
    }
    std::sort(changed.begin(), changed.end(), [](auto* a, auto* b) { return a->id < b->id; });
    // Some changed regulations are superseded by one of the new ones: a new version of the same title.
    QList<const Regulation*> superseded;
    for (const Regulation* g : changed) {
        if (g->next == 0 && superseded.size() < qsizetype(std::min(o.added, std::max(1, o.added / 5)))) {
            superseded.append(g);
        }
    }

    const int year = 2019 + number;
    const QByteArray entered = "01/" + twoDigits((number - 1) % 12 + 1) + '/' + QByteArray::number(year);
    const quint32 textSeed = o.seed * 7919u + quint32(number) * 104729u;
    Writer zakoni(folder, RegulationsFile);
    Writer brojevi(folder, PublicationsFile);
    Writer arhiva(folder, VersionsFile);
    Writer datumi(folder, DatesFile);
    Writer grafika(folder, PicturesFile);
    const auto writeRegulation = [&](const Regulation& g, const QByteArray& note, const QByteArray& version) {
        const RegulationTexts texts = regulationTexts(g.title, o.textKb, textSeed + quint32(g.id));
        zakoni.add({{"ID_ZAKONA", g.id},
                    {"ID_BROJA", g.id},
                    {"ID_KATEGORIJE_ZAKONA", g.area},
                    {"ID_TIPA_ZAKONA", g.type},
                    {"Oznaka", g.mark},
                    {"Naziv_zakona", g.title},
                    {"Datum_stupanja", g.since},
                    {"Izvor", g.source},
                    {"Napomena", noteText(note)},
                    {"Verzija", version},
                    {"BG", g.bg},
                    {"Latinica", texts.latin},
                    {"Cirilica", texts.cyrillic}});
        datumi.add({{"ID_ZAKONA", g.id}, {"DATUM_UNOSA", entered}});
    };

    const QByteArray version = QByteArray::number(number + 1);
    const int firstNew = c.lastRegulation + (number - 1) * o.added + 1;
    for (const Regulation* g : changed) {
        const qsizetype at = superseded.indexOf(g);
        Regulation changedOne = *g;
        if (at >= 0) {
            changedOne.next = firstNew + int(at);
        }
        writeRegulation(changedOne, "Izmenjeno izmenom br. " + QByteArray::number(number), version);
        if (at >= 0) {
            arhiva.add({{"BROJ_ZAKONA", g->id}, {"PRETHODI_MU", g->previous}, {"NASLEDJUJE_GA", changedOne.next}});
        }
    }
    for (int i = 0; i < o.added; ++i) {
        Regulation g;
        g.id = firstNew + i;
        const int issue = 1 + i / 40;
        g.bg = QByteArray::number(issue) + '/' + QByteArray::number(year);
        g.mark = "P-" + QByteArray::number(g.id);
        g.since = twoDigits(1 + i % 28) + '/' + twoDigits((number - 1) % 12 + 1) + '/' + QByteArray::number(year);
        if (i < superseded.size()) {
            const Regulation& old = *superseded[i];
            g.title = old.title;
            g.area = old.area;
            g.type = old.type;
            g.previous = old.id;
        } else {
            g.type = 1 + (i + number) % 7;
            g.area = 2 + (i * 7 + number) % 16;
            g.title = (g.type == 1 ? QByteArray("Zakon o ") : QByteArray("Pravilnik o ")) +
                      NewSubjects[(i + number) % NewSubjects.size()] + " (" + QByteArray::number(g.id) + ")";
        }
        writeRegulation(g, "Novi propis iz izmene br. " + QByteArray::number(number), "1");
        brojevi.add({{"ID_BROJA", g.id},
                     {"ID_GLASNIKA", 1},
                     {"DAN_stampanja", twoDigits(1 + i % 28)},
                     {"MESEC_stampanja", twoDigits((number - 1) % 12 + 1)},
                     {"GODINA_stampanja", QByteArray::number(year)},
                     {"BROJ", QByteArray::number(issue)}});
        arhiva.add({{"BROJ_ZAKONA", g.id}, {"PRETHODI_MU", g.previous}, {"NASLEDJUJE_GA", 0}});
        if (i % 4 == 1) {
            QList<std::pair<const char*, Value>> pictures{{"ID_ZAKONA", g.id}, {"S1", picturePng(g.id, 1)}};
            if (i % 8 == 1) {
                pictures.append({"S3", picturePng(g.id, 3)});
            }
            grafika.add(pictures);
        }
    }
    zakoni.commit();
    brojevi.commit();
    arhiva.commit();
    datumi.commit();
    grafika.commit();

    Writer misljenja(folder, OpinionsFile);
    Writer link(folder, RelationsFile);
    const int opinions = std::max(1, o.added / 5);
    for (int j = 0; j < opinions; ++j) {
        const int n = c.lastOpinion + 1 + (number - 1) * opinions + j;
        const QByteArray title =
            "Mi{ljenje o primeni izmene br. " + QByteArray::number(number) + " (" + QByteArray::number(j + 1) + ")";
        const RegulationTexts texts = regulationTexts(title, 1, textSeed + 1000003u + quint32(j));
        misljenja.add({{"BROJ_MISLJENJA", double(n)},
                       {"MINISTARSTVO", double(1 + j % c.ministries)},
                       {"NAZIV_MISLJENJA", title},
                       {"Latinica", texts.latin},
                       {"Cirilica", texts.cyrillic},
                       {"DAN", double(1 + j % 28)},
                       {"MESEC", double((number - 1) % 12 + 1)},
                       {"GODINA", double(year)}});
        if (j < o.added) {
            link.add({{"PROP", n}, {"MIS", firstNew + j}});
        }
        if (j < changed.size()) {
            link.add({{"PROP", n}, {"MIS", changed[j]->id}});
        }
    }
    misljenja.commit();
    link.commit();
}

QStringList writeUpdateArchives(const QString& collectionFolder, const QString& folder, const UpdateOptions& o)
{
    if (o.archives < 1 || o.first < 1 || o.first + o.archives - 1 > 999) {
        throw engine::Error(QStringLiteral("Update archives are numbered from 001 to 999"));
    }
    if (!QDir().mkpath(folder)) {
        throw engine::Error(QStringLiteral("Cannot make folder %1").arg(folder));
    }
    QStringList written;
    for (int number = o.first; number < o.first + o.archives; ++number) {
        QTemporaryDir tables(QDir(folder).filePath(QStringLiteral(".tables-XXXXXX")));
        if (!tables.isValid()) {
            throw engine::Error(QStringLiteral("Cannot make a folder in %1").arg(folder));
        }
        writeUpdateTables(collectionFolder, tables.path(), o, number);
        const QString archive = QDir(folder).filePath(QStringLiteral("%1.zip").arg(number, 3, 10, QLatin1Char('0')));
        ZipWriter zip(archive);
        const QStringList files = QDir(tables.path()).entryList(QDir::Files, QDir::Name);
        for (const QString& file : files) {
            QFile f(QDir(tables.path()).filePath(file));
            if (!f.open(QIODevice::ReadOnly)) {
                throw engine::Error(QStringLiteral("Cannot read %1").arg(f.fileName()));
            }
            zip.add(file.toLatin1(), f.readAll());
        }
        zip.commit();
        written.append(archive);
    }
    return written;
}

} // namespace demo
