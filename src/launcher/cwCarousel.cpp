#include "cwCarousel.h"

#include "IdleGate.h"
#include "TextBuffer.h"
#include "carousel/cCarousel.h"
#include "desktop/FileDrops.h"
#include "desktop/modSound.h"
#include "platform/DirectFrames.h"
#include "platform/Imaging.h"
#include "platform/Resources.h"
#include "store/cTokenManager.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QThreadPool>
#include <QUrl>
#include <QWindow>
#include <cmath>

namespace {
constexpr int FirstFadeInterval = 50;       // ms: the fade's steps, and its start after construction
constexpr int LaterFadeInterval = 150;      // ms: the start of a fade after the last one was cancelled
constexpr int DescriptionPrepareDelay = 20; // ms after a move's end, well before its fade begins

// The whole pixels an extent of `value` device-independent pixels needs.
int PixelExtent(double value) {
    return std::max(1, int(std::ceil(value - 1e-6)));
}

double LogicalHeight(const QImage& image) {
    return image.isNull() ? 0.0 : image.deviceIndependentSize().height();
}

} // namespace

cwCarousel::cwCarousel(cCarousel& pCarousel, cTokenManager& pTokenManager, ScaleSource pRenderScale,
                       IdleGate* pGate, QWidget* parent)
    : QWidget(parent), mCarousel(&pCarousel), mTokenManager(&pTokenManager),
      mRenderScale(std::move(pRenderScale)), mGate(pGate), mTitleBuffer(Imaging::NewSurface(10, 10)),
      mDescriptionBuffer(Imaging::NewSurface(10, 10)), mFrame(Imaging::NewSurface(10, 10)),
      mSlideSound(LoadResource(QStringLiteral("SOUND"), QStringLiteral("SLIDE"))),
      mStepSound(LoadResource(QStringLiteral("SOUND"), QStringLiteral("STEP"))),
      mLockSound(LoadResource(QStringLiteral("SOUND"), QStringLiteral("LOCK"))) {
    setObjectName(QStringLiteral("Carousel"));
    setAcceptDrops(true);
    setFocusPolicy(Qt::NoFocus);
    mTimer.setInterval(FirstFadeInterval);
    mTimer.setTimerType(Qt::PreciseTimer);
    connect(&mTimer, &QTimer::timeout, this, &cwCarousel::cTimer_Timer);
    connect(mCarousel, &cCarousel::Refreshed, this,
            [this](const QImage& surface, double index) { mCarousel_Refreshed(surface, index); });
    connect(mCarousel, &cCarousel::MoveComplete, this, &cwCarousel::mCarousel_MoveComplete);
    connect(mTokenManager, &cTokenManager::CurrentRootChanged, this, &cwCarousel::CreateTitleBuffer);
    // An edit may have renamed the level on show.
    connect(mTokenManager, &cTokenManager::CurrentLevelChanged, this, &cwCarousel::CreateTitleBuffer);
    connect(mTokenManager, &cTokenManager::TransitionRequested, this, &cwCarousel::TransitionToNewRoot);
    FollowPixelRatio();
}

cwCarousel::~cwCarousel() {
    Detach();
}

void cwCarousel::Detach() {
    mTimer.stop();
    mDescriptionFade = 0;
    if (mCarousel)
        disconnect(mCarousel, nullptr, this, nullptr);
    if (mTokenManager)
        disconnect(mTokenManager, nullptr, this, nullptr);
    mCarousel = nullptr;
    mTokenManager = nullptr;
}

double cwCarousel::RenderScale() const {
    const double scale = mRenderScale ? mRenderScale() : 1.0;
    return scale > 0 ? scale : 1.0;
}

// ---- Device pixel ratio ------------------------------------------------------------------------

void cwCarousel::FollowPixelRatio() {
    mPixelRatioCheckPending = false;
    if (!mCarousel)
        return;
    const double ratio = devicePixelRatioF();
    if (!(ratio > 0) || ratio == mCarousel->PixelRatio())
        return;
    mCarousel->SetPixelRatio(ratio);
    if (mTokenManager->PixelRatio() != ratio) {
        mTokenManager->SetPixelRatio(ratio);
        // The images of the old ratio stand in until those of the new one arrive.
        if (mTokenManager->Count() > 0)
            mTokenManager->RebuildImageCache(true);
    }
    if (!mCarousel->MainLayer().isNull())
        mCarousel->Build(QString());
    CreateTitleBuffer();
    CreateDescriptionBuffer();
    update();
}

