// A stand-in for the desktop's side of StatusNotifierItem trays (KDE Plasma, GNOME's AppIndicator
// extension, XFCE): it owns the watcher service on the session bus it is started on, says a host is
// present, and prints "ready" once up and "registered <service>" for every item a program registers.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QStringList>
#include <cstdio>

class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems MEMBER mItems)

public:
    bool IsStatusNotifierHostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString& service) {
        std::printf("registered %s\n", qPrintable(service));
        std::fflush(stdout);
        emit StatusNotifierItemRegistered(mItems.emplace_back(service));
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& service);

private:
    QStringList mItems;
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    Watcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerService("org.kde.StatusNotifierWatcher") ||
        !bus.registerObject("/StatusNotifierWatcher", &watcher, QDBusConnection::ExportAllContents))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "snwatcher.moc"
