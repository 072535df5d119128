#include "DirectFrames.h"

#include "x11/X11DirectFrames.h"

#include <QGuiApplication>

std::unique_ptr<DirectFrames> DirectFrames::For(QWindow* pWindow) {
    if (!pWindow || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    return X11DirectFrames::For(pWindow);
}
