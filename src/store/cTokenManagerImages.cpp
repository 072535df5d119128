// The token manager's composed images: composing one token image or the orbit image, and keeping
// the image cache and the current images in step with the tokens.
#include "cTokenManager.h"

#include "platform/ImageList.h"
#include "platform/Imaging.h"
#include "platform/RuntimeError.h"

#include <QSet>

namespace {
// The carousel's decoded placeholder image in the shared image list.
const QString PlaceholderKey = QStringLiteral("Dummy");
constexpr int InvalidPicture = 481;
} // namespace

QByteArray cTokenManager::CreateTokenImage(const QByteArray& pPicture, double pIconScale,
                                           const QString& pCaption, int pSize) {
    QImage picture;
    if (!pPicture.isEmpty()) {
        QString why;
        picture = Imaging::Decode(pPicture, &why);
        if (picture.isNull())
            throw RuntimeError(InvalidPicture, QStringLiteral("cTokenManager"),
                               QStringLiteral("Invalid picture: %1").arg(why));
    }
    ++mComposedTokenImages;
    return Imaging::EncodePng(
        TokenImageRenderer::ComposeTokenImage(picture, pIconScale, pCaption, pSize, mAppearance));
}

void cTokenManager::RebuildImageCache(bool pForce) {
    if (pForce) {
        emit PlaceholderImageChanged(
            CreateTokenImage(Imaging::EmptyImageBytes(), 1.0, QString(), mImageSize));
        mSharedImages.Remove(PlaceholderKey);
        mImageCache.Clear();
        mCurrentImages->Clear();
    } else {
        for (int position = mCurrentImages->Count() - 1; position >= 0; --position) {
            const QString key = mCurrentImages->KeyAt(position);
            mImageCache.Set(key, mCurrentImages->Take(key));
        }
    }
    QSet<QString> activeKeys;
    for (const auto& [key, token] : mTokens) {
        const QString imageKey = ImageKeyOf(*token);
        const bool cached = mImageCache.Exists(imageKey);
        const bool active = IsActive(key);
        if (cached && !active)
            mImageCache.Remove(imageKey);
        if (!cached && active)
            mImageCache.Set(imageKey, token->TokenImage(*this, mImageSize));
        if (active)
            activeKeys.insert(imageKey);
    }
    // Images filed under a name no token bears any more (a caption changed without the old name
    // being given, a token removed) are dropped, so each active token has exactly one image.
    for (int position = mImageCache.Count() - 1; position >= 0; --position) {
        const QString key = mImageCache.KeyAt(position);
        if (!activeKeys.contains(key)) {
            mImageCache.Remove(key);
            mSharedImages.Remove(key);
        }
    }
    PopulateCurrentImages();
}

void cTokenManager::PopulateCurrentImages() {
    emit OrbitImageChanged(CreateOrbitImage());
    mCurrentTokens.clear();
    for (const auto& [key, token] : mTokens) {
        const QString imageKey = ImageKeyOf(*token);
        // The carousel decodes the current bytes the next time it shows this key.
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

QByteArray cTokenManager::CreateOrbitImage() {
    // A picture that cannot be decoded leaves the centre empty rather than stopping a level change.
    // Composed at the size it is drawn at: a root picture of thousands of pixels would otherwise cost
    // hundreds of megabytes of halo buffers at every save and level change.
    const QImage picture =
        TokenImageRenderer::FittedWithin(Imaging::Decode(Item(mCurrentRootKey)->SourceImage()),
                                         TokenImageRenderer::OrbitPictureLimit(mImageSize));
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
