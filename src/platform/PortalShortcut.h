#pragma once

#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

// A global shortcut held through the desktop's GlobalShortcuts portal
// (org.freedesktop.portal.GlobalShortcuts on the session bus), the way a Wayland desktop gives a
// program a key that works whichever window has the focus. The desktop asks the user to confirm the
// key (the preferred one is only a suggestion) and reports each press as Activated.
class PortalShortcut : public QObject {
    Q_OBJECT
public:
    // pTrigger in the portal's notation, e.g. "CTRL+ALT+l".
    PortalShortcut(const QString& pId, const QString& pDescription, const QString& pTrigger,
                   QObject* parent = nullptr);

    // Whether the session bus offers the portal with a GlobalShortcuts interface.
    static bool Available();
    // Whether the launcher's hot key should come from the portal: in a Wayland session, where an X11
    // grab only sees keys typed into X11 windows, when the portal is there. Elsewhere the X11 grab.
    static bool PreferredForHotKey();
    // Opens a session and binds the shortcut; Bound or Failed follows.
    void Bind();

signals:
    void Bound(const QString& pTrigger); // the key the desktop settled on (may be empty)
    void Failed(const QString& pReason);
    void Activated();

private slots:
    void SessionCreated(uint pResponse, const QVariantMap& pResults);
    void ShortcutsBound(uint pResponse, const QVariantMap& pResults);
    void PortalActivated(const QDBusObjectPath& pSession, const QString& pShortcutId, qulonglong pTimestamp,
                         const QVariantMap& pOptions);

private:
    // Calls the portal's method and listens for the answer on the request object it names.
    bool Request(const QString& pMethod, const QList<QVariant>& pArguments, const char* pResponseSlot,
                 const QString& pToken);

    QString mId, mDescription, mTrigger;
    QString mSession;
};
