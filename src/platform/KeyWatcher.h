#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

// Watches a few keys of the whole desktop, whichever application has the keyboard focus.
//
// It is made from a comma-separated list of Windows virtual-key codes ("17,18,76" is Ctrl, Alt, L) and
// reports presses and releases with the key's zero-based position in that list. A code stands for
// every physical key that produces it (17 is the left and the right Ctrl), so a position goes down
// when the first of its keys goes down and up when the last one is released; auto-repeat is not
// reported again.
//
// The listed modifiers (Shift, Ctrl, Alt, Win) together with each listed ordinary key form the hot
// key. While enabled, the watcher also holds that combination for itself, so that pressing it does
// not type into the focused application. When another program already holds it (a desktop's screen
// lock, say), the watcher keeps reporting the keys but HotKeyAvailable() is false and GrabFailed is
// emitted.
class KeyWatcher : public QObject {
    Q_OBJECT
public:
    explicit KeyWatcher(QList<int> keyCodes, QObject* parent = nullptr);

    // The virtual-key codes, in list order.
    const QList<int>& KeyCodes() const { return mKeyCodes; }
    int KeyCount() const { return int(mKeyCodes.size()); }

    // Switches the watching (and the hold on the hot key) on and off. A new watcher is off.
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    // Whether real keys are watched at all (false for the stand-in used without an X display).
    virtual bool IsActive() const = 0;
    // Asks the display whether the key at the position is held down right now. Unlike a flag kept from
    // the signals, this cannot be left stale by a release the watcher did not see.
    virtual bool IsKeyDown(int position) const = 0;
    // Whether the hot key is held by this watcher: enabled, and no other program had taken it.
    virtual bool HotKeyAvailable() const = 0;
    // Why the hot key is not available; empty when it is, or when the list forms no hot key.
    virtual QString HotKeyProblem() const = 0;

signals:
    void KeyDown(int position);
    void KeyUp(int position);
    // Enabling could not take the hot key. Emitted from within SetEnabled(true), and again whenever
    // a change of the keyboard mapping makes the hot key unavailable.
    void GrabFailed(const QString& reason);

private:
    QList<int> mKeyCodes;
};

// The watcher for this session: the X11 one when $DISPLAY can be opened, otherwise an inactive one
// that reports no keys and no hot key. The parent is only a QObject parent; whoever holds the
// unique_ptr must release it before the parent's children are deleted (a member of the parent does).
std::unique_ptr<KeyWatcher> CreateKeyWatcher(const QString& codes, QObject* parent = nullptr);
