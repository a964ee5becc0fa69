// The help tab: the publisher's panel, the help text, the contact buttons and the manual.

#include "controls.h"
#include "mainwindow.h"

#include "helplinks.h"
#include "hints.h"
#include "paths.h"
#include "prompter.h"
#include "publisher.h"
#include "richedit.h"
#include "screentext.h"
#include "shell.h"

#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

using controls::button;
using controls::label;
using platform::named;

namespace {

// Addresses and the site are not YUSCII: they are shown as they stand.
QLabel* plainLabel(const char* name, const QString& text)
{
    auto* l = named<QLabel>(name);
    l->setText(text);
    return l;
}

QPixmap logo()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0, 0, 128));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(40);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("K"));
    return pixmap;
}

// Hands a link or file to the shell; shows the message for a failure from the given set when the
// shell tells it, which may be long after the click, the window working meanwhile.
void execute(QObject* window, const QByteArray& verb, const QString& file, const QString& folder,
             helplinks::MessageSet set, bool report = true)
{
    auto tell = [window = QPointer<QObject>(window), set, report](int result) {
        if (window == nullptr || !report || result > 31) {
            return; // a window already closed has nobody to tell
        }
        const QByteArray message = helplinks::shellMessage(set, result);
        if (!message.isEmpty()) {
            platform::prompter().message(message);
        }
    };
    platform::shell().execute(QString::fromLatin1(verb), file, {}, folder, platform::ShowDefault, tell);
}

} // namespace

void TForm1::buildHelpTab(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    Panel11 = named<QWidget>("Panel11");
    platform::setHint(Panel11, "O nama");
    Panel11->setMinimumHeight(112);
    Label52 = label("Label52", "Elektronski Korvelin");
    QFont title = Label52->font();
    title.setBold(true);
    Label52->setFont(title);
    Label60 = plainLabel("Label60", QString::fromLatin1(publisher::Imprint));
    Label61 = plainLabel("Label61", QString::fromLatin1(publisher::PostalLine));
    Label34 = plainLabel("Label34", QString::fromLatin1(publisher::WebSite) + QStringLiteral("   e-mail:"));
    int y = 8;
    for (QLabel* l : {Label52, Label60, Label61, Label34}) {
        l->setParent(Panel11);
        l->move(0, y);
        y += 24;
    }
    Image22 = named<QLabel>("Image22", Panel11);
    Image22->setPixmap(logo());
    Image22->setGeometry(16, 24, 64, 64);
    layout->addWidget(Panel11);

    auto* middle = new QHBoxLayout;
    RichEdit3 = named<richtext::RichEdit>("RichEdit3");
    RichEdit3->setReadOnly(true);
    middle->addWidget(RichEdit3, 1);

    auto* contacts = named<QWidget>("Panel33");
    platform::setHint(contacts, "Dostava propisa i kontakt");
    auto* contactsLayout = new QVBoxLayout(contacts);
    SpeedButton3 = button("SpeedButton3", "Tra`im pr&opis", "Po{aljite nam e-mail sa nazivom propisa koji tra`ite");
    SpeedButton11 =
        button("SpeedButton11", "S&ugsetije, kometari", "Po{aljite nam sugestije i komentare vezane za rad programa");
    SpeedButton12 = button("SpeedButton12", "Posetite na{ sa&jt");
    SpeedButton12->setToolTip(QString::fromLatin1(helplinks::webLink(publisher::WebSite)));
    QGroupBox* consulting = controls::groupBox("GroupBox11", "Konsalting usluge");
    SpeedButton15 = button("SpeedButton15", "Pita&nje ", "Konsalting usluge");
    (new QVBoxLayout(consulting))->addWidget(SpeedButton15);
    SpeedButton8 = button("SpeedButton8", "&Uputstvo za kori{}enje programa");
    for (QWidget* w : {static_cast<QWidget*>(SpeedButton3), static_cast<QWidget*>(SpeedButton11),
                       static_cast<QWidget*>(SpeedButton12), static_cast<QWidget*>(consulting)}) {
        contactsLayout->addWidget(w);
    }
    contactsLayout->addStretch(1);
    contactsLayout->addWidget(SpeedButton8);
    middle->addWidget(contacts);
    layout->addLayout(middle, 1);

    connect(SpeedButton3, &QPushButton::clicked, this, &TForm1::SpeedButton3Click);
    connect(SpeedButton11, &QPushButton::clicked, this, &TForm1::SpeedButton11Click);
    connect(SpeedButton12, &QPushButton::clicked, this, &TForm1::SpeedButton12Click);
    connect(SpeedButton15, &QPushButton::clicked, this, &TForm1::SpeedButton15Click);
    connect(SpeedButton8, &QPushButton::clicked, this, &TForm1::SpeedButton8Click);
}

void TForm1::placeHelpLabels(int offset34, int offset61)
{
    const int panelWidth = Panel11->width();
    const std::pair<QLabel*, int> labels[] = {{Label34, offset34}, {Label52, 32}, {Label60, 32}, {Label61, offset61}};
    for (const auto& [label, offset] : labels) {
        label->adjustSize();
        label->move(qRound((panelWidth - label->width()) / 2.0) + offset, label->y());
    }
}

void TForm1::loadHelpText()
{
    // The help text comes with the installation; without it the help page stays empty.
    RichEdit3->loadFile(platform::programFile(QStringLiteral("dostava.rtf")));
}

void TForm1::SpeedButton3Click()
{
    execute(this, {}, QString::fromLatin1(helplinks::mailLink(publisher::RequestAddress, helplinks::RequestSubject)),
            {}, helplinks::MessageSet::Mail);
}

void TForm1::SpeedButton11Click()
{
    execute(this, {},
            QString::fromLatin1(helplinks::mailLink(publisher::SuggestionAddress, helplinks::SuggestionSubject)), {},
            helplinks::MessageSet::Mail);
}

void TForm1::SpeedButton12Click()
{
    execute(this, "open", QString::fromLatin1(helplinks::webLink(publisher::WebSite)), {}, helplinks::MessageSet::Web);
}

void TForm1::SpeedButton15Click()
{
    execute(this, {},
            QString::fromLatin1(helplinks::mailLink(publisher::ConsultingAddress, helplinks::ConsultingSubject)), {},
            helplinks::MessageSet::Mail, false);
}

void TForm1::SpeedButton8Click()
{
    execute(this, "open", platform::programFile(QLatin1String(helplinks::ManualFile)),
            platform::programFile(QLatin1String(helplinks::ManualFolder)), helplinks::MessageSet::Manual);
}
