#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

// Captions and descriptions drawn as outlined text on a transparent surface: a soft dark halo, an
// outline and a fill, so the text stays legible over any desktop.
namespace TextBuffer {

// Bold "Verdana" (or what fontconfig substitutes for it) at `pointSize`, measured at 96 dots per inch.
QFont Font(double pointSize);

// A width x height surface (device pixels: size times `pixelRatio`) holding the text: halo (line width
// fontSize x 0.35, black at half opacity), outline (fontSize x 0.3) and fill, in that order. The few
// most recent renderings are kept: the same arguments again give the same image at no cost.
QImage Render(const QString& text, double fontSize, int width, int height, const QColor& outline,
              const QColor& fill, double pixelRatio = 1.0);

} // namespace TextBuffer
