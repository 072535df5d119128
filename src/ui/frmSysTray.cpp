#include "ui/frmSysTray.h"

#include "desktop/modShellExecute.h"
#include "launcher/cfMain.h"
#include "platform/KeyWatcher.h"
#include "platform/PortalShortcut.h"
#include "platform/ProgramFiles.h"
#include "ui/cSysTray.h"
#include "ui/frmAbout.h"

#include <QCloseEvent>
#include <QMenu>
#include <QTextStream>
#include <utility>

frmSysTray::frmSysTray(cfMain& pMainWindow, const cTokenManager& pTokens, QWidget* parent)
    : QWidget(parent), mMainWindow(pMainWindow), mTokens(pTokens) {
    setObjectName(QStringLiteral("frmSysTray"));
    setWindowTitle(QStringLiteral("Tessaro tray"));
    setAttribute(Qt::WA_DontShowOnScreen);
    buildMenu();
}

frmSysTray::~frmSysTray() = default;

void frmSysTray::buildMenu() {
    mnuSysTray = std::make_unique<QMenu>(QStringLiteral("SysTray"));
    // The popup's own window is named after the menu, not after the application: only the launcher
    // window is called "Tessaro".
    mnuSysTray->setWindowTitle(QStringLiteral("SysTray"));
    const QStringList captions{QStringLiteral("Hide"),
                               QStringLiteral("-"),
                               QStringLiteral("Manage Tokens..."),
                               QStringLiteral("Carousel Settings..."),
                               QStringLiteral("-"),
                               QStringLiteral("Help..."),
                               QStringLiteral("About..."),
                               QStringLiteral("-"),
                               QStringLiteral("Exit")};
    for (int index = 0; index < captions.size(); ++index) {
        QAction* item = captions[index] == QLatin1String("-") ? mnuSysTray->addSeparator()
                                                              : mnuSysTray->addAction(captions[index]);
        // Menu choices may arrive in the middle of a move (a StatusNotifierItem menu is served over
        // D-Bus while the move waits for its next frame): they run once the launcher is idle.
        connect(item, &QAction::triggered, this,
                [this, index] { mMainWindow.Gate().RunWhenIdle([this, index] { mnuPopup_Click(index); }); });
        mnuPopup.append(item);
    }
}

void frmSysTray::Load() {
    mSysTray = std::make_unique<cSysTray>();
    mSysTray->Init(this, QStringLiteral("Tessaro"));
    mSysTray->SetContextMenu(mnuSysTray.get());
    connect(mSysTray.get(), &cSysTray::DoubleClick, this, [this] { mnuPopup_Click(ShowHide); });

    if (PortalShortcut::PreferredForHotKey())
        BindPortalHotKey();
    else
        SetKeyWatcher(CreateKeyWatcher(QStringLiteral("17,18,76"), this));
}

// The desktop's shortcut portal reports the whole combination at once: each activation toggles.
void frmSysTray::BindPortalHotKey() {
    mPortalHotKey = std::make_unique<PortalShortcut>(QStringLiteral("toggle-launcher"),
                                                     QStringLiteral("Show or hide the Tessaro launcher"),
                                                     QStringLiteral("CTRL+ALT+l"));
    connect(mPortalHotKey.get(), &PortalShortcut::Activated, this, [this] { mnuPopup_Click(ShowHide); });
    connect(mPortalHotKey.get(), &PortalShortcut::Failed, this, [this](const QString& pReason) {
        reportHotKeyProblem(QStringLiteral("The hot key cannot be had: ") + pReason);
    });
    mPortalHotKey->Bind();
}

void frmSysTray::SetKeyWatcher(std::unique_ptr<KeyWatcher> pWatcher) {
    if (mkw)
        mkw->SetEnabled(false);
    mkw = std::move(pWatcher);
    mCtrlDown = false;
    mAltDown = false;
    if (!mkw)
        return;
    connect(mkw.get(), &KeyWatcher::KeyDown, this, &frmSysTray::mkw_VKeyDown);
    connect(mkw.get(), &KeyWatcher::KeyUp, this, &frmSysTray::mkw_VKeyUp);
    connect(mkw.get(), &KeyWatcher::GrabFailed, this, &frmSysTray::reportHotKeyProblem);
    mkw->SetEnabled(true);
}

