#pragma once

#include "FirstStart.h"
#include "platform/DesktopEntries.h"

#include <QList>
#include <QString>
#include <QStringList>

// The two starter trees a first start can make (FirstStart::StarterTree picks one). Both begin with
// the root ("Tessaro", ID 1) and the home folder, are numbered from 1 without gaps, and give every
// token a 196 x 196 picture.
namespace FirstStart {

// The desktop's default applications, as desktop file IDs (empty where none is set).
struct DefaultApplications {
    QString webBrowser;  // x-scheme-handler/http
    QString fileManager; // inode/directory
    QString terminal;    // the installed terminal that is the user's terminal, else the first one
    QString textEditor;  // text/plain
};

// The user's defaults among the applications.
DefaultApplications DesktopDefaults(const QList<DesktopApplication>& applications);

// From the installed applications: on the first level the home folder and the default web browser,
// file manager, terminal and text editor, then one level per main category that has applications
// (Internet, Office, Graphics, Multimedia, Development, Games, Education, System, Settings,
// Utilities, and Other for those that name none), each application under the first main category
// it lists. A default application is not repeated in its category; within a level a caption is
// used once. Empty when there are no applications.
QList<StarterToken> ApplicationStarterTree(const QList<DesktopApplication>& applications,
                                           const DefaultApplications& defaults);

// From programs found on PATH: home folder, terminal, browser, editor, file manager, Downloads and a
// "System" level; a program that is not installed or a folder that does not exist is left out.
QList<StarterToken> PathStarterTree();

// The first two tokens of both trees.
StarterToken RootToken();
StarterToken HomeToken(int id);

} // namespace FirstStart
