#include "demo.h"

#include "rtfwriter.h"

#include "error.h"
#include "schema.h"
#include "searchtext.h"
#include "sessionsetup.h"
#include "tablefile.h"
#include "yuscii.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QList>
#include <QPainter>
#include <random>

namespace demo {

using engine::Value;

QByteArray toCyrillic(const QByteArray& latin)
{
    QByteArray out;
    out.reserve(latin.size());
    for (qsizetype i = 0; i < latin.size(); ++i) {
        const char c = latin[i];
        const char n = i + 1 < latin.size() ? latin[i + 1] : '\0';
        const bool nextLowerJ = n == 'j';
        const bool nextUpperJ = n == 'J';
        if ((c == 'n' || c == 'N' || c == 'l' || c == 'L') && (nextLowerJ || nextUpperJ)) {
            const bool upper = c == 'N' || c == 'L';
            out += (c == 'n' || c == 'N') ? (upper ? 'W' : 'w') : (upper ? 'Q' : 'q');
            ++i;
        } else if ((c == 'd' || c == 'D') && (n == '`' || n == '@')) {
            out += c == 'D' ? 'X' : 'x';
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

// ---------------------------------------------------------------------------------------------
// Fixed vocabulary, in YUSCII.

const QList<QByteArray> Gazettes = {
    "Slu`beni glasnik Republike Srbije",
    "Slu`beni glasnik Socijalisti~ke Republike Srbije",
    "Slu`beni glasnik Narodne Republike Srbije",
    "Slu`beni list Savezne Republike Jugoslavije",
    "Slu`beni list Socijalisti~ke Federativne Republike Jugoslavije",
    "Slu`beni list Federativne Narodne Republike Jugoslavije",
    "Slu`beni list grada Beograda",
    "Slu`beni list Srbije i Crne Gore",
    "Slu`beni list Crne Gore",
    "Slu`beni list Autonomne Pokrajine Vojvodine",
};
// Years in which each gazette appeared, and how often it is chosen.
const int GazetteYears[][2] = {{1991, 2019}, {1964, 1990}, {1946, 1963}, {1992, 2003}, {1963, 1991},
                               {1946, 1962}, {1990, 2019}, {2003, 2006}, {1993, 2019}, {1990, 2019}};
const int GazetteWeights[] = {50, 6, 3, 10, 6, 3, 8, 5, 4, 5};

const QList<QByteArray> Areas = {
    "Sve oblasti",
    "Privredna dru{tva",
    "Porezi i doprinosi",
    "Radni odnosi",
    "Ra~unovodstvo i revizija",
    "Carine",
    "Spoljnotrgovinsko poslovanje",
    "Bankarstvo i osiguranje",
    "Javne nabavke",
    "Zdravstvo",
    "Obrazovanje",
    "Saobra}aj i veze",
    "Gra|evinarstvo",
    "Poljoprivreda i {umarstvo",
    "Energetika",
    "Pravosu|e",
    "Dr`avna uprava i lokalna samouprava",
};

// A type's key is its place in this list; "Sve" stands for every type.
const QList<QByteArray> Types = {"Sve", "Zakon", "Uredba", "Pravilnik", "Odluka", "Uputstvo", "Re{enje", "Naredba"};

const QList<QByteArray> Subjects = {
    "ra~unovodstvu",
    "porezu na dodatu vrednost",
    "radu",
    "privrednim dru{tvima",
    "javnim nabavkama",
    "carinskoj tarifi",
    "deviznom poslovanju",
    "platnom prometu",
    "za{titi `ivotne sredine",
    "bezbednosti saobra}aja na putevima",
    "planiranju i izgradnji",
    "zdravstvenoj za{titi",
    "penzijskom i invalidskom osiguranju",
    "porezu na dohodak gra|ana",
    "porezu na dobit pravnih lica",
    "akcizama",
    "trgovini",
    "za{titi potro{a~a",
    "stranim ulaganjima",
    "ste~aju",
    "izvr{enju i obezbe|enju",
    "osnovama sistema obrazovanja i vaspitanja",
    "dr`avnoj upravi",
    "lokalnoj samoupravi",
    "energetici",
    "rudarstvu i geolo{kim istra`ivanjima",
    "poljoprivredi i ruralnom razvoju",
    "veterinarstvu",
    "igrama na sre}u",
    "overavanju potpisa, rukopisa i prepisa",
    "platama u dr`avnim organima",
    "javnom dugu",
    "bud`etskom sistemu",
    "reviziji",
    "osiguranju",
    "bankama",
    "tr`i{tu kapitala",
    "elektronskom potpisu",
    "autorskim i srodnim pravima",
    "patentima",
    "vodama",
    "turizmu",
    "zapo{ljavanju i osiguranju za slu~aj nezaposlenosti",
    "bezbednosti i zdravlju na radu",
    "porezima na imovinu",
    "doprinosima za obavezno socijalno osiguranje",
    "finansijskom lizingu",
    "ra~unovodstvenim ispravama i poslovnim knjigama",
    "sprovo|enju popisa imovine i obaveza",
    "re{avanju sukoba nadle`nosti",
};
const QList<QByteArray> Qualifiers = {
    "",
    "",
    "na~inu primene propisa o ",
    "sadr`ini evidencije o ",
    "uslovima i postupku iz oblasti propisa o ",
    "obrascima propisanim zakonom o ",
    "izmenama i dopunama propisa o ",
};

const QList<QByteArray> SentenceStarts = {
    "Ovim zakonom ure|uju se",
    "Privredno dru{tvo je du`no da vodi",
    "Nadle`ni organ utvr|uje",
    "Obveznik podnosi",
    "Ministarstvo nadle`no za poslove finansija propisuje",
    "Pravno lice i preduzetnik vode",
    "Narodna banka Srbije prati",
    "Odgovorno lice obezbe|uje",
    "Poreski obveznik je du`an da podnese",
    "Lice koje obavlja delatnost ~uva",
    "Vlada bli`e ure|uje",
};
const QList<QByteArray> SentenceObjects = {
    "poslovne knjige i ra~unovodstvene isprave",
    "uslove i na~in obavljanja delatnosti",
    "finansijski izve{taj za poslovnu godinu",
    "evidenciju o zaposlenima i njihovim zaradama",
    "prava i obaveze u~esnika u platnom prometu",
    "podatke o upravljanju imovinom",
    "zahtev za izdavanje re{enja",
    "prijavu za utvr|ivanje poreza",
    "dokumentaciju o poslovanju sa inostranstvom",
    "mere za{tite ljudskih prava",
};
const QList<QByteArray> SentenceEnds = {
    "u roku od 30 dana od dana nastanka promene",
    "u skladu sa odredbama ovog zakona",
    "na na~in i u rokovima koje propisuje ministar",
    "najkasnije do kraja teku}e godine",
    "u pisanom ili elektronskom obliku",
    "pod uslovima utvr|enim posebnim propisom",
    "uz saglasnost nadle`nog ministarstva",
    "uz saglasnost menad`era i nadzornog odbora",
    "osim ako zakonom nije druga~ije odre|eno",
};
const QList<QByteArray> Penalties = {
    "Nov~anom kaznom od 100.000 do 1.000.000 dinara kazni}e se za prekr{aj pravno lice",
    "Za prekr{aj iz stava 1. ovog ~lana kazni}e se i odgovorno lice u pravnom licu",
    "Ovaj zakon stupa na snagu osmog dana od dana objavljivanja",
};

const QList<QByteArray> Ministries = {
    "Ministarstvo finansija",
    "Ministarstvo privrede",
    "Ministarstvo za rad, zapo{ljavanje i socijalnu politiku",
    "Ministarstvo zdravlja",
    "Ministarstvo prosvete, nauke i tehnolo{kog razvoja",
    "Ministarstvo pravde",
    "Ministarstvo poljoprivrede, {umarstva i vodoprivrede",
    "Ministarstvo gra|evinarstva, saobra}aja i infrastrukture",
    "Ministarstvo trgovine, turizma i telekomunikacija",
    "Ministarstvo dr`avne uprave i lokalne samouprave",
};
const QList<QByteArray> OpinionTopics = {
    "pravu na odbitak prethodnog poreza",
    "obra~unu zarade za vreme godi{njeg odmora",
    "poreskom tretmanu donacija",
    "evidentiranju osnovnih sredstava",
    "na~inu iskazivanja kursnih razlika",
    "obavezi izdavanja fiskalnog ra~una",
    "primeni sni`ene poreske stope",
    "pravu na naknadu tro{kova prevoza",
    "obavezi revizije finansijskih izve{taja",
    "otpisu nenapla}enih potra`ivanja",
    "oporezivanju prihoda od zakupa",
    "ispravci gre{aka iz ranijih godina",
};

struct ContractModel {
    QByteArray name;
    int parties;
    QList<QByteArray> roles;
    QList<QByteArray> articles;
    QList<QByteArray> closing = {}; // paragraphs after the last article
};
const QList<ContractModel> ContractModels = {
    {"Ugovor o delu",
     2,
     {"Naru~ilac", "Izvr{ilac"},
     {"Izvr{ilac se obavezuje da za Naru~ioca izvr{i ugovoreni posao.",
      "Naru~ilac se obavezuje da Izvr{iocu isplati ugovorenu naknadu."}},
    {"Ugovor o zakupu poslovnog prostora",
     2,
     {"Zakupodavac", "Zakupac"},
     {"Zakupodavac daje u zakup poslovni prostor opisan u ovom ugovoru.",
      "Zakupac se obavezuje da pla}a zakupninu do petog u mesecu."}},
    {"Ugovor o kupoprodaji",
     2,
     {"Prodavac", "Kupac"},
     {"Prodavac prodaje, a Kupac kupuje stvar opisanu u ovom ugovoru.",
      "Kupac se obavezuje da cenu isplati u roku od osam dana."}},
    {"Ugovor o zajmu",
     2,
     {"Zajmodavac", "Zajmoprimac"},
     {"Zajmodavac predaje Zajmoprimcu iznos nov~anih sredstava.",
      "Zajmoprimac se obavezuje da zajam vrati u ugovorenom roku."}},
    {"Ugovor o poklonu",
     2,
     {"Poklonodavac", "Poklonoprimac"},
     {"Poklonodavac poklanja Poklonoprimcu stvar opisanu u ovom ugovoru.",
      "Poklonoprimac izjavljuje da poklon prima."}},
    {"Ugovor o jemstvu",
     3,
     {"Poverilac", "Du`nik", "Jemac"},
     {"Jemac se obavezuje prema Poveriocu da }e ispuniti punova`nu obavezu Du`nika.",
      "Jemac odgovara do visine obaveze Du`nika."}},
    {"Ugovor o ortakluku",
     3,
     {"Prvi ortak", "Drugi ortak", "Tre}i ortak"},
     {"Ortaci se udru`uju radi ostvarivanja zajedni~kog cilja.", "Dobit i gubitak dele se na jednake delove."}},
    {MediationModelName,
     2,
     {"Nalogodavac", "Posrednik"},
     {"Posrednik se obavezuje da na|e lice koje }e sa Nalogodavcem zaklju~iti ugovor.",
      "Nalogodavac se obavezuje da Posredniku plati ugovorenu proviziju."},
     {"^lan 12 Re{avanje sporova", "Sporove re{ava nadle`ni sud u <MESTOUG>.",
      "^lanak ovog ugovora o proviziji ne menja se.", "Kraj", "Potpisano u <mestoug>"}},
    {"Ugovor o prenosu udela",
     3,
     {"Prenosilac", "Sticalac", "Dru{tvo"},
     {"Prenosilac prenosi Sticaocu udeo u Dru{tvu.", "Dru{tvo se obavezuje da promenu prijavi registru."}},
};

class Random {
public:
    explicit Random(quint32 seed) : m_gen(seed) {}
    int below(int n) { return int(m_gen() % quint32(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T> const T& pick(const QList<T>& list) { return list[below(int(list.size()))]; }

private:
    std::mt19937 m_gen;
};

// ---------------------------------------------------------------------------------------------
// Rich text in the style of the rich-edit control: the two fonts in the font table, the title
// centred and bold, articles headed "^lan N" on their own paragraph, CR LF after each paragraph.

const QByteArray RtfHeader = "{\\rtf1\\ansi\\ansicpg1250\\deff0\\deflang1050{\\fonttbl{\\f0\\fnil\\fcharset238 "
                             "YHelvetica;}{\\f1\\fnil\\fcharset0 CHelvetica;}}\r\n\\viewkind4\\uc1";

struct Document {
    QList<QByteArray> titleLines;
    QList<QByteArray> paragraphs; // article headings among them
};

QByteArray toRtf(const Document& d, bool cyrillic)
{
    const auto text = [&](const QByteArray& t) { return richtext::rtfEscaped(cyrillic ? toCyrillic(t) : t); };
    QByteArray out = RtfHeader;
    out += cyrillic ? "\\pard\\qc\\b\\f1\\fs24 " : "\\pard\\qc\\b\\f0\\fs24 ";
    for (const QByteArray& line : d.titleLines) {
        out += text(line) + "\\par\r\n";
    }
    out += "\\pard\\ql\\b0\\fs20 ";
    for (const QByteArray& p : d.paragraphs) {
        out += text(p) + "\\par\r\n";
    }
    return out + "}";
}

QByteArray noteRtf(const QByteArray& text)
{
    return RtfHeader + "\\pard\\f0\\fs20 " + richtext::rtfEscaped(text) + "\\par\r\n}";
}

// A note of exactly `size` characters, padded with words.
QByteArray noteOfSize(int size, Random& r)
{
    QByteArray text = "Napomena: propis je izmenjen. ";
    while (noteRtf(text).size() < size) {
        text += r.pick(SentenceEnds) + ' ';
    }
    while (noteRtf(text).size() > size) {
        text.chop(1);
    }
    while (noteRtf(text).size() < size) {
        text += '.'; // the chopped character may have been an escaped one
    }
    return noteRtf(text);
}

QByteArray sentence(Random& r)
{
    return r.pick(SentenceStarts) + ' ' + r.pick(SentenceObjects) + ' ' + r.pick(SentenceEnds) + '.';
}

Document regulationText(const QByteArray& title, int targetBytes, Random& r)
{
    Document d;
    const qsizetype space = title.indexOf(' ');
    d.titleLines = {yuscii::yupperW(title.left(space)), yuscii::yupperW(title.mid(space + 1))};
    int size = 0;
    for (int article = 1; size < targetBytes || article <= 2; ++article) {
        d.paragraphs.append("^lan " + QByteArray::number(article));
        const int paragraphs = r.between(1, 4);
        for (int p = 1; p <= paragraphs; ++p) {
            QByteArray para = paragraphs > 1 ? "(" + QByteArray::number(p) + ") " : QByteArray();
            const int sentences = r.between(1, 4);
            for (int s = 0; s < sentences; ++s) {
                para += (s ? " " : "") + sentence(r);
            }
            if (r.chance(5)) {
                para += ' ' + r.pick(Penalties) + '.';
            }
            size += int(para.size()) + 8;
            d.paragraphs.append(para);
        }
    }
    return d;
}

QByteArray picture(int regulation, int slot)
{
    QImage image(48, 32, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((regulation * 37 + slot * 53) % 360, 160, 230));
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 47, 31);
    painter.drawLine(0, 0, 47, 31);
    painter.fillRect(4, 4, slot % 40, 6, Qt::darkBlue);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray twoDigits(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

// ---------------------------------------------------------------------------------------------

struct Regulation {
    int id = 0;
    int gazette = 1;
    int year = 2005;
    int day = 1;
    int month = 1;
    QByteArray issue;
    QByteArray title;
    int area = 2;
    int type = 1;
    QByteArray note;
    int previous = 0;
    int next = 0;
    QByteArray bg() const { return issue + '/' + QByteArray::number(year); }
};

int weightedGazette(Random& r)
{
    int roll = r.below(100);
    for (int g = 0; g < 10; ++g) {
        if ((roll -= GazetteWeights[g]) < 0) {
            return g + 1;
        }
    }
    return 1;
}

QList<Regulation> planRegulations(const Options& o, Random& r)
{
    QList<Regulation> regs;
    for (int id = 1; id <= o.regulations; ++id) {
        Regulation g;
        g.id = id;
        g.gazette = weightedGazette(r);
        g.year = r.between(GazetteYears[g.gazette - 1][0], GazetteYears[g.gazette - 1][1]);
        g.day = r.between(1, 28);
        g.month = r.between(1, 12);
        g.issue = QByteArray::number(r.between(1, 130)) + (r.chance(1) ? "a" : "");
        g.type = r.between(1, int(Types.size()) - 1);
        g.area = r.between(2, int(Areas.size()));
        const QByteArray qualifier =
            g.type == 1 ? QByteArray(r.chance(30) ? "izmenama i dopunama Zakona o " : "") : r.pick(Qualifiers);
        g.title = Types[g.type] + " o " + qualifier + r.pick(Subjects);
        const int noteKind = r.below(100);
        if (noteKind >= 60 && noteKind < 85) {
            g.note = noteRtf(r.pick(SentenceEnds).left(40));
        } else if (noteKind >= 85) {
            QByteArray text = "Dodatne informacije: ";
            for (int s = r.between(2, 8); s > 0; --s) {
                text += sentence(r) + ' ';
            }
            g.note = noteRtf(text);
        }
        regs.append(g);
    }
    const auto fix = [&](int id, const QByteArray& title, int gazette, int year, const QByteArray& issue) {
        if (id <= regs.size()) {
            Regulation& g = regs[id - 1];
            g.title = title;
            g.gazette = gazette;
            g.year = year;
            g.issue = issue;
            g.type = title.startsWith("Zakon") ? 1 : 3;
        }
    };
    fix(landmark::FirstLaw, FirstLawTitle, 1, 2005, "12");
    fix(landmark::ApostropheTitle, ApostropheLawTitle, 1, 2006, "3");
    fix(landmark::ForestLaw, ForestLawTitle, 1, 1991, "46");
    for (int id : landmark::TitleTwins) {
        fix(id, TwinTitle, 1, 1990 + id, QByteArray::number(id));
    }
    if (regs.size() >= landmark::Note201) {
        regs[landmark::Note200 - 1].note = noteOfSize(200, r);
        regs[landmark::Note201 - 1].note = noteOfSize(201, r);
    }
    // Version chains: each version points at the one before and the one after it and all share
    // the title, later versions in later years.
    QList<QList<int>> chains;
    chains.append(QList<int>(std::begin(landmark::ChainOfThree), std::end(landmark::ChainOfThree)));
    chains.append(QList<int>(std::begin(landmark::ChainOfFive), std::end(landmark::ChainOfFive)));
    // The first of the twins stays out of the chain: a lookup by title alone finds it first.
    chains.append(QList<int>(std::begin(landmark::TitleTwins) + 1, std::end(landmark::TitleTwins)));
    for (int start = 20; start + 4 <= o.regulations; start += r.between(15, 40)) {
        QList<int> chain;
        for (int k = 0, n = r.between(2, 4); k < n; ++k) {
            chain.append(start + k);
        }
        chains.append(chain);
    }
    for (const QList<int>& chain : chains) {
        if (chain.last() > regs.size()) {
            continue;
        }
        const Regulation& head = regs[chain.first() - 1];
        const QByteArray title = chain.first() == landmark::ChainOfThree[0] ? QByteArray("Zakon o radu")
                                 : chain.first() == landmark::ChainOfFive[0]
                                     ? QByteArray("Zakon o porezu na dohodak gra|ana")
                                     : head.title;
        for (int k = 0; k < chain.size(); ++k) {
            Regulation& g = regs[chain[k] - 1];
            g.title = title;
            g.gazette = 1;
            g.type = head.type;
            g.area = head.area;
            g.year = 1995 + 4 * k + (chain.first() % 3);
            g.previous = k > 0 ? chain[k - 1] : 0;
            g.next = k + 1 < chain.size() ? chain[k + 1] : 0;
        }
    }
    return regs;
}

void writeRegulations(const QString& folder, const QList<Regulation>& regs, const Options& o, Random& r)
{
    const auto path = [&](const char* name) { return QDir(folder).filePath(QString::fromLatin1(name)); };
    engine::TableFileWriter brojevi(path("TB_Brojevi.db"), data::tableFile("TB_Brojevi.db").structure,
                                    data::TablePassword);
    engine::TableFileWriter zakoni(path("TB_Zakoni.db"), data::tableFile("TB_Zakoni.db").structure,
                                   data::TablePassword);
    engine::TableFileWriter arhiva(path("TB_Arhiva.db"), data::tableFile("TB_Arhiva.db").structure,
                                   data::TablePassword);
    engine::TableFileWriter datumi(path("TB_Datumi.db"), data::tableFile("TB_Datumi.db").structure,
                                   data::TablePassword);
    for (const Regulation& g : regs) {
        const QByteArray year = QByteArray::number(g.year);
        brojevi.append({g.id, g.gazette, twoDigits(g.day), twoDigits(g.month), year, g.issue});
        Document text = regulationText(g.title, o.textKb * 1024, r);
        if (g.id == landmark::ArticlesFromTop) {
            // The first heading at the very start of the text, and enough articles for "^lan 1" to
            // stand beside "^lan 10" to "^lan 12"; nothing random is drawn, so the rest stays as it was.
            text.titleLines.clear();
            int articles = 0;
            for (const QByteArray& p : std::as_const(text.paragraphs)) {
                articles += p.startsWith("^lan ");
            }
            while (articles < 12) {
                text.paragraphs.append("^lan " + QByteArray::number(++articles));
                text.paragraphs.append("Ovaj ~lan dopunjuje prethodne odredbe.");
            }
        }
        zakoni.append({g.id, g.id, g.area, g.type, "P-" + QByteArray::number(g.id), g.title,
                       twoDigits(g.day) + '/' + twoDigits(g.month) + '/' + year, "",
                       g.note.isEmpty() ? Value() : g.note, "1", g.bg(), toRtf(text, false), toRtf(text, true)});
        arhiva.append({g.id, g.previous, g.next});
        datumi.append({g.id, twoDigits(g.day) + '/' + twoDigits(g.month) + '/' + year});
    }
    brojevi.commit();
    zakoni.commit();
    arhiva.commit();
    datumi.commit();
}

void writeSmallTables(const QString& folder, const QList<Regulation>& regs, const Options& o, Random& r)
{
    const auto writer = [&](const char* name) {
        return std::make_unique<engine::TableFileWriter>(QDir(folder).filePath(QString::fromLatin1(name)),
                                                         data::tableFile(QString::fromLatin1(name)).structure,
                                                         data::TablePassword);
    };
    auto glasnici = writer("TB_Glasnici.db");
    for (int i = 0; i < Gazettes.size(); ++i) {
        glasnici->append({i + 1, Gazettes[i]});
    }
    glasnici->commit();

    auto oblasti = writer("TB_Kategorije_Zakona.db");
    for (int i = 0; i < Areas.size(); ++i) {
        oblasti->append({i + 1, Areas[i]});
    }
    oblasti->commit();

    auto tipovi = writer("TB_Tipovi_Zakona.db");
    for (int i = 0; i < Types.size(); ++i) {
        tipovi->append({i, Types[i]});
    }
    tipovi->commit();

    auto ministarstva = writer("TB_Ministarstva.db");
    for (int i = 0; i < Ministries.size(); ++i) {
        ministarstva->append({double(i + 1), Ministries[i]});
    }
    ministarstva->commit();

    // Opinions are numbered from 0, so in the table's key order an opinion's number is also its
    // ordinal, and a relation's PROP names the same opinion under either reading. Ministries
    // alternate along the numbers, so the opinions' own index (by ministry) orders them otherwise.
    const int opinions = o.opinions > 0 ? o.opinions : std::max(30, int(regs.size()) / 10);
    auto misljenja = writer("TB_Misljenja.db");
    auto link = writer("TB_link.db");
    for (int n = 0; n < opinions; ++n) {
        const int ministry = 1 + (n * 7) % int(Ministries.size());
        const QByteArray topic = "o " + r.pick(OpinionTopics);
        const QByteArray title = "Mi{ljenje " + topic;
        // The heading is the whole title in capitals over two lines, in Latin letters: the
        // Cyrillic text makes its own letters of LJ and NJ when it is written (toRtf).
        Document d{{"MI[LJENJE", yuscii::yupperW(topic)}, {}};
        for (int p = r.between(3, 8); p > 0; --p) {
            d.paragraphs.append(sentence(r) + ' ' + sentence(r));
        }
        // Landmark dates: the first opinion's takes no draws, as it always has, and a later one
        // replaces its drawn date, so a seed keeps giving the same collection.
        const bool fixedDate = n == landmark::OpinionTwoRegulations;
        const double day = fixedDate ? 5 : r.between(1, 28);
        const double month = fixedDate ? 3 : r.between(1, 12);
        const double year = fixedDate ? 2004 : r.between(1995, 2019);
        const bool newYear = n == landmark::OpinionNewYear;
        misljenja->append({double(n), double(ministry), title, toRtf(d, false), toRtf(d, true), newYear ? 1 : day,
                           newYear ? 1 : month, newYear ? 2001 : year});
        QList<int> related;
        if (n == landmark::OpinionTwoRegulations) {
            related = {1, 2};
        } else if (n == 1 || n == 2) {
            related = {1};
        } else {
            for (int k = r.between(1, 3); k > 0; --k) {
                related.append(r.between(20, std::max(20, int(regs.size()))));
            }
        }
        for (int regulation : related) {
            if (regulation <= regs.size()) {
                link->append({n, regulation});
            }
        }
    }
    misljenja->commit();
    link->commit();

    auto ugovori = writer("TB_Ugovori.db");
    auto korisnicki = writer("TB_Korisnicki.db");
    for (const ContractModel& m : ContractModels) {
        static const QByteArray Names[] = {"<ugov1>", "<ugov2>", "<ugov3>"};
        static const QByteArray Addresses[] = {"<nazivugs1>", "<nazivugs2>", "<nazivugs3>"};
        Document d{{yuscii::yupperW(m.name)}, {"Zaklju~en dana <datumug> godine u <mestoug> izme|u:"}};
        for (int p = 0; p < m.parties; ++p) {
            d.paragraphs.append(QByteArray::number(p + 1) + ". " + Names[p] + ", iz " + Addresses[p] +
                                " (u daljem tekstu: " + m.roles[p] + ")" + (p + 1 < m.parties ? " i" : ""));
        }
        int article = 1;
        for (const QByteArray& a : m.articles) {
            d.paragraphs.append("^lan " + QByteArray::number(article++));
            d.paragraphs.append(a);
        }
        d.paragraphs.append("^lan " + QByteArray::number(article));
        d.paragraphs.append("Ugovor je sa~injen u " + QByteArray::number(m.parties * 2) +
                            " istovetna primerka, od kojih svaka strana zadr`ava po dva.");
        d.paragraphs.append(m.closing);
        Document note{{"NAPOMENA"}, {"Model je potrebno prilagoditi konkretnom poslu pre upotrebe."}};
        ugovori->append({m.name, toRtf(d, false), toRtf(note, false), m.parties});
    }
    ugovori->commit();
    korisnicki->append({"Korisnicki Ugovor o delu", "UGOVOR O DELU\r\nZaklju~en dana 01/02/2019 godine u Beogradu."});
    korisnicki->append({"Korisnicki Ugovor o zajmu", "UGOVOR O ZAJMU\r\n^lan 1\r\nZajmodavac predaje iznos."});
    korisnicki->append({"Korisnicki Ugovor o jemstvu", "UGOVOR O JEMSTVU\r\n^lan 1\r\nJemac odgovara."});
    korisnicki->commit();

    auto grafika = writer("TB_grafika.db");
    for (const Regulation& g : regs) {
        QList<int> filled;
        if (g.id == landmark::PicturesS2S5) {
            filled = {2, 5};
        } else if (g.id == landmark::ApostropheTitle) {
            for (int s = 1; s <= 33; ++s) {
                filled.append(s);
            }
        } else if (g.id == landmark::BrokenPicture) {
            filled = {3, 4};
        } else if (g.id % 40 == 17) {
            for (int s = r.between(1, 3); s > 0; --s) {
                filled.append(r.between(1, 33));
            }
        } else {
            continue;
        }
        QList<Value> row(34);
        row[0] = g.id;
        for (int s : filled) {
            row[s] = picture(g.id, s);
        }
        if (g.id == landmark::BrokenPicture) {
            row[3] = picture(g.id, 3).left(60); // the header stands, the image data is cut off
        }
        grafika->append(row);
    }
    grafika->commit();
}

} // namespace

RegulationTexts regulationTexts(const QByteArray& title, int textKb, quint32 seed)
{
    Random r(seed);
    const Document text = regulationText(title, textKb * 1024, r);
    return {toRtf(text, false), toRtf(text, true)};
}

QByteArray noteText(const QByteArray& text)
{
    return noteRtf(text);
}

QByteArray picturePng(int regulation, int slot)
{
    return picture(regulation, slot);
}

void generate(const QString& folder, const Options& options)
{
    if (options.regulations < 1 || options.textKb < 0) {
        throw engine::Error(QStringLiteral("The demo collection needs at least one regulation"));
    }
    if (options.opinions < 0) {
        throw engine::Error(QStringLiteral("The number of opinions cannot be negative"));
    }
    if (!QDir().mkpath(folder)) {
        throw engine::Error(QStringLiteral("Cannot make folder %1").arg(folder));
    }
    // The regulations' file keeps the search copies of their texts, as every file the program writes does.
    data::registerSearchCopies();
    Random r(options.seed);
    const QList<Regulation> regs = planRegulations(options, r);
    writeRegulations(folder, regs, options, r);
    writeSmallTables(folder, regs, options, r);
}

} // namespace demo
