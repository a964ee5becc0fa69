#include "tables.h"

#include "sessionsetup.h"

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

void set(engine::Table& t, const Setup& s) {
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

MainTables::MainTables() {
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

QList<engine::Table*> MainTables::openingOrder() {
    return {&Glavna,       &Glasnici, &Zakoni, &lookbrojevi, &lookglasnici,      &lookzakoni,
            &vrstezakona,  &oblasti,  &arhiva, &ugovori,     &KorisnickiUgovori, &misljenja,
            &ministarstva, &Table1,   &link};
}

void MainTables::openAll() {
    for (engine::Table* t : openingOrder()) {
        t->open();
    }
}

SelectionTables::SelectionTables() {
    set(selzakoni, {"selzakoni", "TB_Zakoni.DB", "ID_ZAKONA", nullptr, "", "", true, true, false});
    set(selbrojevi,
        {"selbrojevi", "TB_Brojevi.DB", "ID_BROJA", &selzakoni, "ID_ZAKONA", "ID_BROJA", true, false, false});
    set(selglasnici, {"selglasnici", "TB_Glasnici.DB", "ID_GLASNIKA", &selbrojevi, "ID_GLASNIKA", "ID_GLASNIKA", true,
                      false, false});
}

void SelectionTables::openAll() {
    selzakoni.open();
    selbrojevi.open();
    selglasnici.open();
}

namespace {
AttachmentTables* g_attachmentTables = nullptr;
}

AttachmentTables::AttachmentTables(engine::Table& zakoni) {
    set(Table1, {"Table1", "TB_grafika.DB", "ID_ZAKONA", &zakoni, "ID_ZAKONA", "ID_ZAKONA", false, false, false});
    g_attachmentTables = this;
}

AttachmentTables::~AttachmentTables() {
    if (g_attachmentTables == this) {
        g_attachmentTables = nullptr;
    }
}

AttachmentTables* attachmentTables() {
    return g_attachmentTables;
}

ViewerTables::ViewerTables() {
    set(Table1, {"Table1", "TB_grafika.db", "", nullptr, "", "", false, false, false});
}

bool hasAdditionalInfo(const QByteArray& note) {
    return note.size() > NoteInfoThreshold;
}

} // namespace data
