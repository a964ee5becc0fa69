// The boxes on screen: a message of any length keeps the box and its buttons inside the screen's
// free area, on a wide screen and on a small one, and the whole text can be read in it.

#include "prompter.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryFile>
#include <QtTest>

namespace {

// A start message of many tables that could not be opened, each with what to do.
QByteArray manyTables(int tables)
{
    QByteArray text = "Neke tabele baze podataka nisu mogle da se otvore ili pro~itaju, pa delovi programa kojima su "
                      "potrebne ne}e raditi:";
    for (int i = 1; i <= tables; ++i) {
        text += "\r\n\r\nTabela TB_Tabela" + QByteArray::number(i) +
                ".db ne postoji u folderu Podatci.\r\nVratite ispravnu datoteku iz rezervne kopije ili ponovo "
                "instalirajte bazu podataka programa.";
    }
    return text + "\r\n\r\nPopravka na kartici Pode{avanja mo`e da poku{a da popravi o{te}ene tabele.";
}

// Runs `ask` with a window on `screen` active, so the box comes up over it; hands the box to
// `handle`, which closes it.
void onScreen(QScreen* screen, const std::function<void()>& ask, const std::function<void(QDialog*)>& handle)
{
    QWidget owner;
    owner.setScreen(screen);
    owner.setGeometry(QRect(screen->availableGeometry().topLeft() + QPoint(20, 20), QSize(300, 200)));
    owner.show();
    owner.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&owner));
    bool handled = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            poll.stop();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            handled = true;
            handle(dialog);
            // A check that failed left it open.
            if (dialog->isVisible()) {
                dialog->reject();
            }
        }
    });
    poll.start();
    ask();
    QVERIFY(handled);
}

QPushButton* buttonOf(const QDialog* dialog, const QString& text)
{
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->isVisible() && button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

// The box and the button inside the free area of the box's screen.
void insideTheScreen(const QDialog* dialog, const QPushButton* button)
{
    const QRect free = dialog->screen()->availableGeometry();
    QVERIFY2(free.contains(dialog->frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                    .arg(dialog->frameGeometry().x())
                                                                    .arg(dialog->frameGeometry().y())
                                                                    .arg(dialog->frameGeometry().width())
                                                                    .arg(dialog->frameGeometry().height())));
    QVERIFY(button != nullptr);
    QVERIFY(free.contains(QRect(button->mapToGlobal(QPoint(0, 0)), button->size())));
}

} // namespace

class TestPrompter : public QObject {
    Q_OBJECT
private slots:
    void init() { platform::setPrompter(nullptr); }
    void longMessageStaysOnScreen_data();
    void longMessageStaysOnScreen();
    void longQuestionAnswersAsAnyBox();
    void shortMessageIsAStandardBox();
};

void TestPrompter::longMessageStaysOnScreen_data()
{
    QTest::addColumn<int>("screen");
    QTest::addColumn<int>("tables");
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (int s = 0; s < screens.size(); ++s) {
        const QSize size = screens[s]->size();
        for (const int tables : {13, 60}) {
            QTest::addRow("%dx%d, %d tables", size.width(), size.height(), tables) << s << tables;
        }
    }
}

void TestPrompter::longMessageStaysOnScreen()
{
    QFETCH(int, screen);
    QFETCH(int, tables);
    const QByteArray text = manyTables(tables);
    onScreen(
        QGuiApplication::screens().at(screen), [&] { platform::prompter().error(text); },
        [&](QDialog* dialog) {
            QCOMPARE(dialog->screen(), QGuiApplication::screens().at(screen));
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Korvelin"));
            QPushButton* ok = buttonOf(dialog, QStringLiteral("U redu"));
            insideTheScreen(dialog, ok);
            // The whole text is there; what does not fit is scrolled to.
            const auto* label = dialog->findChild<QLabel*>(QStringLiteral("MessageText"));
            QVERIFY(label != nullptr);
            QCOMPARE(label->text(), platform::screenMessage(text));
            auto* area = dialog->findChild<QScrollArea*>();
            QVERIFY(area != nullptr);
            QScrollBar* bar = area->verticalScrollBar();
            QCOMPARE(bar->isVisible(), label->height() > area->viewport()->height());
            QVERIFY(bar->isVisible() || tables < 20);
            bar->setValue(bar->maximum());
            const QPoint lastLine = label->mapTo(area->viewport(), QPoint(0, label->height() - 1));
            QVERIFY(area->viewport()->rect().contains(lastLine));
            // Enter takes the default button.
            QTest::keyClick(dialog, Qt::Key_Return);
        });
}

// A long question keeps its buttons, their words and their answers; Escape cancels.
void TestPrompter::longQuestionAnswersAsAnyBox()
{
    QScreen* small = QGuiApplication::screens().last();
    const QByteArray text = manyTables(40) + "\r\n\r\nNastaviti?";
    bool answer = true;
    onScreen(
        small, [&] { answer = platform::prompter().confirm(text); },
        [&](QDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Potvrda"));
            insideTheScreen(dialog, buttonOf(dialog, QStringLiteral("Otkaži")));
            insideTheScreen(dialog, buttonOf(dialog, QStringLiteral("U redu")));
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
    QVERIFY(!answer);
    onScreen(
        small, [&] { answer = platform::prompter().confirm(text); },
        [&](QDialog* dialog) { buttonOf(dialog, QStringLiteral("U redu"))->click(); });
    QVERIFY(answer);
    platform::Answer warned = platform::Answer::Ok;
    onScreen(
        small, [&] { warned = platform::prompter().warningYesNoCancel(text); },
        [&](QDialog* dialog) { buttonOf(dialog, QStringLiteral("Ne"))->click(); });
    QCOMPARE(warned, platform::Answer::No);
}

// A message that fits is shown in the standard box, as every message is.
void TestPrompter::shortMessageIsAStandardBox()
{
    onScreen(
        QGuiApplication::screens().last(), [] { platform::prompter().error(manyTables(2)); },
        [](QDialog* dialog) {
            QVERIFY(qobject_cast<QMessageBox*>(dialog) != nullptr);
            insideTheScreen(dialog, buttonOf(dialog, QStringLiteral("U redu")));
            dialog->accept();
        });
}

int main(int argc, char** argv)
{
    // Off screen, two screens of the sizes the program must fit: a laptop's and an old monitor's.
    QTemporaryFile screens;
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && screens.open()) {
        screens.write(R"({"screens": [
            {"name": "wide", "x": 0, "y": 0, "width": 1366, "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96},
            {"name": "small", "x": 1366, "y": 0, "width": 1024, "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96}
        ]})");
        screens.flush();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
    }
    QApplication app(argc, argv);
    TestPrompter test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_prompter.moc"