// The window's screen (and with it the ratio) can change while a move is being drawn: the rebuild
// waits for the event loop, and for an idle launcher.
bool cwCarousel::event(QEvent* event) {
    if (event->type() == QEvent::ScreenChangeInternal || event->type() == QEvent::Show)
        CheckPixelRatioLater();
    return QWidget::event(event);
}

void cwCarousel::CheckPixelRatioLater() {
    if (mPixelRatioCheckPending || !mCarousel)
        return;
    mPixelRatioCheckPending = true;
    QTimer::singleShot(0, this, [this] {
        if (mGate)
            mGate->RunWhenIdle([this] { FollowPixelRatio(); });
        else
            FollowPixelRatio();
    });
}

QSizeF cwCarousel::FrameSize() const {
    return mCarousel ? QSizeF(mCarousel->MainLayerSize()) : mFrame.deviceIndependentSize();
}

// ---- Frames ------------------------------------------------------------------------------------

void cwCarousel::mCarousel_Refreshed(const QImage& Surface, double CurrentIndex) {
    mFrame = Surface;
    mTokenManager->SetActiveIndex(int(CurrentIndex));
    CheckSize();
    if (!isVisible())
        return;
    mPacer.WaitForNextFrame();
    // Only the frame's band changes from one frame to the next: the title above it and the
    // description below it are neither cleared, drawn nor sent to the display again.
    if (!PresentDirectly()) {
        const double scale = RenderScale();
        const double top = LogicalHeight(mTitleBuffer) * scale;
        const int first = int(std::floor(top));
        repaint(QRect(0, first, width(), int(std::ceil(top + FrameSize().height() * scale)) - first));
    }
    mPacer.FramePresented();
}

// Where the frame is shown 1:1 over nothing (the window's painting copies it then too), it goes
// straight to the display, sparing the window's surface a clear, a copy and a round trip to the
// server per frame. The window's own painting still draws everything else and redraws the frame
// whenever the band is painted.
bool cwCarousel::PresentDirectly() {
    const double titleHeight = LogicalHeight(mTitleBuffer);
    QWindow* handle = window()->windowHandle();
    if (mOpacity != 1 || RenderScale() != 1 || mShowBackground || mInTransition || !handle ||
        devicePixelRatioF() != 1 || titleHeight != std::floor(titleHeight) || !updatesEnabled())
        return false;
    // A new native window (or a first look) asks the display again; one without a way stays without.
    if (handle->winId() != mDirectWindow) {
        mDirectWindow = handle->winId();
        mDirectFrames = DirectFrames::For(handle);
    }
    return mDirectFrames &&
           mDirectFrames->Present(mFrame, mFrame.rect(), mapTo(window(), QPoint(0, int(titleHeight))));
}

void cwCarousel::CheckSize() {
    const double scale = RenderScale();
    const QSizeF frame = FrameSize();
    const double wantedWidth = frame.width() * scale;
    const double wantedHeight = (mCarousel->ImageSize() * 1.2 + frame.height()) * scale;
    if (PixelExtent(wantedWidth) == width() && PixelExtent(wantedHeight) == height())
        return;
    // No paint of a half-resized widget: the buffers follow the new size first.
    setUpdatesEnabled(false);
    emit BufferResized(wantedWidth, wantedHeight);
    resize(PixelExtent(wantedWidth), PixelExtent(wantedHeight));
    CreateTitleBuffer();
    CreateDescriptionBuffer();
    setUpdatesEnabled(true);
}

void cwCarousel::paintEvent(QPaintEvent*) {
    // A screen's ratio may change without the window changing screens; the first paint at the new
    // ratio notices.
    if (mCarousel && devicePixelRatioF() != mCarousel->PixelRatio())
        CheckPixelRatioLater();
    QPainter painter(this);
    PaintCarousel(painter);
}

void cwCarousel::SetShowBackground(bool pShow) {
    mShowBackground = pShow;
    update();
}

