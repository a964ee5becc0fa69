#pragma once

// The preview window: one page of a page printer's document at a time on a grey field, zoomed to
// fit the page, its width, a fixed percentage or by clicks of the zoom tool, with page navigation
// and a print button. Created for one preview, shown modally, destroyed after closing.

#include "hints.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QScrollArea;
class QToolButton;
class TPreviewPrinter;

class TPreviewForm final : public QDialog {
    Q_OBJECT
public:
    explicit TPreviewForm(TPreviewPrinter* printer, QWidget* parent = nullptr);
    ~TPreviewForm() override;

    // Tool bar
    QPushButton* PrintBut = nullptr;
    QPushButton* PrevPageBut = nullptr;
    QPushButton* NextPageBut = nullptr;
    QComboBox* ZoomBox = nullptr;
    QToolButton* FitPageBut = nullptr;
    QToolButton* FitWidthBut = nullptr;
    QToolButton* ZoomCursorBut = nullptr;
    QPushButton* CloseBut = nullptr;
    // Status bar
    QToolButton* FirstPageSpeed = nullptr;
    QToolButton* PrevPageSpeed = nullptr;
    QToolButton* NextPageSpeed = nullptr;
    QToolButton* LastPageSpeed = nullptr;
    QLabel* CurPageLabel = nullptr;
    QLabel* ZoomLabel = nullptr;
    // The grey field in its scroll box, the sheet on it and the view the page is painted in
    QScrollArea* ScrollBox1 = nullptr;
    QWidget* ContainPanel = nullptr;
    QFrame* PagePanel = nullptr;
    QWidget* PB1 = nullptr;

    TPreviewPrinter* PreviewPrinter = nullptr;

    int CurPage() const { return m_curPage; }
    // 1.0 shows the sheet at its real size on the screen.
    double Zoom() const { return m_zoom; }
    // Selects "Korisni~ki" at the given zoom.
    void setCustomZoom(double zoom);

    void ShowPage(int index);
    // Enables the moves that stay within the document.
    void UpdateButtons();
    // Sizes and places the sheet for the chosen zoom item and the size of the view.
    void LayoutPage();
    // A click of the zoom tool at `pos` on the page: left zooms in, right zooms out, and the view
    // is centred on the clicked point.
    void ZoomToolClick(QPoint pos, Qt::MouseButtons buttons);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolBar();
    void buildStatusBar();
    void buildView();
    void zoomBoxChange();
    void selectZoomItem(int item);
    void layoutOnce();
    void paintPage(QPainter& painter);
    void printClick();
    void restoreHints();

    int m_curPage = 0;
    double m_zoom = 0.0;
    bool m_layingOut = false;
    bool m_layoutAgain = false;
    // The application's hint handler while the window shows an empty one in its place.
    std::optional<platform::HintHandler> m_savedHints;
};
