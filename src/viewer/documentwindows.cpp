// What the main window asks of the windows over the current document, registered when the viewer
// is created.

#include "documentwindows.h"
#include "windows.h"

#include "screentext.h"
#include "upperwindows.h"

namespace {

class ViewerWindows final : public mainwin::DocumentWindows {
public:
    void showRegulation(const QByteArray& title) override
    {
        Form3->setShowsOpinion(false);
        platform::setCaption(Form3, title);
        Form3->exec();
    }
    void showOpinion(const QByteArray& title) override
    {
        Form3->setShowsOpinion(true);
        platform::setCaption(Form3, title);
        Form3->exec();
        Form3->setShowsOpinion(false);
    }
    void showSelectionList(const QList<mainwin::SelectionRow>& rows) override { selekt->showRows(rows); }
};

ViewerWindows g_viewerWindows;

} // namespace

void registerDocumentWindows(bool on)
{
    mainwin::setDocumentWindows(on ? &g_viewerWindows : nullptr);
}
