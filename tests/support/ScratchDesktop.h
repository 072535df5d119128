#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace TestSupport {

// A program that records how it was started: <folder>/<name> writes its arguments, one a line (after
// its working folder when `recordFolder`), to <folder>/<name>.args, which a reader sees whole or not at
// all.
class MarkerScript {
public:
    MarkerScript(const QString& folder, const QString& name, bool recordFolder = false);
    QString Program() const { return mProgram; }
    // The lines of a start not taken yet, waited for and taken (so the next call waits for the next
    // start); empty at the deadline.
    QStringList WaitForArguments(int timeoutMs = 10000) const;

private:
    QString mProgram;
};

// A desktop of our own in a temporary folder, for the first start from installed applications:
// - data/applications: a dozen desktop entries (hidden, NoDisplay, KDE-only, a missing TryExec
//   program, field codes, a localised Name, a Terminal=true one, icons from the theme, from a path,
//   missing, undecodable and huge), data/icons/hicolor: a small icon theme;
// - config/mimeapps.list: the default web browser, file manager and text editor;
// - bin/marker, bin/marker-terminal and bin/xdg-open are MarkerScripts (the entries start
//   "marker <name> args...").
// SystemVariables() point a process at it: XDG_DATA_DIRS, XDG_CONFIG_DIRS (which holds the
// defaults), XDG_CURRENT_DESKTOP=GNOME, LANGUAGE=de and TERMINAL=bin/marker-terminal; Variables()
// add XDG_DATA_HOME and XDG_CONFIG_HOME in empty scratch folders.
class ScratchDesktop {
public:
    ScratchDesktop();

    QString Root() const { return mRoot.path(); }
    QString Bin() const { return Root() + QStringLiteral("/bin"); }
    // The entry file of data/applications/<name>.desktop.
    QString Entry(const QString& name) const;
    // Writes a desktop entry of the given body (after "[Desktop Entry]") into extra/<fileName>,
    // outside the data folders, and returns its path.
    QString WriteExtraEntry(const QString& fileName, const QString& body) const;

    QList<QPair<QByteArray, QByteArray>> SystemVariables() const;
    QList<QPair<QByteArray, QByteArray>> Variables() const;
    // Sets Variables() in this process; call before anything reads the desktop (GIO and Qt's icon
    // loader keep what they read first).
    void ApplyToThisProcess() const;

    // The arguments of the next start of the marker ("terminal" for the terminal, "xdg-open" for the
    // opener), waited for; empty at the deadline.
    QStringList WaitForMarker(const QString& name, int timeoutMs = 10000) const;

private:
    void WriteFile(const QString& relativePath, const QByteArray& content, bool executable = false) const;
    void WriteEntries() const;
    void WriteIcons() const;

    QTemporaryDir mRoot;
    MarkerScript mMarker{Bin(), "marker"}, mTerminal{Bin(), "marker-terminal"}, mOpener{Bin(), "xdg-open"};
};

} // namespace TestSupport
