// A collection with one table that cannot be opened (missing, not a database, under another
// password, cut in half, a field renamed or missing): every other table is opened and every list whose tables opened is
// filled; the start message names the table with the reason in the user's words and offers the
// repair when a table is damaged, which is what it can mend; the commands that need the table say
// so when used; the user's contracts work whenever their own file is sound. A data folder or a
// table the program may not read is told as that.

#include "programfixture.h"

#include "error.h"
#include "filemodes.h"
#include "listtexts.h"
#include "richedit.h"
#include "schema.h"
#include "screentext.h"
#include "sessionsetup.h"
#include "table.h"
#include "tablefile.h"
#include "usermessages.h"
#include "viewerwindow.h"

#include <algorithm>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTreeWidget>

using testsupport::Prompt;

namespace {

const QByteArray kRepair = "Popravka na kartici Pode{avanja";

// The field each table is damaged in when one of its fields is renamed or missing.
QByteArray changedField(const QString& table)
{
    static const QHash<QString, QByteArray> fields{{QStringLiteral("TB_link"), "MIS"},
                                                   {QStringLiteral("TB_Glasnici"), "Naziv_glasnika"},
                                                   {QStringLiteral("TB_Zakoni"), "Napomena"},
                                                   {QStringLiteral("TB_Korisnicki"), "TEKST_UG"}};
    return fields.value(table);
}

// The table's record type with `field` renamed, or left out (`to` empty), in its indexes too.
engine::TableStructure changedStructure(const QString& table, const QByteArray& field, const QByteArray& to)
{
    engine::TableStructure s = data::tableFile(table + QStringLiteral(".db")).structure;
    const int at = s.indexOf(field);
    if (to.isEmpty()) {
        s.fields.removeAt(at);
        s.indexes.removeIf([&](const engine::IndexDef& index) { return index.fields.contains(field); });
    } else {
        s.fields[at].name = to;
        for (engine::IndexDef& index : s.indexes) {
            std::replace(index.fields.begin(), index.fields.end(), field, to);
        }
    }
    return s;
}

void breakTable(const ProgramFixture& program, const QString& table, const QString& fault)
{
    const QString path = program.path(QStringLiteral("Podatci/%1.db").arg(table));
    QFile file(path);
    if (fault == QLatin1String("field renamed") || fault == QLatin1String("field missing")) {
        const QByteArray field = changedField(table);
        QVERIFY(file.remove());
        engine::createTableFile(
            path, changedStructure(table, field, fault == QLatin1String("field renamed") ? field + "_STARO" : ""),
            data::TablePassword);
    } else if (fault == QLatin1String("missing")) {
        QVERIFY(file.remove());
    } else if (fault == QLatin1String("not a database")) {
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray bytes(64 * 1024, 0);
        QRandomGenerator random(7);
        for (char& c : bytes) {
            c = char(random.bounded(256));
        }
        QCOMPARE(file.write(bytes), bytes.size());
    } else if (fault == QLatin1String("other password")) {
        QVERIFY(file.remove());
        engine::createTableFile(path, data::tableFile(table + QStringLiteral(".db")).structure, "drugalozinka");
    } else {
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(file.size() / 2));
    }
}

int countRecords(const QString& file)
{
    engine::Table t;
    t.setDatabaseName("ZAKONI");
    t.setTableName(file);
    t.open();
    return t.recordCount();
}

// What opening the file fails with, as the user is to be told it; the engine's own text beside.
std::pair<QByteArray, QByteArray> openingFailure(const QString& file)
{
    engine::Table t;
    t.setDatabaseName("ZAKONI");
    t.setTableName(file);
    try {
        t.open();
    } catch (const engine::Error& e) {
        return {data::userMessage(e.namingFile(file)), e.what()};
    }
    return {};
}

struct UserContract {
    QByteArray name;
    QByteArray rtf;
};

QList<UserContract> storedUserContracts()
{
    engine::Table t;
    t.setDatabaseName("ZAKONI");
    t.setTableName(QStringLiteral("TB_Korisnicki.db"));
    t.open();
    QList<UserContract> out;
    for (int i = 0, n = t.recordCount(); i < n; ++i) {
        out.append({t.field(0).asString(), t.field(1).asBytes()});
        t.next();
    }
    return out;
}

