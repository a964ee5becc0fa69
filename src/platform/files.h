#pragma once

// Saving files so that a crash or a full disk leaves either the old file or the new one, never a
// cut one: the bytes go to a temporary file beside the target, which then replaces it.

#include <QByteArray>
#include <QString>

namespace platform {

// Empty on success; otherwise what went wrong, and the old file is untouched.
QString saveFileAtomically(const QString& path, const QByteArray& bytes);

// The counterpart of resetting a file's attributes to normal: makes an existing file writable
// by its owner. False when that failed.
bool makeWritable(const QString& path);

} // namespace platform
