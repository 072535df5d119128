#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. Besides starting the launcher: --show, --toggle and --hide hand the
// request to the copy that runs (so a desktop's own keyboard settings can bind the launcher to a key),
// --help and --version print and end. Anything else is a usage error.
struct LaunchOptions {
    enum class Action { Start, Show, Toggle, Hide, Help, Version, Invalid };
    Action action = Action::Start;
    QString problem; // for Invalid: what was not understood
};

// The arguments after the program's name.
LaunchOptions ParseLaunchOptions(const QStringList& pArguments);
QString UsageText();
QString VersionText();
