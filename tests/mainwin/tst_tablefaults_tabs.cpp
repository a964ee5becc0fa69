// The gazettes, areas, search, personal lists, opinions, archive and settings tabs while another
// program, or the disk, breaks a table they read under the running program (see tablefaults.h).
// Every action the user has on the tab is taken through the real window: no failure reaches the
// event loop unhandled, each message names the table, nothing is written into either file, and once
// a passing fault (a lock, a failing read) has gone the tab works as before.

#include "tablefaults.h"

#include "screentext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

using namespace testsupport;

namespace {

struct Action {
    const char* name;
    std::function<void()> run;
};

void clickListRow(QListWidget* list, int row)
{
    if (QListWidgetItem* item = list->item(row)) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }
}

// Types `text` into the field, as the user does, after emptying it.
void typeInto(QLineEdit* field, const char* text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

QList<Action> actionsOf(int tab, TForm1* f, ScriptedPrompter& prompter)
{
    switch (tab) {
    case mainpage::Gazettes:
        return {
            {"gazette clicked", [f] { clickRow(f->TreeView2, 0); }},
            {"gazette expanded", [f] { QTest::keyClick(f->TreeView2, Qt::Key_Right); }},
            {"year clicked", [f] { QTest::keyClick(f->TreeView2, Qt::Key_Down); }},
            {"year expanded", [f] { QTest::keyClick(f->TreeView2, Qt::Key_Right); }},
            {"issue clicked", [f] { QTest::keyClick(f->TreeView2, Qt::Key_Down); }},
            {"gazette clicked again", [f] { clickRow(f->TreeView2, 0); }},
            {"gazette collapsed", [f] { QTest::keyClick(f->TreeView2, Qt::Key_Left); }},
            {"another gazette", [f] { clickRow(f->TreeView2, 1); }},
            {"regulation opened", [f] { doubleClickRow(f->ListView1, 0); }},
            {"column sorted", [f] { f->ListView1ColumnClick(1); }},
        };
    case mainpage::Areas:
        return {
            {"area clicked", [f] { clickRow(f->TreeView1, 0); }},
            {"another area", [f] { clickRow(f->TreeView1, 1); }},
            {"type chosen",
             [f] {
                 f->ComboBox3->setFocus();
                 QTest::keyClick(f->ComboBox3, Qt::Key_Down);
             }},
            {"phrase searched",
             [f] {
                 typeInto(f->Edit11, "pravilnik");
                 QTest::mouseClick(f->SpeedButton17, Qt::LeftButton);
             }},
            {"phrase searched with Enter",
             [f] {
                 typeInto(f->Edit11, "zakon");
                 QTest::keyClick(f->Edit11, Qt::Key_Return);
             }},
            {"regulation opened", [f] { doubleClickRow(f->ListBox3, 0); }},
        };
    case mainpage::Search:
        return {
            {"titles searched",
             [f] {
                 QTest::mouseClick(f->RadioButton6, Qt::LeftButton);
                 typeInto(f->Edit2, "zakon");
                 QTest::mouseClick(f->SpeedButton1, Qt::LeftButton);
             }},
            {"texts searched",
             [f] {
                 QTest::mouseClick(f->RadioButton5, Qt::LeftButton);
                 typeInto(f->Edit2, "zakon");
                 QTest::keyClick(f->Edit2, Qt::Key_Return);
             }},
            {"gazette chosen and searched",
             [f] {
                 f->ComboBox4->setFocus();
                 QTest::keyClick(f->ComboBox4, Qt::Key_Down);
                 QTest::mouseClick(f->SpeedButton1, Qt::LeftButton);
             }},
            {"hit opened", [f] { doubleClickRow(f->ListBox2, 0); }},
        };
    case mainpage::PersonalLists:
        return {
            {"frequent opened", [f] { doubleClickRow(f->ListBox5, 0); }},
            {"frequent opened with Enter",
             [f] {
                 clickListRow(f->ListBox5, 0);
                 QTest::keyClick(f->ListBox5, Qt::Key_Return);
             }},
            {"marked opened", [f] { doubleClickRow(f->ListBox8, 0); }},
            {"marked opened from the menu",
             [f] {
                 const QList<QAction*> items = f->PopupMenu1->actions();
                 if (!items.isEmpty()) {
                     throughTheEventLoop([item = QPointer<QAction>(items.last())] {
                         if (item) {
                             item->trigger();
                         }
                     });
                 }
             }},
            {"recent search run again", [f] { doubleClickRow(f->ListBox4, 0); }},
            {"newest regulations", [f] { QTest::mouseClick(f->SpeedButton10, Qt::LeftButton); }},
            {"marked deleted",
             [f] {
                 clickListRow(f->ListBox8, 0);
                 QTest::mouseClick(f->SpeedButton21, Qt::LeftButton);
             }},
            {"frequent emptied, confirmed",
             [f, &prompter] {
                 prompter.answer(platform::Answer::Yes);
                 QTest::mouseClick(f->SpeedButton24, Qt::LeftButton);
             }},
            {"recent emptied, cancelled",
             [f, &prompter] {
                 prompter.answer(platform::Answer::No);
                 QTest::mouseClick(f->SpeedButton25, Qt::LeftButton);
             }},
        };
    case mainpage::Opinions:
        return {
            {"ministry chosen",
             [f] {
                 f->ComboBox1->setFocus();
                 QTest::keyClick(f->ComboBox1, Qt::Key_Down);
             }},
            {"titles searched",
             [f] {
                 QTest::mouseClick(f->RadioButton4, Qt::LeftButton);
                 typeInto(f->Edit8, "ministar");
                 QTest::mouseClick(f->SpeedButton14, Qt::LeftButton);
             }},
            {"texts searched",
             [f] {
                 QTest::mouseClick(f->RadioButton3, Qt::LeftButton);
                 typeInto(f->Edit8, "zakon");
                 QTest::keyClick(f->Edit8, Qt::Key_Return);
             }},
            {"every ministry",
             [f] {
                 f->ComboBox1->setFocus();
                 QTest::keyClick(f->ComboBox1, Qt::Key_Home);
             }},
            {"date changed",
             [f] {
                 f->SpinEdit15->setFocus();
                 QTest::keyClick(f->SpinEdit15, Qt::Key_Up);
             }},
            {"dates searched", [f] { QTest::mouseClick(f->SpeedButton13, Qt::LeftButton); }},
            {"every date",
             [f] {
                 QTest::mouseClick(f->SviDatumi, Qt::LeftButton);
                 QTest::mouseClick(f->SpeedButton13, Qt::LeftButton);
             }},
            {"opinion opened", [f] { doubleClickRow(f->Listbox6, 0); }},
        };
    case mainpage::Archive:
        return {
            {"archive searched",
             [f] {
                 typeInto(f->Edit7, "zakon");
                 QTest::mouseClick(f->SpeedButton22, Qt::LeftButton);
             }},
            {"archive searched with Enter",
             [f] {
                 typeInto(f->Edit7, "");
                 QTest::keyClick(f->Edit7, Qt::Key_Return);
             }},
            {"row chosen", [f] { clickRow(f->ListBox7, 0); }},
            {"another row", [f] { clickRow(f->ListBox7, 1); }},
            {"row opened", [f] { doubleClickRow(f->ListBox7, 0); }},
            {"version opened", [f] { doubleClickRow(f->Listbox9, 0); }},
        };
    case mainpage::Settings:
        return {
            {"options level",
             [f] {
                 f->ComboBox2->setFocus();
                 QTest::keyClick(f->ComboBox2, Qt::Key_End);
             }},
            {"repair", [f] { QTest::mouseClick(f->SpeedButton27, Qt::LeftButton); }},
        };
    default:
        return {};
    }
}

// What the tab's main command shows: the rows of its list (for the personal lists, whether the
// viewer came up). Taken before a fault and after it has gone, it is the same.
int probe(int tab, TForm1* f)
{
    switch (tab) {
    case mainpage::Gazettes:
        clickRow(f->TreeView2, 1);
        clickRow(f->TreeView2, 0);
        return f->ListView1->topLevelItemCount();
    case mainpage::Areas:
        // With the type of regulations chosen as at the first probe.
        if (const QVariant type = f->ComboBox3->property("probedType"); type.isValid()) {
            f->ComboBox3->setCurrentIndex(type.toInt());
        } else {
            f->ComboBox3->setProperty("probedType", f->ComboBox3->currentIndex());
        }
        f->TreeView1->clearSelection();
        f->TreeView1->topLevelItem(0)->setSelected(true);
        return f->ListBox3->topLevelItemCount();
    case mainpage::Search:
        f->ComboBox4->setCurrentIndex(0);
        QTest::mouseClick(f->RadioButton6, Qt::LeftButton);
        typeInto(f->Edit2, "zakon");
        QTest::mouseClick(f->SpeedButton1, Qt::LeftButton);
        return f->ListBox2->topLevelItemCount();
    case mainpage::PersonalLists: {
        // The steps emptied the list: the regulation is opened from it again.
        f->dodajuceste(f->najnoviji.value(0));
        int shown = 0;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal != f && modal->isVisible()) {
                shown = 1;
                modal->close();
            }
        });
        closer.start(10);
        doubleClickRow(f->ListBox5, 0);
        return shown;
    }
    case mainpage::Opinions:
        f->ComboBox1->setCurrentIndex(0);
        f->izbormistara();
        f->SviDatumi->setChecked(false);
        for (QSpinBox* from : {f->SpinEdit5, f->SpinEdit6, f->SpinEdit13}) {
            from->setValue(from->minimum());
        }
        for (QSpinBox* to : {f->SpinEdit14, f->SpinEdit15, f->SpinEdit16}) {
            to->setValue(to->maximum());
        }
        QTest::mouseClick(f->SpeedButton13, Qt::LeftButton);
        return f->Listbox6->topLevelItemCount();
    case mainpage::Archive:
        typeInto(f->Edit7, "");
        QTest::mouseClick(f->SpeedButton22, Qt::LeftButton);
        clickRow(f->ListBox7, 0);
        return f->ListBox7->topLevelItemCount() * 1000 + f->Listbox9->topLevelItemCount();
    case mainpage::Settings:
        clickTab(f->PageControl1, mainpage::Help);
        clickTab(f->PageControl1, mainpage::Settings);
        return 0;
    default:
        return 0;
    }
}

} // namespace

