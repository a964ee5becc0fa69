// The updater window's controls, its creation (the table utility, the fonts, the proxy of the
// main window, the renames of short archive names), its closing and the FTP client's events.

#include "updaterwindow.h"

#include "appvalues.h"
#include "lenient.h"
#include "mainwindow.h"
#include "prompter.h"
#include "screentext.h"
#include "statusbar.h"
#include "updaterules.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

Tupdater* updater = nullptr;

QIcon Tupdater::listImage(int index)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (index == 0) {
        p.setPen(QColor(110, 70, 20));
        p.setBrush(QColor(230, 180, 80));
        p.drawRect(3, 8, 26, 20);
        p.setBrush(QColor(200, 150, 60));
        p.drawRect(3, 4, 26, 6);
        p.setPen(QPen(QColor(90, 90, 90), 2));
        for (int y = 12; y <= 26; y += 4) {
            p.drawLine(16, y, 16, y + 2);
        }
    } else {
        p.setPen(Qt::darkGray);
        p.setBrush(Qt::white);
        p.drawRect(6, 2, 20, 28);
        p.setPen(QColor(30, 90, 200));
        for (int y = 8; y <= 24; y += 4) {
            p.drawLine(9, y, 23, y);
        }
    }
    p.end();
    return QIcon(pm);
}

Tupdater::Tupdater(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("updater"));
    updater = this;
    buildControls();
    FormCreate();
    mainwin::setUpdateWindow(this);
}

Tupdater::~Tupdater()
{
    if (updater == this) {
        updater = nullptr;
        mainwin::setUpdateWindow(nullptr);
    }
}

