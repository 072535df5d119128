#include "BenchRunner.h"

#include "platform/Imaging.h"
#include "store/TokenImageRenderer.h"

#include <QLinearGradient>
#include <QPainter>

namespace {

// A 196 x 196 picture such as a dropped file's icon becomes: soft edges, gradients, transparency.
QImage TokenPicture() {
    QImage image = Imaging::NewSurface(196, 196);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 196, 196);
    gradient.setColorAt(0, QColor(40, 120, 220));
    gradient.setColorAt(1, QColor(20, 40, 120));
    painter.setBrush(gradient);
    painter.setPen(QPen(Qt::white, 4));
    painter.drawRoundedRect(QRectF(20, 20, 156, 156), 30, 30);
    painter.setBrush(QColor(255, 210, 60));
    painter.drawEllipse(QPointF(98, 98), 44, 44);
    return image;
}

TokenAppearance Look() {
    TokenAppearance look;
    look.FillColour = 0x00804020;
    look.FillOpacity = 0.6;
    look.TextColour = 0x0000D0FF;
    look.TextOutlineColour = 0;
    return look;
}

// One token image at the carousel's usual size: the composition alone, and with the decoding of
// the stored picture and the encoding of the result that the token manager adds around it.
const BenchRegistration tokenImage({"token.image", "token.image.bytes"}, [](BenchContext& context) {
    const QImage picture = TokenPicture();
    const QByteArray pictureBytes = Imaging::EncodePng(picture);
    const TokenAppearance look = Look();
    context.Report("token.image", "ms", MeasureMilliseconds(10, 200, [&] {
                       TokenImageRenderer::ComposeTokenImage(picture, 60, QStringLiteral("Web Browser"), 128,
                                                             look);
                   }));
    context.Report("token.image.bytes", "ms", MeasureMilliseconds(10, 100, [&] {
                       Imaging::EncodePng(TokenImageRenderer::ComposeTokenImage(
                           Imaging::Decode(pictureBytes), 60, QStringLiteral("Web Browser"), 128, look));
                   }));
});

const BenchRegistration orbitImage({"orbit.image"}, [](BenchContext& context) {
    const QImage picture = TokenPicture();
    context.Report("orbit.image", "ms", MeasureMilliseconds(5, 50, [&] {
                       TokenImageRenderer::ComposeOrbitImage(picture, 0x0000D0FF);
                   }));
});

} // namespace
