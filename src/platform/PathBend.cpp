// Bending a path along another: the guide is flattened once into a polyline with cumulative lengths;
// each point of the bent path finds its place along the guide by a binary search over those lengths.
#include "Imaging.h"

#include <algorithm>
#include <cmath>

namespace Imaging {

namespace {

// Pieces of the bent path are at most this long along the guide before their ends are mapped, so
// that straight strokes follow the guide's curvature instead of cutting across it.
constexpr double MaxMappedSpan = 4.0;
constexpr int MaxSubdivision = 16;

struct Cubic {
    QPointF p0, c1, c2, p3;

    void Split(Cubic& first, Cubic& second) const {
        const QPointF a = (p0 + c1) / 2, b = (c1 + c2) / 2, c = (c2 + p3) / 2;
        const QPointF d = (a + b) / 2, e = (b + c) / 2, mid = (d + e) / 2;
        first = {p0, a, d, mid};
        second = {mid, e, c, p3};
    }
    // How far the control points stray from the chord.
    double Flatness() const {
        const QPointF chord = p3 - p0;
        const double length = std::hypot(chord.x(), chord.y());
        auto distance = [&](const QPointF& p) {
            const QPointF v = p - p0;
            if (length < 1e-12)
                return std::hypot(v.x(), v.y());
            return std::abs(v.x() * chord.y() - v.y() * chord.x()) / length;
        };
        return std::max(distance(c1), distance(c2));
    }
    double XSpan() const {
        const auto [low, high] = std::minmax({p0.x(), c1.x(), c2.x(), p3.x()});
        return high - low;
    }
};

void FlattenCubic(const Cubic& curve, double tolerance, int depth, std::vector<QPointF>& points) {
    if (depth >= MaxSubdivision || curve.Flatness() <= tolerance) {
        points.push_back(curve.p3);
        return;
    }
    Cubic first, second;
    curve.Split(first, second);
    FlattenCubic(first, tolerance, depth + 1, points);
    FlattenCubic(second, tolerance, depth + 1, points);
}

QPointF Normalized(const QPointF& v) {
    const double length = std::hypot(v.x(), v.y());
    return length > 1e-12 ? v / length : QPointF(0, 1);
}

} // namespace

QList<QPolygonF> FlattenPath(const QPainterPath& path, double tolerance) {
    QList<QPolygonF> polylines;
    std::vector<QPointF> points;
    auto finish = [&] {
        if (!points.empty())
            polylines.append(QPolygonF(QList<QPointF>(points.begin(), points.end())));
        points.clear();
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element element = path.elementAt(i);
        if (element.type == QPainterPath::CurveToElement && i + 2 < path.elementCount() && !points.empty()) {
            const Cubic curve{points.back(), element, path.elementAt(i + 1), path.elementAt(i + 2)};
            FlattenCubic(curve, std::max(tolerance, 1e-6), 0, points);
            i += 2;
            continue;
        }
        if (element.type == QPainterPath::MoveToElement)
            finish();
        points.push_back(element);
    }
    finish();
    return polylines;
}

BendGuide::BendGuide(const QPainterPath& guide, double tolerance) {
    std::vector<QPointF> points; // a later move joins the pieces into one guide
    for (const QPolygonF& polyline : FlattenPath(guide, tolerance))
        points.insert(points.end(), polyline.begin(), polyline.end());
    for (const QPointF& point : points) {
        if (mPoints.empty() || point != mPoints.back())
            mPoints.push_back(point);
    }
    mLengths.assign(mPoints.size(), 0.0);
    std::vector<QPointF> segmentNormals;
    for (std::size_t i = 1; i < mPoints.size(); ++i) {
        const QPointF step = mPoints[i] - mPoints[i - 1];
        mLengths[i] = mLengths[i - 1] + std::hypot(step.x(), step.y());
        segmentNormals.push_back(Normalized(QPointF(-step.y(), step.x())));
    }
    mPointNormals.resize(mPoints.size(), QPointF(0, 1));
    for (std::size_t i = 0; i < mPoints.size() && !segmentNormals.empty(); ++i) {
        const QPointF before = segmentNormals[i == 0 ? 0 : i - 1];
        const QPointF after = segmentNormals[std::min(i, segmentNormals.size() - 1)];
        mPointNormals[i] = Normalized(before + after);
    }
}

void BendGuide::PointAndNormal(double distance, QPointF& point, QPointF& normal) const {
    if (mPoints.size() < 2) {
        point = mPoints.empty() ? QPointF() : mPoints.front();
        normal = QPointF(0, 1);
        return;
    }
    const auto above = std::upper_bound(mLengths.begin(), mLengths.end(), distance);
    const std::size_t last = mPoints.size() - 2;
    const std::size_t i =
        std::min(last, std::size_t(std::max<std::ptrdiff_t>(0, above - mLengths.begin() - 1)));
    const double t = (distance - mLengths[i]) / (mLengths[i + 1] - mLengths[i]);
    point = mPoints[i] + (mPoints[i + 1] - mPoints[i]) * t;
    const double blend = std::clamp(t, 0.0, 1.0);
    normal = Normalized(mPointNormals[i] * (1 - blend) + mPointNormals[i + 1] * blend);
}

namespace {

// Writes the bent copy of a path: every point (x, y) goes to the guide's point at x * xFactor,
// moved by y along the guide's normal there.
class Bender {
public:
    Bender(const BendGuide& guide, double xFactor, Qt::FillRule fillRule) : mGuide(guide), mXFactor(xFactor) {
        mBent.setFillRule(fillRule);
    }

