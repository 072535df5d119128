#pragma once

#include "platform/KeyedCollection.h"
#include "store/ProblemReporter.h"
#include "store/TokenImageRenderer.h"
#include "store/TokenImageWork.h"
#include "store/cToken.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

class clsDatabase;
class SqlRowSet;
class ImageList;

using TokenCollection = KeyedCollection<std::shared_ptr<cToken>>;

// Every token in memory and how they hang together: the current root (whose enabled children are on
// the carousel), the active token (at the front), creating, editing, moving and removing tokens, and
// the composed token images. The image cache holds the images of every active token that is not on
// the current level; the current images (the collection the carousel shows) hold the current level's,
// ordered as the Token Manager's tree orders them. Token images are composed on worker threads
// (TokenImageWork): each collection holds an entry for every image at all times, and an image still
// on order is either empty (never composed) or the one of the previous look, which stands in until
// the new one arrives. The level on show never shows an empty entry. Knows nothing of the carousel:
// what it shows follows CurrentLevelChanged, LevelImagesReplaced, OrbitImageChanged and
// PlaceholderImageChanged.
class cTokenManager : public QObject {
    Q_OBJECT
public:
    cTokenManager(clsDatabase& database, ImageList& sharedImages, QObject* parent = nullptr);
    ~cTokenManager() override;

    // Where rows that cannot be read and files that cannot become tokens are reported.
    void SetProblemReporter(ProblemReporter pReporter) { mReporter = std::move(pReporter); }

    // Tree and tokens (cTokenManager.cpp).
    void Init();
    // Init's first step: reads every token row into memory (public so loading can be measured alone).
    void LoadAllTokens();
    // Makes pNewRootKey the current root. pFrontKey names the image to bring to the front; when empty
    // it is filled with the middle image of the new level. With pTransition the widget animates.
    void SetCurrentRoot(const QString& pNewRootKey, QString& pFrontKey, bool pTransition);
    const QString& CurrentRootKey() const { return mCurrentRootKey; }
    void CreateNewToken(const QString& pParentKey);
    // Forgets the token in memory only (its row is the caller's business).
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
    // The token whose image is at the carousel's index pIndex (1-based) of the current images; none
    // for an index outside them (an empty level, a placeholder).
    void SetActiveIndex(int pIndex);
    std::shared_ptr<cToken> ActiveToken() const { return mActiveToken; }

    // Edits (cTokenManagerEdits.cpp). Each writes the database first and, when the write fails,
    // leaves every token in memory as it was and lets the error go on to the caller. Then the
    // images are brought in step and, when the level on show is touched, CurrentLevelChanged is
    // raised once.
    // Stores the caption, command, parameters, description, picture, icon scale and hide-after-
    // execution switch of pEdited into the token with the same key.
    void SaveEdit(const cToken& pEdited);
    // Switches a token on or off; the level on show is left first when it is the token or lies
    // below it.
    void SetEnabledState(const QString& pKey, bool pEnabled);
    // Whether the token may go below pNewParentKey: never the root, never onto itself or below itself.
    bool CanMoveToken(const QString& pKey, const QString& pNewParentKey) const;
    // Moves the token below pNewParentKey; false (nothing changes) when CanMoveToken refuses. A level
    // on show that became inactive is left for its nearest active ancestor.
    bool MoveToken(const QString& pKey, const QString& pNewParentKey);
    // Deletes the token and everything below it (the root never: nothing happens) and returns the
    // keys removed. The level on show is left first when it is among them.
    QStringList DeleteSubtree(const QString& pKey);
    // The token's key followed by the keys of every token below it, by the tokens' parent links.
    QStringList SubtreeKeys(const QString& pKey) const;
    // Whether the token and every ancestor below the root are enabled (the root: its own switch).
    // A token whose ancestry does not reach the root is inactive.
    bool IsActive(const QString& pKey) const;
    // "ID1\ID5\ID9": the keys from the root down to the token.
    QString InternalPath(const QString& pKey) const;

    // File drops (cTokenManagerDrop.cpp). A desktop entry (".desktop") becomes a token for the
    // application it describes (cTokenManagerDesktopDrop.cpp).
    void CreateTokenFromFilePath(const QString& pFilePath, const QString& pParentKey);
    void CreateTokenFromDesktopEntry(const QString& pFilePath, const QString& pParentKey);

