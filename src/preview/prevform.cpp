#include "prevform.h"

#include "appvalues.h"
#include "pagegeometry.h"
#include "pagepicture.h"
#include "prevprinter.h"
#include "prompter.h"
#include "screentext.h"
#include "usermessages.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

using preview::DeviceMetrics;

namespace {

// The paint box the page is drawn in; the window paints it and handles its clicks.
class PageView final : public QWidget {
public:
    std::function<void(QPainter&)> paint;
    std::function<void(QPoint, Qt::MouseButtons)> press;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        paint(painter);
    }
    void mousePressEvent(QMouseEvent* event) override { press(event->position().toPoint(), event->buttons()); }
};

QCursor zoomCursor()
{
    // A magnifying glass whose centre is the hot spot.
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 4));
    painter.drawEllipse(QPoint(12, 12), 8, 8);
    painter.drawLine(18, 18, 28, 28);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawEllipse(QPoint(12, 12), 8, 8);
    painter.drawLine(18, 18, 28, 28);
    painter.end();
    return QCursor(pixmap, 12, 12);
}

QToolButton* toolButton(QWidget* parent, const char* name, const char* tip)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(QLatin1String(tip));
    return button;
}

QToolButton* moveButton(QWidget* parent, const char* name, QStyle::StandardPixmap glyph, const char* tip)
{
    QToolButton* button = toolButton(parent, name, tip);
    button->setIcon(parent->style()->standardIcon(glyph));
    return button;
}

QPushButton* pushButton(QWidget* parent, const char* name, const QByteArray& caption)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    platform::setCaption(button, caption);
    return button;
}

} // namespace

TPreviewForm::TPreviewForm(TPreviewPrinter* printer, QWidget* parent) : QDialog(parent), PreviewPrinter(printer)
{
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(platform::toScreen(platform::applicationTitle()));
    setFont(QFont(appvalues::UIFontName, font().pointSize()));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildToolBar();
    buildView();
    buildStatusBar();
    selectZoomItem(preview::kFitPageItem);
    setWindowState(Qt::WindowMaximized);
    ScrollBox1->viewport()->installEventFilter(this);
}

TPreviewForm::~TPreviewForm()
{
    restoreHints();
}

void TPreviewForm::buildToolBar()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    PrintBut = pushButton(bar, "PrintBut", "[tam&pa");
    PrevPageBut = pushButton(bar, "PrevPageBut", "Pre&thodna");
    PrevPageBut->setEnabled(false);
    NextPageBut = pushButton(bar, "NextPageBut", "&Slede}a");
    ZoomBox = new QComboBox(bar);
    ZoomBox->setObjectName(QStringLiteral("ZoomBox"));
    for (const char* item : {"Cela strana", "Puna {irina", "Korisni~ki", "25%", "50%", "75%", "100%", "125%", "150%",
                             "200%", "300%", "400%"}) {
        ZoomBox->addItem(platform::toScreen(item));
    }
    FitPageBut = toolButton(bar, "FitPageBut", "Fit to Page");
    FitPageBut->setText(QStringLiteral("[ ]"));
    FitPageBut->setCheckable(true);
    FitWidthBut = toolButton(bar, "FitWidthBut", "Fit to Width");
    FitWidthBut->setText(QStringLiteral("|<>|"));
    FitWidthBut->setCheckable(true);
    // Their captions are drawings made of brackets and bars, which the interface font draws as
    // the YUSCII letters (Š, Ć, đ): they keep the system's font.
    QFont system = QApplication::font();
    system.setFamily(system.family());
    for (QToolButton* b : {FitPageBut, FitWidthBut}) {
        b->setFont(system);
    }
    ZoomCursorBut = toolButton(bar, "ZoomCursorBut", "Selects the Zoom Tool to zoom in or out");
    ZoomCursorBut->setIcon(QIcon(zoomCursor().pixmap()));
    ZoomCursorBut->setCheckable(true);
    ZoomCursorBut->setChecked(true);
    CloseBut = pushButton(bar, "CloseBut", "&Zatvori");
    for (QWidget* w : std::initializer_list<QWidget*>{PrintBut, PrevPageBut, NextPageBut, ZoomBox, FitPageBut,
                                                      FitWidthBut, ZoomCursorBut, CloseBut}) {
        row->addWidget(w);
    }
    row->addStretch(1);
    static_cast<QVBoxLayout*>(this->layout())->addWidget(bar);

    connect(PrintBut, &QPushButton::clicked, this, &TPreviewForm::printClick);
    connect(PrevPageBut, &QPushButton::clicked, this, [this] { ShowPage(m_curPage - 1); });
    connect(NextPageBut, &QPushButton::clicked, this, [this] { ShowPage(m_curPage + 1); });
    connect(ZoomBox, &QComboBox::currentIndexChanged, this, &TPreviewForm::zoomBoxChange);
    connect(FitPageBut, &QToolButton::clicked, this, [this] {
        selectZoomItem(preview::kFitPageItem);
        zoomBoxChange();
    });
    connect(FitWidthBut, &QToolButton::clicked, this, [this] {
        selectZoomItem(preview::kFitWidthItem);
        zoomBoxChange();
    });
    // The zoom tool is the only tool there is: it stays down.
    connect(ZoomCursorBut, &QToolButton::clicked, this, [this] { ZoomCursorBut->setChecked(true); });
    connect(CloseBut, &QPushButton::clicked, this, &QDialog::reject);
}

