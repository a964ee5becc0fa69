#pragma once

// The page set-up dialog "Page Setup": edits a page printer's TextOptions, Units and Orientation
// and stores its control values as defaults. The program never shows it; every page printer uses
// it hidden, at its creation, to apply the stored defaults over its designed options.

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TFontDialog;
class TFormSettings;
class TPreviewPrinter;

class TPageSetupForm final : public QDialog {
    Q_OBJECT
public:
    explicit TPageSetupForm(QWidget* parent = nullptr);
    ~TPageSetupForm() override;

    // The printer whose options the dialog edits.
    void setPrinter(TPreviewPrinter* printer) { m_printer = printer; }

    // Options to controls, the stored control values over them, controls back to options; shows
    // nothing.
    void LoadDefaults();
    void OptionsToControls();
    // A margin that is no number, or a group with no button checked, leaves its option as it was.
    void ControlsToOptions();

    // "Page Margins"
    QRadioButton* InchBut = nullptr;
    QRadioButton* CentBut = nullptr;
    QLineEdit* LeftEdit = nullptr;
    QLineEdit* RightEdit = nullptr;
    QLineEdit* TopEdit = nullptr;
    QLineEdit* BotEdit = nullptr;
    // "Page Orientation"
    QRadioButton* PortBut = nullptr;
    QRadioButton* LandBut = nullptr;
    QWidget* PortraitShape = nullptr;
    QWidget* LandscapeShape = nullptr;
    // "Page Number Options"
    QRadioButton* PageBotBut = nullptr;
    QRadioButton* PageTopBut = nullptr;
    QRadioButton* PageNoneBut = nullptr;
    QRadioButton* PageLeftBut = nullptr;
    QRadioButton* PageCenterBut = nullptr;
    QRadioButton* PageRightBut = nullptr;
    QLineEdit* PageNumEdit = nullptr;
    QPushButton* PageNumFontBut = nullptr;
    TFontDialog* PageNumFontDialog = nullptr;
    // "Header Options"
    QLineEdit* HeaderEdit = nullptr;
    QLineEdit* HdrMarginEdit = nullptr;
    QRadioButton* HdrLeftBut = nullptr;
    QRadioButton* HdrCenterBut = nullptr;
    QRadioButton* HdrRightBut = nullptr;
    QPushButton* HdrFontBut = nullptr;
    TFontDialog* HeaderFontDialog = nullptr;
    // "Footer Options"
    QLineEdit* FooterEdit = nullptr;
    QLineEdit* FtrMarginEdit = nullptr;
    QRadioButton* FtrLeftBut = nullptr;
    QRadioButton* FtrCenterBut = nullptr;
    QRadioButton* FtrRightBut = nullptr;
    QPushButton* FtrFontBut = nullptr;
    TFontDialog* FooterFontDialog = nullptr;

    QPushButton* PrinterSetupBut = nullptr;
    QPushButton* OKBut = nullptr;
    QPushButton* CancelBut = nullptr;
    QPushButton* DefaultBut = nullptr;

    TFormSettings* FormSettings1 = nullptr;

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildMargins(QWidget* parent);
    void buildOrientation(QWidget* parent);
    void buildPageNumber(QWidget* parent);
    void buildHeaderFooter(QWidget* parent, bool header);
    void setDefaultClick();

    TPreviewPrinter* m_printer = nullptr;
    QGroupBox* m_marginsGroup = nullptr;
    QGroupBox* m_orientationGroup = nullptr;
    QWidget* m_pageNumPlacePanel = nullptr;
    QWidget* m_pageNumAlignPanel = nullptr;
    QGroupBox* m_headerGroup = nullptr;
    QGroupBox* m_footerGroup = nullptr;
};
