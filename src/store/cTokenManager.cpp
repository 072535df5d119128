#include "cTokenManager.h"

#include "StoredValue.h"
#include "TokenOrder.h"
#include "clsDatabase.h"
#include "platform/ImageList.h"
#include "platform/RuntimeError.h"

#include <QSet>
#include <limits>

namespace {
const QString Source = QStringLiteral("cTokenManager");
const QString RootKey = QStringLiteral("ID1");

// Runs one step of loading a row; a failure is reported and loading goes on with the next step.
template <typename Step> bool loadStep(const ProblemReporter& reporter, Step step) {
    const QString title = QStringLiteral("Error Loading Token Data");
    try {
        step();
        return true;
    } catch (const RuntimeError& error) {
        ReportProblem(reporter, error.MessageText(), title);
    } catch (const SqlError& error) {
        ReportProblem(reporter, QString::number(error.Code()) + QLatin1Char(' ') + error.Message(), title);
    }
    return false;
}
} // namespace

cTokenManager::cTokenManager(clsDatabase& database, ImageList& sharedImages, QObject* parent)
    : QObject(parent), mDatabase(database), mSharedImages(sharedImages),
      mCurrentImages(std::make_shared<ImageCollection>(&TokenOrder::ImageKeySortsBefore)),
      mWork([this](const QString& pImageKey, const QImage& pImage) { imageComposed(pImageKey, pImage); }) {}

cTokenManager::~cTokenManager() {
    mWork.CancelAll();
    mImageCache.Clear();
    mCurrentImages->Clear();
    mTokens.Clear();
}

void cTokenManager::Init() {
    LoadAllTokens();
    RebuildImageCache(true);
}

void cTokenManager::LoadAllTokens() {
    SqlRowSet rows = mDatabase.GetTokenData();
    if (rows.RecordCount() <= 0)
        return;
    for (rows.MoveFirst(); !rows.EndOfRows(); rows.MoveNext())
        loadRow(rows);
}

// Fills one token from the current row. A field that cannot be read keeps its default; a row
// without a usable TokenID, or with one already loaded, is reported and left out.
bool cTokenManager::loadRow(const SqlRowSet& pRows) {
    using namespace StoredValue;
    auto token = std::make_shared<cToken>();
    qint32 id = 0;
    auto loadStep = [this](auto step) { return ::loadStep(mReporter, step); };
    if (!loadStep([&] { id = ToInt32(pRows.Value("TokenID"), QStringLiteral("TokenID of a token row")); }))
        return false;
    token->SetID(id);
    token->SetKey(QStringLiteral("ID") + QString::number(id));
    const QString row = QStringLiteral(" of token row %1").arg(id);
    auto value = [&](const char* column) { return pRows.Value(QLatin1String(column)); };
    loadStep(
        [&] { token->SetParentKey(QStringLiteral("ID") + ToText(value("ParentID"), "ParentID" + row)); });
    // A missing caption, command or description is reported like any value that cannot be read.
    loadStep([&] { token->SetCaption(ToRequiredText(value("Caption"), "Caption" + row)); });
    loadStep([&] { token->SetCommand(ToRequiredText(value("Command"), "Command" + row)); });
    loadStep([&] { token->SetParameters(ToText(value("Parameters"), "Parameters" + row)); });
    loadStep([&] { token->SetDescription(ToRequiredText(value("Description"), "Description" + row)); });
    loadStep([&] { token->SetEnabled(ToBool(value("Enabled"), "Enabled" + row)); });
    loadStep([&] { token->SetIconScale(ToInt32(value("TokenIconScale"), "TokenIconScale" + row)); });
    loadStep([&] {
        token->SetHideAfterExecution(ToBool(value("HideAfterExecution"), "HideAfterExecution" + row));
    });
    loadStep([&] {
        const QVariant picture = value("SourceImage");
        if (picture.isValid())
            token->SetSourceImage(picture.typeId() == QMetaType::QString ? picture.toString().toUtf8()
                                                                         : picture.toByteArray());
    });
    return loadStep([&] {
        if (mTokens.Exists(token->Key()))
            throw RuntimeError(457, Source,
                               QStringLiteral("This key is already associated with an element of this "
                                              "collection (%1)")
                                   .arg(token->Key()));
        mTokens.Set(token->Key(), token);
    });
}

qint32 cTokenManager::NextTokenID() const {
    qint32 largest = 0;
    for (const auto& [key, token] : mTokens)
        largest = std::max(largest, token->ID());
    if (largest == std::numeric_limits<qint32>::max())
        throw RuntimeError(ErrorNumber::Overflow, Source, QStringLiteral("Overflow"));
    return largest + 1;
}