void clickRow(QTreeWidget* list, QTreeWidgetItem* row)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QRect rect = list->visualItemRect(row);
    QVERIFY(rect.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

// Calls `open`, which shows the viewer modally; once it is up, runs `inside`, then closes it.
// False when it never came up, or a check inside failed.
bool whileViewerShown(const std::function<void()>& open, const std::function<void(TForm3*)>& inside)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        TForm3* viewer = nullptr;
        if (QTest::qWaitFor(
                [&] {
                    viewer = qobject_cast<TForm3*>(QApplication::activeModalWidget());
                    return viewer != nullptr && viewer->isVisible();
                },
                5000)) {
            ran = true;
            inside(viewer);
            viewer->close();
        }
    });
    open();
    return ran && !QTest::currentTestFailed();
}

} // namespace

class TestDamaged : public QObject {
    Q_OBJECT
private slots:
    void oneTableCannotBeOpened_data();
    void oneTableCannotBeOpened();
    void everyFailedTableIsNamedOnce();
    void tableDamagedInTheMiddle();
    void emptyDataFolder();
    void mayNotBeRead_data();
    void mayNotBeRead();

private:
    void startMessageNamesTheTable(ProgramFixture& program, const QString& file, const QByteArray& field,
                                   bool repairable);
    void userContractsWork(TForm1* f);
    void relationsSaySo(ProgramFixture& program, TForm1* f);
    void gazettesAndSearchSaySo(ProgramFixture& program, TForm1* f);
    void regulationsSaySo(ProgramFixture& program, TForm1* f);
    void userContractsSaySo(ProgramFixture& program, TForm1* f);
};

void TestDamaged::oneTableCannotBeOpened_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("fault");
    for (const char* table : {"TB_link", "TB_Glasnici", "TB_Zakoni", "TB_Korisnicki"}) {
        for (const char* fault :
             {"missing", "not a database", "other password", "cut in half", "field renamed", "field missing"}) {
            QTest::newRow((QByteArray(table) + ", " + fault).constData())
                << QString::fromLatin1(table) << QString::fromLatin1(fault);
        }
    }
}

void TestDamaged::startMessageNamesTheTable(ProgramFixture& program, const QString& file, const QByteArray& field,
                                            bool repairable)
{
    const auto [reason, engineText] = openingFailure(file);
    QVERIFY2(!reason.isEmpty(), "the damaged table opened");
    // A table whose fields differ names the field; every later message about the table holds the
    // same reason, so names it too.
    if (!field.isEmpty()) {
        QVERIFY2(reason.contains("(polje " + field + ")"), reason.constData());
    }
    QCOMPARE(program.prompter.asked().size(), 1);
    const Prompt start = program.prompter.asked().first();
    QCOMPARE(start.kind, Prompt::Error);
    QVERIFY2(start.text.contains(reason), start.text.constData());
    QVERIFY(start.text.contains(file.toLatin1()));
    QCOMPARE(start.text.contains(kRepair), repairable);
    QVERIFY(!start.text.contains(engineText));
    // The sound tables are not named.
    for (const data::TableFile& t : data::tableFiles()) {
        if (t.fileName.compare(file, Qt::CaseInsensitive) != 0) {
            QVERIFY2(!start.text.contains(t.fileName.toLatin1()), qPrintable(t.fileName));
        }
    }
    program.prompter.clear();
}

// The user edits a contract and moves to another: the edit is in the file.
void TestDamaged::userContractsWork(TForm1* f)
{
    f->PageControl1->setCurrentIndex(mainpage::Contracts);
    f->PageControl3->setCurrentIndex(1);
    const QList<UserContract> before = storedUserContracts();
    QCOMPARE(f->DBGrid13->topLevelItemCount(), before.size());
    QVERIFY(f->DBRichEdit4->isEnabled());
    clickRow(f->DBGrid13, f->DBGrid13->topLevelItem(0));
    QTest::keyClicks(f->DBEdit1, " (izmenjen)");
    clickRow(f->DBGrid13, f->DBGrid13->topLevelItem(1));
    QCOMPARE(storedUserContracts()[0].name, before[0].name + " (izmenjen)");
    f->PageControl1->setCurrentIndex(mainpage::Gazettes);
}

