#include "StarterPictures.h"

#include "platform/Imaging.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace StarterPictures {
namespace {

// A flat palette that reads on light and dark badges alike.
const QColor Ink(0x26, 0x32, 0x38);
const QColor Paper(0xF5, 0xF7, 0xFA);
const QColor Blue(0x2F, 0x80, 0xED);
const QColor Teal(0x1A, 0xBC, 0x9C);
const QColor Amber(0xF2, 0xA9, 0x3B);
const QColor Red(0xE5, 0x4B, 0x4B);
const QColor Slate(0x60, 0x7D, 0x8B);

QPen outline(qreal width = 8) {
    return QPen(Ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawTessaro(QPainter& p) {
    p.setPen(QPen(Blue.lighter(130), 6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(98, 98), 78, 40);
    const QColor colours[] = {Blue, Teal, Amber, Red, Slate, Teal, Amber};
    for (int i = 0; i < 7; ++i) {
        const qreal angle = qDegreesToRadians(90.0 + i * 360.0 / 7);
        const QPointF centre(98 + 78 * qCos(angle), 98 + 40 * qSin(angle));
        const qreal radius = 11 + 7 * (qSin(angle) + 1) / 2; // larger towards the front
        p.setPen(outline(4));
        p.setBrush(colours[i]);
        p.drawEllipse(centre, radius, radius);
    }
}

void drawHome(QPainter& p) {
    p.setPen(outline());
    p.setBrush(Paper);
    p.drawRect(QRectF(46, 92, 104, 78));
    p.setBrush(Red);
    p.drawPolygon(QPolygonF({QPointF(28, 100), QPointF(98, 32), QPointF(168, 100)}));
    p.setBrush(Blue);
    p.drawRect(QRectF(84, 124, 28, 46));
    p.setBrush(Amber);
    p.drawRect(QRectF(58, 108, 18, 18));
    p.drawRect(QRectF(120, 108, 18, 18));
}

void drawTerminal(QPainter& p) {
    p.setPen(outline());
    p.setBrush(Ink);
    p.drawRoundedRect(QRectF(22, 38, 152, 120), 14, 14);
    p.setBrush(Slate);
    p.drawRoundedRect(QRectF(22, 38, 152, 26), 12, 12);
    p.setPen(QPen(Teal, 10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(48, 88), QPointF(74, 108), QPointF(48, 128)}));
    p.setPen(QPen(Paper, 10, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(88, 130), QPointF(130, 130));
}

void drawBrowser(QPainter& p) {
    const QRectF globe(26, 26, 144, 144);
    p.setPen(outline());
    p.setBrush(Blue);
    p.drawEllipse(globe);
    p.setPen(QPen(Paper, 6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(68, 28, 60, 140));
    p.drawLine(QPointF(98, 28), QPointF(98, 168));
    p.drawLine(QPointF(28, 98), QPointF(168, 98));
    p.drawArc(QRectF(36, 20, 124, 60), 200 * 16, 140 * 16);
    p.drawArc(QRectF(36, 116, 124, 60), 20 * 16, 140 * 16);
    p.setPen(outline());
    p.drawEllipse(globe);
}

void drawEditor(QPainter& p) {
    p.setPen(outline());
    p.setBrush(Paper);
    p.drawRoundedRect(QRectF(40, 24, 104, 148), 8, 8);
    p.setPen(QPen(Slate, 7, Qt::SolidLine, Qt::RoundCap));
    for (int line = 0; line < 5; ++line)
        p.drawLine(QPointF(58, 56 + line * 22), QPointF(line == 4 ? 96 : 126, 56 + line * 22));
    p.save();
    p.translate(140, 120);
    p.rotate(45);
    p.setPen(outline(6));
    p.setBrush(Amber);
    p.drawRect(QRectF(-12, -56, 24, 84));
    p.setBrush(Paper);
    p.drawPolygon(QPolygonF({QPointF(-12, 28), QPointF(12, 28), QPointF(0, 50)}));
    p.restore();
}

void drawFolder(QPainter& p, const QColor& colour) {
    p.setPen(outline());
    p.setBrush(colour.darker(115));
    QPainterPath back;
    back.moveTo(24, 48);
    back.lineTo(80, 48);
    back.lineTo(94, 64);
    back.lineTo(172, 64);
    back.lineTo(172, 156);
    back.lineTo(24, 156);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(24, 82, 148, 74), 6, 6);
}

void drawGear(QPainter& p) {
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i) {
        const qreal angle = qDegreesToRadians(i * 360.0 / (teeth * 4) - 5.6);
        const qreal radius = (i % 4 < 2) ? 72 : 56;
        const QPointF point(98 + radius * qCos(angle), 98 + radius * qSin(angle));
        i == 0 ? gear.moveTo(point) : gear.lineTo(point);
    }
    gear.closeSubpath();
    gear.addEllipse(QPointF(98, 98), 24, 24);
    p.setPen(outline());
    p.setBrush(Slate);
    p.drawPath(gear);
}

void drawMonitor(QPainter& p) {
    p.setPen(outline());
    p.setBrush(Paper);
    p.drawRoundedRect(QRectF(22, 34, 152, 110), 10, 10);
    p.setPen(QPen(Slate.lighter(140), 8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(98, 148), QPointF(98, 164));
    p.drawLine(QPointF(64, 166), QPointF(132, 166));
    p.setPen(QPen(Teal, 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(38, 112), QPointF(66, 112), QPointF(82, 66), QPointF(104, 128),
                              QPointF(120, 86), QPointF(134, 104), QPointF(158, 104)}));
}

void drawSettings(QPainter& p) {
    const qreal knobs[] = {70, 126, 92};
    for (int row = 0; row < 3; ++row) {
        const qreal y = 54 + row * 44;
        p.setPen(QPen(Paper.darker(115), 10, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(34, y), QPointF(162, y));
        p.setPen(outline(6));
        p.setBrush(row == 1 ? Amber : Blue);
        p.drawEllipse(QPointF(knobs[row], y), 15, 15);
    }
}

void drawCalculator(QPainter& p) {
    p.setPen(outline());
    p.setBrush(Slate);
    p.drawRoundedRect(QRectF(44, 20, 108, 156), 14, 14);
    p.setBrush(Paper);
    p.drawRoundedRect(QRectF(60, 36, 76, 32), 5, 5);
    p.setPen(outline(4));
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            p.setBrush(column == 2 ? Amber : Paper);
            p.drawRoundedRect(QRectF(60 + column * 27, 84 + row * 28, 20, 20), 4, 4);
        }
}

void drawDisk(QPainter& p) {
    p.setPen(outline());
    p.setBrush(Slate.lighter(140));
    p.drawRoundedRect(QRectF(24, 58, 148, 80), 12, 12);
    p.setBrush(Teal);
    p.drawEllipse(QPointF(146, 112), 8, 8);
    p.setPen(QPen(Ink, 6, Qt::SolidLine, Qt::RoundCap));
    for (int slot = 0; slot < 4; ++slot)
        p.drawLine(QPointF(44 + slot * 16, 82), QPointF(44 + slot * 16, 114));
}

void drawDownloads(QPainter& p) {
    drawFolder(p, Teal);
    p.setPen(QPen(Paper, 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(98, 92), QPointF(98, 140));
    p.drawPolyline(QPolygonF({QPointF(78, 120), QPointF(98, 140), QPointF(118, 120)}));
}

} // namespace

QImage Draw(Picture picture) {
    QImage image = Imaging::NewSurface(Size, Size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    switch (picture) {
    case Picture::Tessaro:
        drawTessaro(p);
        break;
    case Picture::Home:
        drawHome(p);
        break;
    case Picture::Terminal:
        drawTerminal(p);
        break;
    case Picture::Browser:
        drawBrowser(p);
        break;
    case Picture::Editor:
        drawEditor(p);
        break;
    case Picture::Files:
        drawFolder(p, Amber);
        break;
    case Picture::System:
        drawGear(p);
        break;
    case Picture::Monitor:
        drawMonitor(p);
        break;
    case Picture::Settings:
        drawSettings(p);
        break;
    case Picture::Calculator:
        drawCalculator(p);
        break;
    case Picture::Disk:
        drawDisk(p);
        break;
    case Picture::Downloads:
        drawDownloads(p);
        break;
    }
    return image;
}

QByteArray Png(Picture picture) {
    return Imaging::EncodePng(Draw(picture));
}

} // namespace StarterPictures
