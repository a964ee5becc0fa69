#include "tables.h"

#include "schema.h"
#include "sessionsetup.h"
#include "usermessages.h"

#include <QFileInfo>
#include <QSet>

namespace data {

namespace {

struct Setup {
    const char* name;
    const char* file;
    const char* index = ""; // index field names; empty = table order
    engine::Table* master = nullptr;
    const char* masterFields = "";
    const char* detailFields = "";
    bool readOnly = false;
    bool filtered = false;
    bool caseInsensitive = false;
};

void set(engine::Table& t, const Setup& s)
{
    t.setObjectName(QString::fromLatin1(s.name));
    t.setDatabaseName(DatabaseAlias);
    t.setTableName(QString::fromLatin1(s.file));
    t.setIndexFieldNames(s.index);
    t.setMasterSource(s.master);
    t.setMasterFields(s.masterFields);
    t.setDetailFields(s.detailFields);
    t.setReadOnly(s.readOnly);
    t.setFiltered(s.filtered);
    t.setCaseInsensitive(s.caseInsensitive);
}

} // namespace

MainTables::MainTables()
{
    set(Glavna, {"Glavna", "TB_Brojevi.db", "", nullptr, "", "", true, true, true});
    set(Zakoni, {"Zakoni", "TB_Zakoni.db", "ID_ZAKONA", &Glavna, "ID_BROJA", "ID_ZAKONA", true, true, true});
    // The master fields stay empty until the main window's first activation sets them.
    set(Glasnici, {"Glasnici", "TB_Glasnici.db", "ID_GLASNIKA", &Glavna, "", "ID_GLASNIKA", true, false, true});
    set(arhiva, {"arhiva", "TB_Arhiva.db", "BROJ_ZAKONA", &Zakoni, "ID_BROJA", "BROJ_ZAKONA", false, true, true});
    set(misljenja,
        {"misljenja", "TB_Misljenja.db", "", &ministarstva, "MINISTARSTVO", "MINISTARSTVO", true, true, true});
    misljenja.setIndexName("drugi");
    set(ministarstva, {"ministarstva", "TB_Ministarstva.db", "", nullptr, "", "", true, true, true});
    set(oblasti, {"oblasti", "TB_Kategorije_Zakona.db", "", nullptr, "", "", true, false, true});
    set(vrstezakona, {"vrstezakona", "TB_Tipovi_Zakona.db", "", nullptr, "", "", true, false, true});
    set(ugovori, {"ugovori", "TB_Ugovori.db", "", nullptr, "", "", true, true, true});
    set(KorisnickiUgovori, {"KorisnickiUgovori", "TB_Korisnicki.db", "", nullptr, "", "", false, false, true});
    set(lookzakoni, {"lookzakoni", "TB_Zakoni.DB", "", nullptr, "", "", false, true, true});
    set(lookbrojevi,
        {"lookbrojevi", "TB_Brojevi.DB", "ID_BROJA", &lookzakoni, "ID_BROJA", "ID_BROJA", false, true, true});
    set(lookglasnici, {"lookglasnici", "TB_Glasnici.DB", "ID_GLASNIKA", &lookbrojevi, "ID_GLASNIKA", "ID_GLASNIKA",
                       false, true, true});
    set(Table1, {"Table1", "TB_Datumi.DB", "ID_ZAKONA", &Zakoni, "ID_ZAKONA", "ID_ZAKONA", false, true, false});
    set(link, {"link", "TB_link.db", "", nullptr, "", "", false, false, false});
}

QList<engine::Table*> MainTables::openingOrder()
{
    return {&Glavna,       &Glasnici, &Zakoni, &lookbrojevi, &lookglasnici,      &lookzakoni,
            &vrstezakona,  &oblasti,  &arhiva, &ugovori,     &KorisnickiUgovori, &misljenja,
            &ministarstva, &Table1,   &link};
}

void MainTables::openAll()
{
    for (engine::Table* t : openingOrder()) {
        t->open();
    }
}

namespace {

// The table's file as the collection names it, whatever case the object spells it in: two objects
// over one file are named alike.
QString collectionFileName(const engine::Table& t)
{
    for (const TableFile& f : tableFiles()) {
        if (f.fileName.compare(t.tableName(), Qt::CaseInsensitive) == 0) {
            return f.fileName;
        }
    }
    return t.tableName();
}

// Opens `t`; why it failed, when it did.
std::optional<OpenFailure> openTable(engine::Table& t)
{
    try {
        t.open();
        return std::nullopt;
    } catch (const engine::Error& e) {
        // The user is told of the table by its file, which the error may not name itself.
        const QString file = collectionFileName(t);
        const bool same = e.file().isEmpty() || QFileInfo(e.file()).fileName().compare(file, Qt::CaseInsensitive) == 0;
        return OpenFailure{&t, same ? e.withFile(file) : e};
    }
}

} // namespace

QList<OpenFailure> MainTables::openEach()
{
    m_openFailures.clear();
    for (engine::Table* t : openingOrder()) {
        if (std::optional<OpenFailure> failed = openTable(*t)) {
            m_openFailures.append(*failed);
        }
    }
    return m_openFailures;
}

const engine::Error* MainTables::openFailure(const engine::Table& table) const
{
    for (const OpenFailure& f : m_openFailures) {
        if (f.table == &table) {
            return &f.error;
        }
    }
    return nullptr;
}

QByteArray openFailuresMessage(const QList<OpenFailure>& failures)
{
    // Two objects over one file fail alike: the file is named once. So does every table of a
    // folder that may not be read, which names the folder.
    QSet<QByteArray> named;
    QSet<QByteArray> tables;
    QByteArrayList reasons;
    bool damaged = false;
    for (const OpenFailure& f : failures) {
        const QByteArray key = messageFileName(f.error.file()).toLower();
        tables.insert(f.table != nullptr ? messageFileName(collectionFileName(*f.table)).toLower() : key);
        damaged = damaged || f.error.kind() == engine::Error::Kind::Damaged;
        if (!named.contains(key)) {
            named.insert(key);
            reasons << userMessage(f.error);
        }
    }
    if (reasons.isEmpty()) {
        return {};
    }
    const QByteArray head = tables.size() == 1 ? "Jedna tabela baze podataka nije mogla da se otvori ili pro~ita, pa "
                                                 "delovi programa kojima je potrebna ne}e raditi:"
                                               : "Neke tabele baze podataka nisu mogle da se otvore ili pro~itaju, pa "
                                                 "delovi programa kojima su potrebne ne}e raditi:";
    // A blank line between the tables: each one's what and what to do read as one.
    QByteArray message = head + "\r\n\r\n" + reasons.join("\r\n\r\n");
    // The repair mends a damaged table; a table that is missing, another file, under another
    // password or out of the program's reach it can only fail on.
    if (damaged) {
        message += "\r\n\r\nPopravka na kartici Pode{avanja mo`e da poku{a da popravi o{te}ene tabele; posle nje "
                   "ponovo pokrenite program.";
    }
    return message;
}

QByteArray closedTableMessage(const engine::Table& table, const engine::Error* failure)
{
    // A folder that may not be read is named in the reason; the table is the one the command needs.
    const bool namesTable = failure != nullptr && failure->kind() != engine::Error::Kind::FolderUnreadable;
    const QByteArray file = messageFileName(namesTable ? failure->file() : collectionFileName(table));
    const QByteArray what = "Ovaj deo programa ne mo`e da radi bez tabele " + file + ", koja nije otvorena.";
    return what + "\r\n" + (failure != nullptr ? userMessage(*failure) : QByteArray("Ponovo pokrenite program."));
}

SelectionTables::SelectionTables()
{
    set(selzakoni, {"selzakoni", "TB_Zakoni.DB", "ID_ZAKONA", nullptr, "", "", true, true, false});
    set(selbrojevi,
        {"selbrojevi", "TB_Brojevi.DB", "ID_BROJA", &selzakoni, "ID_ZAKONA", "ID_BROJA", true, false, false});
    set(selglasnici, {"selglasnici", "TB_Glasnici.DB", "ID_GLASNIKA", &selbrojevi, "ID_GLASNIKA", "ID_GLASNIKA", true,
                      false, false});
}

void SelectionTables::openAll()
{
    selzakoni.open();
    selbrojevi.open();
    selglasnici.open();
}

namespace {
AttachmentTables* g_attachmentTables = nullptr;
}

AttachmentTables::AttachmentTables(engine::Table& zakoni)
{
    set(Table1, {"Table1", "TB_grafika.DB", "ID_ZAKONA", &zakoni, "ID_ZAKONA", "ID_ZAKONA", false, false, false});
    g_attachmentTables = this;
}

void AttachmentTables::openAtCreation()
{
    m_openFailure = openTable(Table1);
}

const OpenFailure* AttachmentTables::openFailure() const
{
    return m_openFailure ? &*m_openFailure : nullptr;
}

AttachmentTables::~AttachmentTables()
{
    if (g_attachmentTables == this) {
        g_attachmentTables = nullptr;
    }
}

AttachmentTables* attachmentTables()
{
    return g_attachmentTables;
}

ViewerTables::ViewerTables()
{
    set(Table1, {"Table1", "TB_grafika.db", "", nullptr, "", "", false, false, false});
}

bool hasAdditionalInfo(const QByteArray& note)
{
    return note.size() > NoteInfoThreshold;
}

} // namespace data
