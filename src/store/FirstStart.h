#pragma once

#include "clsDatabase.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The token database a first start creates: both tables, the root token, the settings row and a
// starter tree made from the applications installed on this desktop (StarterTrees.h). An existing
// file is never touched.
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
    QString parameters;
    QString description;
    QByteArray picture; // PNG
    bool hideAfterExecution;
};

// The starter tree for this machine, root first, numbered from 1 without gaps: built from the
// desktop's applications (their .desktop entries); from programs found on PATH when there are none.
QList<StarterToken> StarterTree();

} // namespace FirstStart
