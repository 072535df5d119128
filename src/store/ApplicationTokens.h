#pragma once

#include "platform/DesktopEntries.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// What a token for an installed application holds, taken from its desktop entry: used by the first
// start's tree and by a .desktop file dropped on the launcher.
struct ApplicationTokenFields {
    QString caption;     // Name
    QString command;     // the program (or the user's terminal for Terminal=true)
    QString parameters;  // its arguments, split again when the token runs, never by a shell
    QString description; // Comment, else GenericName
    QByteArray picture;  // PNG, 196 x 196
};

ApplicationTokenFields TokenFieldsFor(const DesktopApplication& application, const QImage& fallbackPicture);

// The application's icon centred on a transparent 196 x 196 picture, as PNG; fallbackPicture when
// the icon is missing or cannot be read.
QByteArray ApplicationPicture(const QString& icon, const QImage& fallbackPicture);
