#pragma once

// The viewer: one regulation or opinion, the current record of the main window's regulations or
// opinions table, with find, the articles list, the script switch, copy and printing.

#include <QDialog>

class TPreviewPrinter;

namespace platform {
class PanelStatusBar;
}

class TForm3 final : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    // Which table the text is bound to: the opinions (true) or the regulations.
    bool showsOpinion() const { return m_showsOpinion; }
    void setShowsOpinion(bool opinion) { m_showsOpinion = opinion; }

    platform::PanelStatusBar* StatusBar1 = nullptr;
    TPreviewPrinter* PreviewPrinter1 = nullptr;

private:
    bool m_showsOpinion = false;
};

extern TForm3* Form3;
