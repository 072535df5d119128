#include "cCarousel.h"

#include "CarouselComposer.h"
#include "platform/ImageList.h"
#include "platform/Imaging.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

using namespace CarouselLayout;

namespace {
const QString DummyKey = QStringLiteral("Dummy");
}

cCarousel::cCarousel(ImageList& sharedImages, QObject* parent)
    : QObject(parent), mSharedImages(sharedImages), mImages(std::make_shared<ImageCollection>()),
      mComposer(std::make_unique<CarouselComposer>()) {
    const QImage blank = Imaging::NewSurface(5, 5);
    mUnusedCapacityImage = blank;
    mMissingImage = blank;
    mOrbitImage = blank;
    SetMoveIncrements(15);
    SetCapacity(11);
}

cCarousel::~cCarousel() = default;

// ---- Settings ---------------------------------------------------------------------------------

void cCarousel::SetOrbitImageBytes(const QByteArray& pBytes) {
    SetOrbitImageSurface(Imaging::Decode(pBytes));
}

void cCarousel::SetOrbitImageSurface(const QImage& pSurface) {
    mOrbitImage = pSurface;
    RebuildOrbitBuffer(pSurface);
}

void cCarousel::SetOrbitImageOpacity(double pOpacityPercent) {
    mOrbitImageOpacity = pOpacityPercent * 0.01;
}
void cCarousel::SetConstrainToUsedCapacity(bool pConstrain) {
    mConstrainToUsedCapacity = pConstrain;
}

void cCarousel::SetTintEffects(quint32 pColour, double pTintPercent, double pDepthDarkenPercent) {
    mTintColour = pColour;
    mTintStrength = pTintPercent * 0.01;
    mDepthDarkening = pDepthDarkenPercent * 0.01;
}

void cCarousel::SetUnusedCapacityImage(const QImage& pImage) {
    mUnusedCapacityImage = pImage;
}
void cCarousel::SetMissingImage(const QImage& pImage) {
    mMissingImage = pImage;
}
int cCarousel::ImageCount() const {
    return mImageCount;
}
int cCarousel::CurrentIndex() const {
    return mCurrentIndex;
}
void cCarousel::SetForeItemScale(double pScalePercent) {
    mForeItemScale = pScalePercent * 0.01;
}
void cCarousel::SetTilt(double pTilt) {
    mBaseVerticalRadius = (pTilt < 1 ? 1 : pTilt) * 0.5;
}
void cCarousel::SetWidth(int pWidth) {
    mWidth = pWidth;
}
void cCarousel::SetRearItemScale(double pScalePercent) {
    mRearItemScale = pScalePercent * 0.01;
}

void cCarousel::SetImageSize(int pImageW, int pImageH) {
    mImageWidth = pImageW;
    mImageHeight = pImageH;
}

void cCarousel::SetPixelRatio(double pRatio) {
    mPixelRatio = pRatio > 0 && std::isfinite(pRatio) ? pRatio : 1.0;
}

void cCarousel::SetImages(std::shared_ptr<ImageCollection> pImages) {
    mImages = pImages ? std::move(pImages) : std::make_shared<ImageCollection>();
}

void cCarousel::SetOverflowEffects(bool pFadeInOut, bool pZoomInOut) {
    mOverflowFade = pFadeInOut;
    mOverflowZoom = pZoomInOut;
}

void cCarousel::SetReflectionEffects(double pStrengthPercent, double pStretchPercent) {
    mReflectionStrength = pStrengthPercent * 0.01;
    mReflectionStretch = pStretchPercent * 0.01;
}

void cCarousel::SetMoveIncrements(int pIncrements) {
    mMoveIncrements = pIncrements;
}

void cCarousel::SetCapacity(int pCapacity) {
    const int capacity = NormalisedCapacity(pCapacity);
    mSlotCount = Add(capacity, 2);
    mSlots.assign(mSlotCount, CarouselSlot{});
    mCentre = (mSlotCount + 1) / 2;
    mAnglePerSlot = 360.0 / (mSlotCount - 2);
}

