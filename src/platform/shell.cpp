#include "shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace platform {
namespace {

bool isWebAddress(const QString& file)
{
    // A scheme of two letters or more ("http:", "mailto:"): "C:" alone is a drive.
    const QUrl url(file, QUrl::TolerantMode);
    return url.scheme().size() > 1 && !url.isLocalFile();
}

// The desktop's opener (xdg-open) tells by its exit status whether it found a program.
int openerResult(QProcess::ExitStatus status, int code)
{
    if (status != QProcess::NormalExit) {
        return shellresult::IncompleteAssociation; // the opener itself broke down
    }
    switch (code) {
    case 0:
        return shellresult::Success;
    case 1:
        // The opener refused the call itself (its syntax): it cannot work with what this system
        // hands it, which is what the shell's "bad format" stands for.
        return shellresult::BadFormat;
    case 2:
        return shellresult::FileNotFound;
    case 3:
        // No method available: no program for this kind of file or link.
        return shellresult::NoAssociation;
    default:
        // 4, the action failed: the desktop's own tool, or the program it chose, failed. Some
        // desktops' tools fail so when no program is registered, others when the registered one
        // is broken: the association is incomplete either way.
        return shellresult::IncompleteAssociation;
    }
}

class DesktopShell final : public Shell {
public:
    void execute(const QString& verb, const QString& file, const QString& parameters, const QString& folder,
                 int showCommand, Done done) override
    {
        Q_UNUSED(verb);
        Q_UNUSED(parameters);
        Q_UNUSED(showCommand);
        // A web or mail address is handed over as written; the desktop decides which program opens it.
        QString target = file;
        if (!isWebAddress(file)) {
            if (const int missing = checkFile(file, folder); missing != shellresult::Success) {
                done(missing);
                return;
            }
            target = QFileInfo(file).absoluteFilePath();
        }
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (opener.isEmpty()) {
            done(shellresult::NoAssociation);
            return;
        }
        auto* process = new QProcess(QCoreApplication::instance());
        // The program the opener starts inherits these: it must neither wait for input nor fill
        // a pipe that nobody reads, and it lives on when this program ends.
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        if (!folder.isEmpty()) {
            process->setWorkingDirectory(folder);
        }
        QObject::connect(process, &QProcess::finished, process, [process, done](int code, QProcess::ExitStatus status) {
            process->deleteLater();
            done(openerResult(status, code));
        });
        QObject::connect(process, &QProcess::errorOccurred, process, [process, done](QProcess::ProcessError error) {
            // Only a failed start ends without `finished`.
            if (error == QProcess::FailedToStart) {
                process->deleteLater();
                done(shellresult::NoAssociation);
            }
        });
        process->start(opener, {target});
    }

private:
    static int checkFile(const QString& file, const QString& folder)
    {
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
        return shellresult::Success;
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
