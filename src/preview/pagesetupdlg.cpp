#include "pagesetupdlg.h"

#include "formsettings.h"
#include "pagegeometry.h"
#include "prevprinter.h"
#include "printerenv.h"
#include "prompter.h"

#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <optional>

namespace {

const char* const kTag = "tag";

// Radio buttons behave as in a group of their parent: checking one unchecks its siblings, and a
// button can also be unchecked by the program, leaving none checked.
QRadioButton* radioButton(QWidget* parent, const char* name, const char* caption, int tag)
{
    auto* button = new QRadioButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QLatin1String(name));
    button->setProperty(kTag, tag);
    button->setAutoExclusive(false);
    QObject::connect(button, &QRadioButton::toggled, button, [button](bool on) {
        if (!on) {
            return;
        }
        for (QRadioButton* sibling : button->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
            if (sibling != button) {
                sibling->setChecked(false);
            }
        }
    });
    // A click on the checked button leaves it checked.
    QObject::connect(button, &QRadioButton::clicked, button, [button] { button->setChecked(true); });
    parent->layout()->addWidget(button);
    return button;
}

void checkTag(QWidget* group, int tag)
{
    for (QRadioButton* button : group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
        if (button->property(kTag).toInt() == tag) {
            button->setChecked(true);
        }
    }
}

// The tag of the last checked button of the group, when it stands for one of `count` values.
std::optional<int> checkedTag(QWidget* group, int count)
{
    int tag = -1;
    for (QRadioButton* button : group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
        if (button->isChecked()) {
            tag = button->property(kTag).toInt();
        }
    }
    return tag >= 0 && tag < count ? std::optional<int>(tag) : std::nullopt;
}

QLineEdit* labelledEdit(QWidget* parent, QFormLayout* form, const char* name, const char* caption)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setBuddy(edit);
    form->addRow(label, edit);
    return edit;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption)
{
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QString fontCaption(const QFont& font)
{
    return QStringLiteral("%1 %2 pt").arg(font.family()).arg(font.pointSize());
}

void readMargin(const QLineEdit* edit, double& value)
{
    if (const std::optional<double> number = preview::readNumber(edit->text())) {
        value = *number;
    }
}

} // namespace

TPageSetupForm::TPageSetupForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PageSetupForm"));
    setWindowTitle(QStringLiteral("Page Setup"));
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);

    buildMargins(this);
    left->addWidget(m_marginsGroup);
    buildOrientation(this);
    left->addWidget(m_orientationGroup);
    auto* pageNumber = new QGroupBox(QStringLiteral("Page Number Options"), this);
    buildPageNumber(pageNumber);
    left->addWidget(pageNumber);
    buildHeaderFooter(this, true);
    right->addWidget(m_headerGroup);
    buildHeaderFooter(this, false);
    right->addWidget(m_footerGroup);

    auto* buttons = new QHBoxLayout;
    PrinterSetupBut = button(this, "PrinterSetupBut", "Printer &Setup...");
    OKBut = button(this, "OKBut", "OK");
    OKBut->setDefault(true);
    CancelBut = button(this, "CancelBut", "Cancel");
    DefaultBut = button(this, "DefaultBut", "Set &Default");
    for (QPushButton* b : {PrinterSetupBut, OKBut, CancelBut, DefaultBut}) {
        buttons->addWidget(b);
    }
    right->addLayout(buttons);
    connect(PrinterSetupBut, &QPushButton::clicked, this,
            [this] { platform::printerEnvironment().choosePrinter(this); });
    connect(OKBut, &QPushButton::clicked, this, &TPageSetupForm::accept);
    connect(CancelBut, &QPushButton::clicked, this, &TPageSetupForm::reject);
    connect(DefaultBut, &QPushButton::clicked, this, &TPageSetupForm::setDefaultClick);

    FormSettings1 = new TFormSettings(this);
    FormSettings1->setLoadValues(true);
    FormSettings1->Loaded();
}

TPageSetupForm::~TPageSetupForm() = default;

void TPageSetupForm::buildMargins(QWidget* parent)
{
    m_marginsGroup = new QGroupBox(QStringLiteral("Page Margins"), parent);
    auto* column = new QVBoxLayout(m_marginsGroup);
    InchBut = radioButton(m_marginsGroup, "InchBut", "&Inches", int(TUnits::unInches));
    CentBut = radioButton(m_marginsGroup, "CentBut", "&Centimeters", int(TUnits::unCentimeters));
    auto* form = new QFormLayout;
    column->addLayout(form);
    LeftEdit = labelledEdit(m_marginsGroup, form, "LeftEdit", "&Left");
    RightEdit = labelledEdit(m_marginsGroup, form, "RightEdit", "&Right");
    TopEdit = labelledEdit(m_marginsGroup, form, "TopEdit", "&Top");
    BotEdit = labelledEdit(m_marginsGroup, form, "BotEdit", "&Bottom");
}