double cCarousel::OrbitImageOpacity() const {
    return mOrbitImageOpacity * 100;
}
quint32 cCarousel::TintColour() const {
    return mTintColour;
}
double cCarousel::TintStrength() const {
    return mTintStrength * 100;
}
double cCarousel::DepthDarkenPercent() const {
    return mDepthDarkening * 100;
}
int cCarousel::ImageSize() const {
    return mImageWidth;
}
int cCarousel::Capacity() const {
    return mSlotCount - 2;
}
double cCarousel::ForeItemScale() const {
    return mForeItemScale * 100;
}
double cCarousel::RearItemScale() const {
    return mRearItemScale * 100;
}
int cCarousel::MoveIncrements() const {
    return mMoveIncrements;
}
int cCarousel::Width() const {
    return mWidth;
}
double cCarousel::Tilt() const {
    return mBaseVerticalRadius * 2;
}
double cCarousel::ReflectionStrength() const {
    return mReflectionStrength * 100;
}
double cCarousel::ReflectionStretch() const {
    return mReflectionStretch * 100;
}
bool cCarousel::OverflowFade() const {
    return mOverflowFade;
}
bool cCarousel::OverflowZoom() const {
    return mOverflowZoom;
}
QImage& cCarousel::OrbitBuffer() {
    return mOrbitBuffer;
}
QSize cCarousel::MainLayerSize() const {
    return mComposer->MainLayer().isNull() ? QSize(0, 0) : mLayerSize;
}
const QImage& cCarousel::MainLayer() const {
    return mComposer->MainLayer();
}

// ---- Motion -----------------------------------------------------------------------------------

int cCarousel::WrapIndex(int pIndex, int pOffset) const {
    return CarouselLayout::WrapIndex(pIndex, pOffset, Add(mImageCount, mUnused), mUnused);
}

void cCarousel::Build(const QString& pImageKey) {
    if (!pImageKey.isEmpty())
        mCurrentIndex = mImages->IndexOf(pImageKey) + 1;
    mImageCount = mImages->Count();
    if (mCurrentIndex > mImageCount)
        mCurrentIndex = mImageCount;
    const int capacity = mSlotCount - 2;
    mUnused = mImageCount < capacity ? capacity - mImageCount : 0;
    LayoutBuffers();
    Refresh();
}

void cCarousel::Refresh() {
    MoveRelative(0);
}

void cCarousel::MoveToKey(const QString& pKey, int pDirection) {
    MoveToIndex(mImages->IndexOf(pKey) + 1, pDirection);
}

void cCarousel::MoveToIndex(int pIndex, int pDirection) {
    const int ring = Add(mImageCount, mUnused);
    const int back = Add(Sub(mCurrentIndex, pIndex), pIndex > mCurrentIndex ? ring : 0);
    const int forward = Add(Sub(pIndex, mCurrentIndex), pIndex < mCurrentIndex ? ring : 0);
    if (pDirection != 0)
        MoveRelative(pDirection == 1 ? forward : Sub(0, back));
    else
        MoveRelative(forward <= back ? forward : Sub(0, back));
}

void cCarousel::ContractOrbit(bool pFirst, bool pLast, int pFrame, int pFrames) {
    const double dh = (mImageWidth * 0.5) / pFrames;
    const double dv = mBaseVerticalRadius / pFrames;
    if (pFirst && pFrame <= (pFrames + 1) / 2) {
        mHorizontalRadius -= dh;
        mVerticalRadius -= dv;
    } else if (pLast && pFrame > pFrames / 2) {
        mHorizontalRadius += dh;
        mVerticalRadius += dv;
    }
}

