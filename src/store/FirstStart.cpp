#include "FirstStart.h"

#include "StarterTrees.h"
#include "clsDatabase.h"
#include "platform/FileServices.h"
#include "platform/RuntimeError.h"
#include "platform/SqlDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace FirstStart {
namespace {

const QString Source = QStringLiteral("FirstStart");

const char* const Schema =
    "CREATE TABLE Tokens (TokenID INTEGER PRIMARY KEY, ParentID INTEGER, Caption TEXT, Command TEXT, "
    "Parameters TEXT, Description TEXT, SourceImage BLOB, Enabled INTEGER, TokenIconScale INTEGER, "
    "HideAfterExecution INTEGER);"
    "CREATE TABLE CarouselSettings (Capacity INTEGER, MoveIncrements INTEGER, RenderScale INTEGER, "
    "Width INTEGER, Tilt INTEGER, ImageSize INTEGER, ForeItemScale INTEGER, RearItemScale INTEGER, "
    "ReflectionStretch INTEGER, ReflectionStrength INTEGER, DepthDarkening INTEGER, TintStrength INTEGER, "
    "TintColour INTEGER, CaptionColour INTEGER, CaptionOutlineColour INTEGER, OverflowFade INTEGER, "
    "OverflowZoom INTEGER, OrbitImageOpacity INTEGER, TokenFillColour INTEGER, TokenFillOpacity INTEGER, "
    "SoundEnabled INTEGER);";

void writeTokens(SqlConnection& db) {
    SqlCommand insert(db, "INSERT INTO Tokens (TokenID, ParentID, Caption, Command, Parameters, Description, "
                          "SourceImage, Enabled, TokenIconScale, HideAfterExecution) "
                          "VALUES ((?),(?),(?),(?),(?),(?),(?),(?),(?),(?))");
    for (const StarterToken& token : StarterTree()) {
        insert.BindInt32(1, token.id);
        insert.BindInt32(2, token.parentId);
        insert.BindText(3, token.caption);
        insert.BindText(4, token.command);
        insert.BindText(5, token.parameters);
        insert.BindText(6, token.description);
        insert.BindBytes(7, token.picture);
        insert.BindInt32(8, 1);
        insert.BindInt32(9, 60);
        insert.BindInt32(10, token.hideAfterExecution ? 1 : 0);
        insert.Execute();
    }
}

// Writes a complete database into `partial`.
void writeDatabase(const QString& partial) {
    SqlConnection db(partial, SqlConnection::Mode::CreateIfMissing);
    db.Execute(QString::fromLatin1(Schema));
    db.BeginTransaction("FirstStart");
    writeTokens(db);
    // The settings row is filled in by the database class, in its stored encodings.
    db.Execute(QStringLiteral("INSERT INTO CarouselSettings DEFAULT VALUES"));
    db.CommitTransaction("FirstStart");
}

} // namespace

QString TokenDatabasePath() {
    return FileServices::AppDataFolder() + QStringLiteral("/Tessaro/Tokens.db");
}

QList<StarterToken> StarterTree() {
    const QList<DesktopApplication> applications = DesktopEntries::Installed();
    const QList<StarterToken> tree = ApplicationStarterTree(applications, DesktopDefaults(applications));
    return tree.isEmpty() ? PathStarterTree() : tree;
}

bool CreateTokenDatabaseIfMissing(const QString& path, const StoredSettings& pSettings) {
    const QFileInfo target(path);
    if (target.exists())
        return false;
    if (!QDir().mkpath(target.absolutePath()))
        throw RuntimeError(76, Source,
                           QStringLiteral("Cannot create the folder \"%1\".").arg(target.absolutePath()));
    const QString partial = path + QStringLiteral(".creating");
    QFile::remove(partial);
    try {
        writeDatabase(partial);
        clsDatabase(partial).SaveSettings(pSettings);
    } catch (const SqlError& error) {
        QFile::remove(partial);
        throw RuntimeError(
            error.Code(), Source,
            QStringLiteral("Cannot create the token database \"%1\": %2").arg(path, error.Message()));
    } catch (const RuntimeError& error) {
        QFile::remove(partial);
        throw RuntimeError(
            error.Number(), Source,
            QStringLiteral("Cannot create the token database \"%1\": %2").arg(path, error.Description()));
    }
    // Renaming never replaces a file, so one that appeared meanwhile is left alone.
    if (!QFile::rename(partial, path)) {
        QFile::remove(partial);
        if (QFileInfo::exists(path))
            return false;
        throw RuntimeError(75, Source, QStringLiteral("Cannot create the token database \"%1\".").arg(path));
    }
    return true;
}

} // namespace FirstStart
