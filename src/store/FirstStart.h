#pragma once

#include "clsDatabase.h"

#include <QList>
#include <QString>

// The token database a first start creates: both tables, the root token, the settings row and a
// small starter tree of things every Linux desktop has (the home folder, a terminal, a browser, an
// editor, a file manager and a "System" level). Programs are looked up on PATH when the file is made;
// one that is not installed is left out. An existing file is never touched.
namespace FirstStart {

// Where the launcher keeps its tokens: <application data folder>/Tessaro/Tokens.db.
QString TokenDatabasePath();

// Creates the folder and the database when the file does not exist yet and returns true; returns
// false, changing nothing, when the file exists. The settings row holds pSettings (the look a new
// database starts with). The file appears whole or not at all. Failures throw RuntimeError naming
// the path.
bool CreateTokenDatabaseIfMissing(const QString& path, const StoredSettings& pSettings);

// One token of the starter tree, before it is written.
struct StarterToken {
    int id;
    int parentId;
    QString caption;
    QString command;
    QString description;
    int picture; // a StarterPictures::Picture
    bool hideAfterExecution;
};

// The starter tree for this machine, root first. Programs are taken from the first candidate name
// found on PATH; folders that do not exist are left out.
QList<StarterToken> StarterTree();

} // namespace FirstStart
