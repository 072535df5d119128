#include "X11KeyWatcher.h"

#include "X11ErrorTrap.h"
#include "X11KeySymbols.h"
#include "platform/VirtualKeys.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

// X headers last: they define macros (None, Bool, KeyPress) that clash with names above.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

namespace {
// Xlib's process-wide handler for a lost connection ends the process. Ours lets the loss of a
// watcher's own display pass (its per-display exit handler then marks the watcher lost) and hands
// every other display to the handler that was there before.
QSet<Display*> gWatcherDisplays;
XIOErrorHandler gPreviousIOHandler = nullptr;

int OnIOError(Display* display) {
    if (gWatcherDisplays.contains(display))
        return 0;
    return gPreviousIOHandler ? gPreviousIOHandler(display) : 0;
}

void RegisterDisplay(Display* display) {
    static const bool installed = [] {
        gPreviousIOHandler = XSetIOErrorHandler(&OnIOError);
        return true;
    }();
    Q_UNUSED(installed);
    gWatcherDisplays.insert(display);
}

// The modifier bit (Mod1Mask ...) that one of the keysyms is mapped to; 0 when none is.
unsigned ModifierMask(Display* display, const QList<KeySym>& keysyms) {
    XModifierKeymap* map = XGetModifierMapping(display);
    unsigned mask = 0;
    for (int modifier = 0; modifier < 8 && mask == 0; ++modifier) {
        for (int i = 0; i < map->max_keypermod; ++i) {
            const KeyCode keycode = map->modifiermap[modifier * map->max_keypermod + i];
            if (keycode != 0 && keysyms.contains(XkbKeycodeToKeysym(display, keycode, 0, 0)))
                mask = 1u << modifier;
        }
    }
    XFreeModifiermap(map);
    return mask;
}
} // namespace

std::unique_ptr<KeyWatcher> X11KeyWatcher::Open(const QList<int>& keyCodes, QObject* parent,
                                                QString* whyNot) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        *whyNot = qEnvironmentVariableIsEmpty("DISPLAY")
                      ? QStringLiteral("there is no X display")
                      : QStringLiteral("the X display \"%1\" cannot be opened")
                            .arg(qEnvironmentVariable("DISPLAY"));
        return nullptr;
    }
    int opcode = 0, firstEvent = 0, firstError = 0;
    int major = 2, minor = 2;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &firstEvent, &firstError) ||
        XIQueryVersion(display, &major, &minor) != Success || major < 2) {
        XCloseDisplay(display);
        *whyNot = QStringLiteral("the X server lacks version 2 of the X Input extension");
        return nullptr;
    }
    return std::unique_ptr<KeyWatcher>(new X11KeyWatcher(display, opcode, keyCodes, parent));
}

X11KeyWatcher::X11KeyWatcher(Display* display, int inputOpcode, const QList<int>& keyCodes, QObject* parent)
    : KeyWatcher(keyCodes, parent), mDisplay(display), mRoot(DefaultRootWindow(display)),
      mInputOpcode(inputOpcode) {
    RegisterDisplay(mDisplay);
    XSetIOErrorExitHandler(mDisplay, &X11KeyWatcher::OnConnectionLost, this);
    // A held key repeats as presses alone, not as release-and-press pairs that would read as
    // the key going up.
    Bool detectable = False;
    XkbSetDetectableAutoRepeat(mDisplay, True, &detectable);
    ReadKeyboardMapping();
    mNotifier = new QSocketNotifier(ConnectionNumber(mDisplay), QSocketNotifier::Read, this);
    connect(mNotifier, &QSocketNotifier::activated, this, &X11KeyWatcher::ProcessEvents);
}

X11KeyWatcher::~X11KeyWatcher() {
    if (!mLost) {
        SelectRawKeys(false);
        ReleaseHotKey();
    }
    delete mNotifier;
    gWatcherDisplays.remove(mDisplay);
    XCloseDisplay(mDisplay);
}

void X11KeyWatcher::OnConnectionLost(Display*, void* watcher) {
    auto* self = static_cast<X11KeyWatcher*>(watcher);
    self->mLost = true;
    self->mHotKeyHeld = false;
    self->mProblem = QStringLiteral("The connection to the X display was lost.");
    if (self->mNotifier)
        self->mNotifier->setEnabled(false);
}

