#pragma once

#include <QByteArray>
#include <QString>

// Writes Windows shortcut (".lnk") files for tests: the 76-byte shell-link header, then a LinkInfo
// structure holding a local base path and/or a relative path in the string data.
namespace ShortcutFile {
QByteArray Bytes(const QByteArray& localBasePath, const QString& relativePath = QString());
bool Write(const QString& path, const QByteArray& localBasePath, const QString& relativePath = QString());
} // namespace ShortcutFile
