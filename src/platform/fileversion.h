#pragma once

// Version information carried inside a program file: a block of named text values (such as
// "StringFileInfo\040904E4\FileVersion") that a build embeds in the file.

#include <QByteArray>
#include <QMap>
#include <QString>

namespace platform {

// The bytes of a version block holding `values`; a build or a test puts them into a file.
QByteArray makeVersionInfo(const QMap<QString, QString>& values);

// The size of the file's version block; 0 when the file is missing or has none.
qint64 versionInfoSize(const QString& path);
// The block's values; empty when there is none.
QMap<QString, QString> readVersionInfo(const QString& path);

} // namespace platform
