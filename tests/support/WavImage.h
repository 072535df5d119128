#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

// Reading and writing RIFF WAVE images in tests: the chunk list as stored, the PCM format fields and
// the sample data, without going through the code under test.
namespace WavImage {

struct Chunk {
    QByteArray id;    // "fmt ", "fact", "LIST", "data", ...
    qsizetype offset; // of the chunk header in the image
    quint32 size;     // payload bytes, without the pad byte
};

struct Info {
    quint32 riffSize = 0;
    QList<Chunk> chunks;
    qsizetype end = 0; // where the walk over the chunks stopped (pad bytes included)
    quint16 formatTag = 0, channels = 0, blockAlign = 0, bitsPerSample = 0;
    quint32 sampleRate = 0, byteRate = 0;
    int extensionSize = -1; // cbSize, or -1 for the 16-byte format chunk
    qint64 factFrames = -1; // the "fact" chunk's value, or -1 without one
    QByteArray data;
};

// Parses `image`; returns false with `error` set when it is not a well-formed RIFF WAVE image.
bool Parse(const QByteArray& image, Info& info, QString* error = nullptr);

// A minimal PCM image (RIFF, 16-byte format chunk, data) around the given sample bytes.
QByteArray Make(int rate, int channels, int bits, const QByteArray& samples);

// Signed 16-bit samples as bytes, and back.
QByteArray FromInt16(const QList<std::int16_t>& samples);
QList<std::int16_t> ToInt16(const QByteArray& bytes);

} // namespace WavImage
