#pragma once

#include "CaptionSearch.h"
#include "IdleGate.h"
#include "WindowPlacement.h"
#include "cwCarousel.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <optional>

class cCarousel;
class cTokenManager;
class cToken;
class cfMainForm;
class QMouseEvent;
class QWheelEvent;
class QWidget;

// The carousel window: borderless and per-pixel transparent, titled "Tessaro", owned by the hidden
// tray window. It carries the carousel widget, sizes itself about its centre to the drawing, fades in
// and out, and takes the user's input: keys and the wheel turn the carousel, open a token's level or
// the parent level and run the front token's command; the left button drags the window.
class cfMain : public QObject {
    Q_OBJECT
public:
    cfMain(cCarousel& pCarousel, cTokenManager& pTokenManager, QObject* parent = nullptr);
    ~cfMain() override;

    // Creates the window (owned by pOwner, which may be null) and its carousel widget.
    void Init(QWidget* pOwner);
    // The window and its widget (null before Init and after TearDown).
    QWidget* Form() const;
    cwCarousel* CarouselWidget() const { return mCarouselWidget; }

    // Factor applied to the whole drawing, kept within 0.5 .. 2.0 (1.0 for a value that is not a number). The
    // new size takes effect at the next carousel refresh.
    double RenderScale() const { return mRenderScale; }
    void SetRenderScale(double pScale);

    // Shows the window, fading it in.
    void Show();
    void FadeIn();
    // Fades the window out and hides it.
    void FadeOut();
    bool IsShown() const;
    // Whether a fade in or out is running (it waits on the event loop, so other handlers may run).
    bool IsFading() const { return mFading; }
    // Busy while a key's work, a fade, a move or a level transition runs: what does not come from the
    // user's keys and mouse (tray items, the hot key, a second start) waits here until it is over.
    IdleGate& Gate() { return mGate; }

    // Handles a key of the key table (MainKey codes); other codes do nothing.
    void Form_KeyDown(int pKeyCode);
    // A letter or digit typed on the carousel: turns it, the shorter way round, to the next token whose
    // caption begins with the text typed so far; beeps when none does.
    void Form_KeyTyped(QChar pTyped);

    // Stops the widget's timer and detaches from the carousel and token manager, then closes the
    // window without announcing it: nothing of the window uses them afterwards.
    void TearDown();

signals:
    // The user closed the window: the program ends.
    void Unloaded();
    // The window was shown (true) or hidden (false); the tray names its next action after it.
    void ShownStateChanged(bool pShown);
    // A right click asks for the settings window, a double click for the token manager.
    void CarouselSettingsRequested();
    void TokenManagerRequested();

private:
    friend class cfMainForm;
    void ActivateFrontToken(int pKeyCode);
    void ExecuteToken(const cToken& pToken);
    void GoToParentLevel();
    void MoveCarousel(int pMoveCount);
    void AnimateTokenPress();
    void Form_Activate();
    void Form_Shown();
    void Form_MouseDown(QMouseEvent* pEvent);
    void Form_MouseMove(QMouseEvent* pEvent);
    void Form_MouseUp(QMouseEvent* pEvent);
    void Form_DblClick();
    void TakeClickActivation();
    void Form_MouseWheel(QWheelEvent* pEvent);
    void TurnByWheel();
    void Form_Unload();
    void mCarouselWidget_BufferResized(double pWidth, double pHeight);
    void SetFormOpacity(double pOpacity);
    // The available areas of the monitors, in logical pixels.
    static QList<QRect> MonitorAreas();
    void PlaceOnPointerMonitor();
    void RememberPlace();
    void WatchMonitors();
    void KeepOnMonitors();

    cCarousel& mCarousel;
    cTokenManager& mTokenManager;
    IdleGate mGate;
    QPointer<cfMainForm> mForm;
    QPointer<cwCarousel> mCarouselWidget;
    QByteArray mBeepSound;
    QByteArray mClickSound;
    double mRenderScale = 1.0;
    bool mFading = false;
    bool mPlaced = false;
    bool mTornDown = false;
    // Dragging: where the press happened, and whether the window is moved by hand (no system move).
    bool mLeftPressed = false;
    bool mManualMove = false;
    QPoint mPressOffset;
    // The wheel: rotation not yet worth a position, and positions waiting to be turned.
    int mWheelRotation = 0;
    int mWheelPositions = 0;
    bool mWheelTurnPending = false;
    // Our own request to activate the window, whose activation must not start a second fade.
    bool mOwnActivationPending = false;
    QElapsedTimer mOwnActivationRequested;
    // Where the window was last left on its monitor; none before it was first shown.
    std::optional<WindowPlacement::RelativePlace> mLastPlace;
    bool mMonitorCheckPending = false;
    // Type to jump: the text typed so far, and the time since its last character was handled.
    CaptionSearch mCaptionSearch;
    QElapsedTimer mSinceTyped;
};
