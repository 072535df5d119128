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
//   missing, undecodable and huge), data/icons/hicolor: a small icon theme, data/mime: the system's
//   MIME database;
// - config/mimeapps.list: the default web browser, file manager and text editor;
// - bin/marker, bin/marker-terminal and bin/xdg-open are MarkerScripts (the entries start
//   "marker <name> args...").
// SystemVariables() point a process at it: XDG_DATA_DIRS, XDG_CONFIG_DIRS (which holds the
// defaults), XDG_CURRENT_DESKTOP=GNOME, LANGUAGE=de and TERMINAL=bin/marker-terminal.
class ScratchDesktop {
public:
    ScratchDesktop();

    QString Root() const { return mRoot.path(); }
    QString Bin() const { return Root() + QStringLiteral("/bin"); }
    // The entry file of data/applications/<name>.desktop.
    QString Entry(const QString& name) const { return Root() + "/data/applications/" + name + ".desktop"; }

    QList<QPair<QByteArray, QByteArray>> SystemVariables() const;
    // Sets SystemVariables() and empty XDG_DATA_HOME and XDG_CONFIG_HOME in this process; call before
    // anything reads the desktop (GIO and Qt's icon loader keep what they read first).
    void ApplyToThisProcess() const;

    // The arguments of the next start of the marker ("terminal" for the terminal, "xdg-open" for the
    // opener), waited for; empty at the deadline.
    QStringList WaitForMarker(const QString& name, int timeoutMs = 10000) const;

private:
    QTemporaryDir mRoot;
    MarkerScript mMarker{Bin(), "marker"}, mTerminal{Bin(), "marker-terminal"}, mOpener{Bin(), "xdg-open"};
};

} // namespace TestSupport
