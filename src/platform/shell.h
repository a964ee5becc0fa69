#pragma once

// The desktop shell's execute operation: hands a document, a web page or a mail link to the
// program the desktop opens it with. Results follow the shell's convention: a number above 32
// means success; 31 or less is the error code (0 out of resources, 2 file not found, 3 path not
// found, 5 access denied, 8 out of memory, 11 bad program format, 26 sharing violation,
// 27 incomplete association, 31 no program for this kind of file). Tests install a shell of their
// own, so no program is ever started by a test.

#include <QString>

namespace platform {

namespace shellresult {
inline constexpr int OutOfResources = 0;
inline constexpr int FileNotFound = 2;
inline constexpr int PathNotFound = 3;
inline constexpr int AccessDenied = 5;
inline constexpr int OutOfMemory = 8;
inline constexpr int BadFormat = 11;
inline constexpr int SharingViolation = 26;
inline constexpr int IncompleteAssociation = 27;
inline constexpr int NoAssociation = 31;
inline constexpr int Success = 42;
} // namespace shellresult

// The show command that shows a program's window the default way.
inline constexpr int ShowDefault = 10;

class Shell {
public:
    virtual ~Shell() = default;
    // `file` is a link ("mailto:...", "http://...") or a local file's path, handed over as it
    // stands; `folder` is the working folder (may be empty).
    virtual int execute(const QString& verb, const QString& file, const QString& parameters, const QString& folder,
                        int showCommand) = 0;
};

// The shell in use: the desktop's unless a test has installed its own.
Shell& shell();
// Installs `s` (not owned); nullptr goes back to the desktop's.
void setShell(Shell* s);

} // namespace platform
