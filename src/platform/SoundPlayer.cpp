#include "SoundPlayer.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTimer>
#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr SDL_AudioFormat OutputFormat = AUDIO_S16SYS;
constexpr int OutputBytesPerFrame = SoundPlayer::OutputChannels * 2;
constexpr Uint16 DeviceBufferFrames = 1024; // about 23 ms
constexpr int PieceFrames = 256;            // conversion input per SDL_AudioStreamPut
constexpr qsizetype MaxConvertedSounds = 16;
constexpr int QuietCloseMs = 3000; // after the last sound ends

// Reads the samples out of the WAV image. Returns false for anything SDL cannot decode.
bool LoadWav(const QByteArray& wavImage, SDL_AudioSpec& spec, Uint8*& samples, Uint32& length) {
    if (wavImage.size() < 12 || wavImage.size() > INT_MAX)
        return false;
    SDL_RWops* source = SDL_RWFromConstMem(wavImage.constData(), int(wavImage.size()));
    if (!source)
        return false;
    return SDL_LoadWAV_RW(source, 1, &spec, &samples, &length) != nullptr;
}

// Unsigned 8-bit samples widened to signed 16-bit. SDL 2.26 ends a resampled stream by padding it
// with zero bytes, which in unsigned 8-bit is full negative, not silence: an audible thump.
QByteArray WidenUnsigned8(const Uint8* samples, Uint32 length) {
    QByteArray wide(qsizetype(length) * 2, Qt::Uninitialized);
    auto* out = reinterpret_cast<Sint16*>(wide.data());
    for (Uint32 i = 0; i < length; ++i)
        out[i] = Sint16((int(samples[i]) - 128) * 256);
    return wide;
}

// Converts samples to the output format. They go through the stream in small pieces: a single large
// put while up-sampling loses samples in SDL 2.26.
QByteArray ConvertToOutput(SDL_AudioSpec spec, const Uint8* samples, Uint32 length) {
    QByteArray widened;
    if (spec.format == AUDIO_U8) {
        widened = WidenUnsigned8(samples, length);
        samples = reinterpret_cast<const Uint8*>(widened.constData());
        length = Uint32(widened.size());
        spec.format = AUDIO_S16SYS;
    }
    SDL_AudioStream* stream = SDL_NewAudioStream(spec.format, spec.channels, spec.freq, OutputFormat,
                                                 SoundPlayer::OutputChannels, SoundPlayer::OutputRate);
    if (!stream)
        return {};
    const Uint32 frameBytes = SDL_AUDIO_BITSIZE(spec.format) / 8 * spec.channels;
    const Uint32 usable = length - length % frameBytes;
    const Uint32 piece = frameBytes * PieceFrames;
    QByteArray output;
    auto drain = [&] {
        const int available = SDL_AudioStreamAvailable(stream);
        if (available <= 0)
            return;
        const qsizetype start = output.size();
        output.resize(start + available);
        const int got = SDL_AudioStreamGet(stream, output.data() + start, available);
        output.resize(start + std::max(got, 0));
    };
    bool ok = true;
    for (Uint32 offset = 0; ok && offset < usable; offset += piece) {
        ok = SDL_AudioStreamPut(stream, samples + offset, int(std::min(piece, usable - offset))) == 0;
        drain();
    }
    ok = ok && SDL_AudioStreamFlush(stream) == 0;
    drain();
    SDL_FreeAudioStream(stream);
    if (!ok)
        return {};
    output.resize(output.size() - output.size() % OutputBytesPerFrame);
    return output;
}

} // namespace

SoundPlayer& SoundPlayer::Instance() {
    static SoundPlayer player;
    return player;
}

SoundPlayer::~SoundPlayer() {
    Shutdown();
}

void SoundPlayer::Play(const QByteArray& wavImage) {
    if (mUnavailable)
        return;
    const QByteArray samples = OutputSamples(wavImage);
    if (samples.isEmpty())
        return;
    if (mDevice != 0) {
        // The device lock keeps the audio thread out while the sound is swapped, so the cut is clean.
        SDL_LockAudioDevice(mDevice);
        mPlayback.samples = samples;
        mPlayback.position = 0;
        SDL_UnlockAudioDevice(mDevice);
    } else {
        // No audio thread runs yet: the sound waits for the device.
        mPlayback.samples = samples;
        mPlayback.position = 0;
        StartOpening();
    }
    if (QCoreApplication::instance()) {
        if (!mQuietTimer) {
            mQuietTimer = std::make_unique<QTimer>();
            mQuietTimer->setSingleShot(true);
            QObject::connect(mQuietTimer.get(), &QTimer::timeout, [this] { CloseWhenQuiet(); });
        }
        const qint64 playMs = samples.size() * 1000 / (OutputRate * OutputBytesPerFrame);
        mQuietTimer->start(int(playMs) + QuietCloseMs);
    }
}

