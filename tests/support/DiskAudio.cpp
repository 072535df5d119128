#include "DiskAudio.h"

#include "platform/SoundPlayer.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

static QString gFile;
void DiskAudio::Capture(const QString& file) {
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(gFile = file));
}
QByteArray DiskAudio::Written() {
    QFile file(gFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
bool DiskAudio::WaitUntilQuiet() {
    const bool quiet = QTest::qWaitFor([] { return !SoundPlayer::Instance().IsPlaying(); }, 20000);
    SoundPlayer::Instance().Shutdown();
    return quiet;
}
QList<qint16> DiskAudio::LeftChannel(const QByteArray& bytes) {
    QList<qint16> left;
    for (qsizetype at = 0; at + 4 <= bytes.size(); at += 4)
        left.append(qFromLittleEndian<qint16>(bytes.constData() + at));
    return left;
}
QByteArray DiskAudio::Wav(int rate, int channels, int bits, const QByteArray& samples) {
    return "RIFF" + Le(36 + samples.size(), 4) + "WAVEfmt " + Le(16, 4) + Le(1, 2) + Le(channels, 2) +
           Le(rate, 4) + Le(rate * channels * bits / 8, 4) + Le(channels * bits / 8, 2) + Le(bits, 2) +
           "data" + Le(samples.size(), 4) + samples;
}
QByteArray DiskAudio::Chunk(const QByteArray& wav, const char* id) {
    for (qsizetype at = 12, size = 0; at + 8 <= wav.size(); at += 8 + size + size % 2) {
        size = qFromLittleEndian<quint32>(wav.constData() + at + 4);
        if (wav.mid(at, 4) == id)
            return wav.mid(at + 8, size);
    }
    return {};
}
