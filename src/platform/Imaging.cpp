#include "Imaging.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>

namespace Imaging {

QImage NewSurface(int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    QImage image(width, height, SurfaceFormat);
    image.fill(Qt::transparent);
    return image;
}

QImage Decode(const QByteArray& bytes, QString* error) {
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return QImage();
    };
    if (bytes.isEmpty())
        return fail(QStringLiteral("no image data"));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > MaxDecodePixels)
        return fail(QStringLiteral("image too large (%1 x %2)").arg(size.width()).arg(size.height()));
    QImage image = reader.read();
    if (image.isNull())
        return fail(reader.errorString());
    return image.convertToFormat(SurfaceFormat);
}

QImage DecodeFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return {};
    }
    return Decode(file.readAll(), error);
}

QByteArray EncodePng(const QImage& image) {
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return EmptyImageBytes();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QColor ColourFromBgr(std::uint32_t bgr, double opacity) {
    QColor colour(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
    colour.setAlphaF(float(std::clamp(opacity, 0.0, 1.0)));
    return colour;
}

std::uint32_t BgrFromColour(const QColor& colour) {
    return std::uint32_t(colour.red()) | (std::uint32_t(colour.green()) << 8) |
           (std::uint32_t(colour.blue()) << 16);
}

} // namespace Imaging
