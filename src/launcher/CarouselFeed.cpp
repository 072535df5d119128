#include "CarouselFeed.h"

#include "IdleGate.h"
#include "carousel/cCarousel.h"
#include "store/cTokenManager.h"

#include <optional>

CarouselFeed::CarouselFeed(cTokenManager& pTokens, cCarousel& pCarousel, IdleGate* pGate, QObject* parent)
    : QObject(parent), mCarousel(pCarousel), mGate(pGate) {
    mCarousel.SetImages(pTokens.CurrentImages());
    connect(&pTokens, &cTokenManager::OrbitImageChanged, this,
            [this](const QByteArray& pBytes) { mCarousel.SetOrbitImageBytes(pBytes); });
    connect(&pTokens, &cTokenManager::PlaceholderImageChanged, this,
            [this](const QImage& pImage) { mCarousel.SetUnusedCapacityImage(pImage); });
    connect(&pTokens, &cTokenManager::CurrentLevelChanged, this, &CarouselFeed::ShowChangedLevel);
    // New images arrive from the workers at any time, also in the middle of a move: the build
    // waits until the carousel is idle.
    connect(&pTokens, &cTokenManager::LevelImagesReplaced, this, [this] {
        if (mGate)
            mGate->RunWhenIdle([this] { ShowChangedLevel(QString(), false); });
        else
            ShowChangedLevel(QString(), false);
    });
}

void CarouselFeed::ShowChangedLevel(const QString& pFrontKey, bool pTurn) {
    std::optional<IdleGate::Busy> busy;
    if (mGate)
        busy.emplace(*mGate);
    if (!pTurn) {
        mCarousel.Build(pFrontKey);
        return;
    }
    mCarousel.Build(QString());
    if (mCarousel.Images().Exists(pFrontKey))
        mCarousel.MoveToKey(pFrontKey, 0);
}
