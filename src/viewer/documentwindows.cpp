// What the main window asks of the windows over the current document, registered when the viewer
// is created. The main window has prepared its tables; these are the viewer's steps of opening.

#include "documentwindows.h"
#include "windows.h"

#include "clipboard.h"
#include "screentext.h"
#include "upperwindows.h"

#include <QApplication>
#include <QPushButton>

namespace {

class ViewerWindows final : public mainwin::DocumentWindows {
public:
    void showRegulation(const QByteArray& title) override
    {
        platform::setCaption(Form3, title);
        Form3->showModal();
    }
    void showOpinion(const QByteArray& title) override
    {
        // An opinion has no attachments: the button stays off, whatever the last regulation had.
        Form3->SpeedButton8->setEnabled(false);
        Form3->setTextField({});
        Form3->setTextSource(DocumentSource::Opinions);
        Form3->setTextField("Latinica");
        platform::setCaption(Form3, title);
        Form3->setArticlesPanelWidth(TForm3::PanelCollapsed);
        // Closing binds the text back to the regulations.
        Form3->showModal();
    }
    void showSelectionList(const QList<mainwin::SelectionRow>& rows) override { selekt->showRows(rows); }
};

ViewerWindows g_viewerWindows;

} // namespace

void registerDocumentWindows(bool on)
{
    mainwin::setDocumentWindows(on ? &g_viewerWindows : nullptr);
}

void minimiseProgram(const QWidget* minimised)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != minimised && w->isVisible() && !w->isMinimized()) {
            w->showMinimized();
        }
    }
    platform::appclear();
}
