#include "viewerwindow.h"

#include "documentwindows.h"
#include "mainwindow.h"
#include "prevprinter.h"
#include "screentext.h"
#include "statusbar.h"

#include <QVBoxLayout>

TForm3* Form3 = nullptr;

TForm3::TForm3(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form3"));
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
    registerDocumentWindows(true);
    if (Form1 != nullptr) {
        Form1->setViewerHintPanel(StatusBar1);
    }
}

TForm3::~TForm3()
{
    if (Form3 == this) {
        Form3 = nullptr;
        registerDocumentWindows(false);
    }
}
