// The starter tree of a machine whose desktop lists no applications: programs found on PATH.
#include "StarterPictures.h"
#include "StarterTrees.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace FirstStart {
namespace {

using StarterPictures::Picture;

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
        tree.append({nextId++, parent, candidate.caption, command, QString(), candidate.description,
                     StarterPictures::Png(candidate.picture), true});
}

QList<Candidate> topLevel() {
    return {
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

} // namespace

StarterToken RootToken() {
    return {1,
            0,
            QStringLiteral("Tessaro"),
            QString(),
            QString(),
            QStringLiteral("Turn with the arrow keys or the wheel; Enter opens the front token. Drop files "
                           "here to add tokens."),
            StarterPictures::Png(Picture::Tessaro),
            false};
}

StarterToken HomeToken(int id) {
    return {id,
            1,
            QStringLiteral("Home"),
            QDir::homePath(),
            QString(),
            QStringLiteral("Your home folder, with your documents, pictures and downloads."),
            StarterPictures::Png(Picture::Home),
            true};
}

QList<StarterToken> PathStarterTree() {
    QList<StarterToken> tree{RootToken(), HomeToken(2)};
    int nextId = 3;
    for (const Candidate& candidate : topLevel())
        addCandidate(tree, nextId, 1, candidate);
    const int systemId = nextId++;
    tree.append({systemId, 1, QStringLiteral("System"), QString(), QString(),
                 QStringLiteral("Tools for looking after this computer."),
                 StarterPictures::Png(Picture::System), false});
    for (const Candidate& candidate : systemLevel())
        addCandidate(tree, nextId, systemId, candidate);
    return tree;
}

} // namespace FirstStart
