// A stand-in for the desktop's GlobalShortcuts portal (org.freedesktop.portal.Desktop on the session
// bus it is started on): sessions and bindings are granted at once, each answered by a Response on
// its request object, and "bound <id> <preferred trigger>" is printed for every shortcut bound. The
// test presses the bound key by calling Press, which sends Activated. Prints "ready" once up.
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
Q_DECLARE_METATYPE(Shortcut)

const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString Interface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

class Portal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version MEMBER mVersion)

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options) {
        mSession =
            PortalPath + "/session/" + Sender() + "/" + options.value("session_handle_token").toString();
        return Respond(options, {{QStringLiteral("session_handle"), mSession}});
    }

    QDBusObjectPath BindShortcuts(const QDBusObjectPath&, const QList<Shortcut>& shortcuts, const QString&,
                                  const QVariantMap& options) {
        for (const Shortcut& shortcut : shortcuts)
            std::printf("bound %s %s\n", qPrintable(mShortcut = shortcut.id),
                        qPrintable(shortcut.properties.value("preferred_trigger").toString()));
        std::fflush(stdout);
        return Respond(options, {{QStringLiteral("shortcuts"), QVariant::fromValue(shortcuts)}});
    }

    // The test's finger on the key.
    void Press() {
        QDBusMessage activated =
            QDBusMessage::createSignal(PortalPath, Interface, QStringLiteral("Activated"));
        activated << QVariant::fromValue(QDBusObjectPath(mSession)) << mShortcut
                  << qulonglong(QDateTime::currentMSecsSinceEpoch()) << QVariantMap();
        QDBusConnection::sessionBus().send(activated);
    }

private:
    QString Sender() const { return message().service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_')); }

    // The request object the caller listens on, answered as soon as this call returns.
    QDBusObjectPath Respond(const QVariantMap& options, const QVariantMap& results) {
        const QString request =
            PortalPath + "/request/" + Sender() + "/" + options.value("handle_token").toString();
        QDBusMessage response =
            QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", QStringLiteral("Response"));
        QDBusConnection::sessionBus().send(response << uint(0) << results);
        return QDBusObjectPath(request);
    }

    uint mVersion = 1;
    QString mSession;
    QString mShortcut;
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<QList<Shortcut>>();
    Portal portal;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")) ||
        !bus.registerObject(PortalPath, &portal,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "portalstandin.moc"
