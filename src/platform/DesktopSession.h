#pragma once

#include <QString>

// Whether a desktop session can be reached before the application object is made (Qt ends the
// process with an abort when its platform cannot connect). True when a Qt platform other than X11 is
// chosen (QT_QPA_PLATFORM) or a Wayland session is named; otherwise the X display in DISPLAY must
// answer. pWhyNot receives one line for the user when it cannot be reached.
bool DesktopSessionReachable(QString* pWhyNot);

// The Qt platform to ask for, given the session's variables; empty to leave Qt's own choice. In a
// Wayland session with XWayland (DISPLAY set) the launcher runs on X11 ("xcb"): there a window may
// place itself, and transparency, focus and the global hot key behave as on an X11 desktop. A
// platform the user set (QT_QPA_PLATFORM) always stands.
QString PlatformForSession(const QString& pQtPlatform, const QString& pWaylandDisplay,
                           const QString& pSessionType, const QString& pDisplay);
// Sets QT_QPA_PLATFORM for this process from the environment as above; before the application object.
void ChoosePlatformForSession();