void cCarousel::MoveRelative(int pMoveCount) {
    if (mConstrainToUsedCapacity) {
        const int t = WrapIndex(mCurrentIndex, pMoveCount);
        if (t < 1)
            pMoveCount = pMoveCount < 0 ? Sub(pMoveCount, Add(mUnused, t)) : Add(pMoveCount, Sub(1, t));
        if (mImageCount == 0)
            pMoveCount = 0;
    }
    const int sign = (pMoveCount > 0) - (pMoveCount < 0);
    const int total = Abs(pMoveCount);
    // Fewer than one frame per position cannot be drawn.
    const int increments = std::max(mMoveIncrements, 1);
    double level = 1.0;
    double levelStep = -0.1 / LongStepFrames(increments);
    const bool shortMove = total <= 5, longMove = total > 20;

    int previous = mCurrentIndex;
    int target = mCurrentIndex;
    int k = 0;
    do {
        const CarouselSlot& leaving = SlotAt(sign == 1 ? mSlotCount : 1);
        if (!leaving.Key.isEmpty())
            mSharedImages.Remove(leaving.Key);
        mAngleOffset = -1.5 * mAnglePerSlot;
        k = Add(k, 1);
        const bool first = k == 1, last = k == total;
        const int frames = FramesForStep(sign, shortMove, longMove, first, last, increments);
        const double progressStep = 1.0 / frames;
        if (longMove && k == 10) {
            levelStep = -levelStep;
            k = total - 10;
        }
        target = WrapIndex(mCurrentIndex, Mul(k, sign));
        PopulateSlots(previous);
        const QString key = KeyAtIndex(target);
        for (int j = 1; j <= frames; ++j) {
            if (total > 5)
                ContractOrbit(first, last, j, frames);
            if (longMove && k > 1)
                level += levelStep;
            mAngleOffset += (mAnglePerSlot / frames) * sign;
            ComposeFrame(sign, last || shortMove, shortMove || first, j * progressStep, level);
            emit Refreshed(mComposer->MainLayer(), target, key, (k - 1) + double(j) / frames, total);
        }
        previous = target;
    } while (k < total);
    mCurrentIndex = target;
    emit MoveComplete(total);
}

QString cCarousel::KeyAtIndex(int pIndex) const {
    if (pIndex > 0 && pIndex <= mImages->Count())
        return mImages->KeyAt(pIndex - 1);
    return DummyKey;
}

// Files the image in the shared image list (a shallow copy) unless that very image is there, and
// prepares it for drawing. The list's entry under a key that was removed is filed again.
void cCarousel::LoadImage(const QString& pKey, const QImage& pImage) {
    const QImage* filed = mSharedImages.Find(pKey);
    if (!filed || filed->cacheKey() != pImage.cacheKey()) {
        mSharedImages.Add(pKey, pImage);
        filed = mSharedImages.Find(pKey);
    }
    mComposer->PrepareItem(pKey, *filed);
}

void cCarousel::PopulateSlots(int pIndex) {
    int idx = WrapIndex(pIndex, mCentre - 1);
    for (int s = 1; s <= mSlotCount; ++s) {
        if (idx < 1 - mUnused)
            idx = mImageCount;
        CarouselSlot& slot = SlotAt(s);
        if (idx < 1 || idx > mImages->Count()) {
            slot.Key = DummyKey;
            LoadImage(DummyKey, mUnusedCapacityImage);
        } else {
            slot.Key = mImages->KeyAt(idx - 1);
            const QImage& image = mImages->ItemAt(idx - 1);
            LoadImage(slot.Key, image.isNull() ? mMissingImage : image);
        }
        --idx;
    }
    mComposer->RetainItems(mSlots);
}

// ---- Composition ------------------------------------------------------------------------------

void cCarousel::RebuildOrbitBuffer(const QImage& pSurface) {
    mOrbitSize = OrbitBufferSize(mWidth, mImageWidth);
    if (mOrbitSize <= 0) { // no room for an orbit image
        mOrbitSize = 0;
        mOrbitBuffer = QImage();
        return;
    }
    const int size = CarouselComposer::DevicePixels(mOrbitSize, mPixelRatio);
    mOrbitBuffer = Imaging::NewSurface(size, size);
    QPainter painter(&mOrbitBuffer);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(0, 0, size, size), pSurface);
}

void cCarousel::LayoutBuffers() {
    RebuildOrbitBuffer(mOrbitImage);
    BufferInput in;
    in.width = mWidth;
    in.imageWidth = mImageWidth;
    in.imageHeight = mImageHeight;
    in.foreScale = mForeItemScale;
    in.rearScale = mRearItemScale;
    in.baseVerticalRadius = mBaseVerticalRadius;
    in.reflectionStrength = mReflectionStrength;
    in.reflectionStretch = mReflectionStretch;
    in.orbitOpacity = mOrbitImageOpacity;
    in.orbitHeight = mOrbitSize;
    in.previousOrbitTop = mOrbitImageTop;
    const BufferGeometry g = ComputeBufferGeometry(in);
    mBufferHeight = g.bufferHeight;
    mOrbitImageTop = g.orbitImageTop;
    mCentreX = g.centreX;
    mCentreY = g.centreY;
    mReflectionHeight = g.reflectionHeight;
    mComposer->Prepare(g.layerWidth, g.layerHeight, mImageWidth, mImageHeight, mPixelRatio);
    mLayerSize = QSize(g.layerWidth, g.layerHeight);
    mVerticalRadius = g.verticalRadius;
    mHorizontalRadius = g.horizontalRadius;
}

