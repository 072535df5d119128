#include "TextBuffer.h"

#include "platform/Imaging.h"
#include "store/CaptionLayer.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QMutex>
#include <QRawFont>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <vector>

namespace {
constexpr int TextDpi = 96;

// Line breaks of any platform become the layout's own separator; other control characters go.
QString PlainText(const QString& text) {
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    plain.replace(QLatin1Char('\t'), QLatin1Char(' '));
    plain.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return plain;
}

QString LineText(const QString& text, const QTextLine& line) {
    QString part = text.mid(line.textStart(), line.textLength());
    part.remove(QChar::LineSeparator);
    return part.trimmed();
}

QStringList WrappedLines(const QString& text, const QFont& font, double width) {
    QTextLayout layout(text, font);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << LineText(text, line);
    }
    layout.endLayout();
    return lines;
}
} // namespace

namespace TextBuffer {

QFont Font(double pointSize) {
    QFont font(QStringLiteral("Verdana"));
    font.setBold(true);
    font.setPointSizeF(std::max(pointSize, 0.5));
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferNoHinting);
    // Measured at a fixed resolution, so a size means the same on every screen.
    QImage reference(1, 1, Imaging::SurfaceFormat);
    reference.setDotsPerMeterX(qRound(TextDpi / 0.0254));
    reference.setDotsPerMeterY(qRound(TextDpi / 0.0254));
    return QFont(font, &reference);
}

namespace {

// One glyph of laid-out text: which glyph of which font, and its pen position in the box.
struct PlacedGlyph {
    QRawFont font;
    quint32 index;
    QPointF position;
};

// The glyphs of one line with the pen starting at (0, baseline), and the box their ink fills.
std::vector<PlacedGlyph> LineGlyphs(const QString& line, const QFont& font, double baseline, QRectF& ink) {
    QTextLayout layout(line, font);
    layout.beginLayout();
    QTextLine textLine = layout.createLine();
    textLine.setLineWidth(1e6);
    layout.endLayout();
    std::vector<PlacedGlyph> glyphs;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < indexes.size(); ++i) {
            const QPointF position = positions[i] + QPointF(0, baseline - textLine.ascent());
            glyphs.push_back({run.rawFont(), indexes[i], position});
            ink |= run.rawFont().boundingRect(indexes[i]).translated(position);
        }
    }
    return glyphs;
}

// The text's glyphs in the box (0, 0, width, height): each line centred horizontally by its ink (so
// letters with wide side bearings do not pull it aside), the block of lines centred vertically. Long
// text wraps at word boundaries within `width` less `margin` on either side; lines that do not fit
// the height are dropped and the last one shown ends in "…".
std::vector<PlacedGlyph> Layout(const QString& text, const QFont& font, double width, double height,
                                double margin) {
    std::vector<PlacedGlyph> glyphs;
    const QString plain = PlainText(text);
    if (plain.trimmed().isEmpty() || width <= 0 || height <= 0)
        return glyphs;
    const double lineWidth = std::max(width - 2 * margin, 1.0);
    QStringList lines = WrappedLines(plain, font, lineWidth);
    const QFontMetricsF metrics(font);
    const int fitting = std::max(1, int(std::floor((height + metrics.leading()) / metrics.lineSpacing())));
    if (lines.size() > fitting) {
        const QString rest = lines.mid(fitting - 1).join(QLatin1Char(' '));
        lines = lines.mid(0, fitting - 1);
        lines << metrics.elidedText(rest, Qt::ElideRight, lineWidth);
    }
    const double block = lines.size() * metrics.lineSpacing() - metrics.leading();
    double baseline = (height - block) * 0.5 + metrics.ascent();
    for (const QString& line : lines) {
        QRectF ink;
        std::vector<PlacedGlyph> placed = LineGlyphs(line, font, baseline, ink);
        const double shift = (width - ink.width()) * 0.5 - ink.left();
        for (PlacedGlyph& glyph : placed) {
            glyph.position.rx() += shift;
            glyphs.push_back(std::move(glyph));
        }
        baseline += metrics.lineSpacing();
    }
    return glyphs;
}

// Glyph positions are kept to a quarter of a device pixel, so a letter's halo, outline and fill are
// computed once for each of its sixteen placements and reused for every text that shows it.
constexpr int Subpixels = 4;
constexpr int KeptGlyphs = 512; // about a megabyte
QMutex gGlyphsLock;
QHash<QByteArray, std::shared_ptr<const CaptionCoverage>> gGlyphs;

