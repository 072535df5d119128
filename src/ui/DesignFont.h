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

// The family the windows ask for; fontconfig substitutes a metric-compatible face where it is missing.
inline QString DesignFamily() {
    return QStringLiteral("Tahoma");
}
