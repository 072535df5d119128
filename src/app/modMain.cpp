#include "app/modMain.h"

#include "app/TessaroApplication.h"
#include "app/cTessaro.h"
#include "app/modGeneral.h"
#include "carousel/cfMain.h"
#include "platform/ImageList.h"
#include "platform/RuntimeError.h"
#include "platform/SingleInstance.h"
#include "platform/SoundPlayer.h"
#include "store/cTokenManager.h"
#include "ui/Forms.h"
#include "ui/frmCarouselSettings.h"
#include "ui/frmSysTray.h"

#include <QDir>
#include <QFontDatabase>
#include <QThread>

namespace {
std::unique_ptr<SingleInstance> gInstance;
std::unique_ptr<ImageList> gImageList;
std::unique_ptr<frmSysTray> gSysTray;
std::unique_ptr<cTessaro> gController;
bool gShuttingDown = false;

// When another copy runs, it is asked to show its window and this copy ends. Otherwise this copy
// answers later copies by showing and activating the launcher.
bool handOverToRunningCopy() {
    gInstance = std::make_unique<SingleInstance>();
    if (ActivatePreviousInstance(*gInstance))
        return true;
    QObject::connect(gInstance.get(), &SingleInstance::ActivationRequested, [] {
        if (gController && !gShuttingDown)
            gController->ShowLauncher();
    });
    return false;
}

// The tray and the main window keep each other informed: the first menu item names the next action,
// and closing the main window ends the program through the tray window.
void connectWindows() {
    cfMain& window = gController->MainWindow();
    QObject::connect(&window, &cfMain::ShownStateChanged, gSysTray.get(), [](bool shown) {
        gSysTray->SetShowHideCaption(shown ? QStringLiteral("Hide") : QStringLiteral("Show"));
    });
    QObject::connect(&window, &cfMain::Unloaded, gSysTray.get(), [] { gSysTray->Unload(); });
    QObject::connect(&window, &cfMain::CarouselSettingsRequested, gSysTray.get(), [] {
        if (!ImagePickerVisible())
            ShowCarouselSettings();
    });
    QObject::connect(&window, &cfMain::TokenManagerRequested, gSysTray.get(), [] {
        if (!ImagePickerVisible())
            ShowTokenManager();
    });
    QObject::connect(gSysTray.get(), &frmSysTray::TokenManagerRequested, gSysTray.get(),
                     [] { ShowTokenManager(); });
    QObject::connect(gSysTray.get(), &frmSysTray::CarouselSettingsRequested, gSysTray.get(),
                     [] { ShowCarouselSettings(); });
}

cTessaro& controller() {
    if (!gController)
        throw RuntimeError(91, QStringLiteral("modMain"), QStringLiteral("Object variable not set"));
    return *gController;
}
} // namespace

cfMain& MainWindow() {
    return controller().MainWindow();
}
cCarousel& Carousel() {
    return controller().Carousel();
}
cTokenManager& TokenManager() {
    return controller().TokenManager();
}
clsDatabase& Database() {
    return controller().Database();
}
cTessaro& Controller() {
    return controller();
}
bool ControllerExists() {
    return gController != nullptr;
}
std::shared_ptr<cToken> ActiveToken() {
    return TokenManager().ActiveToken();
}
std::shared_ptr<cToken> CurrentRootToken() {
    return TokenManager().Item(TokenManager().CurrentRootKey());
}

ImageList& SharedImageList() {
    if (!gImageList)
        gImageList = std::make_unique<ImageList>();
    return *gImageList;
}

void LoadPrivateFont(const QString& pFontName) {
    QFontDatabase::addApplicationFont(
        QDir(QCoreApplication::applicationDirPath()).filePath(pFontName + ".ttf"));
}

frmSysTray* SysTrayForm() {
    return gSysTray.get();
}

void StartUp(const QString& pDatabasePath) {
    gShuttingDown = false;
    SharedImageList();
    gSysTray = std::make_unique<frmSysTray>();
    // The controller comes before the tray icon, so that a database that cannot be used is reported
    // without an icon appearing first.
    gController = std::make_unique<cTessaro>(pDatabasePath, SharedImageList(), gSysTray.get());
    gSysTray->Load();
    connectWindows();
    gController->Init();
}

void ShutDown(QWidget* pCaller) {
    if (gShuttingDown)
        return;
    gShuttingDown = true;
    // The main window stops its timers and closes without announcing it, then every other window
    // closes (their own close handlers run), then the caller.
    if (gController)
        gController->MainWindow().TearDown();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != pCaller && window->isVisible())
            window->close();
    if (pCaller)
        pCaller->hide();
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
    else
        ReleaseProgram();
}

void ReleaseProgram() {
    gController.reset();
    gSysTray.reset();
    gImageList.reset();
    SoundPlayer::Instance().Shutdown();
}

int Main(int argc, char* argv[]) {
    TessaroApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaro"));
    QApplication::setQuitOnLastWindowClosed(false);
    const int code = RunGuarded([&] {
        if (handOverToRunningCopy())
            return 0;
        LoadPrivateFont(QStringLiteral("TessaroGlyphs"));
        StartUp(cTessaro::DefaultDatabasePath());
        return app.exec();
    });
    // Also after a failure: nothing of the program may outlive the application object.
    ReleaseProgram();
    gInstance.reset();
    return code;
}
