#include "WavImage.h"

#include <QtEndian>

namespace WavImage {
namespace {

quint16 U16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(b.constData() + at));
}
quint32 U32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData() + at));
}
void Put16(QByteArray& b, quint16 v) {
    uchar raw[2];
    qToLittleEndian(v, raw);
    b.append(reinterpret_cast<const char*>(raw), 2);
}
void Put32(QByteArray& b, quint32 v) {
    uchar raw[4];
    qToLittleEndian(v, raw);
    b.append(reinterpret_cast<const char*>(raw), 4);
}
bool Fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

void ReadFormat(const QByteArray& image, const Chunk& chunk, Info& info) {
    const qsizetype p = chunk.offset + 8;
    info.formatTag = U16(image, p);
    info.channels = U16(image, p + 2);
    info.sampleRate = U32(image, p + 4);
    info.byteRate = U32(image, p + 8);
    info.blockAlign = U16(image, p + 12);
    info.bitsPerSample = U16(image, p + 14);
    info.extensionSize = chunk.size >= 18 ? U16(image, p + 16) : -1;
}

} // namespace

bool Parse(const QByteArray& image, Info& info, QString* error) {
    info = {};
    if (image.size() < 12 || !image.startsWith("RIFF") || image.mid(8, 4) != "WAVE")
        return Fail(error, "no RIFF WAVE header");
    info.riffSize = U32(image, 4);
    qsizetype at = 12;
    while (at + 8 <= image.size()) {
        const Chunk chunk{image.mid(at, 4), at, U32(image, at + 4)};
        if (at + 8 + qsizetype(chunk.size) > image.size())
            return Fail(error, QString("chunk '%1' runs past the end").arg(QString(chunk.id)));
        info.chunks.append(chunk);
        if (chunk.id == "fmt " && chunk.size >= 16)
            ReadFormat(image, chunk, info);
        else if (chunk.id == "fact" && chunk.size >= 4)
            info.factFrames = U32(image, at + 8);
        else if (chunk.id == "data")
            info.data = image.mid(at + 8, chunk.size);
        at += 8 + chunk.size + (chunk.size % 2);
    }
    info.end = at;
    if (info.formatTag == 0)
        return Fail(error, "no format chunk");
    return true;
}

QByteArray Make(int rate, int channels, int bits, const QByteArray& samples) {
    const int block = channels * bits / 8;
    QByteArray body("WAVE");
    body += "fmt ";
    Put32(body, 16);
    Put16(body, 1);
    Put16(body, quint16(channels));
    Put32(body, quint32(rate));
    Put32(body, quint32(rate * block));
    Put16(body, quint16(block));
    Put16(body, quint16(bits));
    body += "data";
    Put32(body, quint32(samples.size()));
    body += samples;
    if (samples.size() % 2)
        body += '\0';
    QByteArray image("RIFF");
    Put32(image, quint32(body.size()));
    return image + body;
}

QByteArray FromInt16(const QList<std::int16_t>& samples) {
    QByteArray bytes;
    bytes.reserve(samples.size() * 2);
    for (std::int16_t s : samples)
        Put16(bytes, quint16(s));
    return bytes;
}

QList<std::int16_t> ToInt16(const QByteArray& bytes) {
    QList<std::int16_t> samples;
    samples.reserve(bytes.size() / 2);
    for (qsizetype at = 0; at + 1 < bytes.size(); at += 2)
        samples.append(std::int16_t(U16(bytes, at)));
    return samples;
}

} // namespace WavImage