void Tupdater::buildControls()
{
    platform::setCaption(this, "Azuriranje");
    setFixedSize(655, 432);
    auto* layout = new QVBoxLayout(this);

    Label1 = platform::named<QLabel>("Label1");
    platform::setCaption(Label1, "A`uriranje baze podataka programa Korvelin");
    layout->addWidget(Label1);
    Label4 = platform::named<QLabel>("Label4");
    platform::setCaption(Label4, "Trenutna verzija programa:");
    layout->addWidget(Label4);
    Label3 = platform::named<QLabel>("Label3");
    platform::setCaption(Label3, "Izmene koje mogu biti preuzete sa interneta:");
    layout->addWidget(Label3);

    ListView1 = platform::named<QTreeWidget>("ListView1");
    ListView1->setRootIsDecorated(false);
    ListView1->setIconSize(QSize(32, 32));
    ListView1->setHeaderLabels({platform::toScreen("Redni broj izmene"), platform::toScreen("Status")});
    ListView1->header()->resizeSection(0, 250);
    ListView1->header()->resizeSection(1, 100);
    layout->addWidget(ListView1, 1);

    Label2 = platform::named<QLabel>("Label2");
    platform::setCaption(Label2, "Kliknite na &A`uriraj za po~etak");
    layout->addWidget(Label2);
    ProgressBar1 = platform::named<QProgressBar>("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    layout->addWidget(ProgressBar1);

    auto* buttons = new QHBoxLayout;
    SpeedButton1 = platform::named<QPushButton>("SpeedButton1");
    platform::setCaption(SpeedButton1, "&A`uriraj");
    SpeedButton1->setFlat(true);
    SpeedButton1->setAutoDefault(false);
    SpeedButton4 = platform::named<QPushButton>("SpeedButton4");
    platform::setCaption(SpeedButton4, "&Zatvori");
    SpeedButton4->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(SpeedButton1);
    buttons->addWidget(SpeedButton4);
    layout->addLayout(buttons);
    // The label names the button's shortcut; with the button as its buddy the "&" marks it.
    Label2->setBuddy(SpeedButton1);

    StatusBar1 = new platform::PanelStatusBar({620}, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    layout->addWidget(StatusBar1);

    connect(SpeedButton1, &QPushButton::clicked, this, &Tupdater::SpeedButton1Click);
    connect(SpeedButton4, &QPushButton::clicked, this, &Tupdater::SpeedButton4Click);
    ZipArchive1.OnDecompressFile = [this](qint64 current, qint64 total) { ZipArchive1DecompressFile(current, total); };
}

void Tupdater::FormCreate()
{
    m_dbeUtil = std::make_unique<TDBEUtil>();
    const QFont uiFont(appvalues::UIFontName);
    setFont(uiFont);
    SpeedButton1->setFont(uiFont);
    QFont bold = uiFont;
    bold.setBold(true);
    Label1->setFont(bold);
    SpeedButton1->setFont(bold);

    m_account = updates::updateAccount();
    takeProxyFromMainWindow();
    setFtpClient(updates::makeFtpClient(m_account));
    updates::renameShortNames(updates::downloadFolder());
}

// The proxy is taken once, at program start: a proxy changed later counts from the next start.
void Tupdater::takeProxyFromMainWindow()
{
    if (Form1 == nullptr || !Form1->CheckBox4->isChecked()) {
        return;
    }
    // The field shows YUSCII as letters ("@" as "Ž"); the address is what the field holds, as the
    // main window saves it.
    m_account.proxyHost = QString::fromLatin1(platform::fromScreen(Form1->Edit14->text())).trimmed();
    if (Form1->cfg.size() > 4 && LenientStrToInt(QString::fromLatin1(Form1->cfg[4])) != 0) {
        // A port that is no number leaves the proxy's usual port rather than stopping the
        // window's set-up.
        bool ok = false;
        const int port = Form1->Edit15->text().trimmed().toInt(&ok);
        if (ok) {
            m_account.proxyPort = port;
        }
    }
}

void Tupdater::setFtpClient(std::unique_ptr<updates::FtpClient> client)
{
    m_ftp = std::move(client);
    connectFtpEvents();
}

void Tupdater::connectFtpEvents()
{
    m_ftp->onConnected = [this] { FtpClient1Connect(); };
    m_ftp->onTransferStart = [this](qint64 total) { FtpClient1TransactionStart(total); };
    m_ftp->onPacketReceived = [this](qint64 received) { FtpClient1PacketRecvd(received); };
    m_ftp->onListItem = [this](const QByteArray& name) { FtpClient1ListItem(name); };
}

void Tupdater::showUpdater()
{
    exec();
}

void Tupdater::SpeedButton4Click()
{
    close();
}

// A window hidden while its run goes on would free the main window over tables being installed,
// and a program closed meanwhile would save its lists before the install ended. So the run is
// always seen to its end; the run itself pauses while the word is read.
void Tupdater::reject()
{
    if (!refuseClosing()) {
        QDialog::reject();
    }
}

bool Tupdater::refuseClosing()
{
    if (m_running) {
        platform::prompter().message("A`uriranje je u toku. Prozor mo`e da se zatvori kada se a`uriranje zavr{i.");
    }
    return m_running;
}

void Tupdater::setStatus(const QByteArray& text)
{
    StatusBar1->setPanelText(0, text);
}

void Tupdater::FtpClient1Connect()
{
    setStatus("Konekcija otvorena");
}

void Tupdater::FtpClient1TransactionStart(qint64 total)
{
    // Sizes past what the bar holds are shown in kilobytes.
    const bool large = total > std::numeric_limits<int>::max();
    ProgressBar1->setRange(0, int(large ? total / 1024 : total));
    ProgressBar1->setProperty("kilobytes", large);
    ProgressBar1->setValue(0);
    setStatus(QByteArray::number(total));
}

void Tupdater::FtpClient1PacketRecvd(qint64 received)
{
    const bool large = ProgressBar1->property("kilobytes").toBool();
    ProgressBar1->setValue(int(std::min<qint64>(large ? received / 1024 : received, ProgressBar1->maximum())));
    setStatus(QByteArray::number(received));
}

void Tupdater::FtpClient1ListItem(const QByteArray& name)
{
    switch (updates::classifyListedName(name)) {
    case updates::ListedName::Taken:
        ListBox3.append(name);
        break;
    case updates::ListedName::Unsafe:
        logLine(" preskocen nedozvoljen naziv: " + name);
        break;
    case updates::ListedName::NotOurs:
        break;
    }
    setStatus("Preuzimanje spiska datoteka");
}

// The bar shows how far the entry being extracted has come.
void Tupdater::ZipArchive1DecompressFile(qint64 current, qint64 total)
{
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(total > 0 ? int(std::min<qint64>(100, current * 100 / total)) : 100);
}
