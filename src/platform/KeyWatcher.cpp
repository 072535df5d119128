#include "KeyWatcher.h"

#include "VirtualKeys.h"
#include "dummy/InactiveKeyWatcher.h"
#include "x11/X11KeyWatcher.h"

KeyWatcher::KeyWatcher(QList<int> keyCodes, QObject* parent)
    : QObject(parent), mKeyCodes(std::move(keyCodes)) {}

std::unique_ptr<KeyWatcher> CreateKeyWatcher(const QString& codes, QObject* parent) {
    QList<int> keyCodes = VirtualKeys::ParseKeyCodes(codes);
    QString whyNot;
    if (auto watcher = X11KeyWatcher::Open(keyCodes, parent, &whyNot))
        return watcher;
    const QString hotKey = VirtualKeys::HotKeyText(keyCodes);
    return std::make_unique<InactiveKeyWatcher>(
        std::move(keyCodes), QStringLiteral("The hot key %1 is not available: %2").arg(hotKey, whyNot),
        parent);
}

#include "moc_KeyWatcher.cpp"