void TPageSetupForm::buildOrientation(QWidget* parent)
{
    m_orientationGroup = new QGroupBox(QStringLiteral("Page Orientation"), parent);
    new QVBoxLayout(m_orientationGroup);
    PortBut = radioButton(m_orientationGroup, "PortBut", "&Portrait", int(TPrinterOrientation::poPortrait));
    LandBut = radioButton(m_orientationGroup, "LandBut", "Land&scape", int(TPrinterOrientation::poLandscape));
    auto shape = [this](const char* name, QSize size) {
        auto* frame = new QFrame(m_orientationGroup);
        frame->setObjectName(QLatin1String(name));
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setFixedSize(size);
        m_orientationGroup->layout()->addWidget(frame);
        return frame;
    };
    PortraitShape = shape("PortraitShape", QSize(34, 44));
    LandscapeShape = shape("LandscapeShape", QSize(44, 34));
    connect(PortBut, &QRadioButton::toggled, this, [this](bool portrait) {
        PortraitShape->setVisible(portrait);
        LandscapeShape->setVisible(!portrait);
    });
}

void TPageSetupForm::buildPageNumber(QWidget* group)
{
    auto* column = new QVBoxLayout(group);
    m_pageNumPlacePanel = new QWidget(group);
    new QHBoxLayout(m_pageNumPlacePanel);
    PageBotBut = radioButton(m_pageNumPlacePanel, "PageBotBut", "Bottom", int(TPrintPageNumber::pnBottom));
    PageTopBut = radioButton(m_pageNumPlacePanel, "PageTopBut", "Top", int(TPrintPageNumber::pnTop));
    PageNoneBut = radioButton(m_pageNumPlacePanel, "PageNoneBut", "None", int(TPrintPageNumber::pnNone));
    column->addWidget(m_pageNumPlacePanel);
    m_pageNumAlignPanel = new QWidget(group);
    new QHBoxLayout(m_pageNumAlignPanel);
    PageLeftBut = radioButton(m_pageNumAlignPanel, "PageLeftBut", "Left", int(TAlignment::taLeftJustify));
    PageCenterBut = radioButton(m_pageNumAlignPanel, "PageCenterBut", "Center", int(TAlignment::taCenter));
    PageRightBut = radioButton(m_pageNumAlignPanel, "PageRightBut", "Right", int(TAlignment::taRightJustify));
    column->addWidget(m_pageNumAlignPanel);
    auto* form = new QFormLayout;
    column->addLayout(form);
    PageNumEdit = labelledEdit(group, form, "PageNumEdit", "Page Number Text (%d = Page)");
    PageNumFontBut = button(group, "PageNumFontBut", "&Font...");
    column->addWidget(PageNumFontBut);
    PageNumFontDialog = new TFontDialog(this, QStringLiteral("PageNumFontDialog"));
    connect(PageNumFontBut, &QPushButton::clicked, this, [this] {
        if (PageNumFontDialog->Execute(this)) {
            PageNumFontBut->setText(fontCaption(PageNumFontDialog->Font));
        }
    });
}

void TPageSetupForm::buildHeaderFooter(QWidget* parent, bool header)
{
    const auto name = [header](const char* headerName, const char* footerName) {
        return header ? headerName : footerName;
    };
    QGroupBox*& group = header ? m_headerGroup : m_footerGroup;
    group = new QGroupBox(QString::fromLatin1(name("Header Options", "Footer Options")), parent);
    auto* column = new QVBoxLayout(group);
    auto* form = new QFormLayout;
    column->addLayout(form);
    (header ? HeaderEdit : FooterEdit) =
        labelledEdit(group, form, name("HeaderEdit", "FooterEdit"), name("&Header", "&Footer"));
    (header ? HdrMarginEdit : FtrMarginEdit) =
        labelledEdit(group, form, name("HdrMarginEdit", "FtrMarginEdit"), name("Header &Margin", "Footer &Margin"));
    (header ? HdrLeftBut : FtrLeftBut) =
        radioButton(group, name("HdrLeftBut", "FtrLeftBut"), "Left", int(TAlignment::taLeftJustify));
    (header ? HdrCenterBut : FtrCenterBut) =
        radioButton(group, name("HdrCenterBut", "FtrCenterBut"), "Center", int(TAlignment::taCenter));
    (header ? HdrRightBut : FtrRightBut) =
        radioButton(group, name("HdrRightBut", "FtrRightBut"), "Right", int(TAlignment::taRightJustify));
    QPushButton* fontBut = button(group, name("HdrFontBut", "FtrFontBut"), "&Font...");
    (header ? HdrFontBut : FtrFontBut) = fontBut;
    column->addWidget(fontBut);
    auto* fonts = new TFontDialog(this, QString::fromLatin1(name("HeaderFontDialog", "FooterFontDialog")));
    (header ? HeaderFontDialog : FooterFontDialog) = fonts;
    connect(fontBut, &QPushButton::clicked, this, [this, fontBut, fonts] {
        if (fonts->Execute(this)) {
            fontBut->setText(fontCaption(fonts->Font));
        }
    });
}

