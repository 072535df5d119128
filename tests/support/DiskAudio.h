#pragma once

#include <QStringList>

// Sound heard through SDL's disk audio driver: it writes every sample played, silence included, to a file.
struct DiskAudio {
    static void Capture(const QString& file); // the device writes to it, afresh, when it next opens
    static QByteArray Written();
    // Waits until the player has handed over its sound, then closes the device: the file holds it all.
    static bool WaitUntilQuiet();
    static bool Silent(const QByteArray& bytes) { return bytes.count('\0') == bytes.size(); }
    static QList<qint16> LeftChannel(const QByteArray& bytes); // of the 16-bit stereo output
    static QByteArray Le(quint32 value, int size) { return {reinterpret_cast<const char*>(&value), size}; }
    static QByteArray Pcm16(const QList<qint16>& samples) {
        return {reinterpret_cast<const char*>(samples.constData()), samples.size() * 2};
    }
    // A minimal PCM WAV image; the payload of a WAV image's first chunk of an id ("fmt ", "data").
    static QByteArray Wav(int rate, int channels, int bits, const QByteArray& samples);
    static QByteArray Chunk(const QByteArray& wav, const char* id);
};
