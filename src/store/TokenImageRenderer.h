#pragma once

#include <QByteArray>
#include <QImage>
#include <QPainterPath>
#include <QString>
#include <cstdint>

// Drawing of the token images shown on the carousel: a 196 x 196 badge (fill, picture at its icon
// scale, glass lens, everything outside the circle of diameter 166 transparent) scaled to the image
// size with the caption bent along the upper rim; and the orbit image (a picture with a glow in the
// caption colour). Pure functions of their inputs; the token manager owns the appearance settings.
struct TokenAppearance {
    std::uint32_t FillColour = 0; // 0x00BBGGRR
    double FillOpacity = 0;       // 0 .. 1
    std::uint32_t TextColour = 0; // caption fill and orbit glow
    std::uint32_t TextOutlineColour = 0xFFFFFF;
};

namespace TokenImageRenderer {

constexpr int DesignSize = 196;

// The decoded "LENS" resource, loaded on first use and kept; a null image (badges without glass) when
// the resource is missing.
const QImage& Lens();

// The composed token image as a surface of size x size.
QImage ComposeTokenImage(const QImage& picture, double iconScale, const QString& caption, int size,
                         const TokenAppearance& appearance);

// The caption's outline bent along the upper half of a circle about (0, 0) for an image of `size`.
QPainterPath CaptionPath(const QString& caption, int size);

// Draws the caption path centred in a size x size image: a soft dark halo (width size / 28), the
// outline (size / 38) in the outline colour, both with round caps and joins, and the fill in the
// text colour on top.
void DrawCaption(QPainter& painter, const QPainterPath& captionPath, int size,
                 const TokenAppearance& appearance);

// The orbit image: the picture on a (w + 20) x (h + 20) surface with a blurred halo in `textColour`.
QImage ComposeOrbitImage(const QImage& picture, std::uint32_t textColour);

// The largest side the orbit picture is ever drawn at for token images of `imageSize`: the carousel
// draws the orbit image at most 1.6 image sizes wide.
int OrbitPictureLimit(int imageSize);
// The picture made smaller, keeping its proportions, so that neither side exceeds `limit`; a picture
// that fits already is returned as it is.
QImage FittedWithin(const QImage& picture, int limit);

} // namespace TokenImageRenderer
