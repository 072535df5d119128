#include "WavImage.h"
#include "platform/Resources.h"
#include "platform/SoundPlayer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

// The sound player against SDL's disk driver, which writes every sample it plays to a file: signed
// 16-bit stereo at 44.1 kHz, silence included.
class TestSoundPlayer : public QObject {
    Q_OBJECT

    QTemporaryDir mDir;
    int mCaptures = 0;

    // Points SDL's disk driver at a new file; the device opens on the next Play.
    QString StartCapture() {
        const QString path = mDir.filePath(QString("played-%1.raw").arg(++mCaptures));
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(path));
        return path;
    }

    // Waits until the sound has been handed to the device, closes it and returns the left channel.
    static QList<std::int16_t> FinishCapture(const QString& path) {
        [&] { QVERIFY(QTest::qWaitFor([] { return !SoundPlayer::Instance().IsPlaying(); }, 20000)); }();
        SoundPlayer::Instance().Shutdown();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QList<std::int16_t> both = WavImage::ToInt16(file.readAll());
        QList<std::int16_t> left;
        for (qsizetype i = 0; i + 1 < both.size(); i += 2)
            left.append(both[i]);
        return left;
    }

    static qsizetype FirstSound(const QList<std::int16_t>& s) {
        return std::find_if(s.begin(), s.end(), [](std::int16_t v) { return v != 0; }) - s.begin();
    }
    static qsizetype LastSound(const QList<std::int16_t>& s) {
        return s.rend() - std::find_if(s.rbegin(), s.rend(), [](std::int16_t v) { return v != 0; }) - 1;
    }

    // Runs of equal samples: (value, length) pairs.
    static QList<std::pair<int, qsizetype>> Runs(const QList<std::int16_t>& samples) {
        QList<std::pair<int, qsizetype>> runs;
        for (std::int16_t v : samples) {
            if (!runs.isEmpty() && runs.last().first == v)
                ++runs.last().second;
            else
                runs.append({v, 1});
        }
        return runs;
    }

    static QByteArray ConstantSound(std::int16_t value, int frames) {
        return WavImage::Make(44100, 2, 16, WavImage::FromInt16(QList<std::int16_t>(frames * 2, value)));
    }