void TestDamaged::relationsSaySo(ProgramFixture& program, TForm1* f)
{
    // The viewer shows a regulation; its relations need the relations table.
    f->PageControl1->setCurrentIndex(mainpage::Search);
    f->ListBox2->setCurrentItem(f->ListBox2->topLevelItem(0));
    QByteArray said;
    QVERIFY(whileViewerShown([&] { QTest::keyClick(f->ListBox2, Qt::Key_Return); },
                             [&](TForm3* viewer) {
                                 QVERIFY(!viewer->DBRichEdit1->yusciiText().isEmpty());
                                 QTest::mouseClick(viewer->SpeedButton10, Qt::LeftButton);
                                 said = program.prompter.texts().value(0);
                             }));
    QCOMPARE(program.prompter.asked().size(), 1);
    QVERIFY(said.startsWith("Ovaj deo programa ne mo`e da radi bez tabele TB_link.db"));
    QVERIFY(said.contains(openingFailure(QStringLiteral("TB_link.db")).first));
    program.prompter.clear();
}

void TestDamaged::gazettesAndSearchSaySo(ProgramFixture& program, TForm1* f)
{
    const QByteArray expected = openingFailure(QStringLiteral("TB_Glasnici.db")).first;
    QCOMPARE(f->ComboBox4->count(), 1); // "Sva glasila" alone
    f->PageControl1->setCurrentIndex(mainpage::Search);
    QTest::keyClicks(f->Edit2, "ZAKON");
    QTest::mouseClick(f->SpeedButton1, Qt::LeftButton);
    QCOMPARE(program.prompter.asked().size(), 1);
    QVERIFY(program.prompter.texts()[0].contains("bez tabele TB_Glasnici.db"));
    QVERIFY(program.prompter.texts()[0].contains(expected));
    QCOMPARE(f->ListBox2->topLevelItemCount(), 0);
    QCOMPARE(f->ListBox4->count(), 0); // no search ran, none is remembered
    // The newest regulations name their gazettes.
    program.prompter.clear();
    f->najnoviji = {"Zakon o radu"};
    f->PageControl1->setCurrentIndex(mainpage::PersonalLists);
    QTest::mouseClick(f->SpeedButton10, Qt::LeftButton);
    QCOMPARE(program.prompter.asked().size(), 1);
    QVERIFY(program.prompter.texts()[0].contains("bez tabele TB_Glasnici.db"));
    program.prompter.clear();
}

void TestDamaged::regulationsSaySo(ProgramFixture& program, TForm1* f)
{
    const QByteArray expected = openingFailure(QStringLiteral("TB_Zakoni.db")).first;
    const auto saidOnce = [&] {
        QCOMPARE(program.prompter.asked().size(), 1);
        QVERIFY(program.prompter.texts()[0].contains("bez tabele TB_Zakoni.db"));
        QVERIFY(program.prompter.texts()[0].contains(expected));
        program.prompter.clear();
    };
    // The gazettes are there and open to their years; a gazette's regulations need the table.
    f->PageControl1->setCurrentIndex(mainpage::Gazettes);
    QTreeWidgetItem* gazette = f->TreeView2->topLevelItem(0);
    gazette->setExpanded(true);
    QVERIFY(gazette->childCount() > 0);
    QVERIFY(!gazette->child(0)->text(0).isEmpty());
    QVERIFY(program.prompter.asked().isEmpty());
    clickRow(f->TreeView2, gazette->child(0));
    saidOnce();
    QCOMPARE(f->ListView1->topLevelItemCount(), 0);
    // An area's regulations.
    f->PageControl1->setCurrentIndex(mainpage::Areas);
    clickRow(f->TreeView1, f->TreeView1->topLevelItem(0)->child(0));
    saidOnce();
    // The search.
    f->PageControl1->setCurrentIndex(mainpage::Search);
    QTest::keyClicks(f->Edit2, "ZAKON");
    QTest::mouseClick(f->SpeedButton1, Qt::LeftButton);
    saidOnce();
    // A frequently opened title.
    f->PageControl1->setCurrentIndex(mainpage::PersonalLists);
    f->ListBox5->addItem(QStringLiteral("Zakon o radu"));
    f->ListBox5->setCurrentRow(0);
    QTest::keyClick(f->ListBox5, Qt::Key_Return);
    saidOnce();
    // The opinions do without the regulations.
    f->PageControl1->setCurrentIndex(mainpage::Opinions);
    QTest::keyClicks(f->Edit8, "MI{LJENJE");
    QTest::mouseClick(f->SpeedButton14, Qt::LeftButton);
    QVERIFY(program.prompter.asked().isEmpty());
    QCOMPARE(f->Listbox6->topLevelItemCount(), countRecords(QStringLiteral("TB_Misljenja.db")));
    // An opinion shows in the viewer; the regulations related to it need the table.
    f->Listbox6->setCurrentItem(f->Listbox6->topLevelItem(0));
    QVERIFY(whileViewerShown([&] { QTest::keyClick(f->Listbox6, Qt::Key_Return); },
                             [&](TForm3* viewer) {
                                 QVERIFY(viewer->showsOpinion());
                                 QVERIFY(!viewer->DBRichEdit1->yusciiText().isEmpty());
                                 QVERIFY(program.prompter.asked().isEmpty());
                                 QTest::mouseClick(viewer->SpeedButton10, Qt::LeftButton);
                             }));
    saidOnce();
}

