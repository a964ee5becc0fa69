#pragma once

// Saving files so that a crash or a full disk leaves either the old file or the new one, never a
// cut one: the bytes go to a temporary file beside the target, which then replaces it. A failure
// is told by its kind, which the user can act on; the system's own words are kept for a log.

#include <QByteArray>
#include <QString>

namespace platform {

enum class WriteFailure {
    None,
    NoSpace,       // no room on the disk (or in the user's quota, or under the file-size limit)
    NoPermission,  // the file or its folder may not be written: permissions, a read-only disk or file
    FolderInPlace, // a folder stands where the file should be
    Unknown,       // the system gave another reason
};

struct WriteResult {
    WriteFailure failure = WriteFailure::None;
    QString systemText; // the system's reason, for a log; empty on success

    bool ok() const { return failure == WriteFailure::None; }
};

// The kind of a failed write or file change from the system's error number.
WriteFailure writeFailureFromErrno(int error);

// Replaces the file whole, or leaves the old one untouched. A file that is a symbolic link is
// replaced by the new file; what it points to is never written. The new file keeps the old one's
// permissions.
WriteResult saveFileAtomically(const QString& path, const QByteArray& bytes);

// The counterpart of resetting a file's attributes to normal: makes an existing file writable
// by its owner. A missing file, and a symbolic link (which the save replaces without following),
// need nothing; a folder in the file's place fails.
WriteResult makeWritable(const QString& path);

// Small helpers of the program's own file work.

// The system's words for an error number, for a log.
QString systemReason(int error);
// Whether the name itself is a symbolic link (to anything, or to nothing); never followed.
bool isSymLink(const QString& path);
// Puts the folder's names (a file made, renamed or removed in it) on disk; quietly does nothing
// when the folder cannot be opened.
void syncFolder(const QString& folder);

} // namespace platform
