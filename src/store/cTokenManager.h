#pragma once

#include "carousel/cCarousel.h"
#include "platform/KeyedCollection.h"
#include "store/TokenImageRenderer.h"
#include "store/cToken.h"

#include <QObject>
#include <QString>
#include <memory>

class clsDatabase;
class SqlRowSet;
class ImageList;

using TokenCollection = KeyedCollection<std::shared_ptr<cToken>>;

// Every token in memory and how they hang together: the current root (whose enabled children are on
// the carousel), the active token (at the front), creating, saving and removing tokens, and the
// composed token images. The image cache holds the images of every active token that is not on the
// current level; the current images (the carousel's own collection) hold the current level's.
class cTokenManager : public QObject {
    Q_OBJECT
public:
    cTokenManager(clsDatabase& database, cCarousel& carousel, ImageList& sharedImages,
                  QObject* parent = nullptr);
    ~cTokenManager() override;

    // Tree and tokens (cTokenManager.cpp).
    void Init();
    // Init's first step: reads every token row into memory (public so loading can be measured alone).
    void LoadAllTokens();
    // Makes pNewRootKey the current root. pFrontKey names the image to bring to the front; when empty
    // it is filled with the middle image of the new level. With pTransition the widget animates.
    void SetCurrentRoot(const QString& pNewRootKey, QString& pFrontKey, bool pTransition);
    const QString& CurrentRootKey() const { return mCurrentRootKey; }
    void CreateNewToken(const QString& pParentKey);
    void RemoveToken(const QString& pKey);
    std::shared_ptr<ImageCollection> CurrentImages() const { return mCurrentImages; }
    // The token under the key; RuntimeError 35601 "Element Not Found" when there is none.
    std::shared_ptr<cToken> Item(const QString& pKey) const;
    bool Exists(const QString& pKey) const { return mTokens.Exists(pKey); }
    int Count() const { return mTokens.Count(); }
    // Enumerates the tokens in insertion order (ascending ID): pairs of key and token.
    auto begin() const { return mTokens.begin(); }
    auto end() const { return mTokens.end(); }
    // Stores the token and refreshes the images that depend on it. pPreviousCaption is the caption
    // before an edit (empty when it did not change), so the image under the old name is dropped.
    void SaveToken(const QString& pKey, bool IsNew, const QString& pPreviousCaption);
    bool HasChildren(const QString& pKey) const;
    void SetActiveToken(const QString& pKey);
    std::shared_ptr<cToken> ActiveToken() const { return mActiveToken; }
    void SetEnabledState(const QString& pKey, bool pEnabled);
    // Whether the token and every ancestor below the root are enabled (the root: its own switch).
    // A token whose ancestry does not reach the root is inactive.
    bool IsActive(const QString& pKey) const;
    // "ID1\ID5\ID9": the keys from the root down to the token.
    QString InternalPath(const QString& pKey) const;

    // File drops (cTokenManagerDrop.cpp).
    void CreateTokenFromFilePath(const QString& pFilePath, const QString& pParentKey);

    // Images (cTokenManagerImages.cpp).
    QByteArray CreateTokenImage(const QByteArray& pPicture, double pIconScale, const QString& pCaption,
                                int pSize);
    void RebuildImageCache(bool pForce);
    void PopulateCurrentImages();
    QByteArray CreateOrbitImage();
    std::uint32_t FillColour() const { return mAppearance.FillColour; }
    void SetFillColour(std::uint32_t pColour);
    double FillOpacity() const { return mAppearance.FillOpacity; }
    void SetFillOpacity(double pOpacity);
    std::uint32_t TextColour() const { return mAppearance.TextColour; }
    void SetTextColour(std::uint32_t pColour) { mAppearance.TextColour = pColour; }
    std::uint32_t TextOutlineColour() const { return mAppearance.TextOutlineColour; }
    void SetTextOutlineColour(std::uint32_t pColour) { mAppearance.TextOutlineColour = pColour; }
    const TokenAppearance& Appearance() const { return mAppearance; }
    // The image cache (images of active tokens off the current level), for inspection.
    const ImageCollection& ImageCache() const { return mImageCache; }

    // How many token images and orbit images have been composed so far.
    int ComposedTokenImages() const { return mComposedTokenImages; }
    int ComposedOrbitImages() const { return mComposedOrbitImages; }

    // A token's image key: its caption followed by its key ("Games" + "ID12").
    static QString ImageKeyOf(const cToken& pToken) { return pToken.Caption() + pToken.Key(); }

signals:
    void NewToken(std::shared_ptr<cToken> pToken);
    // The current root changed: the widget re-renders its title.
    void CurrentRootChanged();
    // The widget runs its level transition, ending with pFrontKey at the front.
    void TransitionRequested(const QString& pFrontKey);

private:
    bool loadRow(const SqlRowSet& pRows);
    qint32 NextTokenID() const;
    void AddToken(const std::shared_ptr<cToken>& pToken);
    QByteArray FileIconImage(const QString& pPath, const QString& pExtension);
    QByteArray fileIconImage(const QString& pPath, const QString& pExtension);
    // The parent of a token, or null when the key is the root's or the parent is missing.
    std::shared_ptr<cToken> parentOf(const cToken& pToken) const;

    clsDatabase& mDatabase;
    cCarousel& mCarousel;
    ImageList& mSharedImages;

    std::shared_ptr<cToken> mActiveToken;
    QString mCurrentRootKey = QStringLiteral("ID1");
    ImageCollection mImageCache{KeyOrder::Insertion};
    std::shared_ptr<ImageCollection> mCurrentImages;
    TokenCollection mTokens{KeyOrder::Insertion};
    TokenAppearance mAppearance;
    int mComposedTokenImages = 0;
    int mComposedOrbitImages = 0;
};
