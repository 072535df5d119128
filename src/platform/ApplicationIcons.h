#pragma once

#include <QImage>
#include <QString>

// Application icons as desktop entries name them (the Icon key).
namespace ApplicationIcons {

// The icon as a picture no larger than size x size, at the largest size the icon offers up to that:
// - an absolute path is read directly (a regular file of at most MaxFileBytes);
// - a name is looked up in the user's icon theme, which falls back to "hicolor" (SVG icons are
//   rendered at the size asked for), and then in the "pixmaps" folders of the data folders; a name
//   given with a picture extension ("app.png") is looked up without it.
// A null image when there is no such icon or it cannot be decoded.
QImage Load(const QString& icon, int size);

constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;

} // namespace ApplicationIcons
