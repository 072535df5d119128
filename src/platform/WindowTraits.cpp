#include "WindowTraits.h"

#include "x11/X11WindowTraits.h"

#include <QGuiApplication>

void KeepOutOfTaskbar(QWidget* pWindow) {
    if (pWindow && QGuiApplication::platformName() == QLatin1String("xcb"))
        X11KeepOutOfTaskbar(pWindow);
}
