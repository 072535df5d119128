#include "app/modMain.h"

#include "app/TessaroApplication.h"
#include "app/cTessaro.h"
#include "app/modGeneral.h"
#include "platform/ImageList.h"
#include "platform/RuntimeError.h"
#include "platform/SoundPlayer.h"
#include "store/cTokenManager.h"
#include "ui/frmSysTray.h"

#include <QDir>
#include <QFontDatabase>

namespace {
std::unique_ptr<ImageList> gImageList;
std::unique_ptr<frmSysTray> gSysTray;
std::unique_ptr<cTessaro> gController;
bool gShuttingDown = false;

cTessaro& controller() {
    if (!gController)
        throw RuntimeError(91, QStringLiteral("modMain"), QStringLiteral("Object variable not set"));
    return *gController;
}
} // namespace

cfMain& MainWindow() { return controller().MainWindow(); }
cCarousel& Carousel() { return controller().Carousel(); }
cTokenManager& TokenManager() { return controller().TokenManager(); }
clsDatabase& Database() { return controller().Database(); }
cTessaro& Controller() { return controller(); }
bool ControllerExists() { return gController != nullptr; }
std::shared_ptr<cToken> ActiveToken() { return TokenManager().ActiveToken(); }
std::shared_ptr<cToken> CurrentRootToken() { return TokenManager().Item(TokenManager().CurrentRootKey()); }

ImageList& SharedImageList() {
    if (!gImageList)
        gImageList = std::make_unique<ImageList>();
    return *gImageList;
}

void LoadPrivateFont(const QString& pFontName) {
    QFontDatabase::addApplicationFont(QDir(QCoreApplication::applicationDirPath()).filePath(pFontName + ".ttf"));
}

void ShutDown(QWidget* pCaller) {
    if (gShuttingDown)
        return;
    gShuttingDown = true;
    // Every other window first (their own close handlers run), then the caller.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != pCaller && window->isVisible())
            window->close();
    if (pCaller)
        pCaller->hide();
    gController.reset();
    gImageList.reset();
    SoundPlayer::Instance().Shutdown();
    QCoreApplication::exit(0);
}

int Main(int argc, char* argv[]) {
    TessaroApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaro"));
    QApplication::setQuitOnLastWindowClosed(false);
    return RunGuarded([&] {
        if (ActivatePreviousInstance())
            return 0;
        LoadPrivateFont(QStringLiteral("TessaroGlyphs"));
        SharedImageList();
        gSysTray = std::make_unique<frmSysTray>();
        gController = std::make_unique<cTessaro>(cTessaro::DefaultDatabasePath(), SharedImageList(), gSysTray.get());
        gController->Init();
        const int code = app.exec();
        gController.reset();
        gSysTray.reset();
        return code;
    });
}
