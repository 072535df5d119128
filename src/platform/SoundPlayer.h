#pragma once

#include <QByteArray>
#include <QHash>
#include <cstdint>
#include <memory>

class QTimer;

// Plays WAV file images held in memory through SDL's audio subsystem (the only part of SDL we start).
// Playback runs on SDL's audio thread; Play returns at once, and a new sound cuts off the one still
// playing. The device is opened for a sound and closed again after a few quiet seconds, so an idle
// launcher keeps no audio thread busy feeding silence. Without a usable audio device the player stays
// silent: one warning in the log for the whole run, no dialog, no error for the caller.
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

    bool OpenDevice();
    void CloseDevice();
    // Closes the device once the last sound has ended and nothing else came.
    void CloseWhenQuiet();
    void GiveUp(const QString& reason);
    QByteArray OutputSamples(const QByteArray& wavImage);
    static void FillDeviceBuffer(void* playback, std::uint8_t* buffer, int length);

    std::uint32_t mDevice = 0;                // SDL_AudioDeviceID; 0 while closed
    bool mUnavailable = false;                // opening failed; stay silent until Shutdown
    bool mWarned = false;                     // the one log line has been written
    Playback mPlayback;                       // guarded by SDL's device lock
    QHash<QByteArray, QByteArray> mConverted; // WAV image -> output samples
    std::unique_ptr<QTimer> mQuietTimer;      // closes the device after the last sound
};