void TestDamaged::userContractsSaySo(ProgramFixture& program, TForm1* f)
{
    const QByteArray expected = openingFailure(QStringLiteral("TB_Korisnicki.db")).first;
    f->PageControl1->setCurrentIndex(mainpage::Contracts);
    QTest::mouseClick(f->SpeedButton18, Qt::LeftButton); // copy the filled model
    QCOMPARE(program.prompter.asked().size(), 1);
    QVERIFY(program.prompter.texts()[0].contains("bez tabele TB_Korisnicki.db"));
    QVERIFY(program.prompter.texts()[0].contains(expected));
    QCOMPARE(f->PageControl3->currentIndex(), 0);
    program.prompter.clear();
    f->PageControl3->setCurrentIndex(1);
    QCOMPARE(program.prompter.asked().size(), 1);
    QVERIFY(program.prompter.texts()[0].contains("bez tabele TB_Korisnicki.db"));
    QCOMPARE(f->DBGrid13->topLevelItemCount(), 0);
    QVERIFY(!f->DBRichEdit4->isEnabled() && !f->DBEdit1->isEnabled());
    program.prompter.clear();
}

void TestDamaged::oneTableCannotBeOpened()
{
    QFETCH(QString, table);
    QFETCH(QString, fault);
    const QString file = table + QStringLiteral(".db");
    ProgramFixture program;
    breakTable(program, table, fault);
    program.start();
    bool checked = false;
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        startMessageNamesTheTable(program, file, fault.startsWith(QLatin1String("field")) ? changedField(table) : "",
                                  fault == QLatin1String("cut in half"));
        if (QTest::currentTestFailed()) {
            return;
        }
        // Every list whose tables opened is filled.
        const bool gazettes = table != QLatin1String("TB_Glasnici");
        const bool regulations = table != QLatin1String("TB_Zakoni");
        const int publications = countRecords(QStringLiteral("TB_Brojevi.db"));
        QCOMPARE(f->TreeView2->topLevelItemCount(), gazettes ? countRecords(QStringLiteral("TB_Glasnici.db")) : 0);
        QCOMPARE(f->ListBox2->topLevelItemCount(), gazettes && regulations ? publications : 0);
        QCOMPARE(f->ListBox7->topLevelItemCount() > 0, regulations);
        QCOMPARE(f->TreeView1->topLevelItemCount(), 1);
        QCOMPARE(f->ComboBox3->count(), countRecords(QStringLiteral("TB_Tipovi_Zakona.db")));
        QCOMPARE(f->ComboBox1->count(), countRecords(QStringLiteral("TB_Ministarstva.db")) + 1);
        QCOMPARE(f->ComboBox5->count(), countRecords(QStringLiteral("TB_Ugovori.db")));
        QVERIFY(f->StatusBar1->panelText(0).startsWith("Propisa/Mi{ljenja/Ugovora: "));

        if (table == QLatin1String("TB_link")) {
            relationsSaySo(program, f);
        } else if (table == QLatin1String("TB_Glasnici")) {
            gazettesAndSearchSaySo(program, f);
        } else if (table == QLatin1String("TB_Zakoni")) {
            regulationsSaySo(program, f);
        } else {
            userContractsSaySo(program, f);
        }
        if (table != QLatin1String("TB_Korisnicki")) {
            userContractsWork(f);
        }
        QVERIFY(program.prompter.asked().isEmpty());
        checked = !QTest::currentTestFailed();
    }));
    QVERIFY(checked);
    QVERIFY(program.ended);
    QVERIFY(program.prompter.unexpected().isEmpty());
}

