#include "PortalShortcut.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QUuid>

namespace {
const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString ShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// One shortcut as the portal takes it: (id, {description, preferred_trigger}).
struct Shortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& pArgument, const Shortcut& pShortcut) {
    pArgument.beginStructure();
    pArgument << pShortcut.id << pShortcut.properties;
    pArgument.endStructure();
    return pArgument;
}

const QDBusArgument& operator>>(const QDBusArgument& pArgument, Shortcut& pShortcut) {
    pArgument.beginStructure();
    pArgument >> pShortcut.id >> pShortcut.properties;
    pArgument.endStructure();
    return pArgument;
}

// A token for a request's object path: letters, digits and underscores only.
QString NewToken() {
    return QStringLiteral("tessaro_") + QUuid::createUuid().toString(QUuid::Id128);
}

// The object path the portal gives a request: /org/freedesktop/portal/desktop/request/SENDER/TOKEN,
// SENDER being this connection's unique name without its ':' and with '.' as '_'.
QString RequestPath(const QString& pToken) {
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return PortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + pToken;
}
} // namespace

Q_DECLARE_METATYPE(Shortcut)

PortalShortcut::PortalShortcut(const QString& pId, const QString& pDescription, const QString& pTrigger,
                               QObject* parent)
    : QObject(parent), mId(pId), mDescription(pDescription), mTrigger(pTrigger) {
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<QList<Shortcut>>();
}

bool PortalShortcut::Available() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(PortalService))
        return false;
    QDBusMessage version = QDBusMessage::createMethodCall(
        PortalService, PortalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    version.setArguments({ShortcutsInterface, QStringLiteral("version")});
    return bus.call(version, QDBus::Block, 3000).type() == QDBusMessage::ReplyMessage;
}

bool PortalShortcut::PreferredForHotKey() {
    const bool wayland =
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        qEnvironmentVariable("XDG_SESSION_TYPE").compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
    return wayland && Available();
}

void PortalShortcut::Bind() {
    const QString token = NewToken();
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("session_handle_token"), NewToken()}};
    if (!Request(QStringLiteral("CreateSession"), {options}, SLOT(SessionCreated(uint, QVariantMap)), token))
        emit Failed(QStringLiteral("the desktop's shortcut portal did not answer"));
}

bool PortalShortcut::Request(const QString& pMethod, const QList<QVariant>& pArguments,
                             const char* pResponseSlot, const QString& pToken) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Listening before calling: the answer may come before the call returns.
    bus.connect(PortalService, RequestPath(pToken), RequestInterface, QStringLiteral("Response"), this,
                pResponseSlot);
    QDBusMessage call =
        QDBusMessage::createMethodCall(PortalService, PortalPath, ShortcutsInterface, pMethod);
    call.setArguments(pArguments);
    return bus.call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

void PortalShortcut::SessionCreated(uint pResponse, const QVariantMap& pResults) {
    mSession = pResults.value(QStringLiteral("session_handle")).toString();
    if (pResponse != 0 || mSession.isEmpty()) {
        emit Failed(QStringLiteral("the desktop refused a shortcut session"));
        return;
    }
    QDBusConnection::sessionBus().connect(
        PortalService, PortalPath, ShortcutsInterface, QStringLiteral("Activated"), this,
        SLOT(PortalActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    const QList<Shortcut> shortcuts{
        {mId,
         {{QStringLiteral("description"), mDescription}, {QStringLiteral("preferred_trigger"), mTrigger}}}};
    const QString token = NewToken();
    const QVariantMap options{{QStringLiteral("handle_token"), token}};
    if (!Request(QStringLiteral("BindShortcuts"),
                 {QVariant::fromValue(QDBusObjectPath(mSession)), QVariant::fromValue(shortcuts), QString(),
                  options},
                 SLOT(ShortcutsBound(uint, QVariantMap)), token))
        emit Failed(QStringLiteral("the desktop's shortcut portal did not bind the key"));
}

void PortalShortcut::ShortcutsBound(uint pResponse, const QVariantMap& pResults) {
    if (pResponse != 0) {
        emit Failed(QStringLiteral("the shortcut was not confirmed"));
        return;
    }
    QString trigger;
    const QList<Shortcut> bound = qdbus_cast<QList<Shortcut>>(pResults.value(QStringLiteral("shortcuts")));
    for (const Shortcut& shortcut : bound)
        if (shortcut.id == mId)
            trigger = shortcut.properties.value(QStringLiteral("trigger_description")).toString();
    emit Bound(trigger);
}

void PortalShortcut::PortalActivated(const QDBusObjectPath& pSession, const QString& pShortcutId, qulonglong,
                                     const QVariantMap&) {
    if (pSession.path() == mSession && pShortcutId == mId)
        emit Activated();
}
