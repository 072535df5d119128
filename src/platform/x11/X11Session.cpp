#include "X11Session.h"

#include <X11/Xlib.h>

bool X11DisplayAnswers() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XCloseDisplay(display);
    return true;
}
