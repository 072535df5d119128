// The token manager's composed images: composing one token image or the orbit image, and keeping
// the image cache and the current images in step with the tokens.
#include "cTokenManager.h"

#include "platform/ImageList.h"
#include "platform/Imaging.h"
#include "platform/RuntimeError.h"

#include <QSet>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {
// The carousel's decoded placeholder image in the shared image list.
const QString PlaceholderKey = QStringLiteral("Dummy");
constexpr int InvalidPicture = 481;
} // namespace

int cTokenManager::ComposedImageSize() const {
    return mPixelRatio == 1.0 ? mImageSize : std::max(1, int(std::lround(mImageSize * mPixelRatio)));
}

QImage cTokenManager::CreateTokenImage(const QByteArray& pPicture, double pIconScale, const QString& pCaption,
                                       int pSize) {
    QImage picture;
    if (!pPicture.isEmpty()) {
        QString why;
        picture = Imaging::Decode(pPicture, &why);
        if (picture.isNull())
            throw RuntimeError(InvalidPicture, QStringLiteral("cTokenManager"),
                               QStringLiteral("Invalid picture: %1").arg(why));
    }
    ++mComposedTokenImages;
    return TokenImageRenderer::ComposeTokenImage(picture, pIconScale, pCaption, pSize, mAppearance);
}

void cTokenManager::RebuildImageCache(bool pForce) {
    if (pForce) {
        emit PlaceholderImageChanged(
            CreateTokenImage(Imaging::EmptyImageBytes(), 1.0, QString(), ComposedImageSize()));
        mSharedImages.Remove(PlaceholderKey);
        // Orders of the old look are dropped; the images already there stand in for the new ones.
        mWork.CancelAll();
    }
    moveCurrentImagesToCache();
    QSet<QString> activeKeys;
    for (const auto& [key, token] : mTokens) {
        const QString imageKey = ImageKeyOf(*token);
        const bool cached = mImageCache.Exists(imageKey);
        if (!IsActive(key)) {
            if (cached)
                forgetImage(imageKey);
            continue;
        }
        activeKeys.insert(imageKey);
        if (!cached)
            mImageCache.Set(imageKey, QImage());
        if (!cached || pForce)
            orderImage(*token, imageKey);
    }
    // Images filed under a name no token bears any more (a caption changed without the old name
    // being given, a token removed) are dropped, so each active token has exactly one image.
    for (int position = mImageCache.Count() - 1; position >= 0; --position) {
        const QString key = mImageCache.KeyAt(position);
        if (!activeKeys.contains(key))
            forgetImage(key);
    }
    fillCurrentImages();
    finishLevelImages(!pForce);
}

void cTokenManager::PopulateCurrentImages() {
    fillCurrentImages();
    finishLevelImages(true);
}

void cTokenManager::FinishPendingImages() {
    mWork.FinishAll();
}

void cTokenManager::moveCurrentImagesToCache() {
    for (int position = mCurrentImages->Count() - 1; position >= 0; --position) {
        const QString key = mCurrentImages->KeyAt(position);
        mImageCache.Set(key, mCurrentImages->Take(key));
    }
}

void cTokenManager::fillCurrentImages() {
    emit OrbitImageChanged(CreateOrbitImage());
    mCurrentTokens.clear();
    mAwaitedOnLevel.clear();
    for (const auto& [key, token] : mTokens) {
        const QString imageKey = ImageKeyOf(*token);
        // The carousel files the current image the next time it shows this key.
        mSharedImages.Remove(imageKey);
        if (token->ParentKey() == mCurrentRootKey && token->Enabled()) {
            // An image in neither collection (the level itself is inactive) is skipped.
            if (!mCurrentImages->Exists(imageKey) && mImageCache.Exists(imageKey))
                mCurrentImages->Set(imageKey, mImageCache.Take(imageKey));
            if (mCurrentImages->Exists(imageKey))
                mCurrentTokens.insert(imageKey, token);
        } else if (mCurrentImages->Exists(imageKey)) {
            mImageCache.Set(imageKey, mCurrentImages->Take(imageKey));
        }
    }
}

void cTokenManager::finishLevelImages(bool pStandInsToo) {
    QStringList now;
    for (const auto& [key, image] : *mCurrentImages)
        if (mWork.IsPending(key) && (pStandInsToo || image.isNull()))
            now << key;
    mWork.FinishNow(now);
    for (const auto& [key, image] : *mCurrentImages)
        if (mWork.IsPending(key))
            mAwaitedOnLevel.insert(key);
}

// The order is taken with everything it depends on, so later edits of the token or the look do
// not reach a composition already running; they order the image again instead.
void cTokenManager::orderImage(const cToken& pToken, const QString& pImageKey) {
    TokenImageOrder order{pToken.SourceImage(), pToken.IconScaleValue(), pToken.Caption(),
                          ComposedImageSize(), mAppearance};
    const bool onShow = pToken.ParentKey() == mCurrentRootKey && pToken.Enabled();
    mWork.Order(pImageKey, std::move(order), onShow);
}

void cTokenManager::forgetImage(const QString& pImageKey) {
    mWork.Cancel(pImageKey);
    mImageCache.Remove(pImageKey);
    mCurrentImages->Remove(pImageKey);
    mSharedImages.Remove(pImageKey);
}

void cTokenManager::imageComposed(const QString& pImageKey, const QImage& pImage) {
    if (mCurrentImages->Exists(pImageKey)) {
        mCurrentImages->Item(pImageKey) = pImage;
        if (mAwaitedOnLevel.remove(pImageKey) && mAwaitedOnLevel.isEmpty())
            emit LevelImagesReplaced();
    } else if (mImageCache.Exists(pImageKey)) {
        mImageCache.Item(pImageKey) = pImage;
    }
    if (mWork.PendingCount() == 0)
        emit ImagesComposed();
}

QByteArray cTokenManager::CreateOrbitImage() {
    // A picture that cannot be decoded leaves the centre empty rather than stopping a level change.
    // Composed at the size it is drawn at: a root picture of thousands of pixels would otherwise cost
    // hundreds of megabytes of halo buffers at every save and level change.
    const QImage picture =
        TokenImageRenderer::FittedWithin(Imaging::Decode(Item(mCurrentRootKey)->SourceImage()),
                                         TokenImageRenderer::OrbitPictureLimit(ComposedImageSize()));
    ++mComposedOrbitImages;
    return Imaging::EncodePng(TokenImageRenderer::ComposeOrbitImage(picture, mAppearance.TextColour));
}

void cTokenManager::SetFillColour(std::uint32_t pColour) {
    if (pColour != mAppearance.FillColour)
        mAppearance.FillColour = pColour;
}

void cTokenManager::SetFillOpacity(double pOpacity) {
    if (pOpacity != mAppearance.FillOpacity)
        mAppearance.FillOpacity = pOpacity;
}
