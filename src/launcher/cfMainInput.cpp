// The main window's input: keys, mouse and wheel, the front token's activation and level changes,
// and following the drawing's size.
#include "FramePacing.h"
#include "MainWindowKeys.h"
#include "carousel/cCarousel.h"
#include "cfMain.h"
#include "cfMainForm.h"
#include "cwCarousel.h"
#include "desktop/modCentredMessageBox.h"
#include "desktop/modGeneral.h"
#include "desktop/modShellExecute.h"
#include "desktop/modSound.h"
#include "store/cTokenManager.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {
constexpr int PauseBeforeHiding = 500;     // ms between the press animation and running the command
constexpr int WheelUnitsPerPosition = 120; // one notch of an ordinary wheel
const QString RootKey = QStringLiteral("ID1");

int PixelExtent(double value) {
    return std::max(1, int(std::ceil(value - 1e-6)));
}

// Mutes the sounds for its lifetime: the registered switch is replaced by a switched-off one and put
// back afterwards, so the controller's own setting is left exactly as it was.
class SoundMuted {
public:
    SoundMuted() : mPrevious(RegisteredSoundSwitch()) {
        mMuted.EnableSound(false);
        SetSoundSwitch(&mMuted);
    }
    ~SoundMuted() { SetSoundSwitch(mPrevious); }
    SoundMuted(const SoundMuted&) = delete;
    SoundMuted& operator=(const SoundMuted&) = delete;

private:
    const SoundSwitch* mPrevious;
    SoundSwitch mMuted;
};
} // namespace

// ---- Keys --------------------------------------------------------------------------------------

void cfMain::Form_KeyDown(int pKeyCode) {
    if (mTornDown)
        return;
    const IdleGate::Busy busy(mGate);
    mCaptionSearch.Clear();
    switch (pKeyCode) {
    case MainKey::Enter:
    case MainKey::Space:
    case MainKey::Down:
        ActivateFrontToken(pKeyCode);
        break;
    case MainKey::Up:
        GoToParentLevel();
        break;
    case MainKey::Left:
        MoveCarousel(-1);
        break;
    case MainKey::Right:
        MoveCarousel(1);
        break;
    case MainKey::PageUp:
    case MainKey::Comma:
        MoveCarousel(-6);
        break;
    case MainKey::PageDown:
    case MainKey::FullStop:
        MoveCarousel(6);
        break;
    case MainKey::Home:
    case MainKey::OpenBracket:
        mCarouselWidget->CancelTimer();
        mCarousel.MoveToIndex(1, 0);
        break;
    case MainKey::End:
    case MainKey::CloseBracket:
        mCarouselWidget->CancelTimer();
        mCarousel.MoveToIndex(mCarousel.ImageCount(), 0);
        break;
    case MainKey::Escape:
        FadeOut();
        if (mForm)
            mForm->hide();
        break;
    case MainKey::NumPadPlus:
        SetRenderScale(mRenderScale + 0.1);
        mCarousel.Refresh();
        break;
    case MainKey::NumPadMinus:
        SetRenderScale(mRenderScale - 0.1);
        mCarousel.Refresh();
        break;
    default:
        break;
    }
}

// Type to jump. The text begins afresh after a second without typing, counted from the end of the
// last character's move: characters typed during a move wait for its end as every key does.
void cfMain::Form_KeyTyped(QChar pTyped) {
    if (mTornDown)
        return;
    const IdleGate::Busy busy(mGate);
    const ImageCollection& images = mCarousel.Images();
    QStringList captions;
    captions.reserve(images.Count());
    for (int i = 0; i < images.Count(); ++i) {
        const QString key = images.KeyAt(i);
        // Image keys are the caption followed by the token key ("ID" and digits).
        captions << key.left(key.lastIndexOf(QLatin1String("ID")));
    }
    const int front = mCarousel.CurrentIndex() - 1;
    const int found = mCaptionSearch.Type(pTyped, mSinceTyped.isValid() ? mSinceTyped.elapsed() : -1,
                                          captions, front < int(captions.size()) ? front : -1);
    if (found < 0) {
        PlaySoundBytes(mBeepSound);
    } else if (found != front) {
        mCarouselWidget->CancelTimer();
        mCarousel.MoveToIndex(found + 1, 0);
    }
    mSinceTyped.start();
}

