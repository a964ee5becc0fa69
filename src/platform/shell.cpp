#include "shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace platform {
namespace {

bool isLink(const QString& file)
{
    // A scheme of two letters or more: "C:" alone is a drive, not a link.
    const QUrl url(file, QUrl::TolerantMode);
    return url.scheme().size() > 1 && !url.isLocalFile();
}

class DesktopShell final : public Shell {
public:
    int execute(const QString& verb, const QString& file, const QString& parameters, const QString& folder,
                int showCommand) override
    {
        Q_UNUSED(verb);
        Q_UNUSED(parameters);
        Q_UNUSED(showCommand);
        if (isLink(file)) {
            // The link is handed over as written; the desktop decides which program opens it.
            return QDesktopServices::openUrl(QUrl(file, QUrl::TolerantMode)) ? shellresult::Success
                                                                             : shellresult::NoAssociation;
        }
        if (!folder.isEmpty() && !QDir(folder).exists()) {
            return shellresult::PathNotFound;
        }
        const QFileInfo info(file);
        if (!info.dir().exists()) {
            return shellresult::PathNotFound;
        }
        if (!info.exists()) {
            return shellresult::FileNotFound;
        }
        if (!info.isReadable()) {
            return shellresult::AccessDenied;
        }
        return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? shellresult::Success
                                                                                       : shellresult::NoAssociation;
    }
};

DesktopShell g_desktopShell;
Shell* g_shell = nullptr;

} // namespace

Shell& shell()
{
    return g_shell != nullptr ? *g_shell : g_desktopShell;
}

void setShell(Shell* s)
{
    g_shell = s;
}

} // namespace platform
