#pragma once

#include "FramePacing.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <memory>

class cCarousel;
class DirectFrames;
class cTokenManager;
class IdleGate;

// The carousel's one widget on the main window: the title of the current level, the carousel frame
// and the front token's description (fading in after each move), drawn at the window's render scale
// and opacity. Keeps the token manager's active token on the front of the carousel, asks its window
// for a new size when the drawing needs one, performs the cross-fade into another level, plays the
// step, slide and lock sounds and turns files dropped on it into tokens of the current level.
class cwCarousel : public QWidget {
    Q_OBJECT
public:
    using ScaleSource = std::function<double()>;

    // pRenderScale reports the window's render scale each time the widget paints or checks its size;
    // pGate (optional) holds back the tokens made from dropped files while the launcher is busy.
    cwCarousel(cCarousel& pCarousel, cTokenManager& pTokenManager, ScaleSource pRenderScale,
               IdleGate* pGate = nullptr, QWidget* parent = nullptr);
    ~cwCarousel() override;

    // Re-renders the title from the current root token's caption.
    void CreateTitleBuffer();
    // Stops the description fade: the description is no longer drawn (and leaves the window), and the
    // next fade's first step comes after 150 ms.
    void CancelTimer();
    // Switches the carousel to the current (new) level with pFrontKey in front: the old frame fades
    // out while the new one fades in and the orbit picture rises into place.
    void TransitionToNewRoot(const QString& pFrontKey);
    // Holds the description fade where it is while the window fades in or out, and lets it go on.
    void PauseFade();
    void ResumeFade();
    // Stops the fade and detaches from the carousel and token manager for good (shut-down).
    void Detach();
    // Composes the frames, token images and text at the window's device pixel ratio from now on,
    // rebuilding what was made at another; nothing happens when the ratio is the one in use. Called
    // when the window moves to a screen of another ratio.
    void FollowPixelRatio();

    // The window's opacity (1 = opaque), applied to everything the widget draws.
    double Opacity() const { return mOpacity; }
    // Held within 0..1: the fades' last steps overshoot, and only a whole 1 lets a frame be copied
    // rather than blended.
    void SetOpacity(double pOpacity) { mOpacity = float(std::clamp(pOpacity, 0.0, 1.0)); }
    // Paints an opaque background in the window colour under everything (for desktops without a
    // compositor, where the transparent parts of the window would show as black).
    void SetShowBackground(bool pShow);
    bool ShowBackground() const { return mShowBackground; }

    // State, for the window and for tests.
    const QImage& TitleBuffer() const { return mTitleBuffer; }
    const QImage& DescriptionBuffer() const { return mDescriptionBuffer; }
    const QImage& Frame() const { return mFrame; }
    double DescriptionFade() const { return mDescriptionFade; }
    bool InTransition() const { return mInTransition; }
    double TransitionProgress() const { return mTransitionProgress; }
    const QTimer& FadeTimer() const { return mTimer; }
    // The point size of the most recently rendered title and description.
    double TitleFontSize() const { return mTitleFontSize; }
    double DescriptionFontSize() const { return mDescriptionFontSize; }

signals:
    // The drawing needs this size (device-independent pixels); the window resizes itself and the
    // widget about its centre.
    void BufferResized(double pWidth, double pHeight);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void mCarousel_Refreshed(const QImage& Surface, double CurrentIndex);
    void mCarousel_MoveComplete();
    void cTimer_Timer();
    void StopFadeTimer();
    void HideDescription();
    void CheckSize();
    bool PresentDirectly();
    void PaintCarousel(QPainter& pPainter);
    void CreateDescriptionBuffer();
    QImage RenderTextBuffer(const QString& pText, double pSizeFactor, double pHeight);
    std::function<QImage()> TextBufferRendering(const QString& pText, double pSizeFactor, double pHeight);
    void PrepareDescription();
    void SlideOrbitPicture(const QImage& pOldOrbit);
    double RenderScale() const;
    QSizeF FrameSize() const;
    void CheckPixelRatioLater();

    cCarousel* mCarousel;
    cTokenManager* mTokenManager;
    ScaleSource mRenderScale;
    IdleGate* mGate;
    QTimer mTimer;
    FramePacer mPacer;
    bool mInTransition = false;
    bool mFadePaused = false;
    double mTransitionProgress = 0;
    QImage mSnapshot;
    QImage mTitleBuffer;
    QImage mDescriptionBuffer;
    QImage mFrame;
    double mDescriptionFade = 0;
    float mOpacity = 1.0f;
    bool mShowBackground = false;
    double mTitleFontSize = 0;
    double mDescriptionFontSize = 0;
    bool mPixelRatioCheckPending = false;
    std::unique_ptr<DirectFrames> mDirectFrames;
    WId mDirectWindow = 0;
    QByteArray mSlideSound;
    QByteArray mStepSound;
    QByteArray mLockSound;
};
