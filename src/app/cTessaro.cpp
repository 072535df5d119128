#include "app/cTessaro.h"

#include "carousel/cCarousel.h"
#include "carousel/cfMain.h"
#include "platform/FileServices.h"
#include "store/CarouselSettings.h"
#include "store/FirstStart.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"

#include <QDir>

cTessaro::cTessaro(const QString& pDatabasePath, ImageList& pSharedImages, QWidget* pOwner, QObject* parent)
    : QObject(parent), mOwner(pOwner) {
    FirstStart::CreateTokenDatabaseIfMissing(pDatabasePath);
    mDatabase = std::make_unique<clsDatabase>(pDatabasePath);
    mCarousel = std::make_unique<cCarousel>(pSharedImages);
    mTokenManager = std::make_unique<cTokenManager>(*mDatabase, *mCarousel, pSharedImages);
    mMainWindow = std::make_unique<cfMain>(*mCarousel, *mTokenManager);
    SetSoundSwitch(&mSound);
}

cTessaro::~cTessaro() {
    // The window and its timers stop before anything they use goes away; then the members are
    // released database first (which compacts the file), token manager, carousel, main window.
    if (mMainWindow)
        mMainWindow->TearDown();
    SetSoundSwitch(nullptr);
    mDatabase.reset();
    mTokenManager.reset();
    mCarousel.reset();
    mMainWindow.reset();
}

QString cTessaro::DefaultDatabasePath() {
    return QDir(FileServices::AppDataFolder()).filePath(QStringLiteral("Tessaro/Tokens.db"));
}

void cTessaro::Init() {
    try {
        ApplySettings();
        mTokenManager->Init();
    } catch (...) {
        // Nothing was written yet: a start that fails here leaves the file exactly as it was.
        mDatabase->LeaveUncompacted();
        throw;
    }
    mCarousel->SetImages(mTokenManager->CurrentImages());
    mMainWindow->Init(mOwner);
    const auto images = mTokenManager->CurrentImages();
    const int count = images->Count();
    mCarousel->Build(count > 0 ? images->KeyAt(count / 2) : QString());
    mMainWindow->Show();
}

void cTessaro::ShowLauncher() {
    mMainWindow->Show();
}

void cTessaro::ApplySettings() {
    SqlRowSet rows = mDatabase->GetSettings();
    if (const auto values = CarouselSettings::FromRow(rows))
        Apply(*values);
}

void cTessaro::Apply(const CarouselSettingsValues& v) {
    mCarousel->SetCapacity(v.Capacity);
    mCarousel->SetMoveIncrements(v.MoveIncrements);
    mCarousel->SetWidth(v.Width);
    mCarousel->SetTilt(v.Tilt);
    mCarousel->SetForeItemScale(v.ForeItemScale);
    mCarousel->SetRearItemScale(v.RearItemScale);
    mCarousel->SetReflectionEffects(v.ReflectionStrength, v.ReflectionStretch);
    mCarousel->SetTintEffects(v.TintColour, v.TintStrength, v.DepthDarkening);
    mCarousel->SetImageSize(v.ImageSize, v.ImageSize);
    mCarousel->SetOrbitImageOpacity(v.OrbitImageOpacity);
    mTokenManager->SetTextColour(v.CaptionColour);
    mTokenManager->SetTextOutlineColour(v.CaptionOutlineColour);
    mCarousel->SetOverflowEffects(v.OverflowFade, v.OverflowZoom);
    mTokenManager->SetFillColour(v.TokenFillColour);
    mTokenManager->SetFillOpacity(v.TokenFillOpacity);
    mMainWindow->SetRenderScale(v.RenderScale);
    mSound.EnableSound(v.SoundEnabled);
}

CarouselSettingsValues cTessaro::LiveSettings() const {
    CarouselSettingsValues v;
    v.Capacity = mCarousel->Capacity();
    v.MoveIncrements = mCarousel->MoveIncrements();
    v.RenderScale = mMainWindow->RenderScale();
    v.Width = mCarousel->Width();
    v.Tilt = mCarousel->Tilt();
    v.ImageSize = mCarousel->ImageSize();
    v.ForeItemScale = mCarousel->ForeItemScale();
    v.RearItemScale = mCarousel->RearItemScale();
    v.ReflectionStretch = mCarousel->ReflectionStretch();
    v.ReflectionStrength = mCarousel->ReflectionStrength();
    v.DepthDarkening = mCarousel->DepthDarkenPercent();
    v.TintStrength = mCarousel->TintStrength();
    v.TintColour = mCarousel->TintColour();
    v.CaptionColour = mTokenManager->TextColour();
    v.CaptionOutlineColour = mTokenManager->TextOutlineColour();
    v.OverflowFade = mCarousel->OverflowFade();
    v.OverflowZoom = mCarousel->OverflowZoom();
    v.OrbitImageOpacity = mCarousel->OrbitImageOpacity();
    v.TokenFillColour = mTokenManager->FillColour();
    v.TokenFillOpacity = mTokenManager->FillOpacity();
    v.SoundEnabled = mSound.SoundEnabled();
    return v;
}
