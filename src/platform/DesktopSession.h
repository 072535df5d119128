#pragma once

#include <QString>

// Whether a desktop session can be reached before the application object is made (Qt ends the
// process with an abort when its platform cannot connect). True when a Qt platform other than X11 is
// chosen (QT_QPA_PLATFORM) or a Wayland session is named; otherwise the X display in DISPLAY must
// answer. pWhyNot receives one line for the user when it cannot be reached.
bool DesktopSessionReachable(QString* pWhyNot);
