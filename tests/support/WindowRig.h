#pragma once

#include "TokenDbFixture.h"
#include "carousel/cCarousel.h"
#include "desktop/modCentredMessageBox.h"
#include "launcher/CarouselFeed.h"
#include "launcher/FramePacing.h"
#include "platform/ImageList.h"
#include "store/FirstStart.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"
#include "ui/CarouselSettingsTable.h"

#include <QTemporaryDir>
#include <memory>

// The carousel's model side as the application wires it, on a real token database in a temporary
// folder: database, carousel (showing the token manager's current images) and token manager, loaded.
// Frame pacing is off, so moves run at full speed.
struct WindowRig {
    // A database with the given rows under the root ("Root", ID1).
    explicit WindowRig(const QList<TokenDbFixture::Row>& rows, int imageSize = 100, int width = 500) {
        path = dir.filePath("Tokens.db");
        TokenDbFixture::Create(path, false);
        TokenDbFixture::AddRows(path, rows);
        open(imageSize, width);
    }
    // The database a first start creates (the starter tree).
    struct Starter {};
    explicit WindowRig(Starter, int imageSize = 100, int width = 500) {
        path = dir.filePath("Tessaro/Tokens.db");
        FirstStart::CreateTokenDatabaseIfMissing(path, CarouselSettings::StoredStarter());
        open(imageSize, width);
    }
    ~WindowRig() {
        feed.reset();
        manager.reset();
        carousel.reset();
        database.reset();
    }

    // Builds the carousel with the middle image of the current level in front, as start-up does.
    void BuildMiddle() {
        const auto current = manager->CurrentImages();
        carousel->Build(current->Count() > 0 ? current->KeyAt(current->Count() / 2) : QString());
    }
    QString ActiveCaption() const {
        const auto token = manager->ActiveToken();
        return token ? token->Caption() : QString();
    }

    QTemporaryDir dir;
    QString path;
    ImageList images;
    std::unique_ptr<clsDatabase> database;
    std::unique_ptr<cCarousel> carousel;
    std::unique_ptr<CarouselFeed> feed;
    std::unique_ptr<cTokenManager> manager;

private:
    void open(int imageSize, int width) {
        FramePacer::SetInterval(0);
        database = std::make_unique<clsDatabase>(path);
        carousel = std::make_unique<cCarousel>(images);
        carousel->SetImageSize(imageSize, imageSize);
        carousel->SetWidth(width);
        manager = std::make_unique<cTokenManager>(*database, images);
        manager->SetProblemReporter(ShowProblemMessage);
        manager->SetImageSize(imageSize);
        feed = std::make_unique<CarouselFeed>(*manager, *carousel);
        manager->Init();
        // The images off the level on show too, so that counts of composed images start settled.
        manager->FinishPendingImages();
    }
};
