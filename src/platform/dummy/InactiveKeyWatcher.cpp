#include "InactiveKeyWatcher.h"

#include "platform/VirtualKeys.h"

InactiveKeyWatcher::InactiveKeyWatcher(QList<int> keyCodes, QString reason, QObject* parent)
    : KeyWatcher(std::move(keyCodes), parent), mReason(std::move(reason)) {}

QString InactiveKeyWatcher::HotKeyProblem() const {
    return VirtualKeys::HotKeyText(KeyCodes()).isEmpty() ? QString() : mReason;
}

void InactiveKeyWatcher::SetEnabled(bool enabled) {
    const bool switchedOn = enabled && !mEnabled;
    mEnabled = enabled;
    if (switchedOn && !HotKeyProblem().isEmpty())
        emit GrabFailed(mReason);
}

#include "moc_InactiveKeyWatcher.cpp"
