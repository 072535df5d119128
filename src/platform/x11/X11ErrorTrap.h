#pragma once

#include <QList>

#include <X11/Xlib.h>

// Catches the protocol errors of one display's requests while it exists, instead of Xlib's default
// handler, which ends the process. Errors of other displays go on to the handler that was there
// before. Xlib keeps one handler per process, so traps do not nest; everything runs on one thread.
class X11ErrorTrap {
public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits until the server has answered every request made so far, then returns the error codes
    // (BadAccess, BadValue, ...) it reported since the trap was set.
    QList<int> Sync();

private:
    static int Handle(Display* display, XErrorEvent* error);

    Display* mDisplay;
    XErrorHandler mPrevious;
    QList<int> mErrors;
};
