#pragma once

#include <QFont>
#include <QString>

// The windows are laid out in pixels at 96 dots per inch, so their text is sized in pixels at that
// density too: the layout and the text keep their proportions on any screen.
inline QFont DesignFont(const QString& family, double points) {
    QFont font(family);
    font.setPixelSize(qRound(points * 96.0 / 72.0));
    return font;
}

// The windows' text face: Tahoma, a narrow face. Where it is missing fontconfig substitutes, and
// asking for a semi-condensed width picks the substitute's narrower cut (DejaVu Sans Condensed for
// DejaVu Sans), so captions sized for Tahoma still fit their controls.
inline QFont DesignTextFont(double points) {
    QFont font = DesignFont(QStringLiteral("Tahoma"), points);
    font.setStretch(QFont::SemiCondensed);
    return font;
}
