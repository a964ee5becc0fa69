#pragma once

// The windows opened over the current document: the viewer, the selection list, the notes, the
// attachments and the relations. Each is created once at program start and shown modally.

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

class Tselekt final : public QDialog {
    Q_OBJECT
public:
    explicit Tselekt(QWidget* parent = nullptr);
};

class TForm5 final : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);
};

class Tdokumenti final : public QDialog {
    Q_OBJECT
public:
    explicit Tdokumenti(QWidget* parent = nullptr);
};

class Trelacije final : public QDialog {
    Q_OBJECT
public:
    explicit Trelacije(QWidget* parent = nullptr);
};

extern TForm3* Form3;
extern Tselekt* selekt;
extern TForm5* Form5;
extern Tdokumenti* dokumenti;
extern Trelacije* relacije;
