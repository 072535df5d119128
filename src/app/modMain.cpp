#include "app/modMain.h"

#include "app/LaunchOptions.h"
#include "app/TessaroApplication.h"
#include "app/cTessaro.h"
#include "desktop/modGeneral.h"
#include "platform/DesktopSession.h"
#include "platform/MemoryUse.h"
#include "platform/ProgramFiles.h"
#include "platform/SingleInstance.h"
#include "platform/SoundPlayer.h"

#include <QFontDatabase>
#include <cstdio>

void LoadPrivateFont(const QString& pFontName) {
    QFontDatabase::addApplicationFont(ProgramFiles::Path(pFontName + ".ttf"));
}

namespace {
using Action = LaunchOptions::Action;

// Prints what the options ask to print; the exit code, or -1 when the program goes on.
int PrintedOnly(const LaunchOptions& pOptions) {
    switch (pOptions.action) {
    case Action::Help:
        std::fputs(qPrintable(UsageText()), stdout);
        return 0;
    case Action::Version:
        std::fputs(qPrintable(VersionText()), stdout);
        return 0;
    case Action::Invalid:
        std::fprintf(stderr, "tessaro: %s\n\n%s", qPrintable(pOptions.problem), qPrintable(UsageText()));
        return 2;
    default:
        return -1;
    }
}

// Hands --show, --toggle or --hide to the copy that runs; true when one took it (or, for --hide,
// when there is nothing to hide). No display is needed for that.
bool HandedToRunningCopy(const LaunchOptions& pOptions, int argc, char* argv[]) {
    if (pOptions.action == Action::Start)
        return false;
    QCoreApplication app(argc, argv);
    const SingleInstance::Request request = pOptions.action == Action::Toggle
                                                ? SingleInstance::Request::Toggle
                                            : pOptions.action == Action::Hide ? SingleInstance::Request::Hide
                                                                              : SingleInstance::Request::Show;
    return SingleInstance().TellRunningCopy(request) || pOptions.action == Action::Hide;
}
} // namespace

int Main(int argc, char* argv[]) {
    ReturnFreedMemoryPromptly();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const LaunchOptions options = ParseLaunchOptions(arguments);
    if (const int code = PrintedOnly(options); code >= 0)
        return code;
    if (HandedToRunningCopy(options, argc, argv))
        return 0;
    ChoosePlatformForSession();
    QString whyNot;
    if (!DesktopSessionReachable(&whyNot)) {
        std::fprintf(stderr, "Tessaro needs a desktop session: %s.\n", qPrintable(whyNot));
        return 1;
    }
    TessaroApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaro"));
    QApplication::setQuitOnLastWindowClosed(false);
    SingleInstance instance;
    std::unique_ptr<cTessaro> root;
    const int code = RunGuarded([&] {
        // When another copy runs, it is asked to show its window and this copy ends.
        if (ActivatePreviousInstance(instance))
            return 0;
        LoadPrivateFont(QStringLiteral("TessaroGlyphs"));
        root = std::make_unique<cTessaro>(cTessaro::DefaultDatabasePath());
        root->AnswerLaterCopies(instance);
        root->Init();
        return app.exec();
    });
    // Also after a failure: nothing of the program may outlive the application object.
    root.reset();
    SoundPlayer::Instance().Shutdown();
    return code;
}
