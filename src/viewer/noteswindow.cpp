#include "noteswindow.h"

#include "appvalues.h"
#include "hints.h"
#include "mainwindow.h"
#include "prevprinter.h"
#include "printerenv.h"
#include "prompter.h"
#include "richedit.h"
#include "screentext.h"
#include "table.h"
#include "usermessages.h"
#include "viewerwindow.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using platform::named;

TForm5* Form5 = nullptr;

TForm5::TForm5(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form5"));
    platform::setCaption(this, "Dodatne informacije");
    // A fixed single border with only the system menu among the title bar's icons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(689, 454);

    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    SpeedButton1 = named<QPushButton>("SpeedButton1");
    platform::setCaption(SpeedButton1, "[tam&pa");
    SpeedButton3 = named<QPushButton>("SpeedButton3");
    platform::setCaption(SpeedButton3, "Pret&hodna strana");
    platform::setHint(SpeedButton3, "Povratak na izbor propisa");
    for (QPushButton* b : {SpeedButton1, SpeedButton3}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    DBRichEdit1 = named<richtext::RichEdit>("DBRichEdit1");
    DBRichEdit1->setReadOnly(true);
    DBRichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The note follows the current regulation while the window is shown; hidden, the regulations
    // table moves through whole lists and the note need not be read for each record.
    DBRichEdit1->setAutoLoad(false);
    if (Form1 != nullptr) {
        engine::Table* zakoni = &Form1->Zakoni;
        DBRichEdit1->bindTo(zakoni, &engine::Table::currentChanged, [zakoni = QPointer<engine::Table>(zakoni)] {
            return zakoni != nullptr && zakoni->isActive() ? zakoni->fieldByName("Napomena").asBytes() : QByteArray();
        });
    }
    layout->addWidget(DBRichEdit1, 1);

    connect(SpeedButton1, &QPushButton::clicked, this, &TForm5::SpeedButton1Click);
    connect(SpeedButton3, &QPushButton::clicked, this, &TForm5::close);
    Form5 = this;
    FormCreate();
}

TForm5::~TForm5()
{
    if (Form5 == this) {
        Form5 = nullptr;
    }
}

void TForm5::FormCreate()
{
    setFont(QFont(appvalues::UIFontName));
    DBRichEdit1->setFont(QFont(appvalues::LatinFontName));
}

void TForm5::showEvent(QShowEvent* event)
{
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    try {
        DBRichEdit1->setAutoLoad(true);
        DBRichEdit1->loadBound();
        // The notes open at their top, also when they are the ones shown last and not loaded again.
        DBRichEdit1->showFromTop();
    } catch (const std::exception& e) {
        platform::prompter().error(data::userMessage(e));
    }
    QDialog::showEvent(event);
}

void TForm5::hideEvent(QHideEvent* event)
{
    DBRichEdit1->setAutoLoad(false);
    QDialog::hideEvent(event);
}

void TForm5::SpeedButton1Click()
{
    try {
        if (Form3 == nullptr || !platform::printerReady(this)) {
            return;
        }
        Form3->PreviewPrinter1->PrintRichEdit(DBRichEdit1);
        Form3->PreviewPrinter1->Preview();
    } catch (const std::exception& e) {
        platform::prompter().error(data::userMessage(e));
    }
}
