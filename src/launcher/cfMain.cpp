#include "cfMain.h"

#include "FramePacing.h"
#include "cfMainForm.h"
#include "cwCarousel.h"
#include "platform/Imaging.h"
#include "platform/Resources.h"

#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {
constexpr double MinimumRenderScale = 0.5;
constexpr double MaximumRenderScale = 2.0;
constexpr int FadeStepMilliseconds = 20;
constexpr int OwnActivationWindow = 1500; // ms within which an activation is taken as our own request
} // namespace

cfMain::cfMain(cCarousel& pCarousel, cTokenManager& pTokenManager, QObject* parent)
    : QObject(parent), mCarousel(pCarousel), mTokenManager(pTokenManager) {}

cfMain::~cfMain() {
    TearDown();
}

void cfMain::Init(QWidget* pOwner) {
    if (mForm)
        return;
    mForm = new cfMainForm(*this, pOwner);
    mCarouselWidget = new cwCarousel(
        mCarousel, mTokenManager, [this] { return mRenderScale; }, &mGate, mForm);
    connect(mCarouselWidget, &cwCarousel::BufferResized, this, &cfMain::mCarouselWidget_BufferResized);
    mForm->setWindowTitle(QStringLiteral("Tessaro"));
    mForm->setWindowIcon(QIcon(QPixmap::fromImage(
        Imaging::Decode(LoadResource(QStringLiteral("CUSTOM"), QStringLiteral("APP_ICON"))))));
    mBeepSound = LoadResource(QStringLiteral("SOUND"), QStringLiteral("BEEP"));
    mClickSound = LoadResource(QStringLiteral("SOUND"), QStringLiteral("CLICK"));
    WatchMonitors();
}

QWidget* cfMain::Form() const {
    return mForm.data();
}

void cfMain::TearDown() {
    if (mTornDown)
        return;
    mTornDown = true;
    if (mCarouselWidget)
        mCarouselWidget->Detach();
    if (mForm) {
        mForm->CloseSilently();
        // Later: this may run inside one of the window's own event handlers.
        mForm->deleteLater();
    }
}

void cfMain::SetRenderScale(double pScale) {
    mRenderScale = std::isfinite(pScale) ? std::clamp(pScale, MinimumRenderScale, MaximumRenderScale) : 1.0;
}

bool cfMain::IsShown() const {
    return mForm && mForm->isVisible();
}

// ---- Showing and hiding ------------------------------------------------------------------------

// Shown by the hot key, the tray or a second start: on the monitor that holds the pointer.
void cfMain::Show() {
    if (mForm && !mFading && !mTornDown)
        PlaceOnPointerMonitor();
    FadeIn();
}

// ---- Monitors ----------------------------------------------------------------------------------

QList<QRect> cfMain::MonitorAreas() {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

// The window goes to the monitor under the pointer, at the place it was last left on its monitor
// (centred the first time).
void cfMain::PlaceOnPointerMonitor() {
    if (mForm->isVisible())
        RememberPlace();
    mForm->setGeometry(WindowPlacement::Shown(mForm->size(), mLastPlace, QCursor::pos(), MonitorAreas()));
    mPlaced = true;
}

void cfMain::RememberPlace() {
    if (!mForm || !mForm->isVisible())
        return;
    const QList<QRect> areas = MonitorAreas();
    const int monitor = WindowPlacement::MonitorOf(mForm->geometry(), areas);
    if (monitor >= 0)
        mLastPlace = WindowPlacement::RelativeTo(mForm->geometry(), areas[monitor]);
}

// A monitor that goes away or changes its size must not leave the window outside every monitor or
// across two. The window manager may move the window itself once the monitors have changed, after
// the first check: a second check follows when it has had time to.
void cfMain::WatchMonitors() {
    const auto check = [this] {
        if (!std::exchange(mMonitorCheckPending, true)) {
            QTimer::singleShot(0, this, &cfMain::KeepOnMonitors);
            QTimer::singleShot(1000, this, &cfMain::KeepOnMonitors);
        }
    };
    const auto watch = [this, check](QScreen* screen) {
        connect(screen, &QScreen::availableGeometryChanged, this, check);
        connect(screen, &QScreen::geometryChanged, this, check);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [watch, check](QScreen* screen) {
        watch(screen);
        check();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, check);
}

// Runs from the event loop once the screens have settled: the removed screen is gone from the list.
void cfMain::KeepOnMonitors() {
    mMonitorCheckPending = false;
    if (!mForm || mTornDown)
        return;
    const QRect now = mForm->geometry();
    const QRect kept = WindowPlacement::KeptOnMonitors(now, MonitorAreas());
    if (kept != now)
        mForm->setGeometry(kept);
}

void cfMain::SetFormOpacity(double pOpacity) {
    if (!mCarouselWidget)
        return;
    mCarouselWidget->SetOpacity(pOpacity);
    mCarouselWidget->repaint();
}

void cfMain::FadeIn() {
    if (!mForm || mFading || mTornDown)
        return;
    const IdleGate::Busy busy(mGate);
    mFading = true;
    emit ShownStateChanged(true);
    // The description's own fade waits for the window's: its steps would otherwise be spent unseen.
    if (mCarouselWidget)
        mCarouselWidget->PauseFade();
    SetFormOpacity(0);
    mForm->show();
    double a = 0;
    do {
        a = a * 1.2 + 0.01;
        WaitExcludingUserInput(FadeStepMilliseconds);
        SetFormOpacity(a);
    } while (a < 1 && mForm);
    if (mForm) {
        if (!mForm->isActiveWindow()) {
            mOwnActivationPending = true;
            mOwnActivationRequested.start();
        }
        mForm->raise();
        mForm->activateWindow();
    }
    if (mCarouselWidget)
        mCarouselWidget->ResumeFade();
    mFading = false;
}

void cfMain::FadeOut() {
    if (!mForm || mFading)
        return;
    const IdleGate::Busy busy(mGate);
    RememberPlace();
    mFading = true;
    emit ShownStateChanged(false);
    if (mCarouselWidget)
        mCarouselWidget->PauseFade();
    double a = 1.0;
    do {
        a = a / 1.2 - 0.01;
        WaitExcludingUserInput(FadeStepMilliseconds);
        SetFormOpacity(a);
    } while (a > 0 && mForm);
    if (mForm)
        mForm->hide();
    SetFormOpacity(1);
    if (mCarouselWidget)
        mCarouselWidget->ResumeFade();
    mFading = false;
}

// Every activation of the shown window fades it in again, except the one our own FadeIn asked for.
void cfMain::Form_Activate() {
    if (mFading || !IsShown())
        return;
    if (mGate.IsBusy()) {
        mGate.RunWhenIdle([this] { Form_Activate(); });
        return;
    }
    if (mOwnActivationPending) {
        mOwnActivationPending = false;
        if (mOwnActivationRequested.elapsed() < OwnActivationWindow)
            return;
    }
    FadeIn();
}

// Shown by someone else (the tray, a second copy): start transparent and fade in once the show is done.
void cfMain::Form_Shown() {
    if (mFading || mTornDown)
        return;
    SetFormOpacity(0);
    QMetaObject::invokeMethod(
        this, [this] { mGate.RunWhenIdle([this] { FadeIn(); }); }, Qt::QueuedConnection);
}

void cfMain::Form_Unload() {
    emit Unloaded();
}
