// The printer set-up as the user meets it: the platform's own dialog, titled and labelled in the
// program's language for the step it is, from the settings tab and before a contract is printed.

#include "programfixture.h"

#include "prevform.h"
#include "printerenv.h"

#include <QComboBox>
#include <QDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPushButton>
#include <QTabWidget>

namespace {

// The system's printers and dialogs behind a profile that names a default printer (a test machine
// may have none), so the real dialogs are shown. Nothing is printed.
class SystemDialogs final : public platform::PrinterEnvironment {
public:
    SystemDialogs() { platform::setPrinterEnvironment(this); }
    ~SystemDialogs() override { platform::setPrinterEnvironment(nullptr); }
    QString defaultPrinterName() const override { return QStringLiteral("PDF"); }
    bool printersInstalled() const override { return m_system.printersInstalled(); }
    QPrinter& printer() override { return m_system.printer(); }
    bool printerSetup(QWidget* parent) override { return m_system.printerSetup(parent); }
    bool choosePrinter(QWidget* parent) override { return m_system.choosePrinter(parent); }
    std::optional<platform::PrintRequest> printDialog(QWidget* parent, int minPage, int maxPage) override
    {
        return m_system.printDialog(parent, minPage, maxPage);
    }
    std::unique_ptr<QPainter> beginJob(const QString&) override { return nullptr; }

private:
    platform::PrinterEnvironment& m_system = platform::systemPrinterEnvironment();
};

// What a dialog shows: its title and the texts of its visible buttons, in order.
struct Shown {
    QString title;
    QStringList buttons;
    bool printerChoice = false;
};

// Runs `click`; the modal dialog it opens is read, then closed with the button reading `answer`.
Shown whileDialog(const std::function<void()>& click, const QString& answer)
{
    Shown shown;
    bool answered = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        poll.stop();
        shown.title = dialog->windowTitle();
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            if (button->isVisible()) {
                shown.buttons << button->text();
            }
        }
        // The platform's choice of printer is kept: its list of the system's printers (empty on a
        // machine that has none) is there to choose from.
        const auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
        shown.printerChoice = printers != nullptr && printers->isVisible();
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            if (button->isVisible() && button->text() == answer) {
                answered = true;
                button->click();
                return;
            }
        }
        dialog->reject();
    });
    poll.start();
    click();
    if (!answered) {
        shown.title += QStringLiteral(" <not answered with %1>").arg(answer);
    }
    return shown;
}

} // namespace

class TestPrinterSetup : public QObject {
    Q_OBJECT
private slots:
    void settingsOnlyChooseThePrinter();
    void setUpBeforePrintingLeadsToThePreview();
};

void TestPrinterSetup::settingsOnlyChooseThePrinter()
{
    ProgramFixture program(5);
    program.start();
    SystemDialogs printers;
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->PageControl1->setCurrentIndex(7);
        const Shown shown = whileDialog([&] { f->SpeedButton26->click(); }, QStringLiteral("Izaberi"));
        QCOMPARE(shown.title, QStringLiteral("Podešavanje štampača"));
        QVERIFY2(shown.buttons.contains(QStringLiteral("Otkaži")), qPrintable(shown.buttons.join('|')));
        for (const QString& english : {"Print", "&Print", "Cancel", "OK"}) {
            QVERIFY2(!shown.buttons.contains(english), qPrintable(shown.buttons.join('|')));
        }
        QVERIFY(shown.printerChoice);
        // Confirming keeps the choice and shows nothing more.
        QCOMPARE(QApplication::activeModalWidget(), f);
    }));
    QVERIFY(program.prompter.asked().isEmpty());
}

void TestPrinterSetup::setUpBeforePrintingLeadsToThePreview()
{
    ProgramFixture program(5);
    program.start();
    SystemDialogs printers;
    QVERIFY(program.runMainWindow([&] {
        TForm1* f = program.form1;
        f->PageControl1->setCurrentIndex(6);
        Shown shown = whileDialog([&] { f->SpeedButton28->click(); }, QStringLiteral("Otkaži"));
        QCOMPARE(shown.title, QStringLiteral("Podešavanje štampača"));
        QVERIFY2(shown.buttons.contains(QStringLiteral("Prikaz štampe")), qPrintable(shown.buttons.join('|')));
        QVERIFY(shown.printerChoice);
        // Cancelled: no preview.
        QCOMPARE(QApplication::activeModalWidget(), f);

        // Confirmed: the preview opens, as the button said; the dialog of its print button is the
        // print itself.
        Shown print;
        bool previewed = false;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* preview = qobject_cast<TPreviewForm*>(QApplication::activeModalWidget());
            if (preview == nullptr || !preview->isVisible()) {
                return;
            }
            poll.stop();
            previewed = true;
            print = whileDialog([&] { preview->PrintBut->click(); }, QStringLiteral("Otkaži"));
            preview->close();
        });
        poll.start();
        shown = whileDialog([&] { f->SpeedButton28->click(); }, QStringLiteral("Prikaz štampe"));
        QVERIFY(previewed);
        QCOMPARE(shown.title, QStringLiteral("Podešavanje štampača"));
        QCOMPARE(print.title, QStringLiteral("Štampa"));
        QVERIFY2(print.buttons.contains(QStringLiteral("Štampaj")), qPrintable(print.buttons.join('|')));
        QVERIFY2(print.buttons.contains(QStringLiteral("Otkaži")), qPrintable(print.buttons.join('|')));
    }));
    QVERIFY(program.prompter.asked().isEmpty());
}

QTEST_MAIN(TestPrinterSetup)
#include "tst_printersetup.moc"
