#include "app/modMain.h"

#include "app/TessaroApplication.h"
#include "app/cTessaro.h"
#include "desktop/modGeneral.h"
#include "platform/DesktopSession.h"
#include "platform/ProgramFiles.h"
#include "platform/SingleInstance.h"
#include "platform/SoundPlayer.h"

#include <QFontDatabase>
#include <cstdio>

void LoadPrivateFont(const QString& pFontName) {
    QFontDatabase::addApplicationFont(ProgramFiles::Path(pFontName + ".ttf"));
}

int Main(int argc, char* argv[]) {
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
