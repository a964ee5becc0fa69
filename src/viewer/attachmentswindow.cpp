#include "attachmentswindow.h"

#include "appvalues.h"
#include "hints.h"
#include "mainwindow.h"
#include "pictures.h"
#include "printerenv.h"
#include "prompter.h"
#include "screentext.h"
#include "table.h"
#include "usermessages.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using platform::named;

Tdokumenti* dokumenti = nullptr;

namespace {

const QByteArray kEntryPrefix = "Prilog br. ";
constexpr int kPictures = 33;
// The printed picture keeps this distance, in the printer's pixels, from each edge of the page.
constexpr int kPrintMargin = 300;

} // namespace

Tdokumenti::Tdokumenti(QWidget* parent) : QDialog(parent), data::AttachmentTables(Form1->Zakoni)
{
    setObjectName(QStringLiteral("dokumenti"));
    platform::setCaption(this, "Prilozi");
    resize(800, 600);

    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    SpeedButton6 = named<QPushButton>("SpeedButton6");
    platform::setCaption(SpeedButton6, "[tam&paj");
    SpeedButton3 = named<QPushButton>("SpeedButton3");
    platform::setCaption(SpeedButton3, "Pret&hodna strana");
    platform::setHint(SpeedButton3, "Povratak na izbor propisa");
    for (QPushButton* b : {SpeedButton6, SpeedButton3}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    auto* body = new QHBoxLayout;
    ListBox1 = named<QListWidget>("ListBox1");
    ListBox1->setFixedWidth(232);
    body->addWidget(ListBox1);
    Image3 = named<viewer::TImage>("Image3");
    body->addWidget(Image3, 1);
    layout->addLayout(body, 1);
    DBImage1 = named<viewer::TDBImage>("DBImage1", this);
    DBImage1->setDataSource(&Table1);
    DBImage1->setDataField("S1");

    connect(ListBox1, &QListWidget::itemSelectionChanged, this, &Tdokumenti::ListBox1Click);
    connect(SpeedButton6, &QPushButton::clicked, this, &Tdokumenti::SpeedButton6Click);
    connect(SpeedButton3, &QPushButton::clicked, this, &Tdokumenti::close);
    dokumenti = this;
    // Open from creation on. A table that cannot be opened is named in the main window's start
    // message, and again when the window is shown, where the pictures are needed.
    openAtCreation();
}

Tdokumenti::~Tdokumenti()
{
    if (dokumenti == this) {
        dokumenti = nullptr;
    }
}

bool Tdokumenti::openTable()
{
    if (Table1.isActive()) {
        return true;
    }
    try {
        Table1.open();
        return true;
    } catch (const std::exception& e) {
        tellOnce(e);
        return false;
    }
}

void Tdokumenti::tellOnce(const std::exception& e)
{
    if (!m_told) {
        m_told = true;
        platform::prompter().error(data::userMessage(e));
    }
}

void Tdokumenti::showField(const QByteArray& field)
{
    DBImage1->setDataField(field);
    Image3->setPicture(DBImage1->picture());
}

void Tdokumenti::FormActivate()
{
    setFont(QFont(appvalues::UIFontName));
    ListBox1->clear();
    if (!openTable()) {
        Image3->setPicture({});
        return;
    }
    try {
        for (int n = 1; n <= kPictures; ++n) {
            DBImage1->setDataField("S" + QByteArray::number(n));
            if (DBImage1->picture().width() > 0) {
                ListBox1->addItem(platform::toScreen(kEntryPrefix + QByteArray::number(n)));
            }
        }
        showField("S1");
    } catch (const std::exception& e) {
        tellOnce(e);
    }
}

void Tdokumenti::ListBox1Click()
{
    const QListWidgetItem* item = ListBox1->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    const QByteArray entry = platform::fromScreen(item->text());
    try {
        showField("S" + entry.mid(kEntryPrefix.size()));
    } catch (const std::exception& e) {
        platform::prompter().error(data::userMessage(e));
    }
}

void Tdokumenti::SpeedButton6Click()
{
    const QListWidgetItem* item = ListBox1->currentItem();
    if (item == nullptr || !item->isSelected()) {
        platform::prompter().message("Prvo izaberite sliku za stampanje");
        // The window is active again once the message has gone, and that rebuilds the list.
        FormActivate();
        return;
    }
    if (!platform::checkDefaultPrinter()) {
        FormActivate();
        return;
    }
    // Taken before the dialog: the activation after it shows the first picture again.
    const QImage picture = Image3->picture();
    const QString title = item->text();
    platform::PrinterEnvironment& env = platform::printerEnvironment();
    const std::optional<platform::PrintRequest> chosen = env.printDialog(this, 1, 1);
    // The window is active again once the dialog has gone.
    FormActivate();
    if (!chosen) {
        return;
    }
    try {
        const std::unique_ptr<QPainter> painter = env.beginJob(title);
        if (!painter) {
            platform::prompter().error("Gre{ka pri {tampanju");
            return;
        }
        const QPaintDevice* page = painter->device();
        const QRect target(kPrintMargin, kPrintMargin, page->width() - 2 * kPrintMargin,
                           page->height() - 2 * kPrintMargin);
        if (!picture.isNull() && target.isValid()) {
            painter->drawImage(target, picture);
        }
        painter->end();
    } catch (const std::exception& e) {
        platform::prompter().error(data::userMessage(e));
    }
}

void Tdokumenti::showEvent(QShowEvent* event)
{
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
    m_told = false;
    FormActivate();
}