    void MoveTo(const QPointF& p) { mBent.moveTo(Map(p)); }
    // Long lines are cut into short pieces so that they follow the guide's curvature.
    void LineTo(const QPointF& from, const QPointF& to) {
        const int pieces =
            std::max(1, int(std::ceil(GuideSpan(std::abs(to.x() - from.x())) / MaxMappedSpan)));
        for (int k = 1; k <= pieces; ++k)
            mBent.lineTo(Map(from + (to - from) * (double(k) / pieces)));
    }
    // Curves are split until short along the guide, then their control points are mapped.
    void CurveTo(const Cubic& curve, int depth = 0) {
        if (depth < MaxSubdivision && GuideSpan(curve.XSpan()) > MaxMappedSpan) {
            Cubic first, second;
            curve.Split(first, second);
            CurveTo(first, depth + 1);
            CurveTo(second, depth + 1);
            return;
        }
        mBent.cubicTo(Map(curve.c1), Map(curve.c2), Map(curve.p3));
    }
    QPainterPath Result() const { return mBent; }

private:
    double GuideSpan(double xSpan) const { return xSpan * std::abs(mXFactor); }
    QPointF Map(const QPointF& p) const {
        QPointF point, normal;
        mGuide.PointAndNormal(p.x() * mXFactor, point, normal);
        return point + normal * p.y();
    }

    const BendGuide& mGuide;
    double mXFactor;
    QPainterPath mBent;
};

} // namespace

QPainterPath BendGuide::Bend(const QPainterPath& path, double xFactor) const {
    if (mPoints.size() < 2)
        return path;
    Bender bender(*this, xFactor, path.fillRule());
    QPointF current;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element element = path.elementAt(i);
        const QPointF end = element;
        if (element.type == QPainterPath::MoveToElement) {
            bender.MoveTo(end);
        } else if (element.type == QPainterPath::LineToElement) {
            bender.LineTo(current, end);
        } else if (element.type == QPainterPath::CurveToElement && i + 2 < path.elementCount()) {
            const QPointF last = path.elementAt(i + 2);
            bender.CurveTo(Cubic{current, end, path.elementAt(i + 1), last});
            current = last;
            i += 2;
            continue;
        }
        current = end;
    }
    return bender.Result();
}

QPainterPath BendPath(const QPainterPath& path, const QPainterPath& guide, double xFactor, double tolerance) {
    return BendGuide(guide, tolerance).Bend(path, xFactor);
}

} // namespace Imaging
