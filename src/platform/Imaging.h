#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <cstdint>
#include <vector>

// Image services: decoding and encoding pictures, the empty image, blur, bending text along a path
// and Windows-style 0x00BBGGRR colours. Every surface is QImage::Format_ARGB32_Premultiplied.
namespace Imaging {

constexpr QImage::Format SurfaceFormat = QImage::Format_ARGB32_Premultiplied;

// Largest picture we agree to decode, in pixels (width x height). Bigger files are refused as
// undecodable before any pixel memory is allocated. JPEG is decoded at a reduced scale and may be
// as large as MaxDecodePixels; the other formats are decoded whole before they are scaled down, and
// are held to MaxFullDecodePixels (64 MiB of pixels).
constexpr qint64 MaxDecodePixels = 8192LL * 8192LL;
constexpr qint64 MaxFullDecodePixels = 4096LL * 4096LL;
// Pictures are drawn at most 512 device pixels wide (the picker's preview, or the largest token
// image at a device pixel ratio of 2): one wider or taller than this is decoded scaled down to fit
// within MaxDecodeEdge x MaxDecodeEdge, keeping its proportions (JPEG's decoder then leaves out
// most of the work; SVG is rendered at that size).
constexpr int MaxDecodeEdge = 1024;

// A transparent surface of the given size.
QImage NewSurface(int width, int height);

// Decodes PNG, JPEG, BMP, GIF, ICO or SVG bytes into a surface at natural size (scaled down to fit
// MaxDecodeEdge when larger). Returns a null
// image for empty, undecodable, truncated or oversized data; `error` then says why.
QImage Decode(const QByteArray& bytes, QString* error = nullptr);
QImage DecodeFile(const QString& path, QString* error = nullptr);

// PNG bytes of a surface. A null or 0 x 0 image encodes as the empty byte array (the "empty image").
QByteArray EncodePng(const QImage& image);

// The encoding of a 0 x 0 surface: an empty array that decodes to a null image, drawing nothing.
inline QByteArray EmptyImageBytes() {
    return {};
}

// Blurs the surface in place (alpha included); `radius` is the blur amount in pixels.
void Blur(QImage& image, double radius);

// Bends `path` along `guide`: each point's x (times `xFactor`) becomes a distance along the guide and
// its y an offset along the guide's normal (negative y lies on the left of the direction of travel,
// which for an arc drawn clockwise on screen is outwards). The guide is flattened once with the
// given tolerance.
QPainterPath BendPath(const QPainterPath& path, const QPainterPath& guide, double xFactor,
                      double tolerance = 0.02);

// The path's pieces (one per move) as polylines: curves become chords that stray at most
// `tolerance` from them.
QList<QPolygonF> FlattenPath(const QPainterPath& path, double tolerance);

// A guide path flattened once into a polyline with cumulative lengths, for measuring and for bending
// any number of paths along it.
class BendGuide {
public:
    BendGuide() = default;
    // Flattens `guide` so that no curve strays more than `tolerance` from its polyline.
    explicit BendGuide(const QPainterPath& guide, double tolerance = 0.02);

    double Length() const { return mLengths.empty() ? 0.0 : mLengths.back(); }
    const std::vector<QPointF>& Points() const { return mPoints; }
    // The point at `distance` along the guide and the unit normal there (pointing to the right of the
    // direction of travel), both varying smoothly; beyond the ends the end segments are extended.
    void PointAndNormal(double distance, QPointF& point, QPointF& normal) const;
    // `path` bent along the guide, as described at BendPath.
    QPainterPath Bend(const QPainterPath& path, double xFactor) const;

private:
    std::vector<QPointF> mPoints;
    std::vector<double> mLengths;       // distance from the start to each point
    std::vector<QPointF> mPointNormals; // unit normals at the points, averaged over adjacent segments
};

// 0x00BBGGRR colour values.
QColor ColourFromBgr(std::uint32_t bgr, double opacity = 1.0);
std::uint32_t BgrFromColour(const QColor& colour);

} // namespace Imaging