void TPreviewForm::buildView()
{
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setWidgetResizable(false);
    ContainPanel = new QWidget;
    ContainPanel->setObjectName(QStringLiteral("ContainPanel"));
    ContainPanel->setAutoFillBackground(true);
    QPalette grey = ContainPanel->palette();
    grey.setColor(QPalette::Window, grey.color(QPalette::Dark));
    ContainPanel->setPalette(grey);
    PagePanel = new QFrame(ContainPanel);
    PagePanel->setObjectName(QStringLiteral("PagePanel"));
    PagePanel->setFrameStyle(QFrame::Box | QFrame::Plain);
    PagePanel->setAutoFillBackground(true);
    QPalette white = PagePanel->palette();
    white.setColor(QPalette::Window, Qt::white);
    PagePanel->setPalette(white);
    auto* view = new PageView;
    view->setObjectName(QStringLiteral("PB1"));
    view->setCursor(zoomCursor());
    view->paint = [this](QPainter& painter) { paintPage(painter); };
    view->press = [this](QPoint pos, Qt::MouseButtons buttons) {
        if (ZoomCursorBut->isChecked()) {
            ZoomToolClick(pos, buttons);
        }
    };
    PB1 = view;
    auto* fill = new QVBoxLayout(PagePanel);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(PB1);
    ScrollBox1->setWidget(ContainPanel);
    static_cast<QVBoxLayout*>(layout())->addWidget(ScrollBox1, 1);
}

void TPreviewForm::buildStatusBar()
{
    auto* bar = new QStatusBar(this);
    bar->setSizeGripEnabled(false);
    FirstPageSpeed = moveButton(bar, "FirstPageSpeed", QStyle::SP_MediaSkipBackward, "Go to First Page in Document");
    PrevPageSpeed = moveButton(bar, "PrevPageSpeed", QStyle::SP_MediaSeekBackward, "Move to Previous Page in Document");
    NextPageSpeed = moveButton(bar, "NextPageSpeed", QStyle::SP_MediaSeekForward, "Advance to Next Page in Document");
    LastPageSpeed = moveButton(bar, "LastPageSpeed", QStyle::SP_MediaSkipForward, "Go to Last Page in Document");
    CurPageLabel = new QLabel(bar);
    CurPageLabel->setObjectName(QStringLiteral("CurPageLabel"));
    ZoomLabel = new QLabel(bar);
    ZoomLabel->setObjectName(QStringLiteral("ZoomLabel"));
    for (QWidget* w : std::initializer_list<QWidget*>{FirstPageSpeed, PrevPageSpeed, NextPageSpeed, LastPageSpeed,
                                                      CurPageLabel, ZoomLabel}) {
        bar->addWidget(w);
    }
    bar->addWidget(new QLabel(bar), 1);
    static_cast<QVBoxLayout*>(layout())->addWidget(bar);

    connect(FirstPageSpeed, &QToolButton::clicked, this, [this] { ShowPage(0); });
    connect(PrevPageSpeed, &QToolButton::clicked, this, [this] { ShowPage(m_curPage - 1); });
    connect(NextPageSpeed, &QToolButton::clicked, this, [this] { ShowPage(m_curPage + 1); });
    connect(LastPageSpeed, &QToolButton::clicked, this, [this] { ShowPage(PreviewPrinter->PageCount() - 1); });
}

void TPreviewForm::setCustomZoom(double zoom)
{
    m_zoom = zoom;
    selectZoomItem(preview::kCustomItem);
}

void TPreviewForm::selectZoomItem(int item)
{
    const QSignalBlocker quiet(ZoomBox);
    ZoomBox->setCurrentIndex(item);
}

void TPreviewForm::zoomBoxChange()
{
    // Twice: the first pass may bring or take away scroll bars, which changes the view.
    LayoutPage();
    LayoutPage();
}

void TPreviewForm::ShowPage(int index)
{
    m_curPage = index;
    CurPageLabel->setText(QStringLiteral("Strana %1 od %2").arg(index + 1).arg(PreviewPrinter->PageCount()));
    PB1->update();
    UpdateButtons();
}

