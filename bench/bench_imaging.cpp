#include "BenchRunner.h"

#include "platform/Imaging.h"

#include <QPainter>
#include <QRadialGradient>

namespace {

// A token-sized picture with alpha and detail: a soft-edged disc over fine stripes and text.
QImage DetailedPicture(int size) {
    QImage image = Imaging::NewSurface(size, size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int y = 0; y < size; y += 3)
        painter.fillRect(QRect(0, y, size, 1), QColor::fromHsv((y * 7) % 360, 200, 230, 120));
    QRadialGradient gradient(QPointF(size / 2.0, size / 2.0), size / 2.0);
    gradient.setColorAt(0, QColor(250, 200, 40));
    gradient.setColorAt(0.8, QColor(200, 60, 20, 220));
    gradient.setColorAt(1, QColor(120, 0, 0, 0));
    painter.setBrush(gradient);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawEllipse(QRectF(10, 10, size - 20, size - 20));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 28, QFont::Bold));
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("Ts"));
    return image;
}

const BenchRegistration pngRegistration({"png.decode", "png.encode"}, [](BenchContext& context) {
    const QImage picture = DetailedPicture(196);
    const QByteArray bytes = Imaging::EncodePng(picture);
    context.Report("png.decode", "ms", MeasureMilliseconds(5, 100, [&] { Imaging::Decode(bytes); }));
    context.Report("png.encode", "ms", MeasureMilliseconds(5, 100, [&] { Imaging::EncodePng(picture); }));
});

// The two blurs of an orbit image of a 196 x 196 picture.
const BenchRegistration blurRegistration({"blur.216"}, [](BenchContext& context) {
    QImage surface = Imaging::NewSurface(216, 216);
    QPainter(&surface).drawImage(10, 10, DetailedPicture(196));
    context.Report("blur.216", "ms", MeasureMilliseconds(5, 100, [&] {
                       QImage image = surface.copy();
                       Imaging::Blur(image, 10);
                       Imaging::Blur(image, 15);
                   }));
});

} // namespace