class TestTableFaultsTabs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void tab_data();
    void tab();

private:
    std::unique_ptr<FaultyDisk> m_reads;
    std::unique_ptr<ProgramFixture> m_program;
    NoPrinter m_printer;
};

void TestTableFaultsTabs::initTestCase()
{
    m_reads = std::make_unique<FaultyDisk>(QByteArray(), FaultyDisk::Fault::ReadsFail);
}

void TestTableFaultsTabs::cleanup()
{
    m_program.reset();
}

void TestTableFaultsTabs::tab_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("fault");
    const QList<std::pair<int, QStringList>> tabs = {
        {mainpage::Gazettes, {"TB_Brojevi.db", "TB_Zakoni.db", "TB_Glasnici.db"}},
        {mainpage::Areas, {"TB_Zakoni.db", "TB_Kategorije_Zakona.db", "TB_Tipovi_Zakona.db"}},
        {mainpage::Search, {"TB_Zakoni.db", "TB_Brojevi.db"}},
        {mainpage::PersonalLists, {"TB_Zakoni.db", "TB_Brojevi.db"}},
        {mainpage::Opinions, {"TB_Misljenja.db", "TB_Ministarstva.db"}},
        {mainpage::Archive, {"TB_Arhiva.db", "TB_Zakoni.db"}},
        {mainpage::Settings, {"TB_Zakoni.db", "TB_Misljenja.db"}},
    };
    static const char* const names[] = {"gazettes", "areas",   "search", "personal",
                                        "opinions", "archive", "",       "settings"};
    for (const auto& [tab, tables] : tabs) {
        for (const QString& table : tables) {
            for (const QString& fault : kTableFaults) {
                // Every read of a held table waits for the lock: one table of each tab is held.
                if (fault == "locked" && table != tables.first()) {
                    continue;
                }
                QTest::addRow("%s %s %s", names[tab], qPrintable(table), qPrintable(fault)) << tab << table << fault;
            }
        }
    }
}

