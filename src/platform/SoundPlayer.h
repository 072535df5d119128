#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

class QTimer;

// Plays WAV file images held in memory through SDL's audio subsystem (the only part of SDL we start).
// Playback runs on SDL's audio thread; Play returns at once, and a new sound cuts off the one still
// playing. The device is opened for a sound and closed again after a few quiet seconds, so an idle
// launcher keeps no audio thread busy feeding silence. Opening it (tens of milliseconds with a sound
// server) happens on a thread of its own while an event loop runs, so the first sound after a quiet
// spell does not hold up a frame; the sound starts once the device is open. Without a usable audio
// device the player stays silent: one warning in the log for the whole run, no dialog, no error for
// the caller.
class SoundPlayer {
public:
    // Every sound is converted to this format before it plays: signed 16-bit, stereo, 44.1 kHz.
    static constexpr int OutputRate = 44100;
    static constexpr int OutputChannels = 2;

    static SoundPlayer& Instance();

    // Plays a complete WAV file image (RIFF header included). An image that cannot be decoded is
    // skipped and leaves a sound that is playing alone.
    void Play(const QByteArray& wavImage);

    // Whether samples of the last sound remain to be handed to the device.
    bool IsPlaying() const;
    // Whether the audio device is open (between a sound and the quiet spell after it).
    bool DeviceOpen() const { return mDevice != 0; }
    // Whether the device is being opened for a sound that waits.
    bool Opening() const { return mOpening; }

    // Closes the device and stops SDL's audio subsystem. A later Play opens the device again.
    void Shutdown();

private:
    // What the audio thread reads: the current sound's samples and how far it has got.
    struct Playback {
        QByteArray samples;
        qsizetype position = 0;
    };

    SoundPlayer() = default;
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Opens the device (SDL's audio subsystem first); 0 and the reason when it cannot.
    std::uint32_t OpenDevice(QString& pReason);
    void StartOpening();
    void DeviceOpened(std::uint32_t pDevice, const QString& pReason, int pGeneration);
    void StartPlaying();
    void CloseDevice();
    // Closes the device once the last sound has ended and nothing else came.
    void CloseWhenQuiet();
    void GiveUp(const QString& reason);
    QByteArray OutputSamples(const QByteArray& wavImage);
    static void FillDeviceBuffer(void* playback, std::uint8_t* buffer, int length);

    std::uint32_t mDevice = 0; // SDL_AudioDeviceID; 0 while closed
    std::thread mOpener;       // opens the device off the user-interface thread
    bool mOpening = false;
    std::atomic<std::uint32_t> mOpenedUnclaimed{0}; // opened by the opener, not yet taken over
    int mGeneration = 0;                            // a Shutdown makes an opening still under way moot
    bool mUnavailable = false;                      // opening failed; stay silent until Shutdown
    bool mWarned = false;                           // the one log line has been written
    Playback mPlayback;                             // guarded by SDL's device lock
    QHash<QByteArray, QByteArray> mConverted;       // WAV image -> output samples
    std::unique_ptr<QTimer> mQuietTimer;            // closes the device after the last sound
};