void TPreviewForm::UpdateButtons()
{
    const bool next = PreviewPrinter->PageCount() > m_curPage + 1;
    const bool prev = m_curPage > 0;
    NextPageBut->setEnabled(next);
    NextPageSpeed->setEnabled(next);
    LastPageSpeed->setEnabled(next);
    PrevPageBut->setEnabled(prev);
    PrevPageSpeed->setEnabled(prev);
    FirstPageSpeed->setEnabled(prev);
}

void TPreviewForm::LayoutPage()
{
    // Sizing the field can show or hide scroll bars, which resizes the view and asks for another
    // layout; that one runs after this one, a bounded number of times.
    if (m_layingOut) {
        m_layoutAgain = true;
        return;
    }
    m_layingOut = true;
    for (int pass = 0; pass < 3; ++pass) {
        m_layoutAgain = false;
        layoutOnce();
        if (!m_layoutAgain) {
            break;
        }
    }
    m_layingOut = false;
}

namespace {

// A component that never recorded a page has no sheet yet; show a Letter sheet.
DeviceMetrics sheetOf(const TPreviewPrinter& printer, int ppi)
{
    const DeviceMetrics& m = printer.Metrics();
    return m.LOGPIXELSX > 0 && m.LOGPIXELSY > 0 && m.PHYSICALWIDTH > 0 ? m : preview::letterSheet(ppi, ppi);
}

} // namespace

void TPreviewForm::layoutOnce()
{
    const int item = ZoomBox->currentIndex();
    FitPageBut->setChecked(item == preview::kFitPageItem);
    FitWidthBut->setChecked(item == preview::kFitWidthItem);
    if (item < 0) {
        selectZoomItem(preview::kFitPageItem);
    }
    const QSize view = ScrollBox1->viewport()->size();
    const int ppi = logicalDpiX();
    const DeviceMetrics sheet = sheetOf(*PreviewPrinter, ppi);
    m_zoom = preview::itemZoom(item, m_zoom, view, ppi, sheet);
    const preview::PreviewGeometry g = preview::previewGeometry(m_zoom, view, ppi, sheet);
    ContainPanel->resize(g.field);
    PagePanel->setGeometry(QRect(g.panelPos, g.panel));
    ZoomLabel->setText(preview::zoomLabelText(m_zoom));
}

void TPreviewForm::paintPage(QPainter& painter)
{
    if (m_curPage < 0 || m_curPage >= PreviewPrinter->PageCount()) {
        return;
    }
    // The recorded page is the whole sheet in device pixels; it fills the view, so the page shows
    // in the sheet's own proportions.
    const DeviceMetrics sheet = sheetOf(*PreviewPrinter, logicalDpiX());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(double(PB1->width()) / sheet.PHYSICALWIDTH, double(PB1->height()) / sheet.PHYSICALHEIGHT);
    preview::playPicture(painter, PreviewPrinter->Pages(m_curPage));
}

void TPreviewForm::ZoomToolClick(QPoint pos, Qt::MouseButtons buttons)
{
    const double fx = double(pos.x()) / PagePanel->width();
    const double fy = double(pos.y()) / PagePanel->height();
    if (buttons & Qt::LeftButton) {
        m_zoom *= 1.5;
    }
    if (buttons & Qt::RightButton) {
        m_zoom /= 1.5;
    }
    selectZoomItem(preview::kCustomItem);
    LayoutPage();
    ScrollBox1->horizontalScrollBar()->setValue(int(PagePanel->width() * fx) - ScrollBox1->width() / 2);
    ScrollBox1->verticalScrollBar()->setValue(int(PagePanel->height() * fy) - ScrollBox1->height() / 2);
}

void TPreviewForm::printClick()
{
    // A printer failure is reported as any unhandled failure is; the preview stays open.
    try {
        PreviewPrinter->Print(this);
    } catch (const std::exception& e) {
        platform::prompter().error(data::userMessage(e));
    }
    PB1->update();
}

void TPreviewForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    ShowPage(0);
    // No hint of the preview's controls reaches the status bars behind it; tooltips still show.
    if (!m_savedHints) {
        m_savedHints = platform::setHintHandler(platform::HintHandler());
    }
}

void TPreviewForm::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous()) {
        restoreHints();
    }
    QDialog::hideEvent(event);
}

void TPreviewForm::restoreHints()
{
    if (m_savedHints) {
        platform::setHintHandler(std::move(*m_savedHints));
        m_savedHints.reset();
    }
}

bool TPreviewForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ScrollBox1->viewport() && event->type() == QEvent::Resize) {
        LayoutPage();
    }
    return QDialog::eventFilter(watched, event);
}
