#include "WavImage.h"
#include "desktop/modSound.h"
#include "platform/SoundPlayer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
// 0.1 s of a loud square wave in the player's own output format, so the disk output must hold these
// very bytes once the sound has played.
QByteArray squareWaveSamples() {
    QList<std::int16_t> samples;
    const int frames = SoundPlayer::OutputRate / 10;
    for (int frame = 0; frame < frames; ++frame) {
        const std::int16_t level = (frame / 50) % 2 ? 9000 : -7000;
        samples << level << std::int16_t(-level);
    }
    return WavImage::FromInt16(samples);
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool allSilent(const QByteArray& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char byte) { return byte == 0; });
}
} // namespace

class TestSound : public QObject {
    Q_OBJECT
    QString mOutput;
    QByteArray mSamples = squareWaveSamples();
    QByteArray mWav = WavImage::Make(SoundPlayer::OutputRate, SoundPlayer::OutputChannels, 16, mSamples);

public:
    explicit TestSound(QString output) : mOutput(std::move(output)) {}

private slots:
    void cleanupTestCase() {
        SetSoundSwitch(nullptr);
        SoundPlayer::Instance().Shutdown();
    }

    // Runs first, before anything has opened the audio device: nothing may reach the disk output.
    void nothingPlaysWhileOff_data() {
        QTest::addColumn<bool>("registered");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("empty");
        QTest::newRow("no switch registered") << false << true << false;
        QTest::newRow("switch off") << true << false << false;
        QTest::newRow("empty image, switch on") << true << true << true;
    }
    void nothingPlaysWhileOff() {
        QFETCH(bool, registered);
        QFETCH(bool, enabled);
        QFETCH(bool, empty);
        SoundSwitch soundSwitch;
        soundSwitch.EnableSound(enabled);
        SetSoundSwitch(registered ? &soundSwitch : nullptr);
        PlaySoundBytes(empty ? QByteArray() : mWav);
        SetSoundSwitch(nullptr);
        QVERIFY(!SoundPlayer::Instance().IsPlaying());
        QVERIFY(allSilent(readAll(mOutput)));
    }

    // A sound started while the switch is on plays to its end even when the switch goes off at once
    // (a press animation mutes the sounds after the click has started).
    void soundPlaysWhileOnAndOutlivesMuting() {
        SoundSwitch soundSwitch;
        QVERIFY(soundSwitch.SoundEnabled());
        SetSoundSwitch(&soundSwitch);
        PlaySoundBytes(mWav);
        soundSwitch.EnableSound(false);
        SetSoundSwitch(nullptr);
        QVERIFY(SoundPlayer::Instance().IsPlaying());
        QVERIFY2(QTest::qWaitFor([&] { return readAll(mOutput).contains(mSamples); }, 30000),
                 "the sound never reached the disk output");
    }

    // Once the device is open it writes silence continuously: whatever it writes after a call made
    // with the switch off must be silence.
    void switchedOffAfterPlayingWritesOnlySilence() {
        QVERIFY(QTest::qWaitFor([] { return !SoundPlayer::Instance().IsPlaying(); }, 30000));
        const qsizetype before = readAll(mOutput).size();
        SoundSwitch soundSwitch;
        SetSoundSwitch(&soundSwitch);
        soundSwitch.EnableSound(false);
        PlaySoundBytes(mWav);
        SetSoundSwitch(nullptr);
        QVERIFY(!SoundPlayer::Instance().IsPlaying());
        const qsizetype wanted = before + 2 * mSamples.size();
        QVERIFY2(QTest::qWaitFor([&] { return readAll(mOutput).size() >= wanted; }, 30000),
                 "the disk output stopped growing");
        QVERIFY(allSilent(readAll(mOutput).mid(before)));
    }
};

int main(int argc, char* argv[]) {
    QTemporaryDir scratch;
    const QString output = scratch.filePath("audio-out.raw");
    // SDL reads these when its audio subsystem starts, on the first sound.
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", output.toLocal8Bit());
    QCoreApplication app(argc, argv);
    TestSound test(output);
    return QTest::qExec(&test, argc, argv);
}
#include "tst_sound.moc"
