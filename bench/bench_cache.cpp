// The token image cache: a forced rebuild composes every active token's image, on every core.
#include "BenchDatabase.h"
#include "BenchRunner.h"

#include "carousel/cCarousel.h"
#include "launcher/CarouselFeed.h"
#include "platform/ImageList.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"

#include <QEventLoop>
#include <QTemporaryDir>

namespace {

void forcedRebuild(BenchContext& c, int tokens, int runs) {
    QTemporaryDir dir;
    const QString path = WriteBenchDatabase(dir, QStringLiteral("cache%1.db").arg(tokens), tokens, 20);
    clsDatabase database(path);
    ImageList images;
    cCarousel carousel(images);
    cTokenManager manager(database, images);
    CarouselFeed feed(manager, carousel);
    manager.LoadAllTokens();
    // The workers compose the images; the event loop files them as they arrive.
    const auto samples = MeasureMilliseconds(1, runs, [&] {
        QEventLoop loop;
        QObject::connect(&manager, &cTokenManager::ImagesComposed, &loop, &QEventLoop::quit);
        manager.RebuildImageCache(true);
        if (manager.PendingImages() > 0)
            loop.exec();
    });
    if (manager.CurrentImages()->Count() != 20)
        qFatal("expected 20 images on the first level, got %d", manager.CurrentImages()->Count());
    c.Report(QStringLiteral("cache.rebuild.%1").arg(tokens), "ms", samples);
}

BenchRegistration reg({"cache.rebuild.100", "cache.rebuild.1000"}, [](BenchContext& c) {
    forcedRebuild(c, 100, 7);
    forcedRebuild(c, 1000, 3);
});

} // namespace
