#pragma once

#include <QString>

// Targets of links. Both throw RuntimeError with a message naming the file when it is missing or
// cannot be read.

// The target of a Windows shortcut (".lnk") file: its local path when it has one, else the relative
// path stored in it, resolved against the shortcut's own folder ('\' read as '/'). Empty when the
// shortcut stores neither.
QString ResolveShortcut(const QString& lnkPath);

// The file a symbolic link finally points to (links to links are followed); any other path is
// returned unchanged.
QString ResolveSymbolicLink(const QString& path);