    // Images (cTokenManagerImages.cpp). The size token images are composed at (the carousel's
    // image size).
    int ImageSize() const { return mImageSize; }
    void SetImageSize(int pSize) { mImageSize = pSize; }
    // Device pixels per logical pixel of the screen the carousel is on: token images are composed at
    // ImageSize() times the ratio, so that they are shown unenlarged. Takes effect at the next rebuild.
    double PixelRatio() const { return mPixelRatio; }
    void SetPixelRatio(double pRatio) { mPixelRatio = pRatio > 0 ? pRatio : 1.0; }
    // The side token images are composed at: ImageSize() at the pixel ratio.
    int ComposedImageSize() const;
    // Composes one token image here and now; RuntimeError 481 when the picture cannot be decoded.
    QImage CreateTokenImage(const QByteArray& pPicture, double pIconScale, const QString& pCaption,
                            int pSize);
    // Brings the images in step with the tokens: images of tokens that became inactive go, missing
    // ones (and with pForce every one, in the current look) are ordered from the workers, the level
    // on show's first. Missing images of the level on show are composed before this returns; after a
    // change of look its images of the old look stay on show until all its new ones have arrived
    // (LevelImagesReplaced).
    void RebuildImageCache(bool pForce);
    // Moves the images of the level on show into the current images and the rest into the cache,
    // and composes those of the level still on order before returning.
    void PopulateCurrentImages();
    QByteArray CreateOrbitImage();
    // How many token images are still on order.
    int PendingImages() const { return mWork.PendingCount(); }
    // Composes every image still on order now (here and on the workers) and files it.
    void FinishPendingImages();
    // The images of levels not on show wait while held (the launcher's start), then follow.
    void HoldBackgroundImages() { mWork.HoldBackground(); }
    void ReleaseBackgroundImages() { mWork.ReleaseBackground(); }
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

    // How many token images (here and on the workers) and orbit images have been composed so far.
    int ComposedTokenImages() const { return mComposedTokenImages + mWork.ComposedCount(); }
    int ComposedOrbitImages() const { return mComposedOrbitImages; }

    // A token's image key: its caption followed by its key ("Games" + "ID12").
    static QString ImageKeyOf(const cToken& pToken) { return pToken.Caption() + pToken.Key(); }

signals:
    void NewToken(std::shared_ptr<cToken> pToken);
    // The current root changed: the widget re-renders its title.
    void CurrentRootChanged();
    // The widget runs its level transition, ending with pFrontKey at the front.
    void TransitionRequested(const QString& pFrontKey);
    // An edit touched the level on show (a token on it, or its root): the carousel is built again
    // with the image pFrontKey in front (empty: the front stays where it is); with pTurn it turns
    // to that image instead of jumping there.
    void CurrentLevelChanged(const QString& pFrontKey, bool pTurn);
    // The picture in the middle of the orbit (the current root's) and the image of unused places.
    void OrbitImageChanged(const QByteArray& pBytes);
    void PlaceholderImageChanged(const QImage& pImage);
    // After a change of look, the last of the level on show's new images has arrived: the carousel
    // is built again to show them.
    void LevelImagesReplaced();
    // No image is on order any more.
    void ImagesComposed();

private:
    bool loadRow(const SqlRowSet& pRows);
    qint32 NextTokenID() const;
    void AddToken(const std::shared_ptr<cToken>& pToken);
    QByteArray FileIconImage(const QString& pPath, const QString& pExtension);
    QByteArray fileIconImage(const QString& pPath, const QString& pExtension);
    // The parent of a token, or null when the key is the root's or the parent is missing.
    std::shared_ptr<cToken> parentOf(const cToken& pToken) const;
    // The middle image of the current level, empty when the level is empty.
    QString middleImageKey() const;
    // Makes the node's parent the current root when the current root is the node or lies below it;
    // pFrontKey receives the image to bring to the front there.
    bool leaveLevelWithin(const QString& pNodeKey, QString& pFrontKey);
    // Makes the nearest active ancestor the current root when the level on show became inactive.
    bool leaveInactiveLevel(QString& pFrontKey);
    void dropImagesOf(const QString& pKey, const QString& pPreviousCaption);
    // Images (cTokenManagerImages.cpp).
    void moveCurrentImagesToCache();
    void fillCurrentImages();
    // Composes the level on show's images still on order: the empty ones only, or, with
    // pStandInsToo, those of an older look as well. The rest of the level's are awaited.
    void finishLevelImages(bool pStandInsToo);
    void orderImage(const cToken& pToken, const QString& pImageKey);
    void forgetImage(const QString& pImageKey);
    void imageComposed(const QString& pImageKey, const QImage& pImage);

    clsDatabase& mDatabase;
    ImageList& mSharedImages;
    ProblemReporter mReporter;

    std::shared_ptr<cToken> mActiveToken;
    QString mCurrentRootKey = QStringLiteral("ID1");
    ImageCollection mImageCache{KeyOrder::Insertion};
    std::shared_ptr<ImageCollection> mCurrentImages;
    // The token behind each of the current images.
    QHash<QString, std::shared_ptr<cToken>> mCurrentTokens;
    TokenCollection mTokens{KeyOrder::Insertion};
    TokenAppearance mAppearance;
    int mImageSize = 128;
    double mPixelRatio = 1.0;
    int mComposedTokenImages = 0;
    int mComposedOrbitImages = 0;
    // Images of the level on show that stand in for ones still on order.
    QSet<QString> mAwaitedOnLevel;
    // Declared last, so destroyed first: no composed image arrives once the collections are gone.
    TokenImageWork mWork;
};
