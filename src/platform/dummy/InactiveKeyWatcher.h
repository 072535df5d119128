#pragma once

#include "platform/KeyWatcher.h"

// The key watcher of a session without an X display (a Wayland desktop, a headless test): it reports
// no keys, sees every key as up and never has the hot key. Enabling it tells why, once per enabling.
class InactiveKeyWatcher : public KeyWatcher {
    Q_OBJECT
public:
    InactiveKeyWatcher(QList<int> keyCodes, QString reason, QObject* parent = nullptr);

    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return mEnabled; }
    bool IsActive() const override { return false; }
    bool IsKeyDown(int) const override { return false; }
    bool HotKeyAvailable() const override { return false; }
    QString HotKeyProblem() const override;

private:
    QString mReason;
    bool mEnabled = false;
};
