// A stand-in for the desktop's GlobalShortcuts portal (org.freedesktop.portal.Desktop on the session
// bus it is started on): sessions and bindings are granted at once, each answered by a Response on
// its request object, and "bound <id> <preferred trigger>" is printed for every shortcut bound. The
// test presses the bound key by calling org.tessaro.PortalStandIn.Press, which sends Activated.
// Prints "ready" once the service is up.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDateTime>
#include <cstdio>

// Outside any namespace: the exported slot's parameter type is found by this name.
struct Shortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Shortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Shortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

namespace {
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
} // namespace

Q_DECLARE_METATYPE(Shortcut)

class Portal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)

public:
    uint version() const { return 1; }

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options) {
        const QString sender = Sender();
        mSession = PortalPath + "/session/" + sender + "/" + options.value("session_handle_token").toString();
        return Respond(options, {{QStringLiteral("session_handle"), mSession}});
    }

    QDBusObjectPath BindShortcuts(const QDBusObjectPath&, const QList<Shortcut>& shortcuts, const QString&,
                                  const QVariantMap& options) {
        for (const Shortcut& shortcut : shortcuts) {
            mShortcut = shortcut.id;
            std::printf("bound %s %s\n", qPrintable(shortcut.id),
                        qPrintable(shortcut.properties.value("preferred_trigger").toString()));
        }
        std::fflush(stdout);
        return Respond(options, {{QStringLiteral("shortcuts"), QVariant::fromValue(shortcuts)}});
    }

    // The test's finger on the key.
    void Press() {
        QDBusMessage activated = QDBusMessage::createSignal(
            PortalPath, "org.freedesktop.portal.GlobalShortcuts", QStringLiteral("Activated"));
        activated << QVariant::fromValue(QDBusObjectPath(mSession)) << mShortcut
                  << qulonglong(QDateTime::currentMSecsSinceEpoch()) << QVariantMap();
        QDBusConnection::sessionBus().send(activated);
    }

private:
    QString Sender() const {
        QString sender = message().service().mid(1);
        return sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    }

    // The request object the caller listens on, answered as soon as this call returns.
    QDBusObjectPath Respond(const QVariantMap& options, const QVariantMap& results) {
        const QString request =
            PortalPath + "/request/" + Sender() + "/" + options.value("handle_token").toString();
        QDBusMessage response =
            QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", QStringLiteral("Response"));
        response << uint(0) << results;
        QDBusConnection::sessionBus().send(response);
        return QDBusObjectPath(request);
    }

    QString mSession;
    QString mShortcut;
};

// The test calls Press through an interface of its own.
class Finger : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tessaro.PortalStandIn")
public:
    explicit Finger(Portal& portal) : mPortal(portal) {}
public slots:
    void Press() { mPortal.Press(); }

private:
    Portal& mPortal;
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<QList<Shortcut>>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    Portal portal;
    Finger finger(portal);
    if (!bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")) ||
        !bus.registerObject(PortalPath, &portal,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) ||
        !bus.registerObject(QStringLiteral("/test"), &finger, QDBusConnection::ExportAllSlots)) {
        std::fprintf(stderr, "portalstandin: cannot take the portal service\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "portalstandin.moc"
