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

QString PlatformForSession(const QString& pQtPlatform, const QString& pWaylandDisplay,
                           const QString& pSessionType, const QString& pDisplay) {
    const bool wayland = !pWaylandDisplay.isEmpty() ||
                         pSessionType.compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
    if (!pQtPlatform.isEmpty() || !wayland || pDisplay.isEmpty())
        return {};
    return QStringLiteral("xcb");
}

void ChoosePlatformForSession() {
    const QString platform =
        PlatformForSession(qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("WAYLAND_DISPLAY"),
                           qEnvironmentVariable("XDG_SESSION_TYPE"), qEnvironmentVariable("DISPLAY"));
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform.toLocal8Bit());
}
