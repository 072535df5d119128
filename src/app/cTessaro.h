#pragma once

#include "desktop/modSound.h"
#include "platform/ImageList.h"
#include "platform/TerminationSignals.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class CarouselFeed;
class cCarousel;
class cfMain;
class clsDatabase;
class cTokenManager;
class frmCarouselSettings;
class frmSysTray;
class frmTokenManager;
class QWidget;
class SingleInstance;
struct CarouselSettingsValues;
struct SettingsOwners;

// The composition root: owns every long-lived object of the program and wires them together in one
// place. Members are created in dependency order (the shared image list and sound switch, the
// database, the carousel, the token manager, the main window, the feed from tokens to carousel, the
// hidden tray window) and released in the reverse order, the database last so that it is compacted
// after everything that writes it has gone. The Token Manager and Settings windows are made on first
// use and reused while open.
class cTessaro : public QObject {
    Q_OBJECT
public:
    // Opens (on the first start: creates) the database at pDatabasePath and creates the objects over
    // it; nothing is shown yet. A database that cannot be used throws before any window or icon.
    explicit cTessaro(const QString& pDatabasePath, QObject* parent = nullptr);
    ~cTessaro() override;

    // Applies the stored settings, loads the tokens, builds the carousel with the middle token in
    // front, puts the tray icon and hot key in place and shows the launcher.
    void Init();

    // A later copy of the program asks this one to come forward (over pChannel).
    void AnswerLaterCopies(SingleInstance& pChannel);

    // Shows the launcher window and brings it to the front (a second start, the tray, the hot key).
    void ShowLauncher();
    // The program's one Token Manager and Settings windows: made on first use, brought to the
    // front while open.
    frmTokenManager* ShowTokenManager();
    frmCarouselSettings* ShowCarouselSettings();

    // Ends the program: the main window stops its timers and closes, every other window closes (its
    // own close handling stores what it holds), then the caller hides. Inside the event loop the loop
    // is asked to end; the owner of this object releases it afterwards. Runs once. Exit, closing the
    // launcher, SIGTERM, SIGINT, SIGHUP and the end of the desktop session all end here.
    void ShutDown(QWidget* pCaller);
    bool IsShuttingDown() const { return mShuttingDown; }

    cfMain& MainWindow() const { return *mMainWindow; }
    cTokenManager& TokenManager() const { return *mTokenManager; }
    cCarousel& Carousel() const { return *mCarousel; }
    clsDatabase& Database() const { return *mDatabase; }
    frmSysTray& SysTrayForm() const { return *mSysTray; }
    ImageList& SharedImages() { return mImages; }

    void EnableSound(bool pEnabled) { mSound.EnableSound(pEnabled); }
    bool SoundEnabled() const { return mSound.SoundEnabled(); }
    // The live values of the carousel settings, as the settings row stores them.
    CarouselSettingsValues LiveSettings();

    // The database file used when none is given: <data folder>/Tessaro/Tokens.db.
    static QString DefaultDatabasePath();

private:
    SettingsOwners Owners();
    void ApplyStoredSettings();
    void WireWindows();
    // Work that arrives from outside the user's keys and mouse waits while the launcher is busy.
    void WhenIdle(std::function<void()> pWork);

    ImageList mImages;
    SoundSwitch mSound;
    TerminationSignals mTermination;
    std::unique_ptr<clsDatabase> mDatabase;
    std::unique_ptr<cCarousel> mCarousel;
    std::unique_ptr<cTokenManager> mTokenManager;
    std::unique_ptr<cfMain> mMainWindow;
    std::unique_ptr<CarouselFeed> mFeed;
    std::unique_ptr<frmSysTray> mSysTray;
    QPointer<frmTokenManager> mTokenManagerWindow;
    QPointer<frmCarouselSettings> mSettingsWindow;
    bool mShuttingDown = false;
};
