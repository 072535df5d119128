// The Token Manager's drops on the tree: a token moved under another parent, a file turned into a
// token under the node it was dropped on.
#include "TokenTreeWidget.h"
#include "frmTokenManager.h"
#include "store/cTokenManager.h"

bool frmTokenManager::canMoveNode(const QString& pDraggedKey, const QString& pTargetKey) const {
    const QTreeWidgetItem* dragged = tvwTokens->Node(pDraggedKey);
    const QTreeWidgetItem* target = tvwTokens->Node(pTargetKey);
    if (!dragged || !target || !mTokens.Exists(pDraggedKey) || !mTokens.Exists(pTargetKey))
        return false;
    // The root anchors the tree; a node never goes below itself, so the tree stays a tree; and a
    // drop on a node of the same caption (the dragged node itself among them) is no move at all.
    if (dragged->text(0) == target->text(0))
        return false;
    return mTokens.CanMoveToken(pDraggedKey, pTargetKey);
}

void frmTokenManager::tvwTokens_NodeDrop(const QString& pDraggedKey, const QString& pTargetKey) {
    if (!canMoveNode(pDraggedKey, pTargetKey) || !mTokens.MoveToken(pDraggedKey, pTargetKey))
        return;
    QTreeWidgetItem* node = tvwTokens->Node(pDraggedKey);
    QTreeWidgetItem* target = tvwTokens->Node(pTargetKey);
    const bool wasSelected = tvwTokens->SelectedNode() == node;
    tvwTokens->MoveNode(node, target);
    tvwTokens->SortChildren(target);
    if (wasSelected)
        tvwTokens->SelectNode(node);
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