std::shared_ptr<const CaptionCoverage> GlyphCoverage(const PlacedGlyph& glyph, QPoint subpixel,
                                                     double pixelRatio, double haloWidth,
                                                     double outlineWidth) {
    const QByteArray key = QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
                               .arg(glyph.font.familyName(), glyph.font.styleName())
                               .arg(glyph.font.pixelSize())
                               .arg(glyph.index)
                               .arg(subpixel.x())
                               .arg(subpixel.y())
                               .arg(pixelRatio)
                               .arg(haloWidth)
                               .arg(outlineWidth)
                               .toUtf8();
    {
        const QMutexLocker lock(&gGlyphsLock);
        if (const auto found = gGlyphs.constFind(key); found != gGlyphs.constEnd())
            return found.value();
    }
    const QPainterPath outline = QTransform::fromScale(pixelRatio, pixelRatio)
                                     .translate(double(subpixel.x()) / Subpixels / pixelRatio,
                                                double(subpixel.y()) / Subpixels / pixelRatio)
                                     .map(glyph.font.pathForGlyph(glyph.index));
    const QRect region =
        outline.isEmpty() ? QRect() : CaptionRegion(outline, {{}, haloWidth, {}, outlineWidth, {}});
    auto coverage =
        std::make_shared<const CaptionCoverage>(CaptionCoverageOf(outline, region, haloWidth, outlineWidth));
    const QMutexLocker lock(&gGlyphsLock);
    if (gGlyphs.size() >= KeptGlyphs)
        gGlyphs.clear();
    gGlyphs.insert(key, coverage);
    return coverage;
}

// Lays the glyph's coverage on the planes with its origin at `origin`, keeping the larger of each.
void CombineInto(CaptionCoverage& planes, const CaptionCoverage& glyph, QPoint origin) {
    const QRect placed = glyph.region.translated(origin);
    const QRect shared = placed & planes.region;
    for (int y = shared.top(); y <= shared.bottom(); ++y) {
        const std::size_t to = std::size_t(y) * planes.region.width() + shared.left();
        const std::size_t from =
            std::size_t(y - placed.top()) * placed.width() + (shared.left() - placed.left());
        for (int x = 0; x < shared.width(); ++x) {
            planes.halo[to + x] = std::max(planes.halo[to + x], glyph.halo[from + x]);
            planes.outline[to + x] = std::max(planes.outline[to + x], glyph.outline[from + x]);
            planes.fill[to + x] = std::max(planes.fill[to + x], glyph.fill[from + x]);
        }
    }
}

} // namespace

namespace {

// The arguments of one rendering, and what it gave.
struct Rendered {
    QString text;
    double fontSize, pixelRatio;
    int width, height;
    QRgb outline, fill;
    QImage surface;

    bool Matches(const Rendered& other) const {
        return text == other.text && fontSize == other.fontSize && pixelRatio == other.pixelRatio &&
               width == other.width && height == other.height && outline == other.outline &&
               fill == other.fill;
    }
};

// The most recent renderings, the latest first: turning back and forth between two tokens shows the
// same descriptions again and again.
constexpr int KeptRenderings = 2;
QMutex gRenderedLock;
std::deque<Rendered> gRendered;

QImage RenderNew(const QString& text, double fontSize, int width, int height, const QColor& outline,
                 const QColor& fill, double pixelRatio);

} // namespace

QImage Render(const QString& text, double fontSize, int width, int height, const QColor& outline,
              const QColor& fill, double pixelRatio) {
    Rendered wanted{text, fontSize, pixelRatio, width, height, outline.rgba(), fill.rgba(), {}};
    {
        const QMutexLocker lock(&gRenderedLock);
        const auto found = std::find_if(gRendered.begin(), gRendered.end(),
                                        [&](const Rendered& r) { return r.Matches(wanted); });
        if (found != gRendered.end()) {
            std::rotate(gRendered.begin(), found, std::next(found));
            return gRendered.front().surface;
        }
    }
    wanted.surface = RenderNew(text, fontSize, width, height, outline, fill, pixelRatio);
    const QMutexLocker lock(&gRenderedLock);
    gRendered.push_front(wanted);
    if (int(gRendered.size()) > KeptRenderings)
        gRendered.pop_back();
    return wanted.surface;
}

namespace {

QImage RenderNew(const QString& text, double fontSize, int width, int height, const QColor& outline,
                 const QColor& fill, double pixelRatio) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    pixelRatio = pixelRatio > 0 ? pixelRatio : 1.0;
    QImage surface(int(std::ceil(width * pixelRatio)), int(std::ceil(height * pixelRatio)),
                   Imaging::SurfaceFormat);
    surface.fill(Qt::transparent);
    surface.setDevicePixelRatio(pixelRatio);
    const double haloWidth = fontSize * 0.35;
    const std::vector<PlacedGlyph> glyphs = Layout(text, Font(fontSize), width, height, haloWidth);
    if (glyphs.empty())
        return surface;
    CaptionCoverage planes = BlankCaptionCoverage(surface.rect());
    for (const PlacedGlyph& glyph : glyphs) {
        const QPoint steps = (glyph.position * pixelRatio * Subpixels).toPoint();
        const QPoint origin(int(std::floor(double(steps.x()) / Subpixels)),
                            int(std::floor(double(steps.y()) / Subpixels)));
        const auto coverage = GlyphCoverage(glyph, steps - origin * Subpixels, pixelRatio,
                                            haloWidth * pixelRatio, fontSize * 0.3 * pixelRatio);
        CombineInto(planes, *coverage, origin);
    }
    // The halo is half-transparent black: where the strokes of neighbouring letters overlap it is
    // no darker than elsewhere.
    surface = CaptionPixels(planes, {QColor(0, 0, 0, 128), 0, outline, 0, fill});
    surface.setDevicePixelRatio(pixelRatio);
    return surface;
}

} // namespace

} // namespace TextBuffer
