#include "startupwindow.h"

#include "appvalues.h"
#include "clipboard.h"
#include "hints.h"
#include "configfile.h"
#include "fileversion.h"
#include "fonts.h"
#include "listfiles.h"
#include "paths.h"
#include "prompter.h"
#include "registry.h"
#include "screentext.h"
#include "session.h"
#include "singleinstance.h"
#include "usermessages.h"
#include "sessionsetup.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLibrary>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QThread>
#include <QTimer>

TForm2* Form2 = nullptr;

namespace {

const QString kEngineKey = QStringLiteral("SOFTWARE\\DBE\\Database Engine");

// Our own splash picture, drawn rather than stored.
QPixmap splashPicture()
{
    QPixmap pixmap(549, 288);
    QPainter p(&pixmap);
    QLinearGradient gradient(0, 0, 0, 288);
    gradient.setColorAt(0, QColor(20, 48, 96));
    gradient.setColorAt(1, QColor(70, 110, 170));
    p.fillRect(pixmap.rect(), gradient);
    p.setPen(Qt::white);
    QFont title(appvalues::UIFontName.isEmpty() ? QStringLiteral("Sans Serif") : appvalues::UIFontName, 30, QFont::Bold);
    p.setFont(title);
    p.drawText(QRect(24, 60, 500, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Elektronski Korvelin"));
    title.setPointSize(12);
    title.setBold(false);
    p.setFont(title);
    p.drawText(QRect(26, 120, 500, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Propisi, mišljenja i tipski ugovori"));
    p.drawText(QRect(26, 236, 340, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Dremvalo d.o.o."));
    return pixmap;
}

} // namespace

StartupTiming& startupTiming()
{
    static StartupTiming timing;
    return timing;
}

TForm2::TForm2(QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint)
{
    Form2 = this;
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Startup"));
    setFixedSize(549, 288);

    Image1 = platform::named<QLabel>("Image1", this);
    Image1->setGeometry(0, 0, 549, 288);
    Image1->installEventFilter(this);

    ProgressBar1 = platform::named<QProgressBar>("ProgressBar1", this);
    ProgressBar1->setGeometry(376, 237, 163, 21);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->installEventFilter(this);

    Timer1 = platform::named<QTimer>("Timer1", this);
    Timer1->setInterval(startupTiming().tickMs);
    connect(Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);

    FormCreate();
}

TForm2::~TForm2()
{
    if (Form2 == this) {
        Form2 = nullptr;
    }
}

void TForm2::FormCreate()
{
    engine::session().setNetworkDirectory(platform::programFolder());
    appvalues::DateSeparator = '/';
    appvalues::ShortDateFormat = QStringLiteral("dd/MM/yyyy");
    appvalues::LongDateFormat = appvalues::ShortDateFormat;

    m_mutex = std::make_unique<platform::NamedMutex>(QStringLiteral("KorvelinMutex"));
    if (m_mutex->alreadyExisted()) {
        m_terminate = true;
        platform::prompter().message(
            "Korvelin je vec startovan. Pritisnite taster OK za prekid startovanja nove instance.");
    }

    m_startupReady = false;
    if (!GetDBERegistryInfo()) {
        instalirajDBE();
    }
    try {
        data::setUpSession(platform::programFolder());
    } catch (const std::exception& e) {
        // Without the session nothing further can start: the failure is shown and the splash
        // never advances, so the main window never opens over tables it cannot read.
        platform::prompter().error(data::userMessage(e));
        return;
    }
    pocetak();
    readDataVersion();
    if (!m_terminate) {
        show();
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            move(screen->geometry().center() - rect().center());
        }
    }
}

void TForm2::pocetak()
{
    QApplication::setApplicationName(QString::fromLatin1(appvalues::ApplicationTitle));
    platform::setApplicationTitle(appvalues::ApplicationTitle);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [](Qt::ApplicationState state) {
        if (state == Qt::ApplicationInactive) {
            platform::appclear();
        }
    });
    installfonts();
    m_startupReady = true;
    Timer1->start();
}

void TForm2::installfonts()
{
    const platform::FontNames names = platform::makeFontsAvailable(platform::programFolder());
    appvalues::LatinFontName = names.latin;
    appvalues::CyrillicFontName = names.cyrillic;
    appvalues::UIFontName = names.ui;
    Image1->setPixmap(splashPicture());
}

void TForm2::uninstallfonts()
{
    platform::ApplicationFontTable table;
    platform::uninstallFonts(table, platform::programFolder());
}

void TForm2::ChangeAlias()
{
    engine::Session& session = engine::session();
    const QString expected = platform::programFolder() + QLatin1String(data::DataFolderName);
    if (!session.hasAlias("Zakoni")) {
        session.addStandardAlias(data::DatabaseAlias, expected, "Paradox");
    }
    const QString path = session.aliasFolder(data::DatabaseAlias).left(255);
    if (path.toUpper() == expected.toUpper()) {
        return;
    }
    const auto confirmed = platform::prompter().input(
        "Potvrdite tacnu putanju ka podacima", "Direktorijum podaci:",
        (platform::programFolder() + QStringLiteral("podatci")).toLocal8Bit());
    if (!confirmed) {
        closeStartup();
        return;
    }
    session.deleteAlias(data::DatabaseAlias);
    session.addStandardAlias(data::DatabaseAlias, QString::fromLocal8Bit(*confirmed), "Paradox");
}

void TForm2::readDataVersion()
{
    const QString path = platform::programFolder() + QLatin1String(configfile::FileName);
    if (!QFile::exists(path)) {
        return;
    }
    bool readable = false;
    ff = listfiles::load(path, &readable);
    if (!readable) {
        platform::prompter().error("Datoteka " + path.toLocal8Bit() +
                                   " ne mo`e da se pro~ita.\r\nProverite prava pristupa folderu programa.");
        return;
    }
    appvalues::DataVersion = configfile::dataVersion(ff);
}

bool TForm2::GetDBERegistryInfo()
{
    return platform::RegistryKey::open(platform::Hive::LocalMachine, kEngineKey, false).has_value();
}

void TForm2::instalirajDBE()
{
    QLibrary library(platform::programFolder() + QStringLiteral("DBEinst.dll"));
    if (!library.load()) {
        platform::prompter().message("DBELoadLibrary failed");
        return;
    }
    using RegisterServer = long (*)();
    auto registerServer = reinterpret_cast<RegisterServer>(library.resolve("DllRegisterServer"));
    if (registerServer == nullptr) {
        platform::prompter().message("DBEGetDLLFunction failed");
    } else {
        registerServer();
    }
    library.unload();
}

QString TForm2::GetFileVersionStr(const QString& fileName)
{
    if (platform::versionInfoSize(fileName) == 0) {
        return {};
    }
    return platform::readVersionInfo(fileName).value(QStringLiteral("StringFileInfo\\040904E4\\FileVersion"));
}

void TForm2::Timer1Timer()
{
    ProgressBar1->setValue(std::min(ProgressBar1->maximum(), ProgressBar1->value() + 10));
    if (ProgressBar1->value() <= 90) {
        return;
    }
    Timer1->stop();
    QThread::msleep(static_cast<unsigned long>(startupTiming().waitMs));
    Image1Click();
}

void TForm2::Image1Click()
{
    if (Form1 != nullptr && Form1->StatusBar1 != nullptr) {
        platform::setHintHandler([](const QByteArray& hint) {
            if (Form1 != nullptr) {
                Form1->dohints(hint);
            }
        });
    }

    bool proceed = true;
    QString folder;
    if (auto key = platform::RegistryKey::open(platform::Hive::LocalMachine, kEngineKey, false)) {
        folder = key->readString(QStringLiteral("DLLPATH"));
        if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))) {
            folder.chop(1);
        }
    }
    const QString version = GetFileVersionStr(folder + QStringLiteral("/DBENGINE32.DLL"));
    if (!version.isEmpty() && version != QLatin1String("5.1.1.1") && version != QLatin1String("5.2.0.2")) {
        proceed = platform::prompter().confirm(
            "Verzija DBE-a na vasem sistemu (" + version.toLatin1() +
            ") se razlikuje od verzija dosad prilozenih uz Elektronski Korvelin (5.1.1.1 i 5.2.0.2)\r\n"
            "Najcesci uzrok je postojanje neke druge DBE aplikacije na Vasem sistemu pre instalacije Korvelina.\r\n"
            "\r\n"
            "Zelite li da nastavite sa startovanjem?");
    }
    if (!proceed) {
        closeStartup();
        return;
    }
    if (m_startupReady && ProgressBar1->value() == ProgressBar1->maximum()) {
        handOver();
    }
}

void TForm2::handOver()
{
    // A message box shown while the windows were still being created runs the splash timer too;
    // the main window waits for the last window before it shows.
    if (!m_allWindowsCreated) {
        m_handOverPending = true;
        return;
    }
    if (Form1 == nullptr || Form1->isVisible()) {
        return;
    }
    Form1->showModal();
}

void TForm2::allWindowsCreated()
{
    m_allWindowsCreated = true;
    if (m_handOverPending) {
        m_handOverPending = false;
        QTimer::singleShot(0, this, &TForm2::handOver);
    }
}

void TForm2::stopSplashTimer()
{
    Timer1->stop();
}

void TForm2::closeStartup()
{
    close();
    emit closed();
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && (watched == Image1 || watched == ProgressBar1)) {
        Image1Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
