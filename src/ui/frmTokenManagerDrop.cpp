// The Token Manager's drops on the tree: a token moved under another parent, a file turned into a
// token under the node it was dropped on.
#include "TokenTreeWidget.h"
#include "frmTokenManager.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"

namespace {
const QString RootKey = QStringLiteral("ID1");
} // namespace

bool frmTokenManager::canMoveNode(const QString& pDraggedKey, const QString& pTargetKey) const {
    const QTreeWidgetItem* dragged = tvwTokens->Node(pDraggedKey);
    const QTreeWidgetItem* target = tvwTokens->Node(pTargetKey);
    if (!dragged || !target || !mTokens.Exists(pDraggedKey) || !mTokens.Exists(pTargetKey))
        return false;
    // The root anchors the tree; a node never goes below itself, so the tree stays a tree; and a
    // drop on a node of the same caption (the dragged node itself among them) is no move at all.
    if (pDraggedKey == RootKey || dragged->text(0) == target->text(0))
        return false;
    return !liesWithin(pTargetKey, pDraggedKey);
}

bool frmTokenManager::liesWithin(const QString& pKey, const QString& pAncestorKey) const {
    QString key = pKey;
    // A walk that reaches the root visits every token at most once; a longer one is a loop.
    for (int steps = 0; steps <= mTokens.Count(); ++steps) {
        if (key == pAncestorKey)
            return true;
        if (key == RootKey || !mTokens.Exists(key))
            return false;
        key = mTokens.Item(key)->ParentKey();
    }
    return false;
}

void frmTokenManager::tvwTokens_NodeDrop(const QString& pDraggedKey, const QString& pTargetKey) {
    if (!canMoveNode(pDraggedKey, pTargetKey))
        return;
    const std::shared_ptr<cToken> token = mTokens.Item(pDraggedKey);
    const QString oldParentKey = token->ParentKey();
    token->SetParentKey(pTargetKey);
    try {
        mDatabase.SaveToken(*token, false);
    } catch (...) {
        token->SetParentKey(oldParentKey); // memory keeps matching the file
        throw;
    }
    QTreeWidgetItem* node = tvwTokens->Node(pDraggedKey);
    QTreeWidgetItem* target = tvwTokens->Node(pTargetKey);
    const bool wasSelected = tvwTokens->SelectedNode() == node;
    tvwTokens->MoveNode(node, target);
    tvwTokens->SortChildren(target);
    if (wasSelected)
        tvwTokens->SelectNode(node);
    // The token may have moved into or out of an inactive branch, and the level on show may have
    // gone with it: every image is brought in step, then the carousel.
    mTokens.RebuildImageCache(false);
    mCarousel.Build(leaveInactiveLevel());
}

QString frmTokenManager::leaveInactiveLevel() {
    QString key = mTokens.CurrentRootKey();
    if (!mTokens.Exists(key) || mTokens.IsActive(key))
        return {};
    for (int steps = 0; key != RootKey && !mTokens.IsActive(key); ++steps) {
        const QString parentKey = mTokens.Item(key)->ParentKey();
        key = mTokens.Exists(parentKey) && steps < mTokens.Count() ? parentKey : RootKey;
    }
    QString frontKey;
    mTokens.SetCurrentRoot(key, frontKey, false);
    return frontKey;
}

void frmTokenManager::tvwTokens_NodeDragEnded(const QString& pKey) {
    // The press that began the drag picked the node: its token is shown, as after a click.
    if (tvwTokens->Node(pKey) && (!mToken || mToken->Key() != pKey))
        LoadToken(pKey);
}

void frmTokenManager::tvwTokens_FileDrop(const QString& pFilePath, const QString& pTargetKey) {
    // The token manager stores the token and announces it; mTokens_NewToken adds, selects and loads it.
    if (mTokens.Exists(pTargetKey))
        mTokens.CreateTokenFromFilePath(pFilePath, pTargetKey);
}