void cCarousel::ComposeFrame(int pSign, bool pGrowIncoming, bool pShrinkOutgoing, double pProgress,
                             double pLevel) {
    mLastFrame = {pSign, pGrowIncoming, pShrinkOutgoing, pProgress, pLevel};
    if (!mComposer->IsReady())
        return;
    ClearLayer(CarouselLayer::Reflection);
    ClearLayer(CarouselLayer::Main);
    DrawFrame(pSign, pGrowIncoming, pShrinkOutgoing, pProgress);
    mComposer->FinishFrame(mReflectionStrength, pLevel);
}

void cCarousel::LayoutSlots(int pSign, bool pGrowIncoming, bool pShrinkOutgoing, double pProgress) {
    OrbitState o;
    o.slotCount = mSlotCount;
    o.centre = mCentre;
    o.anglePerSlot = mAnglePerSlot;
    o.angleOffset = mAngleOffset;
    o.centreX = mCentreX;
    o.centreY = mCentreY;
    o.horizontalRadius = mHorizontalRadius;
    o.verticalRadius = mVerticalRadius;
    o.imageWidth = mImageWidth;
    o.imageHeight = mImageHeight;
    o.foreScale = mForeItemScale;
    o.rearScale = mRearItemScale;
    o.tintStrength = mTintStrength;
    o.depthDarkening = mDepthDarkening;
    o.overflow = mImageCount > mSlotCount - 2;
    o.overflowFade = mOverflowFade;
    o.overflowZoom = mOverflowZoom;
    CarouselLayout::LayoutSlots(o, {pSign, pGrowIncoming, pShrinkOutgoing, pProgress}, mSlots);
}

void cCarousel::DrawFrame(int pSign, bool pGrowIncoming, bool pShrinkOutgoing, double pProgress) {
    LayoutSlots(pSign, pGrowIncoming, pShrinkOutgoing, pProgress);
    for (int i = 1; i <= mCentre - 1; ++i) {
        const int mirror = mSlotCount + 1 - i;
        DrawSlot(pSign == 1 ? mirror : i);
        if (i == mCentre / 2 + 1)
            DrawOrbitImage();
        DrawSlot(pSign == 1 ? i : mirror);
    }
    SlotAt(mCentre).Visible = true;
    SlotAt(mCentre - pSign).Visible = true;
    DrawSlot(mCentre);
    if (pSign == 0)
        return;
    DrawSlot(mCentre - pSign);
    SlotAt(mCentre).Opacity = 1 - pProgress;
    mComposer->SetMainBlend(CarouselPixels::Blend::Atop);
    DrawSlot(mCentre);
}

void cCarousel::DrawSlot(int pSlot) {
    const CarouselSlot& slot = SlotAt(pSlot);
    if (!slot.Visible)
        return;
    const QImage* image = mSharedImages.Find(slot.Key);
    if (!image || image->isNull())
        return;
    ItemLook look;
    look.tintColour = Imaging::ColourFromBgr(mTintColour);
    look.reflectionStrength = mReflectionStrength;
    look.reflectionStretch = mReflectionStretch;
    mComposer->DrawItem(slot.Key, *image, slot, look);
}

void cCarousel::DrawOrbitImage() {
    if (mOrbitImageOpacity <= 0 || mOrbitBuffer.isNull())
        return;
    mComposer->DrawOrbit(mOrbitBuffer, (mWidth - mOrbitSize) * 0.5, mOrbitImageTop, mOrbitImageOpacity);
}

void cCarousel::ClearLayer(CarouselLayer pLayer) {
    mComposer->Clear(pLayer);
}