void cwCarousel::PaintCarousel(QPainter& pPainter) {
    if (mShowBackground)
        pPainter.fillRect(rect(), palette().color(QPalette::Window));
    const double scale = RenderScale();
    pPainter.scale(scale, scale);
    pPainter.setRenderHint(QPainter::SmoothPixmapTransform, scale != 1.0);
    const double titleHeight = LogicalHeight(mTitleBuffer);
    pPainter.setOpacity(mOpacity);
    pPainter.drawImage(QPointF(0, 0), mTitleBuffer);
    if (mInTransition) {
        pPainter.setOpacity((100 - mTransitionProgress) / 100);
        pPainter.drawImage(QPointF(0, titleHeight), mSnapshot);
        pPainter.setOpacity(mTransitionProgress / 100);
        pPainter.drawImage(QPointF(0, titleHeight), mFrame);
    } else {
        pPainter.setOpacity(mOpacity);
        // The window's surface is cleared to transparent before each paint: at full opacity, at
        // its own size and with nothing beneath it the frame can be copied rather than blended,
        // which is most of a turning carousel's painting.
        if (mOpacity == 1 && scale == 1 && !mShowBackground)
            pPainter.setCompositionMode(QPainter::CompositionMode_Source);
        pPainter.drawImage(QPointF(0, titleHeight), mFrame);
        pPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (mDescriptionFade > 0) {
        pPainter.setOpacity(mOpacity * mDescriptionFade);
        pPainter.drawImage(QPointF(0, titleHeight + FrameSize().height()), mDescriptionBuffer);
    }
}

// ---- Title and description ---------------------------------------------------------------------

void cwCarousel::CreateTitleBuffer() {
    if (!mCarousel)
        return;
    const QString rootKey = mTokenManager->CurrentRootKey();
    const QString caption =
        mTokenManager->Exists(rootKey) ? mTokenManager->Item(rootKey)->Caption() : QString();
    mTitleBuffer = RenderTextBuffer(caption, 0.5, mCarousel->ImageSize() * 0.45);
    update();
}

void cwCarousel::CreateDescriptionBuffer() {
    if (!mCarousel)
        return;
    const auto token = mTokenManager->ActiveToken();
    mDescriptionBuffer =
        RenderTextBuffer(token ? token->Description() : QString(), 0.18, mCarousel->ImageSize() * 0.75);
}

// A description (taller than half the image size) has the outline colour round the text colour; a
// title shows the two swapped.
std::function<QImage()> cwCarousel::TextBufferRendering(const QString& pText, double pSizeFactor,
                                                        double pHeight) {
    const double fontSize = pSizeFactor * pHeight;
    const bool description = pHeight > mCarousel->ImageSize() / 2;
    const QColor text = Imaging::ColourFromBgr(mTokenManager->TextColour());
    const QColor outline = Imaging::ColourFromBgr(mTokenManager->TextOutlineColour());
    (description ? mDescriptionFontSize : mTitleFontSize) = fontSize;
    // Rendered at the resolution it is shown at, never below its own size.
    const double ratio = std::max(RenderScale() * devicePixelRatioF(), 1.0);
    const int width = int(FrameSize().width()), height = int(std::nearbyint(pHeight));
    const QColor stroke = description ? outline : text, fill = description ? text : outline;
    return [=] { return TextBuffer::Render(pText, fontSize, width, height, stroke, fill, ratio); };
}

QImage cwCarousel::RenderTextBuffer(const QString& pText, double pSizeFactor, double pHeight) {
    return TextBufferRendering(pText, pSizeFactor, pHeight)();
}

// The description of the token now in front is rendered on a pooled thread while the fade waits to
// begin, so that the fade's first step finds it among the kept renderings instead of costing a frame.
void cwCarousel::PrepareDescription() {
    const auto token = mTokenManager->ActiveToken();
    if (!token || token->Description().trimmed().isEmpty())
        return;
    const double fontSize = mDescriptionFontSize;
    QThreadPool::globalInstance()->start(
        TextBufferRendering(token->Description(), 0.18, mCarousel->ImageSize() * 0.75));
    mDescriptionFontSize = fontSize;
}

// ---- Description fade --------------------------------------------------------------------------

void cwCarousel::CancelTimer() {
    StopFadeTimer();
    HideDescription();
}

// The next fade's first step comes after the longer interval.
void cwCarousel::StopFadeTimer() {
    mTimer.stop();
    mTimer.setInterval(LaterFadeInterval);
}

// A turning carousel repaints only its frame's band: the description below it is painted over here,
// or it would stay on the window under the move.
void cwCarousel::HideDescription() {
    if (mDescriptionFade > 0) {
        const double top = (LogicalHeight(mTitleBuffer) + FrameSize().height()) * RenderScale();
        update(QRect(0, int(std::floor(top)), width(), height()));
    }
    mDescriptionFade = 0;
}

void cwCarousel::PauseFade() {
    mFadePaused = mTimer.isActive();
    mTimer.stop();
}

void cwCarousel::ResumeFade() {
    if (mFadePaused && mCarousel)
        mTimer.start();
    mFadePaused = false;
}

void cwCarousel::mCarousel_MoveComplete() {
    if (mInTransition)
        return;
    PlaySoundBytes(mStepSound);
    HideDescription();
    if (!mTimer.isActive())
        mTimer.start();
    // A key that was waiting for the move turns the carousel on at once and cancels the fade: its
    // description is only prepared when no such key came.
    QTimer::singleShot(DescriptionPrepareDelay, this, [this] {
        if (mTimer.isActive() && mDescriptionFade == 0)
            PrepareDescription();
    });
}

void cwCarousel::cTimer_Timer() {
    if (mDescriptionFade == 0) {
        CreateDescriptionBuffer();
        mTimer.setInterval(FirstFadeInterval);
    }
    mDescriptionFade = std::min(mDescriptionFade * 1.3 + 0.05, 1.0);
    repaint();
    // Faded in, the description stays drawn until the next move or level hides it.
    if (mDescriptionFade >= 1)
        StopFadeTimer();
}

// ---- Level transition --------------------------------------------------------------------------

void cwCarousel::TransitionToNewRoot(const QString& pFrontKey) {
    if (!mCarousel)
        return;
    // No description fades in while the levels cross-fade; the new one's starts at the end.
    CancelTimer();
    mInTransition = true;
    mTransitionProgress = 0;
    const double orbitOpacity = mCarousel->OrbitImageOpacity();
    mSnapshot = mFrame.copy();
    const QImage oldOrbit = mCarousel->OrbitBuffer();
    mCarousel->Build(pFrontKey);
    PlaySoundBytes(mSlideSound);
    while (mTransitionProgress < 100) {
        mTransitionProgress += 10;
        SlideOrbitPicture(oldOrbit);
        mCarousel->SetOrbitImageOpacity(orbitOpacity * mTransitionProgress * 0.01);
        mCarousel->Refresh();
    }
    mInTransition = false;
    mSnapshot = QImage();
    PlaySoundBytes(mLockSound);
    CreateDescriptionBuffer();
    if (!mTimer.isActive())
        mTimer.start();
}

// The orbit picture rises from below the orbit buffer into its place as the transition progresses.
void cwCarousel::SlideOrbitPicture(const QImage& pOldOrbit) {
    QImage& orbit = mCarousel->OrbitBuffer();
    if (orbit.isNull() || pOldOrbit.isNull())
        return;
    QPainter painter(&orbit);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(orbit.rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const double h = pOldOrbit.height();
    painter.drawImage(QRectF(0, h - h * mTransitionProgress * 0.01, orbit.width(), orbit.height()),
                      pOldOrbit);
}

// ---- Dropped files -----------------------------------------------------------------------------

// Files are copied or linked in, never moved (a file manager told "moved" may delete the original).
void cwCarousel::dragEnterEvent(QDragEnterEvent* event) {
    if (mTokenManager)
        AcceptFileDrop(*event);
    else
        event->ignore();
}

void cwCarousel::dragMoveEvent(QDragMoveEvent* event) {
    if (mTokenManager)
        AcceptFileDrop(*event);
    else
        event->ignore();
}

// The token is made once the drop event has returned, so the program the file came from is not kept
// waiting while the carousel turns to the new token (or a message is open); and, like anything that
// does not come from the keys, not in the middle of a move.
void cwCarousel::dropEvent(QDropEvent* event) {
    if (!mTokenManager || !AcceptFileDrop(*event))
        return;
    const QString path = FirstLocalFile(event->mimeData());
    QTimer::singleShot(0, this, [this, path] {
        auto create = [this, path] {
            if (mTokenManager)
                mTokenManager->CreateTokenFromFilePath(path, mTokenManager->CurrentRootKey());
        };
        if (mGate)
            mGate->RunWhenIdle(create);
        else
            create();
    });
}
