#include "DesktopSession.h"

#include "x11/X11Session.h"

bool DesktopSessionReachable(QString* pWhyNot) {
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith(QLatin1String("xcb")))
        return true; // offscreen, wayland, vnc ...: Qt connects to what it was told to
    if (platform.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        *pWhyNot = QStringLiteral("no display is set (DISPLAY is empty)");
        return false;
    }
    if (!X11DisplayAnswers()) {
        *pWhyNot =
            QStringLiteral("the X display \"%1\" cannot be reached").arg(qEnvironmentVariable("DISPLAY"));
        return false;
    }
    return true;
}
