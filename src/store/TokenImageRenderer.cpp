#include "TokenImageRenderer.h"

#include "CaptionLayer.h"
#include "platform/Imaging.h"
#include "platform/Resources.h"
#include "platform/RuntimeError.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace TokenImageRenderer {

namespace {

constexpr double BadgeDiameter = 166;
constexpr double ArcStartRadians = 3.141; // a hair short of pi: the left end of the upper half circle
constexpr double ArcTolerance = 0.02;
// Text outlines are made at this pixel size and scaled, so that fractional font sizes keep exact,
// unhinted proportions.
constexpr int ReferencePixelSize = 100;

// Opaque inside the badge circle, transparent outside: composited "destination in" it keeps only
// the circle. (A bare ellipse would leave the area outside it untouched.)
const QImage& CircleMask() {
    static const QImage mask = [] {
        QImage image = Imaging::NewSurface(DesignSize, DesignSize);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawEllipse(QPointF(DesignSize / 2.0, DesignSize / 2.0), BadgeDiameter / 2,
                            BadgeDiameter / 2);
        return image;
    }();
    return mask;
}

// An image much larger than where it goes is first reduced with an area filter, so that the smooth
// (bilinear) stretch does not skip detail.
QImage ReducedFor(const QImage& picture, double side) {
    const int target = std::max(1, int(std::ceil(side)));
    if (picture.width() <= 2 * target && picture.height() <= 2 * target)
        return picture;
    return picture.scaled(target, target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage Badge(const QImage& picture, double iconScale, const TokenAppearance& appearance) {
    const double s = iconScale * DesignSize * 0.01;
    QImage canvas = Imaging::NewSurface(DesignSize, DesignSize);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.fillRect(canvas.rect(), Imaging::ColourFromBgr(appearance.FillColour, appearance.FillOpacity));
    if (!picture.isNull() && s > 0)
        painter.drawImage(QRectF((DesignSize - s) * 0.5, (DesignSize - s) * 0.5, s, s),
                          ReducedFor(picture, s));
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(0, 0, CircleMask());
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!Lens().isNull())
        painter.drawImage(QRectF(0, 0, DesignSize, DesignSize), Lens());
    return canvas;
}

QFont CaptionFont() {
    QFont font(QStringLiteral("Verdana"));
    font.setBold(true);
    font.setPixelSize(ReferencePixelSize);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    return font;
}

// The upper half of the circle of radius r about (0, 0), from its left end over the top to its
// right end (clockwise on screen, y growing downwards).
QPainterPath UpperArc(double r) {
    const QRectF box(-r, -r, 2 * r, 2 * r);
    const double startDegrees = -ArcStartRadians * 180 / std::numbers::pi;
    const double sweepDegrees = -(2 * std::numbers::pi - ArcStartRadians) * 180 / std::numbers::pi;
    QPainterPath arc;
    arc.arcMoveTo(box, startDegrees);
    arc.arcTo(box, startDegrees, sweepDegrees);
    return arc;
}

} // namespace

const QImage& Lens() {
    static const QImage lens = [] {
        try {
            return Imaging::Decode(LoadResource(QStringLiteral("CUSTOM"), QStringLiteral("LENS")));
        } catch (const RuntimeError&) {
            return QImage(); // no glass: the badges are drawn without it
        }
    }();
    return lens;
}

QImage ComposeTokenImage(const QImage& picture, double iconScale, const QString& caption, int size,
                         const TokenAppearance& appearance) {
    if (size <= 0)
        return {};
    const QImage badge = ReducedFor(Badge(picture, iconScale, appearance), size);
    QImage output = Imaging::NewSurface(size, size);
    QPainter painter(&output);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(0, 0, size, size), badge);
    const QPainterPath captionPath = CaptionPath(caption, size);
    if (!captionPath.isEmpty())
        DrawCaption(painter, captionPath, size, appearance);
    painter.end();
    return output;
}

QPainterPath CaptionPath(const QString& caption, int size) {
    static const QFont font = CaptionFont();
    static const QFontMetricsF metrics(font);
    const double fontSize = size / 12.0;
    const double scale = fontSize / ReferencePixelSize;
    const double spaceWidth = metrics.horizontalAdvance(QLatin1Char(' ')) * scale;
    const double captionWidth = metrics.horizontalAdvance(caption) * scale;

    const Imaging::BendGuide arc(UpperArc((size - fontSize) * 0.5), ArcTolerance);
    const double arcLength = arc.Length();

    // Spaces on both sides centre a short caption on the arc.
    QString padded = caption;
    if (captionWidth < arcLength && spaceWidth > 0) {
        const int n = int(std::nearbyint(((arcLength - captionWidth) / spaceWidth) / 2));
        const QString spaces(n, QLatin1Char(' '));
        padded = spaces + caption + spaces;
    }
    const double paddedWidth = metrics.horizontalAdvance(padded) * scale;
    if (!(paddedWidth > 0))
        return {};

    // The outlines with the top of the line at y = 0, so that the letters hang inwards from the arc.
    QPainterPath text;
    text.addText(QPointF(0, metrics.ascent()), font, padded);
    text = QTransform::fromScale(scale, scale).map(text);
    return arc.Bend(text, arcLength / paddedWidth);
}

void DrawCaption(QPainter& painter, const QPainterPath& captionPath, int size,
                 const TokenAppearance& appearance) {
    // A soft dark halo (black at 0.3, width size / 28), the outline (width size / 38) and the fill,
    // all with round caps and joins; drawn as one layer (see CaptionLayer).
    const CaptionStyle style{QColor(0, 0, 0, 77), size / 28.0,
                             Imaging::ColourFromBgr(appearance.TextOutlineColour), size / 38.0,
                             Imaging::ColourFromBgr(appearance.TextColour)};
    const QPainterPath centred = captionPath.translated(size * 0.5, size * 0.5);
    const QRect region = CaptionRegion(centred, style);
    painter.drawImage(region.topLeft(), CaptionLayer(centred, region, style));
}

QImage ComposeOrbitImage(const QImage& picture, std::uint32_t textColour) {
    constexpr int margin = 10;
    QImage output = Imaging::NewSurface(picture.width() + 2 * margin, picture.height() + 2 * margin);
    {
        QPainter painter(&output);
        painter.drawImage(margin, margin, picture);
    }
    Imaging::Blur(output, 10);
    {
        // Drawing the blurred surface over itself thickens the halo; the colour is replaced next.
        QPainter painter(&output);
        for (int pass = 0; pass < 3; ++pass)
            painter.drawImage(0, 0, output.copy());
        painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        painter.fillRect(output.rect(), Imaging::ColourFromBgr(textColour));
    }
    Imaging::Blur(output, 15);
    QPainter painter(&output);
    painter.drawImage(margin, margin, picture);
    return output;
}

int OrbitPictureLimit(int imageSize) {
    return qMax(1, qRound(1.6 * imageSize));
}

QImage FittedWithin(const QImage& picture, int limit) {
    if (picture.isNull() || (picture.width() <= limit && picture.height() <= limit))
        return picture;
    return picture.scaled(limit, limit, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace TokenImageRenderer
