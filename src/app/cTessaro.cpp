#include "app/cTessaro.h"

#include "carousel/cCarousel.h"
#include "desktop/modCentredMessageBox.h"
#include "desktop/modGeneral.h"
#include "launcher/CarouselFeed.h"
#include "launcher/cfMain.h"
#include "platform/SingleInstance.h"
#include "store/FirstStart.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"
#include "ui/CarouselSettingsTable.h"
#include "ui/frmCarouselSettings.h"
#include "ui/frmImagePicker.h"
#include "ui/frmSysTray.h"
#include "ui/frmTokenManager.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QThread>

cTessaro::cTessaro(const QString& pDatabasePath, QObject* parent) : QObject(parent) {
    FirstStart::CreateTokenDatabaseIfMissing(pDatabasePath, CarouselSettings::StoredStarter());
    mDatabase = std::make_unique<clsDatabase>(pDatabasePath);
    mDatabase->SetProblemReporter(ShowProblemMessage);
    mCarousel = std::make_unique<cCarousel>(mImages);
    mTokenManager = std::make_unique<cTokenManager>(*mDatabase, mImages);
    mTokenManager->SetProblemReporter(ShowProblemMessage);
    mMainWindow = std::make_unique<cfMain>(*mCarousel, *mTokenManager);
    mFeed = std::make_unique<CarouselFeed>(*mTokenManager, *mCarousel, &mMainWindow->Gate());
    mSysTray = std::make_unique<frmSysTray>(*mMainWindow, *mTokenManager);
    SetSoundSwitch(&mSound);
    WireWindows();
}

cTessaro::~cTessaro() {
    // The window and its timers stop, and work still waiting for an idle launcher is dropped, before
    // anything they use goes away; open windows go next. The members follow in reverse order of
    // creation, the database last (it compacts the file).
    mMainWindow->TearDown();
    mMainWindow->Gate().Clear();
    delete mTokenManagerWindow.data();
    delete mSettingsWindow.data();
    SetSoundSwitch(nullptr);
}

QString cTessaro::DefaultDatabasePath() {
    return FirstStart::TokenDatabasePath();
}

SettingsOwners cTessaro::Owners() {
    return SettingsOwners{*mCarousel, *mTokenManager, *mMainWindow, mSound};
}

void cTessaro::Init() {
    // The first frames get the cores: the images of other levels are composed once the window
    // has faded in.
    mTokenManager->HoldBackgroundImages();
    try {
        ApplyStoredSettings();
        // The level's images are composed once, at the ratio of the screen the window will most
        // likely open on; the window follows the ratio of the screen it does open on.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            mTokenManager->SetPixelRatio(screen->devicePixelRatio());
            mCarousel->SetPixelRatio(screen->devicePixelRatio());
        }
        mTokenManager->Init();
    } catch (...) {
        // Nothing was written yet: a start that fails here leaves the file exactly as it was.
        mDatabase->LeaveUncompacted();
        throw;
    }
    mMainWindow->Init(mSysTray.get());
    const auto images = mTokenManager->CurrentImages();
    const int count = images->Count();
    mCarousel->Build(count > 0 ? images->KeyAt(count / 2) : QString());
    mSysTray->Load();
    mMainWindow->Show();
    mTokenManager->ReleaseBackgroundImages();
}

void cTessaro::ApplyStoredSettings() {
    SqlRowSet rows = mDatabase->GetSettings();
    if (const auto values = CarouselSettings::FromRow(rows))
        CarouselSettings::Apply(Owners(), *values);
}

CarouselSettingsValues cTessaro::LiveSettings() {
    return CarouselSettings::Live(Owners());
}

void cTessaro::WhenIdle(std::function<void()> pWork) {
    mMainWindow->Gate().RunWhenIdle([this, work = std::move(pWork)] {
        if (!mShuttingDown)
            work();
    });
}