// Several tables that cannot be opened: one message names each file once (two table objects
// over one file fail alike).
void TestDamaged::everyFailedTableIsNamedOnce()
{
    ProgramFixture program;
    breakTable(program, QStringLiteral("TB_link"), QStringLiteral("missing"));
    breakTable(program, QStringLiteral("TB_Zakoni"), QStringLiteral("other password"));
    breakTable(program, QStringLiteral("TB_Arhiva"), QStringLiteral("not a database"));
    program.start();
    QVERIFY(program.runMainWindow([&] {
        QCOMPARE(program.prompter.asked().size(), 1);
        const QByteArray text = program.prompter.texts()[0];
        for (const char* file : {"TB_link.db", "TB_Zakoni.db", "TB_Arhiva.db"}) {
            const QByteArray reason = openingFailure(QString::fromLatin1(file)).first;
            QVERIFY2(text.contains(reason), file);
            QCOMPARE(text.count(file), reason.count(file));
        }
        QVERIFY(text.startsWith("Neke tabele baze podataka nisu mogle"));
        QVERIFY(!text.contains("Popravka")); // none of them is one the repair can mend
        QVERIFY(!text.contains("popravku"));
        program.prompter.clear();
    }));
}

// The regulations' file opens but pages in its middle are damaged: what can be filled is filled,
// and the failure to read it is told once, at start.
void TestDamaged::tableDamagedInTheMiddle()
{
    ProgramFixture program(400);
    {
        QFile file(program.path(QStringLiteral("Podatci/TB_Zakoni.db")));
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qint64 middle = file.size() / 2;
        QVERIFY(file.seek(middle - middle % 4096));
        QCOMPARE(file.write(QByteArray(8 * 4096, '\x5a')), 8 * 4096);
    }
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QCOMPARE(program.prompter.asked().size(), 1);
        QCOMPARE(program.prompter.asked().first().kind, Prompt::Error);
        QVERIFY(program.prompter.texts()[0].contains(kRepair));
        // The lists of the sound tables are whole; the regulations' list holds what could be read.
        QCOMPARE(f->TreeView2->topLevelItemCount(), countRecords(QStringLiteral("TB_Glasnici.db")));
        QCOMPARE(f->TreeView1->topLevelItem(0)->childCount() + 1,
                 countRecords(QStringLiteral("TB_Kategorije_Zakona.db")));
        QCOMPARE(f->ComboBox3->count(), countRecords(QStringLiteral("TB_Tipovi_Zakona.db")));
        QCOMPARE(f->ComboBox1->count(), countRecords(QStringLiteral("TB_Ministarstva.db")) + 1);
        QCOMPARE(f->DBGrid13->topLevelItemCount(), countRecords(QStringLiteral("TB_Korisnicki.db")));
        QVERIFY(f->ListBox2->topLevelItemCount() < countRecords(QStringLiteral("TB_Brojevi.db")));
        program.prompter.clear();
    }));
}

