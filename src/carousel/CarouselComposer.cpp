#include "CarouselComposer.h"

#include "platform/Imaging.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

using namespace CarouselPixels;

namespace {

QImage MakeMask(int width, int height) {
    QImage mask = Imaging::NewSurface(width, height);
    if (mask.isNull())
        return mask;
    QLinearGradient gradient(width, 0, width, height);
    for (const auto& stop : CarouselLayout::ReflectionMaskStops())
        gradient.setColorAt(stop.position, QColor(0, 0, 0, int(std::lround(stop.opacity * 255))));
    QPainter painter(&mask);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(mask.rect(), gradient);
    return mask;
}

// Calls f(y, left, right) for every horizontal run of the union of the rectangles, each pixel
// once. Sorts the rectangles by their left edge.
template <typename F> void ForEachSpan(std::vector<QRect>& rects, F f) {
    std::sort(rects.begin(), rects.end(), [](const QRect& a, const QRect& b) { return a.left() < b.left(); });
    QRect bounds;
    for (const QRect& r : rects)
        bounds |= r;
    for (int y = bounds.top(); y <= bounds.bottom() && !bounds.isEmpty(); ++y) {
        bool open = false;
        int left = 0, right = 0;
        for (const QRect& r : rects) {
            if (y < r.top() || y > r.bottom() || r.isEmpty())
                continue;
            if (open && r.left() <= right + 1) {
                right = std::max(right, r.right());
                continue;
            }
            if (open)
                f(y, left, right);
            open = true;
            left = r.left();
            right = r.right();
        }
        if (open)
            f(y, left, right);
    }
}

} // namespace

int CarouselComposer::DevicePixels(double logical, double pixelRatio) {
    // A hair under a whole pixel is that pixel: 720 x 1.1 must not become 793.
    return std::max(1, int(std::ceil(logical * pixelRatio - 1e-6)));
}

void CarouselComposer::Prepare(int layerWidth, int layerHeight, int imageWidth, int imageHeight,
                               double pixelRatio) {
    mRatio = pixelRatio > 0 && std::isfinite(pixelRatio) ? pixelRatio : 1.0;
    const int width = layerWidth > 0 ? DevicePixels(layerWidth, mRatio) : layerWidth;
    const int height = layerHeight > 0 ? DevicePixels(layerHeight, mRatio) : layerHeight;
    for (int i = 0; i < 2; ++i) {
        mFrames[i] = Imaging::NewSurface(width, height);
        mFrames[i].setDevicePixelRatio(mRatio);
        mFrameDirty[i].clear();
        mFrameDirty[i].reserve(32);
    }
    mFront = 0;
    mReflection = Imaging::NewSurface(width, height);
    mImageWidth = imageWidth > 0 ? std::max(1, int(std::lround(imageWidth * mRatio))) : 0;
    mImageHeight = imageHeight > 0 ? std::max(1, int(std::lround(imageHeight * mRatio))) : 0;
    mMask = MakeMask(mImageWidth, mImageHeight);
    mMaskRows.assign(size_t(mImageHeight), 0);
    for (int y = 0; y < mImageHeight; ++y)
        mMaskRows[y] = std::uint8_t(qAlpha(mMask.pixel(0, y)));
    mItems.clear();
    mReflectionDirty.clear();
    mReflectionDirty.reserve(32);
    mOrbitShifted = QImage();
    mOrbitSource = 0;
}