void frmSysTray::reportHotKeyProblem(const QString& pReason) {
    if (mHotKeyProblemShown)
        return;
    mHotKeyProblemShown = true;
    // The keys are still watched (the launcher still toggles), but the other program reacts as well.
    QString text = pReason.trimmed();
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    text +=
        QStringLiteral(" Bind the command \"tessaro --toggle\" to a key in the desktop's keyboard settings, "
                       "or use the tray icon.");
    QTextStream(stderr) << "Tessaro: " << text << '\n';
    if (mSysTray)
        mSysTray->ShowMessage(QStringLiteral("Tessaro"), text);
}

QString frmSysTray::ShowHideCaption() const {
    return mnuPopup[ShowHide]->text();
}

void frmSysTray::SetShowHideCaption(const QString& pCaption) {
    mnuPopup[ShowHide]->setText(pCaption);
}

void frmSysTray::toggleLauncher() {
    // While the launcher is busy (a fade, a move, the pause after a launch), a toggle now would be
    // refused or undone and leave the caption naming the wrong action: it waits until the launcher
    // is idle. Two such toggles cancel out.
    if (!mMainWindow.Gate().IsBusy()) {
        toggleNow();
        return;
    }
    mToggleQueued = !mToggleQueued;
    if (std::exchange(mToggleWaiting, true))
        return;
    mMainWindow.Gate().RunWhenIdle([this] {
        mToggleWaiting = false;
        if (std::exchange(mToggleQueued, false) && !mUnloading)
            toggleNow();
    });
}

void frmSysTray::toggleNow() {
    if (ShowHideCaption() != QLatin1String("Show")) {
        SetShowHideCaption(QStringLiteral("Show"));
        mMainWindow.FadeOut();
    } else {
        SetShowHideCaption(QStringLiteral("Hide"));
        mMainWindow.Show();
    }
}

void frmSysTray::mnuPopup_Click(int pIndex) {
    switch (pIndex) {
    case ShowHide:
        toggleLauncher();
        break;
    case TokenManagerItem:
        emit TokenManagerRequested();
        break;
    case CarouselSettingsItem:
        emit CarouselSettingsRequested();
        break;
    case HelpItem:
        ShellOpen(ProgramFiles::Path(ProgramFiles::HelpFile()), {});
        break;
    case AboutItem: {
        frmAbout about(mTokens, this);
        about.exec();
        break;
    }
    case ExitItem:
        Unload();
        break;
    default:
        break;
    }
}

void frmSysTray::mkw_VKeyDown(int pIndex) {
    if (pIndex == 0) {
        mCtrlDown = true;
    } else if (pIndex == 1) {
        mAltDown = true;
    } else if (pIndex == 2 && mCtrlDown && mAltDown) {
        // A release the watcher missed would leave a flag set, so the display is asked as well. A
        // modifier it reports up may have been let go just after L: its release is then among the
        // events not yet handled, which the watcher reports before the next turn of the event loop.
        mAwaitingCtrlRelease = mkw && !mkw->IsKeyDown(0);
        mAwaitingAltRelease = mkw && !mkw->IsKeyDown(1);
        if (!mAwaitingCtrlRelease && !mAwaitingAltRelease)
            mnuPopup_Click(ShowHide);
        else if (!std::exchange(mHotKeyCheckPending, true))
            QTimer::singleShot(0, this, &frmSysTray::confirmHotKey);
    }
}

void frmSysTray::mkw_VKeyUp(int pIndex) {
    if (pIndex == 0) {
        mCtrlDown = false;
        mAwaitingCtrlRelease = false;
    } else if (pIndex == 1) {
        mAltDown = false;
        mAwaitingAltRelease = false;
    }
}

// A modifier whose release never came was not held: its flag was stale.
void frmSysTray::confirmHotKey() {
    mHotKeyCheckPending = false;
    const bool stale = mAwaitingCtrlRelease || mAwaitingAltRelease;
    if (mAwaitingCtrlRelease)
        mCtrlDown = false;
    if (mAwaitingAltRelease)
        mAltDown = false;
    mAwaitingCtrlRelease = false;
    mAwaitingAltRelease = false;
    if (!stale && !mUnloading)
        mnuPopup_Click(ShowHide);
}

void frmSysTray::Unload() {
    if (mUnloading)
        return;
    mUnloading = true;
    if (mkw)
        mkw->SetEnabled(false);
    mkw.reset();
    mPortalHotKey.reset();
    emit Unloaded();
}

void frmSysTray::closeEvent(QCloseEvent* event) {
    event->accept();
    Unload();
}