// The tray and the main window keep each other informed: the first menu item names the next action,
// and closing the main window ends the program through the tray window. The carousel's mouse
// shortcuts open nothing while the image picker is on screen.
void cTessaro::WireWindows() {
    cfMain& window = *mMainWindow;
    frmSysTray* tray = mSysTray.get();
    connect(&window, &cfMain::ShownStateChanged, tray, [tray](bool shown) {
        tray->SetShowHideCaption(shown ? QStringLiteral("Hide") : QStringLiteral("Show"));
    });
    connect(&window, &cfMain::ShownStateChanged, this, [this](bool shown) {
        if (!shown)
            TellHowToComeBack();
    });
    connect(&window, &cfMain::Unloaded, tray, [this, tray] { WhenIdle([tray] { tray->Unload(); }); });
    connect(&window, &cfMain::CarouselSettingsRequested, this, [this] {
        if (!frmImagePicker::IsOnScreen())
            ShowCarouselSettings();
    });
    connect(&window, &cfMain::TokenManagerRequested, this, [this] {
        if (!frmImagePicker::IsOnScreen())
            ShowTokenManager();
    });
    connect(tray, &frmSysTray::TokenManagerRequested, this, &cTessaro::ShowTokenManager);
    connect(tray, &frmSysTray::CarouselSettingsRequested, this, &cTessaro::ShowCarouselSettings);
    connect(tray, &frmSysTray::Unloaded, this, [this, tray] { ShutDown(tray); });
    // A session manager ends the program with SIGTERM, or through Qt's session management (the
    // application quits): either way the windows close as Exit closes them.
    // Dialogs open in a handler would keep the launcher busy past the signal: they are answered first.
    connect(&mTermination, &TerminationSignals::TerminationRequested, this, [this] {
        AnswerDialogsUnattended();
        WhenIdle([this] { ShutDown(mSysTray.get()); });
    });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { ShutDown(mSysTray.get()); });
}

// Where the desktop shows no tray (GNOME's default), a hidden launcher has no icon to come back from:
// the first time it hides, it says once how to bring it back.
void cTessaro::TellHowToComeBack() {
    if (mComeBackToldOnce || QSystemTrayIcon::isSystemTrayAvailable())
        return;
    mComeBackToldOnce = true;
    // A notice of its own title (only the launcher's window is called "Tessaro") that does not take
    // the keyboard.
    WhenIdle([] {
        ShowNotice(
            QStringLiteral("Tessaro is hidden, and this desktop shows no tray icon to bring it back.\n\n"
                           "Press Ctrl+Alt+L, or bind the command \"tessaro --toggle\" to a key in the "
                           "desktop's keyboard settings."),
            QStringLiteral("Tessaro is hidden"));
    });
}

void cTessaro::AnswerLaterCopies(SingleInstance& pChannel) {
    connect(&pChannel, &SingleInstance::ActivationRequested, this,
            [this] { WhenIdle([this] { ShowLauncher(); }); });
    // --toggle and --hide from a later copy act as the tray's first item does, so its caption follows.
    connect(&pChannel, &SingleInstance::ToggleRequested, this,
            [this] { mSysTray->mnuPopup_Click(frmSysTray::ShowHide); });
    connect(&pChannel, &SingleInstance::HideRequested, this, [this] {
        WhenIdle([this] {
            if (mMainWindow->IsShown())
                mSysTray->mnuPopup_Click(frmSysTray::ShowHide);
        });
    });
}

void cTessaro::ShowLauncher() {
    mMainWindow->Show();
}

frmTokenManager* cTessaro::ShowTokenManager() {
    if (!mTokenManagerWindow)
        mTokenManagerWindow = new frmTokenManager(*mTokenManager, *mCarousel);
    ShowAndActivate(mTokenManagerWindow);
    return mTokenManagerWindow;
}

frmCarouselSettings* cTessaro::ShowCarouselSettings() {
    if (!mSettingsWindow) {
        mSettingsWindow = new frmCarouselSettings(Owners(), *mDatabase);
        mSettingsWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    ShowAndActivate(mSettingsWindow);
    return mSettingsWindow;
}

void cTessaro::ShutDown(QWidget* pCaller) {
    if (mShuttingDown)
        return;
    mShuttingDown = true;
    // The main window stops its timers and closes without announcing it, then every other window
    // closes (their own close handlers run), then the caller.
    mMainWindow->TearDown();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != pCaller && window->isVisible())
            window->close();
    if (pCaller)
        pCaller->hide();
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}
