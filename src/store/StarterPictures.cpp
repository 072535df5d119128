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
    p.setBrush(Slate.lighter(135));
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

void drawInternet(QPainter& p) {
    QPainterPath cloud;
    cloud.addEllipse(QPointF(70, 110), 40, 36);
    cloud.addEllipse(QPointF(108, 88), 48, 46);
    cloud.addEllipse(QPointF(140, 116), 32, 30);
    cloud.addRoundedRect(QRectF(40, 110, 130, 36), 18, 18);
    p.setPen(outline());
    p.setBrush(Blue.lighter(125));
    p.drawPath(cloud.simplified());
}

void drawOffice(QPainter& p) {
    p.setPen(outline());
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(72, 36, 52, 30), 8, 8);
    p.setBrush(Amber);
    p.drawRoundedRect(QRectF(24, 58, 148, 104), 12, 12);
    p.setPen(outline(6));
    p.drawLine(QPointF(24, 100), QPointF(172, 100));
    p.setBrush(Paper);
    p.drawRoundedRect(QRectF(86, 90, 24, 20), 4, 4);
}

void drawGraphics(QPainter& p) {
    QPainterPath palette;
    palette.addEllipse(QRectF(22, 36, 152, 124));
    QPainterPath thumb;
    thumb.addEllipse(QPointF(124, 126), 16, 14);
    p.setPen(outline());
    p.setBrush(Paper);
    p.drawPath(palette.subtracted(thumb));
    const QColor paints[] = {Red, Amber, Teal, Blue};
    const QPointF places[] = {{62, 84}, {98, 66}, {138, 80}, {62, 124}};
    p.setPen(outline(4));
    for (int i = 0; i < 4; ++i) {
        p.setBrush(paints[i]);
        p.drawEllipse(places[i], 14, 14);
    }
}

void drawMultimedia(QPainter& p) {
    p.setPen(outline());
    p.setBrush(Red);
    p.drawEllipse(QPointF(98, 98), 74, 74);
    p.setBrush(Paper);
    p.drawPolygon(QPolygonF({QPointF(78, 60), QPointF(142, 98), QPointF(78, 136)}));
}

void drawDevelopment(QPainter& p) {
    p.setPen(outline());
    p.setBrush(Ink);
    p.drawRoundedRect(QRectF(22, 38, 152, 120), 14, 14);
    p.setPen(QPen(Teal, 10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(72, 76), QPointF(48, 98), QPointF(72, 120)}));
    p.drawPolyline(QPolygonF({QPointF(124, 76), QPointF(148, 98), QPointF(124, 120)}));
    p.setPen(QPen(Amber, 10, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(108, 70), QPointF(88, 126));
}

void drawGames(QPainter& p) {
    p.setPen(outline());
    p.setBrush(Slate.lighter(130));
    p.drawRoundedRect(QRectF(20, 62, 156, 80), 40, 40);
    p.setPen(QPen(Ink, 10, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(46, 102), QPointF(82, 102));
    p.drawLine(QPointF(64, 84), QPointF(64, 120));
    p.setPen(outline(4));
    p.setBrush(Red);
    p.drawEllipse(QPointF(134, 90), 10, 10);
    p.setBrush(Teal);
    p.drawEllipse(QPointF(150, 112), 10, 10);
}

void drawEducation(QPainter& p) {
    p.setPen(outline());
    p.setBrush(Slate);
    p.drawPolygon(QPolygonF({QPointF(58, 96), QPointF(138, 96), QPointF(138, 140), QPointF(58, 140)}));
    p.setBrush(Ink);
    p.drawPolygon(QPolygonF({QPointF(98, 44), QPointF(178, 82), QPointF(98, 120), QPointF(18, 82)}));
    p.setPen(QPen(Amber, 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(98, 82), QPointF(160, 100));
    p.drawLine(QPointF(160, 100), QPointF(160, 146));
    p.setPen(outline(4));
    p.setBrush(Amber);
    p.drawEllipse(QPointF(160, 152), 8, 8);
}

void drawUtilities(QPainter& p) {
    p.setPen(outline());
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(70, 34, 56, 40), 8, 8);
    p.setBrush(Red);
    p.drawRoundedRect(QRectF(22, 62, 152, 100), 10, 10);
    p.setBrush(Red.darker(120));
    p.drawRect(QRectF(22, 62, 152, 34));
    p.setBrush(Paper);
    p.drawRoundedRect(QRectF(84, 86, 28, 22), 4, 4);
}

void drawOther(QPainter& p) {
    const QColor tiles[] = {Blue, Teal, Amber, Red, Slate, Blue, Teal, Amber, Red};
    p.setPen(outline(5));
    for (int i = 0; i < 9; ++i) {
        p.setBrush(tiles[i]);
        p.drawRoundedRect(QRectF(28 + (i % 3) * 50, 28 + (i / 3) * 50, 40, 40), 8, 8);
    }
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
    case Picture::Internet:
        drawInternet(p);
        break;
    case Picture::Office:
        drawOffice(p);
        break;
    case Picture::Graphics:
        drawGraphics(p);
        break;
    case Picture::Multimedia:
        drawMultimedia(p);
        break;
    case Picture::Development:
        drawDevelopment(p);
        break;
    case Picture::Games:
        drawGames(p);
        break;
    case Picture::Education:
        drawEducation(p);
        break;
    case Picture::Utilities:
        drawUtilities(p);
        break;
    case Picture::Other:
        drawOther(p);
        break;
    }
    return image;
}

QByteArray Png(Picture picture) {
    return Imaging::EncodePng(Draw(picture));
}

} // namespace StarterPictures
