#include "platform/Imaging.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QTest>

#include <cmath>
#include <numbers>

namespace {

constexpr double ArcStart = 3.141; // radians, y down: from the left end over the top to the right end

// The upper half of the circle of radius r about (0, 0), drawn clockwise on screen.
QPainterPath UpperArc(double r) {
    const QRectF box(-r, -r, 2 * r, 2 * r);
    const double start = -ArcStart * 180 / std::numbers::pi;
    const double sweep = -(2 * std::numbers::pi - ArcStart) * 180 / std::numbers::pi;
    QPainterPath arc;
    arc.arcMoveTo(box, start);
    arc.arcTo(box, start, sweep);
    return arc;
}

std::vector<QPointF> Points(const QPainterPath& path) {
    std::vector<QPointF> points;
    for (const QPolygonF& polygon : path.toSubpathPolygons())
        points.insert(points.end(), polygon.begin(), polygon.end());
    return points;
}

double Radius(const QPointF& p) {
    return std::hypot(p.x(), p.y());
}

// The angle of a point on the upper arc, growing from the left end (0) to the right end (pi).
double ArcAngle(const QPointF& p) {
    return std::atan2(-p.y(), -p.x());
}

struct BentText {
    QPainterPath original;
    QPainterPath bent;
    double height = 0;
};

// "Tessaro" in a bold font with its top at y = 0, fitted to the whole upper arc.
BentText BendText(double r) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(20);
    const QFontMetricsF metrics(font);
    BentText text;
    text.original.addText(QPointF(0, metrics.ascent()), font, QStringLiteral("Tessaro"));
    text.height = metrics.height();
    const Imaging::BendGuide guide(UpperArc(r));
    text.bent =
        guide.Bend(text.original, guide.Length() / metrics.horizontalAdvance(QStringLiteral("Tessaro")));
    return text;
}

} // namespace

class TestPathBend : public QObject {
    Q_OBJECT
private slots:
    void straightStrokesFollowTheCurve() {
        const Imaging::BendGuide guide(UpperArc(100));
        QPainterPath line(QPointF(0, 5));
        line.lineTo(guide.Length(), 5);
        const QPainterPath bent = guide.Bend(line, 1.0);
        const std::vector<QPointF> points = Points(bent);
        QVERIFY(points.size() > 20);
        for (const QPointF& p : points)
            QVERIFY2(std::abs(Radius(p) - 95) < 0.05, qPrintable(QString::number(Radius(p))));
    }

    void textReadsLeftToRightWithUprightLetters() {
        const double r = 100;
        const BentText text = BendText(r);
        const QList<QPolygonF> glyphs = text.bent.toSubpathPolygons();
        QVERIFY(glyphs.size() >= 7);
        auto meanAngle = [](const QPolygonF& polygon) {
            double sum = 0;
            for (const QPointF& p : polygon)
                sum += ArcAngle(p);
            return sum / polygon.size();
        };
        QVERIFY(meanAngle(glyphs.front()) < meanAngle(glyphs.back()));
        QVERIFY(glyphs.front().boundingRect().center().x() < glyphs.back().boundingRect().center().x());

        // The first contour is the "T": its bar (the top of the letter) must be the outer, wide part.
        const QPolygonF t = glyphs.front();
        double inner = r, outer = 0;
        for (const QPointF& p : t) {
            inner = std::min(inner, Radius(p));
            outer = std::max(outer, Radius(p));
        }
        const double band = (outer - inner) * 0.2;
        double outerLow = 10, outerHigh = -10, innerLow = 10, innerHigh = -10;
        for (const QPointF& p : t) {
            const double angle = ArcAngle(p);
            if (Radius(p) > outer - band) {
                outerLow = std::min(outerLow, angle);
                outerHigh = std::max(outerHigh, angle);
            } else if (Radius(p) < inner + band) {
                innerLow = std::min(innerLow, angle);
                innerHigh = std::max(innerHigh, angle);
            }
        }
        QVERIFY2(outerHigh - outerLow > 2 * (innerHigh - innerLow),
                 qPrintable(
                     QStringLiteral("bar %1, stem %2").arg(outerHigh - outerLow).arg(innerHigh - innerLow)));
    }
};

QTEST_MAIN(TestPathBend)
#include "tst_pathbend.moc"
