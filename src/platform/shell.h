#pragma once

// The desktop shell's execute operation: hands a document, a web page or a mail link to the
// program the desktop opens it with. Results follow the shell's convention: a number above 32
// means success; 31 or less is the error code (0 out of resources, 2 file not found, 3 path not
// found, 5 access denied, 8 out of memory, 11 bad program format, 26 sharing violation,
// 27 incomplete association, 31 no program for this kind of file). Tests install a shell of their
// own, or give the desktop's shell a desktop that has no program for anything, so no program is
// ever started by a test.

#include <functional>
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
    // Receives the result.
    using Done = std::function<void(int result)>;

    virtual ~Shell() = default;
    // `file` is a web or mail address ("mailto:...", "http://...") or a local file's path, handed
    // over as it stands; `folder` is the working folder (may be empty). The desktop's opener takes its time
    // and only its end tells whether it found a program, so the result reaches `done` on the
    // user-interface thread when it is known: later, the event loop running meanwhile, or before
    // execute returns when it is known without starting anything.
    virtual void execute(const QString& verb, const QString& file, const QString& parameters, const QString& folder,
                         int showCommand, Done done) = 0;
};

// The shell in use: the desktop's unless a test has installed its own.
Shell& shell();
// Installs `s` (not owned); nullptr goes back to the desktop's.
void setShell(Shell* s);

} // namespace platform
