#include "X11ErrorTrap.h"

namespace {
X11ErrorTrap* gActiveTrap = nullptr;
XErrorHandler gPreviousHandler = nullptr;
} // namespace

X11ErrorTrap::X11ErrorTrap(Display* display) : mDisplay(display) {
    XSync(mDisplay, False); // errors of earlier requests are not this trap's
    mPrevious = XSetErrorHandler(&X11ErrorTrap::Handle);
    gPreviousHandler = mPrevious;
    gActiveTrap = this;
}

X11ErrorTrap::~X11ErrorTrap() {
    XSync(mDisplay, False);
    gActiveTrap = nullptr;
    gPreviousHandler = nullptr;
    XSetErrorHandler(mPrevious);
}

QList<int> X11ErrorTrap::Sync() {
    XSync(mDisplay, False);
    return mErrors;
}

int X11ErrorTrap::Handle(Display* display, XErrorEvent* error) {
    if (gActiveTrap && display == gActiveTrap->mDisplay) {
        gActiveTrap->mErrors.append(error->error_code);
        return 0;
    }
    return gPreviousHandler ? gPreviousHandler(display, error) : 0;
}
