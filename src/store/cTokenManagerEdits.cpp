// The token manager's edits: saving a token's fields, switching it on or off, moving it under
// another parent and deleting it with everything below it. Each one writes the database before it
// changes anything else, and leaves memory as it was when the write fails.
#include "cTokenManager.h"

#include "clsDatabase.h"

#include <QHash>
#include <QSet>

namespace {
const QString RootKey = QStringLiteral("ID1");
const QChar PathSeparator = QLatin1Char('\\');

// The fields an edit in the Token Manager changes; key, parent and switch stay.
void copyEditedFields(const cToken& pFrom, cToken& pTo) {
    pTo.SetCaption(pFrom.Caption());
    pTo.SetCommand(pFrom.Command());
    pTo.SetParameters(pFrom.Parameters());
    pTo.SetDescription(pFrom.Description());
    pTo.SetSourceImage(pFrom.SourceImage());
    pTo.SetIconScale(pFrom.IconScale());
    pTo.SetHideAfterExecution(pFrom.HideAfterExecution());
}

// Runs the database write; when it fails, the token is put back as it was and the error goes on.
template <typename Write> void writeOrRestore(cToken& pToken, Write write) {
    const cToken before = pToken;
    try {
        write();
    } catch (...) {
        pToken = before;
        throw;
    }
}
} // namespace

void cTokenManager::SaveEdit(const cToken& pEdited) {
    const QString key = pEdited.Key();
    const std::shared_ptr<cToken> token = Item(key);
    const QString previousCaption = token->Caption() != pEdited.Caption() ? token->Caption() : QString();
    const bool wasInFront = mActiveToken == token;
    writeOrRestore(*token, [&] {
        copyEditedFields(pEdited, *token);
        mDatabase.SaveToken(*token, false);
    });
    dropImagesOf(key, previousCaption);
    RebuildImageCache(false);
    // The level's title is the current root's caption; its tokens' images and order may change.
    if (IsActive(key) && (token->ParentKey() == mCurrentRootKey || key == mCurrentRootKey))
        emit CurrentLevelChanged(wasInFront ? ImageKeyOf(*token) : QString(), false);
}

void cTokenManager::SetEnabledState(const QString& pKey, bool pEnabled) {
    const std::shared_ptr<cToken> token = Item(pKey);
    writeOrRestore(*token, [&] {
        token->SetEnabled(pEnabled);
        mDatabase.SaveToken(*token, false);
    });
    QString frontKey;
    const bool left = leaveLevelWithin(pKey, frontKey);
    RebuildImageCache(false);
    if (left) {
        emit CurrentLevelChanged(frontKey, false);
    } else if (token->ParentKey() == mCurrentRootKey) {
        // With nothing in front before (an empty level), the middle token comes to the front.
        emit CurrentLevelChanged(mActiveToken ? QString() : middleImageKey(), false);
    }
}

bool cTokenManager::CanMoveToken(const QString& pKey, const QString& pNewParentKey) const {
    if (pKey == RootKey || !Exists(pKey) || !Exists(pNewParentKey))
        return false;
    // A walk up from the new parent that reaches the root visits every token at most once; one
    // that meets the token itself would put the token below itself.
    QString key = pNewParentKey;
    for (int steps = 0; steps <= Count(); ++steps) {
        if (key == pKey)
            return false;
        if (key == RootKey || !Exists(key))
            return true;
        key = Item(key)->ParentKey();
    }
    return false; // parents in a loop
}

bool cTokenManager::MoveToken(const QString& pKey, const QString& pNewParentKey) {
    if (!CanMoveToken(pKey, pNewParentKey))
        return false;
    const std::shared_ptr<cToken> token = Item(pKey);
    const QString oldParentKey = token->ParentKey();
    writeOrRestore(*token, [&] {
        token->SetParentKey(pNewParentKey);
        mDatabase.SaveToken(*token, false);
    });
    // The token may have gone into or out of an inactive branch, taking the level on show with it.
    RebuildImageCache(false);
    QString frontKey;
    const bool left = leaveInactiveLevel(frontKey);
    if (left || oldParentKey == mCurrentRootKey || pNewParentKey == mCurrentRootKey)
        emit CurrentLevelChanged(frontKey, false);
    return true;
}

QStringList cTokenManager::DeleteSubtree(const QString& pKey) {
    if (pKey == RootKey || !Exists(pKey))
        return {};
    const QStringList doomed = SubtreeKeys(pKey);
    const QString parentKey = Item(pKey)->ParentKey();
    // The database goes first: when it refuses, memory still matches the file.
    mDatabase.DeleteToken(pKey);
    QString frontKey;
    const bool left = leaveLevelWithin(pKey, frontKey);
    for (auto it = doomed.crbegin(); it != doomed.crend(); ++it)
        RemoveToken(*it);
    RebuildImageCache(false);
    if (left || parentKey == mCurrentRootKey)
        emit CurrentLevelChanged(left ? middleImageKey() : QString(), false);
    return doomed;
}

QStringList cTokenManager::SubtreeKeys(const QString& pKey) const {
    QHash<QString, QStringList> childrenOf;
    for (const auto& [key, token] : mTokens)
        if (key != RootKey)
            childrenOf[token->ParentKey()].append(key);
    QStringList keys{pKey};
    QSet<QString> seen{pKey};
    for (int i = 0; i < keys.size(); ++i)
        for (const QString& child : childrenOf.value(keys[i]))
            if (!seen.contains(child)) {
                seen.insert(child);
                keys.append(child);
            }
    return keys;
}

// Whole path segments are compared: "ID1\ID5" contains "ID1\ID5\ID9" but not "ID1\ID52".
bool cTokenManager::leaveLevelWithin(const QString& pNodeKey, QString& pFrontKey) {
    if (!Exists(mCurrentRootKey) || !Exists(pNodeKey) || pNodeKey == RootKey)
        return false;
    const QString rootPath = InternalPath(mCurrentRootKey);
    const QString nodePath = InternalPath(pNodeKey);
    if (rootPath != nodePath && !rootPath.startsWith(nodePath + PathSeparator))
        return false;
    SetCurrentRoot(Item(pNodeKey)->ParentKey(), pFrontKey, false);
    return true;
}

bool cTokenManager::leaveInactiveLevel(QString& pFrontKey) {
    QString key = mCurrentRootKey;
    if (!Exists(key) || IsActive(key))
        return false;
    for (int steps = 0; key != RootKey && !IsActive(key); ++steps) {
        const QString parentKey = Item(key)->ParentKey();
        key = Exists(parentKey) && steps < Count() ? parentKey : RootKey;
    }
    SetCurrentRoot(key, pFrontKey, false);
    return true;
}
