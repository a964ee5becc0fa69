#include "windows.h"

#include "mainwindow.h"
#include "prevprinter.h"
#include "screentext.h"
#include "statusbar.h"
#include "upperwindows.h"

#include <QVBoxLayout>

TForm3* Form3 = nullptr;
Tselekt* selekt = nullptr;
TForm5* Form5 = nullptr;
Tdokumenti* dokumenti = nullptr;
Trelacije* relacije = nullptr;

namespace {

// What the main window asks of the windows over the current document.
class ViewerWindows final : public mainwin::DocumentWindows {
public:
    void showRegulation(const QByteArray& title) override
    {
        platform::setCaption(Form3, title);
        Form3->exec();
    }
    void showOpinion(const QByteArray& title) override
    {
        platform::setCaption(Form3, title);
        Form3->exec();
    }
    void showSelectionList(const QList<mainwin::SelectionRow>& rows) override
    {
        Q_UNUSED(rows);
        selekt->exec();
    }
};

ViewerWindows g_viewerWindows;

void setUp(QDialog* window, const char* name, const QByteArray& caption)
{
    window->setObjectName(QLatin1String(name));
    platform::setCaption(window, caption);
}
} // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent)
{
    setUp(this, "Form3", "");
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    StatusBar1 = new platform::PanelStatusBar({200, 100, 50}, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setPanelText(0, "Du`ina teksta:");
    StatusBar1->setPanelText(2, "Status");
    layout->addWidget(StatusBar1);
    PreviewPrinter1 = new TPreviewPrinter(this, viewerTextOptions());
    PreviewPrinter1->setObjectName(QStringLiteral("PreviewPrinter1"));
    Form3 = this;
    mainwin::setDocumentWindows(&g_viewerWindows);
    if (Form1 != nullptr) {
        Form1->setViewerHintPanel(StatusBar1);
    }
}

TForm3::~TForm3()
{
    if (Form3 == this) {
        Form3 = nullptr;
        mainwin::setDocumentWindows(nullptr);
    }
}

Tselekt::Tselekt(QWidget* parent) : QDialog(parent)
{
    setUp(this, "selekt", "Lista propisa po zadatom kriterijumu");
    selekt = this;
}

TForm5::TForm5(QWidget* parent) : QDialog(parent)
{
    setUp(this, "Form5", "Dodatne informacije");
    Form5 = this;
}

Tdokumenti::Tdokumenti(QWidget* parent) : QDialog(parent)
{
    setUp(this, "dokumenti", "Prilozi");
    dokumenti = this;
}

Trelacije::Trelacije(QWidget* parent) : QDialog(parent)
{
    setUp(this, "relacije", "Relacije");
    relacije = this;
}
