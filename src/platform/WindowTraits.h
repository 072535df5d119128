#pragma once

class QWidget;

// Asks the desktop to leave a top-level window out of its taskbar, pager and window switcher (a
// launcher that comes and goes with a hot key is no task of its own). Call it before the window is
// shown, every time: window managers drop the request when a window is hidden. Where the desktop
// offers no such request nothing happens.
void KeepOutOfTaskbar(QWidget* pWindow);