private slots:
    void initTestCase() { QVERIFY(mDir.isValid()); }
    void cleanup() { SoundPlayer::Instance().Shutdown(); }

    // Each resource plays whole: from its first to its last audible sample, converted to the
    // output rate, with nothing lost and nothing mangled.
    void soundPlaysWhole_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"BEEP", "CLICK", "STEP", "SLIDE", "LOCK"})
            QTest::newRow(name) << name;
    }
    void soundPlaysWhole() {
        QFETCH(QString, name);
        const QByteArray image = LoadResource("SOUND", name);
        WavImage::Info wav;
        QVERIFY(WavImage::Parse(image, wav));

        // The audible span and loudness of the source, in its own frames (first channel).
        QList<double> source;
        const int bytes = wav.bitsPerSample / 8;
        for (qsizetype at = 0; at + bytes <= wav.data.size(); at += wav.blockAlign)
            source.append(bytes == 1 ? (quint8(wav.data[at]) - 128) / 128.0
                                     : WavImage::ToInt16(wav.data.mid(at, 2)).first() / 32768.0);
        const auto audible = [](double v) { return std::abs(v) > 1e-9; };
        const qsizetype first = std::find_if(source.begin(), source.end(), audible) - source.begin();
        const qsizetype last = source.rend() - std::find_if(source.rbegin(), source.rend(), audible) - 1;
        double sourcePeak = 0;
        for (double v : source)
            sourcePeak = std::max(sourcePeak, std::abs(v));

        const QString path = StartCapture();
        SoundPlayer::Instance().Play(image);
        QVERIFY(SoundPlayer::Instance().IsPlaying());
        const QList<std::int16_t> played = FinishCapture(path);
        QVERIFY2(FirstSound(played) < played.size(), "nothing reached the device");

        const double ratio = 44100.0 / wav.sampleRate;
        const double expected = (last - first + 1) * ratio;
        const double span = LastSound(played) - FirstSound(played) + 1;
        // The resampler's filter may spread an edge by a few frames either way.
        QVERIFY2(std::abs(span - expected) <= expected * 0.01 + 64,
                 qPrintable(QString("played %1 frames, expected about %2").arg(span).arg(expected)));
        // Loudness survives conversion (a sharp click may overshoot a little when up-sampled).
        double playedPeak = 0;
        for (std::int16_t v : played)
            playedPeak = std::max(playedPeak, std::abs(v / 32768.0));
        QVERIFY2(std::abs(playedPeak - sourcePeak) <= sourcePeak * 0.35,
                 qPrintable(QString("peak %1, source %2").arg(playedPeak).arg(sourcePeak)));
    }

    // A new sound replaces the one still playing at once: the output holds the start of the first
    // sound, then the whole second one, and nothing of the first after it.
    void newSoundCutsTheOldOne() {
        const int longFrames = 8 * 44100, shortFrames = 4410;
        const QByteArray longSound = ConstantSound(3000, longFrames);
        const QByteArray shortSound = ConstantSound(-12000, shortFrames);

        const QString path = StartCapture();
        SoundPlayer::Instance().Play(longSound);
        QVERIFY(QTest::qWaitFor(
            [&] {
                QFile file(path);
                return file.open(QIODevice::ReadOnly) && file.readAll().contains(QByteArray("\xb8\x0b", 2));
            },
            20000));
        SoundPlayer::Instance().Play(shortSound);
        QList<std::pair<int, qsizetype>> runs = Runs(FinishCapture(path));

        if (!runs.isEmpty() && runs.first().first == 0)
            runs.removeFirst();
        QCOMPARE(runs.size(), 3);
        QCOMPARE(runs[0].first, 3000);
        QVERIFY(runs[0].second < longFrames);
        QCOMPARE(runs[1], std::make_pair(-12000, qsizetype(shortFrames)));
        QCOMPARE(runs[2].first, 0);
    }

    // An idle player keeps no device (and no audio thread) open; the next sound opens it again, on a
    // thread of its own: Play returns before the device is open, and the sound follows.
    void deviceClosesAfterAQuietSpellAndReopens() {
        StartCapture();
        SoundPlayer::Instance().Play(ConstantSound(5000, 441));
        QVERIFY(QTest::qWaitFor([] { return SoundPlayer::Instance().DeviceOpen(); }));
        QVERIFY(QTest::qWaitFor([] { return !SoundPlayer::Instance().DeviceOpen(); }, 20000));
        const QString second = StartCapture();
        SoundPlayer::Instance().Play(ConstantSound(-7000, 441));
        QVERIFY(!SoundPlayer::Instance().DeviceOpen());
        QVERIFY(SoundPlayer::Instance().Opening());
        QVERIFY(SoundPlayer::Instance().IsPlaying());
        QVERIFY(QTest::qWaitFor([] { return SoundPlayer::Instance().DeviceOpen(); }));
        const QList<std::int16_t> played = FinishCapture(second);
        QVERIFY(played.contains(std::int16_t(-7000)));
    }

    // Data that is not a playable WAV image plays nothing, breaks nothing and leaves a sound that
    // is playing alone.
    void unplayableImagesAreSkipped_data() {
        QTest::addColumn<QByteArray>("image");
        QByteArray nonPcm = WavImage::Make(8000, 1, 8, QByteArray(800, char(200)));
        nonPcm[20] = 0x55; // a compressed format tag
        QByteArray truncated = LoadResource("SOUND", "BEEP").left(30);
        QByteArray noiseBytes;
        for (int i = 0; i < 5000; ++i)
            noiseBytes.append(char((i * 7919) % 251));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("noise") << noiseBytes;
        QTest::newRow("text") << QByteArray("RIFF this is not a sound at all");
        QTest::newRow("header only") << truncated;
        QTest::newRow("compressed format") << nonPcm;
        QTest::newRow("no samples") << WavImage::Make(8000, 1, 8, {});
    }
    void unplayableImagesAreSkipped() {
        QFETCH(QByteArray, image);
        const QString path = StartCapture();
        SoundPlayer::Instance().Play(image);
        QVERIFY(!SoundPlayer::Instance().IsPlaying());
        const QList<std::int16_t> played = FinishCapture(path);
        QCOMPARE(FirstSound(played), played.size()); // silence, or no device opened at all

        // A sound that is playing goes on when an unplayable image follows it.
        const QString second = StartCapture();
        const QByteArray tone = ConstantSound(2500, 4410);
        SoundPlayer::Instance().Play(tone);
        SoundPlayer::Instance().Play(image);
        QList<std::pair<int, qsizetype>> runs = Runs(FinishCapture(second));
        if (!runs.isEmpty() && runs.first().first == 0)
            runs.removeFirst();
        QVERIFY(!runs.isEmpty());
        QCOMPARE(runs.first(), std::make_pair(2500, qsizetype(4410)));
    }

    // Without an audio device the player is silent and harmless, and says so once in the whole run.
    void noDeviceWarnsOnceAndStaysSilent() {
        static int warnings = 0;
        warnings = 0;
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
                if (type == QtWarningMsg && text.startsWith("Sounds are off"))
                    ++warnings;
            });
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        const QByteArray beep = LoadResource("SOUND", "BEEP");
        SoundPlayer::Instance().Play(beep);
        SoundPlayer::Instance().Play(beep);
        QVERIFY(QTest::qWaitFor([] { return !SoundPlayer::Instance().IsPlaying(); }));
        SoundPlayer::Instance().Play(beep);
        QVERIFY(!SoundPlayer::Instance().IsPlaying()); // given up: no further attempt
        SoundPlayer::Instance().Shutdown();            // a later Play tries the device again, quietly
        SoundPlayer::Instance().Play(LoadResource("SOUND", "STEP"));
        QVERIFY(QTest::qWaitFor([] { return !SoundPlayer::Instance().Opening(); }));
        qInstallMessageHandler(previous);
        QCOMPARE(warnings, 1);

        // The player recovers once a device is there.
        SoundPlayer::Instance().Shutdown();
        const QString path = StartCapture();
        SoundPlayer::Instance().Play(beep);
        QVERIFY(SoundPlayer::Instance().IsPlaying());
        const QList<std::int16_t> played = FinishCapture(path);
        QVERIFY(FirstSound(played) < played.size());
    }
};

QTEST_GUILESS_MAIN(TestSoundPlayer)
#include "tst_soundplayer.moc"
