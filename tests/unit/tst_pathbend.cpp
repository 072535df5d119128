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
    void guideMeasuresTheArc_data() {
        QTest::addColumn<double>("r");
        QTest::newRow("10") << 10.0;
        QTest::newRow("55") << 55.0;
        QTest::newRow("300") << 300.0;
    }
    void guideMeasuresTheArc() {
        QFETCH(double, r);
        const Imaging::BendGuide guide(UpperArc(r), 0.02);
        // The painter path's own cubic arcs stray up to 0.03 % of the radius from the circle.
        const double slack = r * 3e-4 + 0.02;
        const double length = r * (2 * std::numbers::pi - ArcStart);
        QVERIFY(std::abs(guide.Length() - length) < length * 3e-4 + 0.02);
        for (const QPointF& p : guide.Points())
            QVERIFY(std::abs(Radius(p) - r) < slack);
        QVERIFY(guide.Points().front().x() < -0.99 * r);
        QVERIFY(guide.Points().back().x() > 0.99 * r);
    }

    void aStraightGuideMovesAndStretches_data() {
        QTest::addColumn<double>("xFactor");
        QTest::newRow("same length") << 1.0;
        QTest::newRow("stretched") << 2.0;
        QTest::newRow("squeezed") << 0.5;
    }
    void aStraightGuideMovesAndStretches() {
        QFETCH(double, xFactor);
        QPainterPath guide(QPointF(10, 20));
        guide.lineTo(510, 20);
        QPainterPath shape;
        shape.addRect(0, -5, 100, 10);
        shape.addEllipse(QPointF(50, 30), 20, 10);
        const QRectF bent = Imaging::BendPath(shape, guide, xFactor).boundingRect();
        const QRectF expected(10, 15, 100 * xFactor, 45);
        QVERIFY2(std::abs(bent.left() - expected.left()) < 1e-6 &&
                     std::abs(bent.top() - expected.top()) < 1e-6 &&
                     std::abs(bent.width() - expected.width()) < 1e-6 &&
                     std::abs(bent.height() - expected.height()) < 1e-3,
                 qPrintable(QStringLiteral("%1 %2 %3 %4")
                                .arg(bent.x())
                                .arg(bent.y())
                                .arg(bent.width())
                                .arg(bent.height())));
    }

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

    void textLiesInABandAlongTheUpperRim() {
        const double r = 100;
        const BentText text = BendText(r);
        for (const QPointF& p : Points(text.bent)) {
            QVERIFY2(Radius(p) < r + 0.5 && Radius(p) > r - text.height - 0.5,
                     qPrintable(QString::number(Radius(p))));
            QVERIFY(p.y() < 0.5);
        }
        const QRectF bounds = text.bent.boundingRect();
        QVERIFY(bounds.left() < -0.9 * r && bounds.right() > 0.9 * r && bounds.top() < -0.9 * r);
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

    void aGuideWithoutLengthLeavesThePathAlone() {
        QPainterPath shape;
        shape.addRect(1, 2, 3, 4);
        QCOMPARE(Imaging::BendPath(shape, QPainterPath(), 1.0), shape);
        QCOMPARE(Imaging::BendPath(shape, QPainterPath(QPointF(5, 5)), 1.0), shape);
    }
};

QTEST_MAIN(TestPathBend)
#include "tst_pathbend.moc"