void X11KeyWatcher::SetEnabled(bool enabled) {
    if (enabled == mEnabled)
        return;
    mEnabled = enabled;
    if (mLost)
        return;
    SelectRawKeys(enabled);
    if (enabled) {
        mKeycodesDown = KeycodesDownNow();
        TakeHotKey();
    } else {
        ReleaseHotKey();
        mAttemptedGrabs.clear();
        mKeycodesDown.clear();
        mProblem.clear();
    }
    DrainQueuedEventsLater();
}

bool X11KeyWatcher::IsKeyDown(int position) const {
    if (mLost || position < 0 || position >= KeyCount())
        return false;
    const bool down = PositionDown(position, KeycodesDownNow());
    DrainQueuedEventsLater();
    return down;
}

void X11KeyWatcher::ProcessEvents() {
    const QPointer<X11KeyWatcher> alive(this);
    while (alive && !mLost && XPending(mDisplay) > 0) {
        XEvent event;
        XNextEvent(mDisplay, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            if (event.xmapping.request != MappingPointer)
                OnMappingChanged();
            continue;
        }
        // While the hot key's grab is active, the server sends this client the keyboard's core events
        // instead of raw ones.
        if (event.type == KeyPress || event.type == KeyRelease) {
            if (mEnabled)
                OnKey(int(event.xkey.keycode), event.type == KeyPress);
            continue;
        }
        if (event.type != GenericEvent || event.xcookie.extension != mInputOpcode ||
            !XGetEventData(mDisplay, &event.xcookie))
            continue;
        const int type = event.xcookie.evtype;
        const int keycode = static_cast<XIRawEvent*>(event.xcookie.data)->detail;
        XFreeEventData(mDisplay, &event.xcookie);
        if (mEnabled && (type == XI_RawKeyPress || type == XI_RawKeyRelease))
            OnKey(keycode, type == XI_RawKeyPress);
    }
}

void X11KeyWatcher::OnKey(int keycode, bool pressed) {
    const QSet<int> before = mKeycodesDown;
    if (pressed)
        mKeycodesDown.insert(keycode);
    else
        mKeycodesDown.remove(keycode);
    const QSet<int> after = mKeycodesDown;
    const QPointer<X11KeyWatcher> alive(this);
    for (int position = 0; position < KeyCount() && alive && mEnabled; ++position) {
        const bool wasDown = PositionDown(position, before);
        const bool isDown = PositionDown(position, after);
        if (isDown && !wasDown)
            emit KeyDown(position);
        else if (wasDown && !isDown)
            emit KeyUp(position);
    }
}

void X11KeyWatcher::OnMappingChanged() {
    ReadKeyboardMapping();
    if (!mEnabled)
        return;
    // The key codes held down stay as the events told them: a mapping changes what a key code means,
    // not whether it is down. Reading the server's state here instead would take in presses whose
    // events are still queued (the first key from another keyboard, such as xdotool's, changes the
    // mapping just before its press arrives), and those presses would then never be reported.
    // Tools such as xdotool remap a spare key code for a moment: when the hot key still needs the
    // same grabs, neither a held grab nor a reported failure is redone.
    if (HotKeyGrabs() == mAttemptedGrabs)
        return;
    ReleaseHotKey();
    TakeHotKey();
}

void X11KeyWatcher::ReadKeyboardMapping() {
    int minKeycode = 0, maxKeycode = 0, perKeycode = 0;
    XDisplayKeycodes(mDisplay, &minKeycode, &maxKeycode);
    KeySym* map =
        XGetKeyboardMapping(mDisplay, KeyCode(minKeycode), maxKeycode - minKeycode + 1, &perKeycode);
    mPositionKeycodes.clear();
    for (int code : KeyCodes()) {
        const QList<KeySym> wanted = KeySymsForVirtualKey(code);
        QList<int> keycodes;
        for (int keycode = minKeycode; map && keycode <= maxKeycode; ++keycode) {
            for (int column = 0; column < perKeycode; ++column) {
                if (wanted.contains(map[(keycode - minKeycode) * perKeycode + column])) {
                    keycodes.append(keycode);
                    break;
                }
            }
        }
        mPositionKeycodes.append(keycodes);
    }
    if (map)
        XFree(map);
    mAltMask = ModifierMask(mDisplay, {XK_Alt_L, XK_Alt_R, XK_Meta_L, XK_Meta_R});
    mWinMask = ModifierMask(mDisplay, {XK_Super_L, XK_Super_R});
    mNumLockMask = ModifierMask(mDisplay, {XK_Num_Lock});
}

