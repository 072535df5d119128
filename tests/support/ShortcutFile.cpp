#include "ShortcutFile.h"

#include <QFile>
#include <QtEndian>

namespace ShortcutFile {
namespace {
QByteArray le16(quint16 value) {
    QByteArray bytes(2, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}
QByteArray le32(quint32 value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray header(quint32 flags) {
    QByteArray bytes = le32(0x4C);
    bytes += QByteArray::fromHex("0114020000000000c000000000000046"); // the shell-link class id
    bytes += le32(flags) + le32(0x20);                                // link flags, archive attribute
    bytes += QByteArray(24, '\0');                                    // three file times
    bytes += le32(0) + le32(0) + le32(1) + QByteArray(12, '\0');      // size, icon, show, hot key, reserved
    return bytes;
}

QByteArray linkInfo(const QByteArray& localBasePath) {
    constexpr quint32 headerSize = 0x1C;
    const QByteArray volume = le32(0x11) + le32(3) + le32(0x1234ABCD) + le32(0x10) + QByteArray(1, '\0');
    const QByteArray base = localBasePath + '\0';
    const quint32 baseOffset = headerSize + quint32(volume.size());
    const quint32 suffixOffset = baseOffset + quint32(base.size());
    return le32(suffixOffset + 1) + le32(headerSize) + le32(1) + le32(headerSize) + le32(baseOffset) +
           le32(0) + le32(suffixOffset) + volume + base + QByteArray(1, '\0');
}
} // namespace

QByteArray Bytes(const QByteArray& localBasePath, const QString& relativePath) {
    const bool hasInfo = !localBasePath.isEmpty(), hasRelative = !relativePath.isEmpty();
    QByteArray bytes = header((hasInfo ? 0x02u : 0u) | (hasRelative ? 0x08u : 0u) | 0x80u);
    if (hasInfo)
        bytes += linkInfo(localBasePath);
    if (hasRelative) {
        bytes += le16(quint16(relativePath.size()));
        for (const QChar c : relativePath)
            bytes += le16(c.unicode());
    }
    return bytes + le32(0);
}

bool Write(const QString& path, const QByteArray& localBasePath, const QString& relativePath) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(Bytes(localBasePath, relativePath)) > 0;
}
} // namespace ShortcutFile