void cfMain::MoveCarousel(int pMoveCount) {
    mCarouselWidget->CancelTimer();
    mCarousel.MoveRelative(pMoveCount);
}

// Enter and Space run the front token's command, or open its level when it has none; Down only ever
// opens the level. A key with nothing to act on beeps.
void cfMain::ActivateFrontToken(int pKeyCode) {
    const std::shared_ptr<cToken> token = mTokenManager.ActiveToken();
    if (!token)
        return;
    if (!token->Command().isEmpty() && pKeyCode != MainKey::Down) {
        ExecuteToken(*token);
    } else if (mTokenManager.HasChildren(token->Key())) {
        mCarouselWidget->CancelTimer();
        if (pKeyCode != MainKey::Down) {
            AnimateTokenPress();
            mCarouselWidget->CancelTimer();
        }
        QString frontKey;
        mTokenManager.SetCurrentRoot(token->Key(), frontKey, true);
    } else {
        PlaySoundBytes(mBeepSound);
    }
}

// Runs the command. A launch that fails beeps and says why, and the launcher stays; one that works
// fades the launcher out when the token asks for it, else brings it back to the front.
void cfMain::ExecuteToken(const cToken& pToken) {
    mCarouselWidget->CancelTimer();
    PlaySoundBytes(mClickSound);
    AnimateTokenPress();
    if (pToken.HideAfterExecution())
        WaitExcludingUserInput(PauseBeforeHiding);
    const int result = pToken.ExecuteCommand();
    if (result <= 32) {
        PlaySoundBytes(mBeepSound);
        CentredMsgBox(
            QStringLiteral("Could not open \"%1\".\n\n%2").arg(pToken.Command(), ShellOpenErrorText(result)),
            MsgBox::Exclamation, QStringLiteral("Tessaro"), mForm);
        return;
    }
    if (pToken.HideAfterExecution())
        FadeOut();
    else
        ShowAndActivate(mForm);
}

// Up: back to the parent level, with the level just left in front.
void cfMain::GoToParentLevel() {
    if (mTokenManager.CurrentRootKey() == RootKey) {
        PlaySoundBytes(mBeepSound);
        return;
    }
    mCarouselWidget->CancelTimer();
    const std::shared_ptr<cToken> root = mTokenManager.Item(mTokenManager.CurrentRootKey());
    QString frontKey = cTokenManager::ImageKeyOf(*root);
    mTokenManager.SetCurrentRoot(root->ParentKey(), frontKey, true);
}

// The front token dips by 15 % of its scale and comes back, silently.
void cfMain::AnimateTokenPress() {
    const SoundMuted muted;
    const int a = int(std::nearbyint(mCarousel.ForeItemScale()));
    const int b = int(std::nearbyint(mCarousel.ForeItemScale() - 15));
    for (int s = a; s >= b; s -= 5) {
        mCarousel.SetForeItemScale(s);
        mCarousel.Refresh();
    }
    for (int s = b; s <= a; s += 5) {
        mCarousel.SetForeItemScale(s);
        mCarousel.Refresh();
    }
}

// ---- Mouse and wheel ---------------------------------------------------------------------------

// The left button drags the window once the mouse moves with it held (a plain click or a double click
// stays a click); any other button asks for the settings window.
void cfMain::Form_MouseDown(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::LeftButton) {
        mLeftPressed = true;
        mManualMove = false;
        mPressOffset = pEvent->globalPosition().toPoint() - mForm->pos();
        return;
    }
    TakeClickActivation();
    emit CarouselSettingsRequested();
}