void cTokenManager::AddToken(const std::shared_ptr<cToken>& pToken) {
    pToken->SetID(NextTokenID());
    pToken->SetKey(QStringLiteral("ID") + QString::number(pToken->ID()));
    mTokens.Set(pToken->Key(), pToken);
    try {
        SaveToken(pToken->Key(), true, QString());
    } catch (...) {
        // A token the database refused must not live on in memory under a number it never got.
        mTokens.Remove(pToken->Key());
        throw;
    }
    // A token on the level on show turns to the front.
    const QString imageKey = ImageKeyOf(*pToken);
    if (pToken->ParentKey() == mCurrentRootKey && mCurrentImages->Exists(imageKey))
        emit CurrentLevelChanged(imageKey, true);
    emit NewToken(pToken);
}

void cTokenManager::CreateNewToken(const QString& pParentKey) {
    auto token = std::make_shared<cToken>();
    token->SetParentKey(pParentKey);
    AddToken(token);
}

void cTokenManager::RemoveToken(const QString& pKey) {
    if (mActiveToken && mActiveToken->Key() == pKey)
        mActiveToken = nullptr;
    mTokens.Remove(pKey);
}

std::shared_ptr<cToken> cTokenManager::Item(const QString& pKey) const {
    const int position = mTokens.IndexOf(pKey);
    if (position < 0)
        throw RuntimeError(ErrorNumber::ElementNotFound, Source, QStringLiteral("Element Not Found"));
    return mTokens.ItemAt(position);
}

void cTokenManager::SaveToken(const QString& pKey, bool IsNew, const QString& pPreviousCaption) {
    mDatabase.SaveToken(*Item(pKey), IsNew);
    dropImagesOf(pKey, pPreviousCaption);
    RebuildImageCache(false);
}

// The token's image (under its previous caption, when given) is composed again at the next rebuild.
void cTokenManager::dropImagesOf(const QString& pKey, const QString& pPreviousCaption) {
    forgetImage((pPreviousCaption.isEmpty() ? Item(pKey)->Caption() : pPreviousCaption) + pKey);
}

void cTokenManager::SetCurrentRoot(const QString& pNewRootKey, QString& pFrontKey, bool pTransition) {
    if (pNewRootKey == mCurrentRootKey)
        return;
    Item(pNewRootKey); // a key that names no token changes nothing (Element Not Found)
    mCurrentRootKey = pNewRootKey;
    emit CurrentRootChanged();
    PopulateCurrentImages();
    if (pFrontKey.isEmpty())
        pFrontKey = middleImageKey();
    if (pTransition)
        emit TransitionRequested(pFrontKey);
}

bool cTokenManager::HasChildren(const QString& pKey) const {
    for (const auto& [key, token] : mTokens)
        if (token->ParentKey() == pKey && token->Enabled())
            return true;
    return false;
}

void cTokenManager::SetActiveToken(const QString& pKey) {
    const int position = mTokens.IndexOf(pKey);
    mActiveToken = position < 0 ? nullptr : mTokens.ItemAt(position);
}

void cTokenManager::SetActiveIndex(int pIndex) {
    const bool inside = pIndex >= 1 && pIndex <= mCurrentImages->Count();
    mActiveToken = inside ? mCurrentTokens.value(mCurrentImages->KeyAt(pIndex - 1)) : nullptr;
}

QString cTokenManager::middleImageKey() const {
    const int count = mCurrentImages->Count();
    return count > 0 ? mCurrentImages->KeyAt(count / 2) : QString();
}

std::shared_ptr<cToken> cTokenManager::parentOf(const cToken& pToken) const {
    const int position = mTokens.IndexOf(pToken.ParentKey());
    return position < 0 ? nullptr : mTokens.ItemAt(position);
}

bool cTokenManager::IsActive(const QString& pKey) const {
    std::shared_ptr<cToken> token = Item(pKey);
    bool result = token->Enabled();
    // Every token is visited at most once on a walk that reaches the root; more steps mean a loop.
    for (int steps = 0; token->Key() != RootKey; ++steps) {
        if (!token->Enabled())
            return false;
        token = parentOf(*token);
        if (!token || steps >= mTokens.Count())
            return false;
        result = true;
    }
    return result;
}

QString cTokenManager::InternalPath(const QString& pKey) const {
    QString path = pKey;
    std::shared_ptr<cToken> token = Item(pKey);
    QSet<QString> visited{pKey};
    while (token->Key() != RootKey) {
        const QString parentKey = token->ParentKey();
        if (visited.contains(parentKey))
            break; // parents in a loop: the path ends before the first repeat
        visited.insert(parentKey);
        path = parentKey + QLatin1Char('\\') + path;
        token = parentOf(*token);
        if (!token)
            break; // a detached branch: the path starts at the missing parent's key
    }
    return path;
}
