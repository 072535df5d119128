#include "CarouselComposer.h"

#include "platform/Imaging.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

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

// Calls f(y, left, right) for every horizontal run of the union of the rectangles, each pixel once.
template <typename F> void ForEachSpan(const std::vector<QRect>& rects, F f) {
    QRect bounds;
    for (const QRect& r : rects)
        bounds |= r;
    constexpr int MaxRuns = 64;
    std::array<std::pair<int, int>, MaxRuns> runs;
    for (int y = bounds.top(); y <= bounds.bottom() && !bounds.isEmpty(); ++y) {
        int count = 0;
        for (const QRect& r : rects)
            if (!r.isEmpty() && y >= r.top() && y <= r.bottom() && count < MaxRuns)
                runs[count++] = {r.left(), r.right()};
        std::sort(runs.begin(), runs.begin() + count);
        for (int i = 0; i < count;) {
            int left = runs[i].first, right = runs[i].second;
            for (++i; i < count && runs[i].first <= right + 1; ++i)
                right = std::max(right, runs[i].second);
            f(y, left, right);
        }
    }
}

} // namespace

void CarouselComposer::Prepare(int layerWidth, int layerHeight, int imageWidth, int imageHeight) {
    mMain = Imaging::NewSurface(layerWidth, layerHeight);
    mReflection = Imaging::NewSurface(layerWidth, layerHeight);
    mImageWidth = std::max(imageWidth, 0);
    mImageHeight = std::max(imageHeight, 0);
    mMask = MakeMask(mImageWidth, mImageHeight);
    mMaskRows.assign(size_t(mImageHeight), 0);
    for (int y = 0; y < mImageHeight; ++y)
        mMaskRows[y] = std::uint8_t(qAlpha(mMask.pixel(0, y)));
    mItems.clear();
    mMainDirty.clear();
    mReflectionDirty.clear();
    mMainDirty.reserve(32);
    mReflectionDirty.reserve(32);
    mOrbitShifted = QImage();
    mOrbitSource = 0;
}

const QImage& CarouselComposer::Prepared(const QString& key, const QImage& image) {
    PreparedItem& item = mItems[key];
    if (item.source == image.cacheKey() && !item.image.isNull())
        return item.image;
    item.source = image.cacheKey();
    if (image.size() == QSize(mImageWidth, mImageHeight) && image.format() == Imaging::SurfaceFormat) {
        item.image = image;
        return item.image;
    }
    item.image = Imaging::NewSurface(mImageWidth, mImageHeight);
    QPainter painter(&item.image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(0, 0, mImageWidth, mImageHeight), image);
    return item.image;
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
    QImage& image = main ? mMain : mReflection;
    std::vector<QRect>& dirty = main ? mMainDirty : mReflectionDirty;
    ForEachSpan(dirty, [&](int y, int left, int right) {
        CarouselPixels::Clear(image, QRect(left, y, right - left + 1, 1));
    });
    dirty.clear();
    if (main)
        mMainBlend = Blend::Over;
}

void CarouselComposer::DrawItem(const QString& key, const QImage& image, const CarouselSlot& slot,
                                const ItemLook& look) {
    if (!IsReady() || image.isNull())
        return;
    const QImage& item = Prepared(key, image);
    const Look k = MakeLook(slot.Opacity, slot.Tint, slot.Darken, look.tintColour);
    const QRectF target(slot.Left, slot.Top, slot.Width, slot.Height);
    const QRect drawn = DrawScaled(mMain, item, target, k, mMainBlend);
    if (!drawn.isEmpty())
        mMainDirty.push_back(drawn);
    if (look.reflectionStrength <= 0)
        return;
    const QRectF mirror(slot.Left, slot.Top + slot.Height, slot.Width, look.reflectionStretch * slot.Height);
    const QRect reflected = DrawMirrored(mReflection, item, mMaskRows, mirror, k);
    if (!reflected.isEmpty())
        mReflectionDirty.push_back(reflected);
}

void CarouselComposer::DrawOrbit(const QImage& orbit, double left, double top, double opacity) {
    if (!IsReady() || orbit.isNull())
        return;
    const QPointF position(left, top);
    if (mOrbitSource != orbit.cacheKey() || mOrbitPosition != position || mOrbitShifted.isNull()) {
        mOrbitSource = orbit.cacheKey();
        mOrbitPosition = position;
        mOrbitPixel = QPoint(int(std::floor(left)), int(std::floor(top)));
        const QPointF fraction = position - QPointF(mOrbitPixel);
        mOrbitShifted = Imaging::NewSurface(orbit.width() + 1, orbit.height() + 1);
        QPainter painter(&mOrbitShifted);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(fraction, orbit);
    }
    const int alpha = OpacityUnits(opacity);
    const QRect drawn = DrawAt(mMain, mOrbitShifted, mOrbitPixel, Look{alpha, 0, 0, 0, alpha}, mMainBlend);
    if (!drawn.isEmpty())
        mMainDirty.push_back(drawn);
}

void CarouselComposer::FinishFrame(double reflectionStrength, double level) {
    if (!IsReady())
        return;
    if (reflectionStrength > 0) {
        const int alpha = OpacityUnits(reflectionStrength);
        ForEachSpan(mReflectionDirty, [&](int y, int left, int right) {
            CompositeUnder(mMain, mReflection, QRect(left, y, right - left + 1, 1), alpha);
        });
        mMainDirty.insert(mMainDirty.end(), mReflectionDirty.begin(), mReflectionDirty.end());
    }
    if (level < 1) {
        const int factor = int(std::lround(std::max(level, 0.1) * 255));
        ForEachSpan(mMainDirty, [&](int y, int left, int right) {
            ScaleAlpha(mMain, QRect(left, y, right - left + 1, 1), factor);
        });
    }
}
