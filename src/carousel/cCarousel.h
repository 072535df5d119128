#pragma once

#include "CarouselLayout.h"
#include "platform/KeyedCollection.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <memory>
#include <vector>

class CarouselComposer;
enum class CarouselLayer;
class ImageList;

// The rotating carousel: the images to show, the look-and-feel settings and the front index. A move
// composes every intermediate frame synchronously, raising Refreshed for each and MoveComplete at
// the end. Knows nothing of windows or tokens: only image keys, indices and images.
class cCarousel : public QObject {
    Q_OBJECT
public:
    explicit cCarousel(ImageList& sharedImages, QObject* parent = nullptr);
    ~cCarousel() override;

    void SetOrbitImageBytes(const QByteArray& pBytes);
    void SetOrbitImageSurface(const QImage& pSurface);
    void SetOrbitImageOpacity(double pOpacityPercent);
    void SetConstrainToUsedCapacity(bool pConstrain);
    void SetTintEffects(quint32 pColour, double pTintPercent, double pDepthDarkenPercent);
    void SetUnusedCapacityImage(const QImage& pImage);
    void SetMissingImage(const QImage& pImage);
    int ImageCount() const;
    int CurrentIndex() const;
    void SetForeItemScale(double pScalePercent);
    void SetTilt(double pTilt);
    void SetWidth(int pWidth);
    void SetRearItemScale(double pScalePercent);
    void SetImageSize(int pImageW, int pImageH);
    // The device pixels per logical pixel the frames are composed at (the window's device pixel
    // ratio); all geometry stays in logical pixels. Takes effect at the next Build.
    void SetPixelRatio(double pRatio);
    double PixelRatio() const { return mPixelRatio; }
    void SetImages(std::shared_ptr<ImageCollection> pImages);
    const ImageCollection& Images() const { return *mImages; }
    void Build(const QString& pImageKey);
    void Refresh();
    void SetOverflowEffects(bool pFadeInOut, bool pZoomInOut);
    void SetReflectionEffects(double pStrengthPercent, double pStretchPercent);
    void SetMoveIncrements(int pIncrements);
    void SetCapacity(int pCapacity);
    void MoveToKey(const QString& pKey, int pDirection);
    void MoveToIndex(int pIndex, int pDirection);
    void MoveRelative(int pMoveCount);

    double OrbitImageOpacity() const;
    quint32 TintColour() const;
    double TintStrength() const;
    double DepthDarkenPercent() const;
    int ImageSize() const;
    int Capacity() const;
    double ForeItemScale() const;
    double RearItemScale() const;
    int MoveIncrements() const;
    int Width() const;
    double Tilt() const;
    double ReflectionStrength() const;
    double ReflectionStretch() const;
    bool OverflowFade() const;
    bool OverflowZoom() const;
    // The scaled orbit image, in device pixels (OrbitSize() logical pixels square at the pixel
    // ratio); a null image before the first Build or orbit image.
    QImage& OrbitBuffer();
    int OrbitSize() const { return mOrbitSize; }