void TestTableFaultsTabs::tab()
{
    QFETCH(int, tab);
    QFETCH(QString, table);
    QFETCH(QString, fault);
    m_program = std::make_unique<ProgramFixture>(10);
    m_program->start();
    const QByteArray named = fault == "folder removed" ? QByteArray("TB_") : table.toLatin1();
    QVERIFY(m_program->runMainWindow([&] {
        TForm1* f = m_program->form1;
        auto& prompter = m_program->prompter;
        // Every tab shown; the personal lists hold a regulation, a marked one and a search, and the
        // last update brought one.
        f->ComboBox2->setCurrentIndex(2);
        f->ComboBox2Change();
        clickTab(f->PageControl1, mainpage::Search);
        typeInto(f->Edit2, "zakon");
        QTest::mouseClick(f->SpeedButton1, Qt::LeftButton);
        QVERIFY(f->ListBox2->topLevelItemCount() > 0);
        const QByteArray title = platform::fromScreen(f->ListBox2->topLevelItem(0)->text(0));
        f->dodajuceste(title);
        f->addToQuickOpen(title);
        f->najnoviji = {title};
        clickTab(f->PageControl1, tab);
        const int before = probe(tab, f);
        clickTab(f->PageControl1, mainpage::Help);
        for (const Prompt& p : prompter.asked()) {
            QVERIFY2(p.kind != Prompt::Error, p.text.constData());
        }
        prompter.clear();

        TableFault broken(fault, m_program->path(QStringLiteral("Podatci")), table, *m_reads);
        if (QTest::currentTestFailed()) {
            return;
        }
        int told = faultStep(*m_program, "tab click", named, [&] { clickTab(f->PageControl1, tab); });
        for (const Action& action : actionsOf(tab, f, prompter)) {
            // Opening a document, the viewer reads the tables too and tells its own failures.
            const bool opens = QByteArray(action.name).contains("opened") || QByteArray(action.name).contains("newest");
            told += faultStep(*m_program, action.name, named, action.run, false, opens ? -1 : 1);
            if (QTest::currentTestFailed()) {
                return;
            }
        }
        told += faultStep(*m_program, "another tab", named, [&] { clickTab(f->PageControl1, mainpage::Help); });
        told += faultStep(*m_program, "back to the tab", named, [&] { clickTab(f->PageControl1, tab); });
        // The areas and the types of regulations were read into the tab at start, and the repair
        // tells what it found in its own report: no step of theirs reads the table again.
        const bool readBySteps =
            tab != mainpage::Settings && !table.contains("Kategorije") && !table.contains("Tipovi");
        if (foundAtOnce(fault) && readBySteps) {
            QVERIFY2(told > 0, "the failing table was never told of");
        }
        if (tab != mainpage::Settings) {
            broken.checkUnwritten();
        }
        if (broken.passes()) {
            broken.end();
            clickTab(f->PageControl1, tab);
            prompter.clear();
            const int after = probe(tab, f);
            for (const Prompt& p : prompter.asked()) {
                QVERIFY2(p.kind != Prompt::Error, p.text.constData());
            }
            QCOMPARE(after, before);
        }
    }));
    QVERIFY2(m_program->ended, "the program did not close");
}

TABLEFAULTS_MAIN(TestTableFaultsTabs)
#include "tst_tablefaults_tabs.moc"
