#pragma once

#include <QString>
#include <QStringList>

// How an application's command line (a program and its arguments) is kept in a token: the program as
// its command, the arguments as its parameters, which ShellOpen splits back into the same arguments
// and never hands to a shell.
struct ApplicationCommand {
    QString command;
    QString parameters;
};

// The token's command and parameters for the command line; with inTerminal the command is the
// user's terminal (TerminalProgram) and the command line follows its option for running a program.
ApplicationCommand CommandFor(const QStringList& commandLine, bool inTerminal);

// Arguments joined into one parameters text that ShellOpen splits back into exactly these arguments:
// those with spaces or double quotes are quoted, a double quote inside written as three. An empty
// argument cannot be kept and is left out.
QString JoinParameters(const QStringList& arguments);

// The user's terminal, with any options of its own: $TERMINAL when it names an installed program,
// else x-terminal-emulator (the Debian alternative), else the first of a few common terminals that
// is installed; "x-terminal-emulator" when none is, so a launch names what is missing.
QStringList TerminalProgram();

// The terminal's arguments that make it run the command line in a new window: "-e" and the command
// line for most, as x-terminal-emulator promises; the few that take a single text after "-e" are
// given their option that takes the program and its arguments one by one.
QStringList TerminalArguments(const QString& terminal, const QStringList& commandLine);
