#include "FirstStart.h"

#include "StarterPictures.h"
#include "clsDatabase.h"
#include "platform/FileServices.h"
#include "platform/RuntimeError.h"
#include "platform/SqlDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace FirstStart {
namespace {

using StarterPictures::Picture;
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

// The first of the program names that is installed, or an empty text.
QString firstProgram(const QStringList& names) {
    for (const QString& name : names)
        if (!QStandardPaths::findExecutable(name).isEmpty())
            return name;
    return {};
}

struct Candidate {
    QString caption;
    QStringList programs; // or one folder, when `folder` is set
    QString description;
    Picture picture;
    bool folder = false;
};

// Adds the candidate under `parent` when its program is installed or its folder exists.
void addCandidate(QList<StarterToken>& tree, int& nextId, int parent, const Candidate& candidate) {
    QString command;
    if (candidate.folder)
        command = QFileInfo(candidate.programs.value(0)).isDir() ? candidate.programs.value(0) : QString();
    else
        command = firstProgram(candidate.programs);
    if (!command.isEmpty())
        tree.append({nextId++, parent, candidate.caption, command, candidate.description,
                     int(candidate.picture), true});
}

QList<Candidate> topLevel() {
    return {
        {"Home",
         {QDir::homePath()},
         "Your home folder, with your documents, pictures and downloads.",
         Picture::Home,
         true},
        {"Terminal",
         {"x-terminal-emulator", "gnome-terminal", "konsole", "xfce4-terminal", "mate-terminal", "lxterminal",
          "tilix", "alacritty", "kitty", "xterm"},
         "A command line in a terminal window.",
         Picture::Terminal},
        {"Web Browser",
         {"x-www-browser", "firefox", "firefox-esr", "chromium", "chromium-browser", "google-chrome",
          "brave-browser", "epiphany", "falkon", "konqueror"},
         "Browse the web.",
         Picture::Browser},
        {"Text Editor",
         {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "xed", "pluma", "featherpad", "geany",
          "leafpad"},
         "Write notes and edit plain text files.",
         Picture::Editor},
        {"Files",
         {"nautilus", "dolphin", "thunar", "nemo", "caja", "pcmanfm-qt", "pcmanfm"},
         "Browse and organise your files and folders.",
         Picture::Files},
        {"Downloads",
         {QStandardPaths::writableLocation(QStandardPaths::DownloadLocation)},
         "The folder where your browser saves what you download.",
         Picture::Downloads,
         true},
    };
}

QList<Candidate> systemLevel() {
    return {
        {"System Monitor",
         {"gnome-system-monitor", "plasma-systemmonitor", "ksysguard", "xfce4-taskmanager",
          "mate-system-monitor", "lxtask"},
         "See what is running and how busy the processor and memory are.",
         Picture::Monitor},
        {"Settings",
         {"gnome-control-center", "systemsettings", "xfce4-settings-manager", "cinnamon-settings",
          "mate-control-center", "lxqt-config"},
         "Change the desktop's settings.",
         Picture::Settings},
        {"Calculator",
         {"gnome-calculator", "kcalc", "galculator", "mate-calc", "qalculate-gtk", "xcalc"},
         "A calculator for quick sums.",
         Picture::Calculator},
        {"Disk Usage", {"baobab", "filelight", "qdirstat"}, "See what fills your disks.", Picture::Disk},
        {"Root Folder", {QStringLiteral("/")}, "The top of the file system.", Picture::Disk, true},
        {"System Logs", {QStringLiteral("/var/log")}, "The system's log files.", Picture::Files, true},
    };
}

void writeTokens(SqlConnection& db) {
    SqlCommand insert(db, "INSERT INTO Tokens (TokenID, ParentID, Caption, Command, Parameters, Description, "
                          "SourceImage, Enabled, TokenIconScale, HideAfterExecution) "
                          "VALUES ((?),(?),(?),(?),(?),(?),(?),(?),(?),(?))");
    for (const StarterToken& token : StarterTree()) {
        insert.BindInt32(1, token.id);
        insert.BindInt32(2, token.parentId);
        insert.BindText(3, token.caption);
        insert.BindText(4, token.command);
        insert.BindText(5, QString());
        insert.BindText(6, token.description);
        insert.BindBytes(7, StarterPictures::Png(Picture(token.picture)));
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
    QList<StarterToken> tree{
        {1, 0, "Tessaro", QString(),
         "Turn with the arrow keys or the wheel; Enter opens the front token. Drop files here "
         "to add tokens.",
         int(Picture::Tessaro), false}};
    int nextId = 2;
    for (const Candidate& candidate : topLevel())
        addCandidate(tree, nextId, 1, candidate);
    const int systemId = nextId++;
    tree.append({systemId, 1, "System", QString(), "Tools for looking after this computer.",
                 int(Picture::System), false});
    for (const Candidate& candidate : systemLevel())
        addCandidate(tree, nextId, systemId, candidate);
    return tree;
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
