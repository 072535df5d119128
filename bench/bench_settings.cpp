// A change of look in the Settings window with 1,000 tokens: the longest the event loop goes without
// running, and how long the level on show takes to show its new images.
#include "BenchDatabase.h"
#include "BenchRunner.h"

#include "carousel/cCarousel.h"
#include "desktop/modSound.h"
#include "launcher/CarouselFeed.h"
#include "launcher/cfMain.h"
#include "platform/ImageList.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"
#include "ui/CarouselSettingsTable.h"
#include "ui/frmCarouselSettings.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

namespace {

constexpr int FillOpacitySlider = 12;

// The launcher's parts as the controller wires them, on a database of 1,000 tokens, 20 on the first
// level; the settings window open on them.
struct Launcher {
    QTemporaryDir dir;
    ImageList images;
    SoundSwitch sound;
    clsDatabase database{WriteBenchDatabase(dir, "regenerate.db", 1000, 20)};
    cCarousel carousel{images};
    cTokenManager manager{database, images};
    CarouselFeed feed{manager, carousel};
    cfMain window{carousel, manager};

    Launcher() {
        sound.EnableSound(false);
        window.Init(nullptr);
        SqlRowSet settings = database.GetSettings();
        CarouselSettings::Apply(Owners(), *CarouselSettings::FromRow(settings));
        manager.Init();
        const auto current = manager.CurrentImages();
        carousel.Build(current->KeyAt(current->Count() / 2));
        window.Show();
    }
    SettingsOwners Owners() { return SettingsOwners{carousel, manager, window, sound}; }
};

QList<qint64> currentIdentities(const cTokenManager& manager) {
    QList<qint64> identities;
    for (const auto& [key, image] : *manager.CurrentImages())
        identities << image.cacheKey();
    return identities;
}

// Whether no image of the level on show is one it had before.
bool allReplaced(const QList<qint64>& now, const QList<qint64>& before) {
    for (qint64 id : now)
        if (before.contains(id))
            return false;
    return !now.isEmpty();
}

struct Regeneration {
    double maxStall = 0; // ms
    double visible = 0;  // ms from the change to the first frame with the level's new images
};

// Moves the fill opacity slider and runs the event loop until every token image is composed again,
// watching the gaps between the ticks of a 2 ms timer.
Regeneration changeOfLook(Launcher& launcher, QScrollBar* slider, int value) {
    Regeneration result;
    const QList<qint64> before = currentIdentities(launcher.manager);
    QElapsedTimer clock;
    QEventLoop loop;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    double lastTick = 0;
    QObject::connect(&ticks, &QTimer::timeout, &loop, [&] {
        const double now = clock.nsecsElapsed() / 1e6;
        result.maxStall = std::max(result.maxStall, now - lastTick);
        lastTick = now;
        if (launcher.manager.PendingImages() == 0 && result.visible > 0)
            loop.quit();
    });
    const auto frames = QObject::connect(&launcher.carousel, &cCarousel::Refreshed, &loop, [&] {
        if (result.visible == 0 && allReplaced(currentIdentities(launcher.manager), before))
            result.visible = clock.nsecsElapsed() / 1e6;
    });
    QTimer::singleShot(0, &loop, [&] {
        clock.start();
        lastTick = 0;
        ticks.start(2);
        slider->setValue(value);
    });
    loop.exec();
    QObject::disconnect(frames);
    return result;
}

BenchRegistration
    reg({"settings.regenerate.1000.max_stall", "settings.regenerate.1000.visible"}, [](BenchContext& c) {
        Launcher launcher;
        frmCarouselSettings settings(launcher.Owners(), launcher.database);
        settings.show();
        auto* slider =
            settings.findChild<QScrollBar*>(QStringLiteral("HScrollSetting%1").arg(FillOpacitySlider));
        const int first = slider->value();
        std::vector<double> stalls, visible;
        for (int run = 0; run < 6; ++run) {
            const Regeneration r = changeOfLook(launcher, slider, run % 2 ? first : first + 10);
            if (run == 0)
                continue; // warm-up
            stalls.push_back(r.maxStall);
            visible.push_back(r.visible);
        }
        c.Report("settings.regenerate.1000.max_stall", "ms", stalls);
        c.Report("settings.regenerate.1000.visible", "ms", visible);
    });

} // namespace
