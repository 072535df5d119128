#include "LaunchOptions.h"

LaunchOptions ParseLaunchOptions(const QStringList& pArguments) {
    using Action = LaunchOptions::Action;
    static const QList<std::pair<QString, Action>> known{
        {QStringLiteral("--show"), Action::Show}, {QStringLiteral("--toggle"), Action::Toggle},
        {QStringLiteral("--hide"), Action::Hide}, {QStringLiteral("--help"), Action::Help},
        {QStringLiteral("-h"), Action::Help},     {QStringLiteral("--version"), Action::Version}};
    LaunchOptions options;
    for (const QString& argument : pArguments) {
        Action found = Action::Invalid;
        for (const auto& [name, action] : known)
            if (argument == name)
                found = action;
        if (found == Action::Invalid) {
            return {Action::Invalid, argument.startsWith(QLatin1Char('-'))
                                         ? QStringLiteral("unknown option '%1'").arg(argument)
                                         : QStringLiteral("unexpected argument '%1'").arg(argument)};
        }
        // Printing wins over acting; of two requests the later one counts.
        if (options.action == Action::Help || options.action == Action::Version)
            continue;
        options.action = found;
    }
    return options;
}

QString UsageText() {
    return QStringLiteral(
        "Usage: tessaro [--show | --toggle | --hide | --help | --version]\n"
        "\n"
        "Without an option, starts the launcher (or brings a running one forward).\n"
        "  --show     show the running launcher; start it when none runs\n"
        "  --toggle   hide the running launcher when shown, else show it; start it when none runs\n"
        "  --hide     hide the running launcher; nothing happens when none runs\n"
        "  --help     print this text\n"
        "  --version  print the version\n"
        "Bind \"tessaro --toggle\" to a key in the desktop's keyboard settings where the\n"
        "launcher's own hot key (Ctrl+Alt+L) cannot be had.\n");
}

QString VersionText() {
    return QStringLiteral("Tessaro %1\n").arg(QStringLiteral(TESSARO_VERSION));
}
