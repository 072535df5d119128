#include "TextBuffer.h"

#include "platform/Imaging.h"

#include <QFontMetricsF>
#include <QMutex>
#include <QPainter>
#include <QPen>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <deque>

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

// The path's closed pieces one by one. A path's stroke is the union of its pieces' strokes, and
// stroking small pieces is many times faster than stroking one path of many self-overlapping outlines.
QList<QPainterPath> Subpaths(const QPainterPath& path) {
    QList<QPainterPath> pieces;
    QPainterPath piece;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element element = path.elementAt(i);
        if (element.isMoveTo()) {
            if (!piece.isEmpty())
                pieces << piece;
            piece = QPainterPath();
            piece.moveTo(element);
        } else if (element.isLineTo()) {
            piece.lineTo(element);
        } else if (element.isCurveTo() && i + 2 < path.elementCount()) {
            piece.cubicTo(element, path.elementAt(i + 1), path.elementAt(i + 2));
            i += 2;
        }
    }
    if (!piece.isEmpty())
        pieces << piece;
    return pieces;
}

// The pixels a piece's coverage can reach: its control points' box, rounded out, and a pixel more.
QRect PixelBox(const QPainterPath& piece) {
    const QRectF box = piece.controlPointRect();
    return QRect(QPoint(int(std::floor(box.left())) - 1, int(std::floor(box.top())) - 1),
                 QPoint(int(std::ceil(box.right())) + 1, int(std::ceil(box.bottom())) + 1));
}

// The pieces gathered into groups whose pixel boxes do not meet. A pixel's coverage comes only from
// the outlines crossing it or lying to its left on its row, and those of a group it lies outside of
// cancel: filling the groups one by one gives every pixel the very value filling the whole path gives
// it, while the rasteriser works on small outlines it can take in one pass.
QList<QPainterPath> DisjointGroups(const QList<QPainterPath>& pieces, Qt::FillRule rule) {
    std::vector<std::pair<QRect, QPainterPath>> groups;
    for (const QPainterPath& piece : pieces) {
        QRect box = PixelBox(piece);
        QPainterPath group = piece;
        // Merging can make a group meet ones it did not meet before: repeat until none does.
        for (bool merged = true; merged;) {
            merged = false;
            for (auto it = groups.begin(); it != groups.end();) {
                if (!it->first.intersects(box)) {
                    ++it;
                    continue;
                }
                box |= it->first;
                it->second.addPath(group);
                group = std::move(it->second);
                it = groups.erase(it);
                merged = true;
            }
        }
        groups.emplace_back(box, std::move(group));
    }
    QList<QPainterPath> result;
    result.reserve(qsizetype(groups.size()));
    for (auto& [box, group] : groups) {
        group.setFillRule(rule);
        result << std::move(group);
    }
    return result;
}

void StrokePieces(QPainter& painter, const QList<QPainterPath>& pieces, const QColor& colour, double width) {
    const QPen pen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    for (const QPainterPath& piece : pieces)
        painter.strokePath(piece, pen);
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

QPainterPath Layout(const QString& text, const QFont& font, double width, double height, double margin) {
    QPainterPath path;
    const QString plain = PlainText(text);
    if (plain.trimmed().isEmpty() || width <= 0 || height <= 0)
        return path;
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
        // Centred by the ink, not the advance, so letters with wide side bearings do not pull it aside.
        QPainterPath linePath;
        linePath.addText(QPointF(0, baseline), font, line);
        const QRectF ink = linePath.boundingRect();
        path.addPath(linePath.translated((width - ink.width()) * 0.5 - ink.left(), 0));
        baseline += metrics.lineSpacing();
    }
    return path;
}

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

// The most recent renderings, the latest first: turning back and forth between tokens shows the same
// few descriptions again and again, and a rendering takes milliseconds.
constexpr int KeptRenderings = 6;
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
    const QPainterPath path = Layout(text, Font(fontSize), width, height, haloWidth);
    if (path.isEmpty())
        return surface;
    const QList<QPainterPath> pieces = Subpaths(path);
    // The halo is drawn opaque on a layer of its own and laid on at half opacity, so the places where
    // the strokes of neighbouring pieces overlap are no darker than the rest.
    QImage halo(surface.size(), Imaging::SurfaceFormat);
    halo.fill(Qt::transparent);
    halo.setDevicePixelRatio(pixelRatio);
    {
        QPainter painter(&halo);
        painter.setRenderHint(QPainter::Antialiasing);
        StrokePieces(painter, pieces, Qt::black, haloWidth);
    }
    QPainter painter(&surface);
    painter.setOpacity(0.5);
    painter.drawImage(QPointF(0, 0), halo);
    painter.setOpacity(1);
    painter.setRenderHint(QPainter::Antialiasing);
    StrokePieces(painter, pieces, outline, fontSize * 0.3);
    for (const QPainterPath& group : DisjointGroups(pieces, path.fillRule()))
        painter.fillPath(group, fill);
    return surface;
}

} // namespace

} // namespace TextBuffer