    // Read-only views of the model's state, for its owner's diagnostics and for tests.
    const std::vector<CarouselSlot>& Slots() const { return mSlots; }
    const CarouselSlot& Slot(int pSlot) const { return mSlots.at(pSlot - 1); } // 1-based
    int ImageHeight() const { return mImageHeight; }
    int SlotCount() const { return mSlotCount; }
    int Centre() const { return mCentre; }
    int Unused() const { return mUnused; }
    double AnglePerSlot() const { return mAnglePerSlot; }
    double AngleOffset() const { return mAngleOffset; }
    double HorizontalRadius() const { return mHorizontalRadius; }
    double VerticalRadius() const { return mVerticalRadius; }
    double CentreX() const { return mCentreX; }
    double CentreY() const { return mCentreY; }
    double OrbitImageTop() const { return mOrbitImageTop; }
    int BufferHeight() const { return mBufferHeight; }
    double ReflectionHeight() const { return mReflectionHeight; }
    // The frame's size in logical pixels; the frame itself (MainLayer) has PixelRatio() times as
    // many device pixels each way, rounded up, and carries the ratio as its device pixel ratio.
    QSize MainLayerSize() const;
    const QImage& MainLayer() const;
    ImageList& SharedImages() const { return mSharedImages; }
    // The arguments of the most recent frame's composition.
    struct FrameArguments {
        int sign = 0;
        bool growIncoming = true, shrinkOutgoing = true;
        double progress = 1, level = 1;
    };
    const FrameArguments& LastFrame() const { return mLastFrame; }

signals:
    // After every composed frame. Surface is the frame itself: it stays valid until the frame
    // after next is composed (the carousel draws into two images in turn); keeping a QImage copy
    // costs nothing. CurrentIndex is the index the step heads for, ImageKey its key ("Dummy" for a
    // placeholder), MoveProgress the steps done so far, TotalMoves the positions of the whole move.
    void Refreshed(const QImage& Surface, double CurrentIndex, const QString& ImageKey, double MoveProgress,
                   int TotalMoves);
    // Once at the end of every move, after the current index changed; 0 for a plain refresh.
    void MoveComplete(int MoveCount);

private:
    int WrapIndex(int pIndex, int pOffset) const;
    void PopulateSlots(int pIndex);
    void LayoutBuffers();
    void ComposeFrame(int pSign, bool pGrowIncoming, bool pShrinkOutgoing, double pProgress, double pLevel);
    void LayoutSlots(int pSign, bool pGrowIncoming, bool pShrinkOutgoing, double pProgress);
    void DrawFrame(int pSign, bool pGrowIncoming, bool pShrinkOutgoing, double pProgress);
    void DrawSlot(int pSlot);
    void DrawOrbitImage();
    void ClearLayer(CarouselLayer pLayer);
    void RebuildOrbitBuffer(const QImage& pSurface);
    CarouselSlot& SlotAt(int pSlot) { return mSlots[pSlot - 1]; }
    QString KeyAtIndex(int pIndex) const;
    void LoadImage(const QString& pKey, const QImage& pImage);
    void ContractOrbit(bool pFirst, bool pLast, int pFrame, int pFrames);

    ImageList& mSharedImages;
    std::shared_ptr<ImageCollection> mImages;
    std::unique_ptr<CarouselComposer> mComposer;
    QImage mOrbitBuffer;
    int mOrbitSize = 0;
    double mPixelRatio = 1.0;
    QSize mLayerSize;
    int mCurrentIndex = 0;
    int mWidth = 720;
    int mMoveIncrements = 15;
    double mAngleOffset = 0;
    double mAnglePerSlot = 360.0 / 11;
    int mImageCount = 0;
    int mSlotCount = 13;
    int mCentre = 7;
    int mUnused = 0;
    double mHorizontalRadius = 0;
    double mBaseVerticalRadius = 90;
    double mVerticalRadius = 0;
    double mCentreX = 0, mCentreY = 0;
    int mImageWidth = 128, mImageHeight = 128;
    double mForeItemScale = 1.25;
    double mRearItemScale = 0.85;
    std::vector<CarouselSlot> mSlots;
    quint32 mTintColour = 0;
    double mTintStrength = 0.2;
    double mDepthDarkening = 0.4;
    QImage mUnusedCapacityImage;
    QImage mMissingImage;
    double mOrbitImageOpacity = 1.0;
    QImage mOrbitImage;
    double mOrbitImageTop = 0;
    double mReflectionStrength = 0.08;
    double mReflectionStretch = 0.6;
    bool mOverflowFade = false;
    bool mOverflowZoom = false;
    bool mConstrainToUsedCapacity = true;
    int mBufferHeight = 0;
    double mReflectionHeight = 0;
    FrameArguments mLastFrame;
};