const CarouselComposer::PreparedItem& CarouselComposer::Prepared(const QString& key, const QImage& image) {
    PreparedItem& item = mItems[key];
    if (item.source == image.cacheKey() && !item.image.isNull())
        return item;
    item.source = image.cacheKey();
    if (image.size() == QSize(mImageWidth, mImageHeight) && image.format() == Imaging::SurfaceFormat) {
        item.image = image;
    } else {
        item.image = Imaging::NewSurface(mImageWidth, mImageHeight);
        QPainter painter(&item.image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(QRectF(0, 0, mImageWidth, mImageHeight), image);
    }
    item.spans = FindRowSpans(item.image);
    return item;
}

void CarouselComposer::PrepareItem(const QString& key, const QImage& image) {
    if (IsReady() && !image.isNull())
        Prepared(key, image);
}

void CarouselComposer::RetainItems(const std::vector<CarouselSlot>& slotList) {
    for (auto it = mItems.begin(); it != mItems.end();) {
        const bool used = std::any_of(slotList.begin(), slotList.end(),
                                      [&](const CarouselSlot& s) { return s.Key == it.key(); });
        it = used ? std::next(it) : mItems.erase(it);
    }
}

void CarouselComposer::Clear(CarouselLayer layer) {
    const bool main = layer == CarouselLayer::Main;
    if (main)
        mFront ^= 1;
    QImage& image = main ? Main() : mReflection;
    std::vector<QRect>& dirty = main ? MainDirty() : mReflectionDirty;
    // One detach for the whole layer, not one per run.
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const QRect bounds = image.rect();
    ForEachSpan(dirty, [&](int y, int left, int right) {
        if (y < bounds.top() || y > bounds.bottom())
            return;
        left = std::max(left, bounds.left());
        right = std::min(right, bounds.right());
        if (left <= right)
            std::memset(bits + y * stride + left * 4, 0, size_t(right - left + 1) * 4);
    });
    dirty.clear();
    if (main)
        mMainBlend = Blend::Over;
}

void CarouselComposer::DrawItem(const QString& key, const QImage& image, const CarouselSlot& slot,
                                const ItemLook& look) {
    if (!IsReady() || image.isNull())
        return;
    const PreparedItem& item = Prepared(key, image);
    const Look k = MakeLook(slot.Opacity, slot.Tint, slot.Darken, look.tintColour);
    const double r = mRatio;
    const QRectF target(slot.Left * r, slot.Top * r, slot.Width * r, slot.Height * r);
    const QRect drawn = DrawScaled(Main(), item.image, target, k, mMainBlend, &item.spans);
    if (!drawn.isEmpty())
        MainDirty().push_back(drawn);
    if (look.reflectionStrength <= 0)
        return;
    const QRectF mirror(slot.Left * r, (slot.Top + slot.Height) * r, slot.Width * r,
                        look.reflectionStretch * slot.Height * r);
    const QRect reflected = DrawMirrored(mReflection, item.image, mMaskRows, mirror, k, &item.spans);
    if (!reflected.isEmpty())
        mReflectionDirty.push_back(reflected);
}

void CarouselComposer::DrawOrbit(const QImage& orbit, double left, double top, double opacity) {
    if (!IsReady() || orbit.isNull())
        return;
    const QPointF position(left * mRatio, top * mRatio);
    if (mOrbitSource != orbit.cacheKey() || mOrbitPosition != position || mOrbitShifted.isNull()) {
        mOrbitSource = orbit.cacheKey();
        mOrbitPosition = position;
        mOrbitPixel = QPoint(int(std::floor(position.x())), int(std::floor(position.y())));
        const QPointF fraction = position - QPointF(mOrbitPixel);
        mOrbitShifted = Imaging::NewSurface(orbit.width() + 1, orbit.height() + 1);
        QPainter painter(&mOrbitShifted);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(fraction, orbit);
        painter.end();
        mOrbitSpans = FindRowSpans(mOrbitShifted);
    }
    const int alpha = OpacityUnits(opacity);
    const QRect drawn =
        DrawAt(Main(), mOrbitShifted, mOrbitPixel, Look{alpha, 0, 0, 0, alpha}, mMainBlend, &mOrbitSpans);
    if (!drawn.isEmpty())
        MainDirty().push_back(drawn);
}

void CarouselComposer::FinishFrame(double reflectionStrength, double level) {
    if (!IsReady())
        return;
    if (reflectionStrength > 0) {
        const int alpha = OpacityUnits(reflectionStrength);
        ForEachSpan(mReflectionDirty, [&](int y, int left, int right) {
            MoveUnder(Main(), mReflection, QRect(left, y, right - left + 1, 1), alpha);
        });
        MainDirty().insert(MainDirty().end(), mReflectionDirty.begin(), mReflectionDirty.end());
        // The move left the reflection layer transparent: the next frame has nothing to clear there.
        mReflectionDirty.clear();
    }
    if (level < 1) {
        const int factor = int(std::lround(std::max(level, 0.1) * 255));
        ForEachSpan(MainDirty(), [&](int y, int left, int right) {
            ScaleAlpha(Main(), QRect(left, y, right - left + 1, 1), factor);
        });
    }
}
