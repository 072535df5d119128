#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// File-system services: the application data folder, the parts of a path, whole files and the
// desktop's icon for a file. Paths use '/' as the separator.
namespace FileServices {

// The per-user data folder, e.g. ~/.local/share.
QString AppDataFolder();

// The text after the last dot of the path's file name, without the dot; empty when there is none.
QString Extension(const QString& path);
// The file name with its extension: the last part of the path (a trailing '/' is ignored).
QString FileName(const QString& path);
// The folder holding the path; empty when the path names no folder.
QString Folder(const QString& path);

// The most a file is read into memory: 64 MiB (a picture, a shortcut).
constexpr qint64 MaxReadBytes = qint64(64) << 20;

// The whole file. Throws RuntimeError 53 when the file does not exist and 75 when it cannot be read,
// is no regular file (a folder, a pipe, a device) or holds more than MaxReadBytes.
QByteArray ReadAllBytes(const QString& path);

// The desktop's icon for the file, at least 16 pixels wide; an icon drawn here (a document, a
// program or a folder, 64 x 64) when the desktop gives none.
QImage ShellIcon(const QString& path);
// The icon drawn when the desktop has none.
QImage GenericIcon(const QString& path);

} // namespace FileServices