// No table at all: the program still starts, and one message names every table of the
// collection, the attachments window's among them, each once with its reason.
void TestDamaged::emptyDataFolder()
{
    ProgramFixture program(0);
    QVERIFY(QDir().mkpath(program.path(QStringLiteral("Podatci"))));
    program.start();
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QCOMPARE(program.prompter.asked().size(), 1);
        const QByteArray text = program.prompter.texts()[0];
        QCOMPARE(data::tableFiles().size(), 13);
        for (const data::TableFile& t : data::tableFiles()) {
            const QByteArray told = "Tabela " + t.fileName.toLatin1() + " ne postoji u folderu Podatci.";
            QVERIFY2(text.count(told) == 1, qPrintable(t.fileName));
        }
        // Missing tables are no work for the repair, which would only fail on the first of them.
        QVERIFY(!text.contains("Popravka"));
        QVERIFY(!text.contains("popravku"));
        program.prompter.clear();
        // The user's next step names the table it needs.
        f->PageControl1->setCurrentIndex(mainpage::Search);
        QTest::keyClicks(f->Edit2, "ZAKON");
        QTest::mouseClick(f->SpeedButton1, Qt::LeftButton);
        QCOMPARE(program.prompter.asked().size(), 1);
        QVERIFY(program.prompter.texts()[0].contains("bez tabele TB_"));
        program.prompter.clear();
    }));
}

void TestDamaged::mayNotBeRead_data()
{
    QTest::addColumn<bool>("folder");
    QTest::newRow("another user's data folder") << true;
    QTest::newRow("another user's table") << false;
}

// The data folder, or one table, is another user's, kept to its owner: the start tells a folder or
// a file the program may not read, once, and what to check; not missing tables, not a table it
// may not write, and no repair, which could not read them either. The user's next step names the
// table it needs and the same reason.
void TestDamaged::mayNotBeRead()
{
    QFETCH(bool, folder);
    ProgramFixture program;
    const testsupport::AnotherUsers owner(program.path(folder ? "Podatci" : "Podatci/TB_Zakoni.db"),
                                          folder ? 0700 : 0600);
    QVERIFY(owner.done());
    program.start();
    // From the main window's first activation on, which opens the tables.
    const testsupport::FileModesHold modes;
    const QByteArray reason =
        folder ? QByteArray("Folder Podatci sa tabelama baze podataka ne mo`e da se pro~ita: program nema dozvolu da "
                            "ga otvori.\r\nProverite vlasnika i prava pristupa foldera Podatci: korisnik koji "
                            "pokre}e program mora da ima pravo da ga otvori i ~ita, kao i njegove datoteke.")
               : QByteArray("Tabela TB_Zakoni.db ne mo`e da se pro~ita: program nema dozvolu za ~itanje.\r\n"
                            "Proverite vlasnika i prava pristupa datoteke TB_Zakoni.db u folderu Podatci: korisnik "
                            "koji pokre}e program mora da ima pravo da je ~ita.");
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        QVERIFY2(program.prompter.asked().size() == 1, program.prompter.texts().join("\n----\n").constData());
        QCOMPARE(program.prompter.asked().first().kind, Prompt::Error);
        QCOMPARE(program.prompter.texts()[0],
                 (folder ? QByteArray("Neke tabele baze podataka nisu mogle da se otvore ili pro~itaju, pa delovi "
                                      "programa kojima su potrebne ne}e raditi:")
                         : QByteArray("Jedna tabela baze podataka nije mogla da se otvori ili pro~ita, pa delovi "
                                      "programa kojima je potrebna ne}e raditi:")) +
                     "\r\n\r\n" + reason);
        program.prompter.clear();
        QCOMPARE(f->TreeView2->topLevelItemCount() > 0, !folder);
        f->PageControl1->setCurrentIndex(mainpage::Search);
        QTest::keyClicks(f->Edit2, "ZAKON");
        QTest::mouseClick(f->SpeedButton1, Qt::LeftButton);
        QCOMPARE(program.prompter.asked().size(), 1);
        const QByteArray said = program.prompter.texts()[0];
        QVERIFY2(said.startsWith(folder ? "Ovaj deo programa ne mo`e da radi bez tabele TB_"
                                        : "Ovaj deo programa ne mo`e da radi bez tabele TB_Zakoni.db"),
                 said.constData());
        QVERIFY2(said.endsWith(reason), said.constData());
        program.prompter.clear();
    }));
    QVERIFY(program.ended);
    QVERIFY(program.prompter.unexpected().isEmpty());
}

QTEST_MAIN(TestDamaged)
#include "tst_damaged.moc"
