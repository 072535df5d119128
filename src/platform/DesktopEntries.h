#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// An installed application as its desktop entry (a ".desktop" file) describes it, read through GIO.
struct DesktopApplication {
    QString id;          // the desktop file ID, e.g. "org.gnome.TextEditor.desktop"
    QString filePath;    // where the entry was read from
    QString name;        // Name, in the user's language
    QString description; // Comment, else GenericName, in the user's language
    QString icon;        // an icon theme name, or the path of a picture file; may be empty
    // The command line of Exec split into arguments (desktop-entry quoting, never a shell), the
    // program first, with the field codes that stand for files and URLs (%f %F %u %U) removed and
    // %i (--icon <Icon>), %c (the name), %k (the entry's path) and %% filled in.
    QStringList commandLine;
    bool terminal = false;  // Terminal=true: the program wants a terminal window
    QStringList categories; // Categories, in the order the entry lists them
};

namespace DesktopEntries {

// The applications the desktop shows in its menus, ordered by desktop file ID: entries that are
// Hidden, NoDisplay, not shown in the current desktop (OnlyShowIn/NotShowIn against
// XDG_CURRENT_DESKTOP), whose TryExec or Exec program is missing, or that have no command line are
// left out.
QList<DesktopApplication> Installed();

// The application a single desktop entry file describes (a file dropped by the user): nullopt when
// the file is no application entry, is Hidden, or names a program that is not installed. NoDisplay
// and OnlyShowIn/NotShowIn do not matter here: the user chose the file.
std::optional<DesktopApplication> Read(const QString& path);

// Whether the path names a desktop entry file by its extension (".desktop", any letter case).
bool IsDesktopEntryFile(const QString& path);

// The desktop file ID of the user's default application for a content type such as
// "x-scheme-handler/http", "inode/directory" or "text/plain"; empty when none is set.
QString DefaultApplicationId(const QString& contentType);

// Exec's arguments with the field codes handled as described at DesktopApplication::commandLine.
QStringList ExpandFieldCodes(const QStringList& arguments, const QString& name, const QString& icon,
                             const QString& filePath);

} // namespace DesktopEntries
