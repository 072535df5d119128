#include "BenchRunner.h"

#include "platform/Resources.h"
#include "platform/SoundPlayer.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

// The time Play takes on the user-interface thread for the first sound after the device was closed
// (a quiet spell closes it): what a frame that plays "STEP" after a pause waits for. The audio driver
// is the environment's (SDL_AUDIODRIVER); with none set and no sound server SDL falls back to its
// dummy driver.
const BenchRegistration soundRegistration({"sound.first_after_quiet"}, [](BenchContext& context) {
    const QByteArray step = LoadResource(QStringLiteral("SOUND"), QStringLiteral("STEP"));
    SoundPlayer& player = SoundPlayer::Instance();
    std::vector<double> samples;
    for (int run = 0; run < 8; ++run) {
        player.Shutdown(); // as after a quiet spell: the device is closed
        QElapsedTimer timer;
        timer.start();
        player.Play(step);
        const double elapsed = timer.nsecsElapsed() / 1e6;
        if (!QTest::qWaitFor([&] { return !player.IsPlaying(); }, 5000))
            qFatal("the sound did not end");
        if (run > 0) // the first run also converts the sound once
            samples.push_back(elapsed);
    }
    player.Shutdown();
    context.Report(QStringLiteral("sound.first_after_quiet"), QStringLiteral("ms"), samples);
});

} // namespace
