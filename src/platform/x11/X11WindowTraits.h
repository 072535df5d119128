#pragma once

class QWidget;

// Adds _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER to the window's state: written into
// the property of a window that is not mapped yet (Qt keeps states it finds there when it maps the
// window), and asked of the window manager for a mapped one.
void X11KeepOutOfTaskbar(QWidget* pWindow);