// A click on the inactive window activates it, and its activation fades it in and puts it in
// front. The X server reports that activation only after the click has been handled, so it would
// cover the window the click opens and take its keyboard. It is taken here, first, instead; the
// late report then finds the fade done and does nothing. While a modal dialog (the image picker, a
// question) waits for the user, a click that still reaches the launcher must not put it over that
// dialog and take its keyboard.
void cfMain::TakeClickActivation() {
    if (mForm && mForm->isVisible() && !mForm->isActiveWindow() && !QApplication::activeModalWidget())
        FadeIn();
}

void cfMain::Form_MouseMove(QMouseEvent* pEvent) {
    if (!mLeftPressed || !(pEvent->buttons() & Qt::LeftButton) || !mForm)
        return;
    const QPoint global = pEvent->globalPosition().toPoint();
    if (mManualMove) {
        mForm->move(global - mPressOffset);
        return;
    }
    if ((global - mForm->pos() - mPressOffset).manhattanLength() < QApplication::startDragDistance())
        return;
    QWindow* window = mForm->windowHandle();
    if (window && window->startSystemMove()) {
        mLeftPressed = false;
        return;
    }
    mManualMove = true;
    mForm->move(global - mPressOffset);
}

void cfMain::Form_MouseUp(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::LeftButton) {
        mLeftPressed = false;
        mManualMove = false;
    }
}

void cfMain::Form_DblClick() {
    mLeftPressed = false;
    TakeClickActivation();
    emit TokenManagerRequested();
}

// The wheel turned away from the user turns like Left, towards like Right: one position per 120
// units of vertical rotation, however finely the wheel or touchpad divides them. A horizontal scroll
// turns nothing. Rotation that arrives while a move runs (held back until it ends) or in one burst is
// added up and turned in one move, so ten quick notches end ten positions on, promptly.
void cfMain::Form_MouseWheel(QWheelEvent* pEvent) {
    const QPoint delta = pEvent->angleDelta();
    if (delta.y() == 0 || std::abs(delta.x()) > std::abs(delta.y()))
        return;
    if ((delta.y() > 0) != (mWheelRotation > 0))
        mWheelRotation = 0; // the wheel changed direction: what was left over the other way is dropped
    mWheelRotation += delta.y();
    const int notches = mWheelRotation / WheelUnitsPerPosition;
    if (notches == 0)
        return;
    mWheelRotation -= notches * WheelUnitsPerPosition;
    mWheelPositions -= notches;
    // The turn waits for the rest of the burst, already queued behind this event.
    if (!std::exchange(mWheelTurnPending, true))
        QTimer::singleShot(0, this, &cfMain::TurnByWheel);
}

void cfMain::TurnByWheel() {
    // A key's move may still be running (its frames wait in a nested loop, where this timer fires):
    // the turn follows that move instead of running inside it.
    if (mGate.IsBusy()) {
        mGate.RunWhenIdle([this] { TurnByWheel(); });
        return;
    }
    mWheelTurnPending = false;
    const int positions = std::exchange(mWheelPositions, 0);
    if (positions == 0 || mTornDown)
        return;
    const IdleGate::Busy busy(mGate);
    MoveCarousel(positions);
}

// ---- Size --------------------------------------------------------------------------------------

// The window takes the drawing's size about its centre (centred on the pointer's monitor the first
// time) and is kept wholly on the monitor that held most of it.
void cfMain::mCarouselWidget_BufferResized(double pWidth, double pHeight) {
    if (!mForm)
        return;
    const int w = PixelExtent(pWidth), h = PixelExtent(pHeight);
    const QList<QRect> areas = MonitorAreas();
    if (mPlaced) {
        const QRect now = mForm->geometry();
        const QRect target(int(std::lround(now.x() + (now.width() - pWidth) * 0.5)),
                           int(std::lround(now.y() + (now.height() - pHeight) * 0.5)), w, h);
        mForm->setGeometry(
            WindowPlacement::KeptInside(target, areas.value(WindowPlacement::MonitorOf(now, areas))));
    } else {
        mForm->setGeometry(WindowPlacement::Shown(QSize(w, h), std::nullopt, QCursor::pos(), areas));
        mPlaced = true;
    }
    mCarouselWidget->setGeometry(0, 0, w, h);
}
