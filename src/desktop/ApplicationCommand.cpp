#include "ApplicationCommand.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

bool installed(const QString& program) {
    if (program.contains(QLatin1Char('/')))
        return QFileInfo(program).isExecutable();
    return !QStandardPaths::findExecutable(program).isEmpty();
}

QString quoted(const QString& argument) {
    const bool plain = !argument.contains(QLatin1Char('"')) &&
                       std::none_of(argument.begin(), argument.end(), [](QChar c) { return c.isSpace(); });
    if (plain)
        return argument;
    return QLatin1Char('"') + QString(argument).replace(QLatin1String("\""), QLatin1String("\"\"\"")) +
           QLatin1Char('"');
}

} // namespace

QString JoinParameters(const QStringList& arguments) {
    QStringList parts;
    for (const QString& argument : arguments)
        if (!argument.isEmpty())
            parts << quoted(argument);
    return parts.join(QLatin1Char(' '));
}

QStringList TerminalProgram() {
    const QStringList chosen = QProcess::splitCommand(qEnvironmentVariable("TERMINAL"));
    if (!chosen.isEmpty() && installed(chosen.first()))
        return chosen;
    for (const char* name :
         {"x-terminal-emulator", "gnome-terminal", "konsole", "xfce4-terminal", "mate-terminal", "xterm"})
        if (installed(QLatin1String(name)))
            return {QLatin1String(name)};
    return {QStringLiteral("x-terminal-emulator")};
}

QStringList TerminalArguments(const QString& terminal, const QStringList& commandLine) {
    const QString name = QFileInfo(terminal).fileName();
    QString option = QStringLiteral("-e");
    if (name == QLatin1String("gnome-terminal"))
        option = QStringLiteral("--");
    else if (name == QLatin1String("xfce4-terminal") || name == QLatin1String("mate-terminal") ||
             name == QLatin1String("terminator"))
        option = QStringLiteral("-x");
    else if (name == QLatin1String("kitty") || name == QLatin1String("foot"))
        return commandLine; // they run whatever follows their own options
    return QStringList{option} + commandLine;
}

ApplicationCommand CommandFor(const QStringList& commandLine, bool inTerminal) {
    if (commandLine.isEmpty())
        return {};
    if (!inTerminal)
        return {commandLine.first(), JoinParameters(commandLine.mid(1))};
    const QStringList terminal = TerminalProgram();
    return {terminal.first(),
            JoinParameters(terminal.mid(1) + TerminalArguments(terminal.first(), commandLine))};
}