void SoundPlayer::StartOpening() {
    if (mOpening || mDevice != 0)
        return;
    if (!QCoreApplication::instance()) { // no event loop to hear back on: open here
        QString reason;
        mDevice = OpenDevice(reason);
        if (mDevice == 0)
            GiveUp(reason);
        else
            StartPlaying();
        return;
    }
    mOpening = true;
    const int generation = mGeneration;
    mOpener = std::thread([this, generation] {
        QString reason;
        const std::uint32_t device = OpenDevice(reason);
        mOpenedUnclaimed = device;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, device, reason, generation] { DeviceOpened(device, reason, generation); },
            Qt::QueuedConnection);
    });
}

void SoundPlayer::DeviceOpened(std::uint32_t pDevice, const QString& pReason, int pGeneration) {
    if (pGeneration != mGeneration)
        return; // Shutdown came first and closed what was opened
    if (mOpener.joinable())
        mOpener.join();
    mOpening = false;
    mOpenedUnclaimed = 0;
    if (pDevice == 0) {
        mPlayback = {};
        GiveUp(pReason);
        return;
    }
    mDevice = pDevice;
    StartPlaying();
}

void SoundPlayer::StartPlaying() {
    SDL_PauseAudioDevice(mDevice, 0);
}

void SoundPlayer::CloseWhenQuiet() {
    if (IsPlaying() || mOpening)
        mQuietTimer->start(QuietCloseMs);
    else
        CloseDevice();
}

bool SoundPlayer::IsPlaying() const {
    if (mOpening)
        return mPlayback.position < mPlayback.samples.size();
    if (mDevice == 0)
        return false;
    SDL_LockAudioDevice(mDevice);
    const bool playing = mPlayback.position < mPlayback.samples.size();
    SDL_UnlockAudioDevice(mDevice);
    return playing;
}

void SoundPlayer::CloseDevice() {
    if (mDevice != 0) {
        SDL_CloseAudioDevice(mDevice); // waits for the audio thread to finish
        mDevice = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    mPlayback = {};
}

void SoundPlayer::Shutdown() {
    if (mQuietTimer)
        mQuietTimer->stop();
    // An opening under way is waited for; what it opened is closed here, and its late report ignored.
    ++mGeneration;
    if (mOpener.joinable())
        mOpener.join();
    if (const std::uint32_t unclaimed = mOpenedUnclaimed.exchange(0);
        unclaimed != 0 && unclaimed != mDevice) {
        SDL_CloseAudioDevice(unclaimed);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    mOpening = false;
    CloseDevice();
    mUnavailable = false;
}

std::uint32_t SoundPlayer::OpenDevice(QString& pReason) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1"); // Ctrl+C and SIGTERM stay the application's
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Tessaro");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        pReason = QString::fromUtf8(SDL_GetError());
        return 0;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = OutputRate;
    wanted.format = OutputFormat;
    wanted.channels = OutputChannels;
    wanted.samples = DeviceBufferFrames;
    wanted.callback = &SoundPlayer::FillDeviceBuffer;
    wanted.userdata = &mPlayback;
    // No format changes allowed: SDL converts to the hardware's format itself if it must.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (device == 0) {
        pReason = QString::fromUtf8(SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    return device;
}

void SoundPlayer::GiveUp(const QString& reason) {
    mUnavailable = true;
    if (mWarned)
        return;
    mWarned = true;
    qWarning().noquote() << "Sounds are off: no audio device could be opened (" + reason + ")";
}

QByteArray SoundPlayer::OutputSamples(const QByteArray& wavImage) {
    const auto found = mConverted.constFind(wavImage);
    if (found != mConverted.constEnd())
        return found.value();
    QByteArray output;
    SDL_AudioSpec spec{};
    Uint8* samples = nullptr;
    Uint32 length = 0;
    if (LoadWav(wavImage, spec, samples, length)) {
        output = ConvertToOutput(spec, samples, length);
        SDL_FreeWAV(samples);
    }
    if (mConverted.size() >= MaxConvertedSounds)
        mConverted.clear();
    mConverted.insert(wavImage, output);
    return output;
}

// Runs on SDL's audio thread with the device lock held.
void SoundPlayer::FillDeviceBuffer(void* playback, std::uint8_t* buffer, int length) {
    auto& state = *static_cast<Playback*>(playback);
    const qsizetype copied = std::clamp<qsizetype>(state.samples.size() - state.position, 0, length);
    if (copied > 0) {
        std::memcpy(buffer, state.samples.constData() + state.position, size_t(copied));
        state.position += copied;
    }
    std::memset(buffer + copied, 0, size_t(length - copied)); // signed 16-bit silence is zero
}
