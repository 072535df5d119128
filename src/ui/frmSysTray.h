#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>

class cSysTray;
class cTokenManager;
class cfMain;
class KeyWatcher;
class PortalShortcut;
class QAction;
class QMenu;

// The hidden window that lives for the whole run: it owns the main window, the notification-area
// icon with its popup menu and the Ctrl+Alt+L hot key. Unloading it is the one road to the end of
// the program. Menu items and the hot key wait while the launcher is busy (a move, a fade).
class frmSysTray : public QWidget {
    Q_OBJECT
public:
    // Popup menu items, top to bottom.
    enum MenuItem {
        ShowHide = 0,
        TokenManagerItem = 2,
        CarouselSettingsItem = 3,
        HelpItem = 5,
        AboutItem = 6,
        ExitItem = 8
    };

    // pMainWindow is shown and hidden; pTokens gives the About window its picture.
    frmSysTray(cfMain& pMainWindow, const cTokenManager& pTokens, QWidget* parent = nullptr);
    ~frmSysTray() override;

    // Creates the tray icon and takes the hot key: through the desktop's shortcut portal in a Wayland
    // session that offers one, else with the X11 key watcher.
    void Load();
    // Replaces the hot-key watcher (switched on here); Load makes the one for this desktop.
    void SetKeyWatcher(std::unique_ptr<KeyWatcher> pWatcher);
    // Switches the watcher off and announces the end of the program (Unloaded).
    void Unload();

    // The first menu item names what it will do: "Hide" while the launcher is shown, else "Show".
    QString ShowHideCaption() const;
    void SetShowHideCaption(const QString& pCaption);
    void mnuPopup_Click(int pIndex);
    QMenu* PopupMenu() const { return mnuSysTray.get(); }
    cSysTray* SysTray() const { return mSysTray.get(); }

    void mkw_VKeyDown(int pIndex);
    void mkw_VKeyUp(int pIndex);

signals:
    void TokenManagerRequested();
    void CarouselSettingsRequested();
    // The program is to end: its owner shuts everything down, this window last.
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    void toggleLauncher();
    void toggleNow();
    void confirmHotKey();
    void reportHotKeyProblem(const QString& pReason);
    void BindPortalHotKey();

    cfMain& mMainWindow;
    const cTokenManager& mTokens;
    std::unique_ptr<cSysTray> mSysTray;
    std::unique_ptr<KeyWatcher> mkw;
    std::unique_ptr<PortalShortcut> mPortalHotKey; // in a Wayland session, in place of mkw
    std::unique_ptr<QMenu> mnuSysTray;
    QList<QAction*> mnuPopup;
    bool mCtrlDown = false;
    bool mAltDown = false;
    // L went down while a modifier flag was set but the display reported the key up.
    bool mAwaitingCtrlRelease = false;
    bool mAwaitingAltRelease = false;
    bool mHotKeyCheckPending = false;
    // Toggles asked for while the launcher is busy run once it is idle; two of them cancel out.
    bool mToggleQueued = false;
    bool mToggleWaiting = false;
    bool mUnloading = false;
    bool mHotKeyProblemShown = false;
};
