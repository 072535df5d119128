#pragma once

#include "TokenDbFixture.h"
#include "carousel/cCarousel.h"
#include "desktop/modCentredMessageBox.h"
#include "launcher/CarouselFeed.h"
#include "platform/ImageList.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"

#include <QTemporaryDir>
#include <memory>

// A token manager on a real database file in a temporary folder, with a real carousel and image
// list wired as the application wires them (the carousel shows the manager's current images).
struct StoreRig {
    explicit StoreRig(const QList<TokenDbFixture::Row>& rows, bool withSettingsRow = true) {
        path = dir.filePath("Tokens.db");
        TokenDbFixture::Create(path, withSettingsRow);
        TokenDbFixture::AddRows(path, rows);
        database = std::make_unique<clsDatabase>(path);
        carousel = std::make_unique<cCarousel>(images);
        manager = std::make_unique<cTokenManager>(*database, images);
        manager->SetProblemReporter(ShowProblemMessage);
        feed = std::make_unique<CarouselFeed>(*manager, *carousel);
    }
    ~StoreRig() {
        feed.reset();
        manager.reset();
        carousel.reset();
        database.reset();
    }

    QTemporaryDir dir;
    QString path;
    ImageList images;
    std::unique_ptr<clsDatabase> database;
    std::unique_ptr<cCarousel> carousel;
    std::unique_ptr<CarouselFeed> feed;
    std::unique_ptr<cTokenManager> manager;
};
