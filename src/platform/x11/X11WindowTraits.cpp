#include "X11WindowTraits.h"

#include <QGuiApplication>
#include <QList>
#include <QWidget>

// X headers last: they define macros (None, Bool) that clash with names above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

QList<Atom> currentStates(Display* pDisplay, Window pWindow, Atom pStateAtom) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    QList<Atom> states;
    if (XGetWindowProperty(pDisplay, pWindow, pStateAtom, 0, 1024, False, XA_ATOM, &type, &format, &count,
                           &remaining, &data) == Success &&
        data && type == XA_ATOM && format == 32) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i)
            states.append(atoms[i]);
    }
    if (data)
        XFree(data);
    return states;
}

void askWindowManager(Display* pDisplay, Window pWindow, Atom pStateAtom, Atom pFirst, Atom pSecond) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = pWindow;
    event.xclient.message_type = pStateAtom;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1; // add
    event.xclient.data.l[1] = long(pFirst);
    event.xclient.data.l[2] = long(pSecond);
    event.xclient.data.l[3] = 1; // from an application
    XSendEvent(pDisplay, DefaultRootWindow(pDisplay), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

} // namespace

void X11KeepOutOfTaskbar(QWidget* pWindow) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return;
    const Window window = Window(pWindow->winId());
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom skipTaskbar = XInternAtom(display, "_NET_WM_STATE_SKIP_TASKBAR", False);
    const Atom skipPager = XInternAtom(display, "_NET_WM_STATE_SKIP_PAGER", False);
    XWindowAttributes attributes{};
    const bool mapped =
        XGetWindowAttributes(display, window, &attributes) && attributes.map_state != IsUnmapped;
    if (mapped) {
        askWindowManager(display, window, state, skipTaskbar, skipPager);
    } else {
        QList<Atom> states = currentStates(display, window, state);
        for (Atom wanted : {skipTaskbar, skipPager})
            if (!states.contains(wanted))
                states.append(wanted);
        XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(states.constData()), int(states.size()));
    }
    XFlush(display);
}
