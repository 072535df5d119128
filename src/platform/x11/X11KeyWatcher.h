#pragma once

#include "platform/KeyWatcher.h"

#include <QList>
#include <QSet>

struct _XDisplay;
class QSocketNotifier;

// The key watcher on an X11 display, on a connection of its own.
//
// Keys are observed with raw key events of the X Input extension (version 2.1 or later) selected on
// the root window: the server sends them whichever window has the focus and even while another client
// grabs the keyboard, and XQueryKeymap gives the real state for IsKeyDown. The hot key itself is taken
// with a passive XGrabKey on the root window (with the Caps Lock and Num Lock variants), so that it
// does not also reach the focused application and so that a combination owned by another client shows
// up as BadAccess. While that grab is active the server gives this client core key events in place
// of raw ones; both feed the same key state, so a key seen twice changes nothing. The connection's socket
// drives everything through a QSocketNotifier: no polling and no threads. A keyboard mapping change re-reads
// the key codes and retakes the grab.
class X11KeyWatcher : public KeyWatcher {
    Q_OBJECT
public:
    // Connects to $DISPLAY; nullptr (and the reason in whyNot) without a usable display.
    static std::unique_ptr<KeyWatcher> Open(const QList<int>& keyCodes, QObject* parent, QString* whyNot);
    ~X11KeyWatcher() override;

    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return mEnabled; }
    bool IsActive() const override { return !mLost; }
    bool IsKeyDown(int position) const override;
    bool HotKeyAvailable() const override { return mEnabled && mHotKeyHeld; }
    QString HotKeyProblem() const override { return mProblem; }

private:
    struct Grab {
        int keycode;
        unsigned modifiers;
        bool operator==(const Grab&) const = default;
    };

    X11KeyWatcher(_XDisplay* display, int inputOpcode, const QList<int>& keyCodes, QObject* parent);
    static void OnConnectionLost(_XDisplay* display, void* watcher);
    void ProcessEvents();
    void OnKey(int keycode, bool pressed);
    void OnMappingChanged();
    void ReadKeyboardMapping();
    void SelectRawKeys(bool on);
    QSet<int> KeycodesDownNow() const;
    bool PositionDown(int position, const QSet<int>& keycodesDown) const;
    QList<Grab> HotKeyGrabs() const;
    void TakeHotKey();
    void ReleaseHotKey();
    void DrainQueuedEventsLater() const;

    _XDisplay* mDisplay;
    unsigned long mRoot;
    int mInputOpcode;
    QSocketNotifier* mNotifier = nullptr;
    bool mEnabled = false;
    bool mLost = false;
    bool mHotKeyHeld = false;
    QString mProblem;
    QList<QList<int>> mPositionKeycodes; // the X key codes of each listed key
    unsigned mAltMask = 0, mWinMask = 0, mNumLockMask = 0;
    QSet<int> mKeycodesDown;     // as the raw events told, since enabling
    QList<Grab> mGrabs;          // held (or being taken) on the server
    QList<Grab> mAttemptedGrabs; // what the last taking asked for, whether or not it succeeded
};
