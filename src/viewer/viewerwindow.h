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

    platform::PanelStatusBar* StatusBar1 = nullptr;
    TPreviewPrinter* PreviewPrinter1 = nullptr;
};

extern TForm3* Form3;