void TPageSetupForm::OptionsToControls()
{
    const TTextOptions& o = m_printer->TextOptions();
    checkTag(m_marginsGroup, int(m_printer->Units()));
    LeftEdit->setText(preview::numberText(o.MarginLeft));
    RightEdit->setText(preview::numberText(o.MarginRight));
    TopEdit->setText(preview::numberText(o.MarginTop));
    BotEdit->setText(preview::numberText(o.MarginBottom));
    checkTag(m_orientationGroup, int(m_printer->Orientation()));
    PortraitShape->setVisible(PortBut->isChecked());
    LandscapeShape->setVisible(!PortBut->isChecked());
    checkTag(m_pageNumPlacePanel, int(o.PrintPageNumber));
    checkTag(m_pageNumAlignPanel, int(o.PageNumAlign));
    PageNumEdit->setText(o.PageNumText);
    PageNumFontDialog->Font = o.PageNumFont;
    PageNumFontBut->setText(fontCaption(o.PageNumFont));
    HeaderEdit->setText(o.Header);
    HdrMarginEdit->setText(preview::numberText(o.HeaderMargin));
    checkTag(m_headerGroup, int(o.HeaderAlign));
    HeaderFontDialog->Font = o.HeaderFont;
    HdrFontBut->setText(fontCaption(o.HeaderFont));
    FooterEdit->setText(o.Footer);
    FtrMarginEdit->setText(preview::numberText(o.FooterMargin));
    checkTag(m_footerGroup, int(o.FooterAlign));
    FooterFontDialog->Font = o.FooterFont;
    FtrFontBut->setText(fontCaption(o.FooterFont));
}

void TPageSetupForm::ControlsToOptions()
{
    TTextOptions& o = m_printer->TextOptions();
    // The margin numbers stay as they are when the unit changes.
    if (const auto units = checkedTag(m_marginsGroup, 2)) {
        m_printer->setUnits(TUnits(*units));
    }
    readMargin(LeftEdit, o.MarginLeft);
    readMargin(RightEdit, o.MarginRight);
    readMargin(TopEdit, o.MarginTop);
    readMargin(BotEdit, o.MarginBottom);
    if (const auto orientation = checkedTag(m_orientationGroup, 2)) {
        m_printer->setOrientation(TPrinterOrientation(*orientation));
    }
    if (const auto place = checkedTag(m_pageNumPlacePanel, 3)) {
        o.PrintPageNumber = TPrintPageNumber(*place);
    }
    if (const auto align = checkedTag(m_pageNumAlignPanel, 3)) {
        o.PageNumAlign = TAlignment(*align);
    }
    o.PageNumText = PageNumEdit->text();
    o.PageNumFont = PageNumFontDialog->Font;
    o.Header = HeaderEdit->text();
    readMargin(HdrMarginEdit, o.HeaderMargin);
    if (const auto align = checkedTag(m_headerGroup, 3)) {
        o.HeaderAlign = TAlignment(*align);
    }
    o.HeaderFont = HeaderFontDialog->Font;
    o.Footer = FooterEdit->text();
    readMargin(FtrMarginEdit, o.FooterMargin);
    if (const auto align = checkedTag(m_footerGroup, 3)) {
        o.FooterAlign = TAlignment(*align);
    }
    o.FooterFont = FooterFontDialog->Font;
}

void TPageSetupForm::LoadDefaults()
{
    OptionsToControls();
    FormSettings1->LoadSettings();
    ControlsToOptions();
}

void TPageSetupForm::accept()
{
    ControlsToOptions();
    QDialog::accept();
}

void TPageSetupForm::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        OptionsToControls();
    }
    QDialog::showEvent(event);
}

void TPageSetupForm::setDefaultClick()
{
    const QByteArray question = "Are you sure you want to save these values as the Default Settings?";
    if (platform::prompter().warningYesNoCancel(question) != platform::Answer::Yes) {
        return;
    }
    FormSettings1->setSaveValues(true);
    FormSettings1->SaveSettings();
    FormSettings1->setSaveValues(false);
}