void X11KeyWatcher::SelectRawKeys(bool on) {
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (on) {
        XISetMask(bits, XI_RawKeyPress);
        XISetMask(bits, XI_RawKeyRelease);
    }
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof(bits);
    mask.mask = bits;
    XISelectEvents(mDisplay, mRoot, &mask, 1);
    XFlush(mDisplay);
}

QSet<int> X11KeyWatcher::KeycodesDownNow() const {
    char keys[32] = {};
    XQueryKeymap(mDisplay, keys);
    QSet<int> down;
    for (int keycode = 0; keycode < 256; ++keycode) {
        if (keys[keycode / 8] & (1 << (keycode % 8)))
            down.insert(keycode);
    }
    return down;
}

bool X11KeyWatcher::PositionDown(int position, const QSet<int>& keycodesDown) const {
    for (int keycode : mPositionKeycodes.value(position)) {
        if (keycodesDown.contains(keycode))
            return true;
    }
    return false;
}

// Every (key code, modifiers) pair the hot key needs: each listed ordinary key with all listed
// modifiers, in the four Caps Lock / Num Lock states.
QList<X11KeyWatcher::Grab> X11KeyWatcher::HotKeyGrabs() const {
    unsigned modifiers = 0;
    QList<int> keycodes;
    for (int position = 0; position < KeyCount(); ++position) {
        switch (VirtualKeys::ModifierOf(KeyCodes()[position])) {
        case VirtualKeys::Modifier::Shift:
            modifiers |= ShiftMask;
            break;
        case VirtualKeys::Modifier::Ctrl:
            modifiers |= ControlMask;
            break;
        case VirtualKeys::Modifier::Alt:
            modifiers |= mAltMask ? mAltMask : Mod1Mask;
            break;
        case VirtualKeys::Modifier::Win:
            modifiers |= mWinMask ? mWinMask : Mod4Mask;
            break;
        case VirtualKeys::Modifier::NotModifier:
            keycodes += mPositionKeycodes[position];
            break;
        }
    }
    QList<Grab> grabs;
    if (modifiers == 0)
        return grabs;
    const QList<unsigned> lockStates{0u, unsigned(LockMask), mNumLockMask, mNumLockMask | LockMask};
    for (int keycode : keycodes) {
        for (unsigned locks : lockStates) {
            const Grab grab{keycode, modifiers | locks};
            if (!grabs.contains(grab))
                grabs.append(grab);
        }
    }
    return grabs;
}

void X11KeyWatcher::TakeHotKey() {
    const QString hotKey = VirtualKeys::HotKeyText(KeyCodes());
    mHotKeyHeld = false;
    mProblem.clear();
    if (hotKey.isEmpty())
        return; // the list forms no hot key: only watch
    mGrabs = mAttemptedGrabs = HotKeyGrabs();
    if (mGrabs.isEmpty()) {
        mProblem = QStringLiteral("The hot key %1 has no key on this keyboard.").arg(hotKey);
        emit GrabFailed(mProblem);
        return;
    }
    QList<int> errors;
    {
        X11ErrorTrap trap(mDisplay);
        for (const Grab& grab : std::as_const(mGrabs))
            XGrabKey(mDisplay, grab.keycode, grab.modifiers, mRoot, False, GrabModeAsync, GrabModeAsync);
        errors = trap.Sync();
    }
    if (errors.isEmpty()) {
        mHotKeyHeld = true;
        return;
    }
    ReleaseHotKey(); // whatever part of it was had
    mProblem =
        errors.contains(BadAccess)
            ? QStringLiteral("Another program already uses the hot key %1.").arg(hotKey)
            : QStringLiteral("The hot key %1 cannot be taken (X error %2).").arg(hotKey).arg(errors.first());
    emit GrabFailed(mProblem);
}

void X11KeyWatcher::ReleaseHotKey() {
    // Ungrabbing releases only this client's grabs, never another program's.
    for (const Grab& grab : std::as_const(mGrabs))
        XUngrabKey(mDisplay, grab.keycode, grab.modifiers, mRoot);
    mGrabs.clear();
    mHotKeyHeld = false;
    XFlush(mDisplay);
}

// Xlib reads events into its own queue while it waits for a reply; the socket then has nothing
// left to signal, so queued events are handled on the next turn of the event loop.
void X11KeyWatcher::DrainQueuedEventsLater() const {
    if (!mLost && XEventsQueued(mDisplay, QueuedAlready) > 0)
        QTimer::singleShot(0, this, [this] { const_cast<X11KeyWatcher*>(this)->ProcessEvents(); });
}

#include "moc_X11KeyWatcher.cpp"
