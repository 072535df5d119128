#pragma once

#include "app/modSound.h"

#include <QObject>
#include <QString>
#include <memory>

class cCarousel;
class cfMain;
class clsDatabase;
class cTokenManager;
class ImageList;
class QWidget;
struct CarouselSettingsValues;

// The application controller: owns the database, the carousel model, the token manager and the
// main window, creates them in that order and applies the stored settings before anything is built.
class cTessaro : public QObject {
    Q_OBJECT
public:
    // Opens (on the first start: creates) the database at pDatabasePath, then creates the carousel,
    // the token manager and the main window, whose window will be owned by pOwner.
    cTessaro(const QString& pDatabasePath, ImageList& pSharedImages, QWidget* pOwner,
             QObject* parent = nullptr);
    ~cTessaro() override;

    // Applies the settings, loads the tokens, builds the carousel with the middle token in front
    // and shows the window.
    void Init();

    // Shows the launcher window and brings it to the front (a second start, the tray, the hot key).
    void ShowLauncher();

    cfMain& MainWindow() const { return *mMainWindow; }
    cTokenManager& TokenManager() const { return *mTokenManager; }
    cCarousel& Carousel() const { return *mCarousel; }
    clsDatabase& Database() const { return *mDatabase; }

    void EnableSound(bool pEnabled) { mSound.EnableSound(pEnabled); }
    bool SoundEnabled() const { return mSound.SoundEnabled(); }

    // The live values of the 21 settings, as the settings row stores them.
    CarouselSettingsValues LiveSettings() const;

    // The database file used when none is given: <data folder>/Tessaro/Tokens.db.
    static QString DefaultDatabasePath();

private:
    void ApplySettings();
    void Apply(const CarouselSettingsValues& pValues);

    // Members in declaration order; created Database, Carousel, TokenManager, MainWindow.
    std::unique_ptr<cfMain> mMainWindow;
    std::unique_ptr<cTokenManager> mTokenManager;
    std::unique_ptr<cCarousel> mCarousel;
    std::unique_ptr<clsDatabase> mDatabase;
    SoundSwitch mSound;
    QWidget* mOwner;
};
