// The Token Manager's tree: filling it, new and deleted tokens, node clicks and check boxes, and
// the view options.
#include "TokenTreeWidget.h"
#include "carousel/cCarousel.h"
#include "desktop/modCentredMessageBox.h"
#include "frmTokenManager.h"
#include "store/cTokenManager.h"

#include <QCheckBox>
#include <QHash>
#include <QPushButton>
#include <QSet>
#include <algorithm>
#include <vector>

namespace {
const QString RootKey = QStringLiteral("ID1");

// Puts the nodes of a tree together before it is shown: every node under its parent's node, each
// sibling group sorted. Every node is placed exactly once, so parent links that loop cannot hang it.
class TreeAssembly {
public:
    void Add(QTreeWidgetItem* pNode, const QString& pKey, const QString& pParentKey,
             const QString& pCaption) {
        mIndexOfKey.insert(pKey, int(mNodes.size()));
        mChildren[pParentKey].append(int(mNodes.size()));
        mNodes.push_back({pNode, pKey, pParentKey, pCaption});
    }

    // The top-level nodes: the root first; then the heads of branches whose parent is missing, and
    // nodes whose parent links loop.
    QList<QTreeWidgetItem*> Assemble(const QString& pRootKey) {
        QList<QTreeWidgetItem*> tops;
        auto headBranch = [&](int index) {
            attachBelow(index);
            tops.append(mNodes[index].node);
        };
        if (mIndexOfKey.contains(pRootKey))
            headBranch(mIndexOfKey.value(pRootKey));
        for (int round = 0; round < 2; ++round)
            for (int i = 0; i < int(mNodes.size()); ++i)
                if (!mNodes[i].placed && (round == 1 || !mIndexOfKey.contains(mNodes[i].parentKey)))
                    headBranch(i);
        return tops;
    }

private:
    struct Pending {
        QTreeWidgetItem* node;
        QString key;
        QString parentKey;
        QString caption;
        bool placed = false;
    };

    void attachBelow(int pTop) {
        QList<int> queue{pTop};
        mNodes[pTop].placed = true;
        for (int i = 0; i < queue.size(); ++i) {
            QList<int> kids = mChildren.take(mNodes[queue[i]].key);
            kids.removeIf([&](int kid) { return mNodes[kid].placed; });
            std::sort(kids.begin(), kids.end(), [&](int left, int right) {
                return TokenTreeWidget::SortsBefore(mNodes[left].caption, mNodes[left].key,
                                                    mNodes[right].caption, mNodes[right].key);
            });
            QList<QTreeWidgetItem*> nodes;
            nodes.reserve(kids.size());
            for (int kid : kids) {
                mNodes[kid].placed = true;
                nodes.append(mNodes[kid].node);
            }
            mNodes[queue[i]].node->addChildren(nodes);
            queue.append(kids);
        }
    }

    std::vector<Pending> mNodes;
    QHash<QString, int> mIndexOfKey;
    QHash<QString, QList<int>> mChildren;
};
} // namespace

void frmTokenManager::PopulateTree(const QString& pSelectKey, bool pHideInactive) {
    tvwTokens->setUpdatesEnabled(false);
    tvwTokens->ClearNodes();
    // First pass: a node for every token shown. The root is always shown: it is the tree's anchor
    // and can never be switched off here.
    TreeAssembly assembly;
    for (const auto& [key, token] : mTokens) {
        if (pHideInactive && key != RootKey && !mTokens.IsActive(key))
            continue;
        QTreeWidgetItem* node = tvwTokens->CreateNode(key, token->Caption(), token->Enabled());
        assembly.Add(node, key, key == RootKey ? QString() : token->ParentKey(), token->Caption());
    }
    // Second pass: every node under its parent, then the whole tree into the view at once.
    const QList<QTreeWidgetItem*> tops = assembly.Assemble(RootKey);
    QTreeWidgetItem* root = tvwTokens->Node(RootKey);
    tvwTokens->addTopLevelItems(tops);
    if (root)
        root->setExpanded(true);

    QTreeWidgetItem* selected = tvwTokens->Node(pSelectKey);
    if (!selected)
        selected = root;
    if (selected) {
        tvwTokens->SelectNode(selected);
        LoadToken(TokenTreeWidget::KeyOf(selected));
    }
    tvwTokens->setUpdatesEnabled(true);
}

void frmTokenManager::mTokens_NewToken(const std::shared_ptr<cToken>& pToken) {
    QTreeWidgetItem* parent = tvwTokens->Node(pToken->ParentKey());
    if (parent && !tvwTokens->Node(pToken->Key())) {
        // The new token goes last among its siblings until the next sort.
        QTreeWidgetItem* node = tvwTokens->AddNode(parent, pToken->Key(), pToken->Caption(), true);
        tvwTokens->SelectNode(node);
        LoadToken(pToken->Key());
    } else {
        // Its parent is not shown (an inactive branch while inactive tokens are hidden).
        PopulateTree(pToken->Key(), chkHideInactive->isChecked());
    }
    chkHideProperties->setChecked(false);
}

void frmTokenManager::cmdNew_Click() {
    if (QTreeWidgetItem* node = tvwTokens->SelectedNode())
        mTokens.CreateNewToken(TokenTreeWidget::KeyOf(node));
}

void frmTokenManager::cmdDelete_Click() {
    const IdleGate::Busy waiting(mWaits);
    QTreeWidgetItem* node = tvwTokens->SelectedNode();
    if (!node)
        return;
    const QString key = TokenTreeWidget::KeyOf(node);
    if (key == RootKey) {
        CentredMsgBox(QStringLiteral("You may not delete the root-level Token!"),
                      MsgBox::OkOnly | MsgBox::Critical, QStringLiteral("Denied!"), this);
        return;
    }
    const QString prompt = QStringLiteral("Really delete '") + node->text(0) +
                           QStringLiteral("'?\r\n\r\nThis action will permanently remove this\r\n"
                                          "token and all of its children.");
    if (CentredMsgBox(prompt, MsgBox::OkCancel | MsgBox::Question, QStringLiteral("Confirm deletion"),
                      this) == MsgBox::ResultCancel)
        return;
    const QStringList removed = mTokens.DeleteSubtree(key);
    // Unsaved edits of a token that no longer exists are dropped, never saved.
    if (mToken && removed.contains(mToken->Key()))
        cmdSave->setEnabled(false);
    QTreeWidgetItem* parent = node->parent();
    tvwTokens->RemoveNode(node);
    if (parent)
        tvwTokens->SelectNode(parent);
    if (QTreeWidgetItem* selected = tvwTokens->SelectedNode())
        LoadToken(TokenTreeWidget::KeyOf(selected));
}

void frmTokenManager::tvwTokens_NodeClick(QTreeWidgetItem* pNode) {
    LoadToken(TokenTreeWidget::KeyOf(pNode));
}

void frmTokenManager::tvwTokens_NodeCheck(QTreeWidgetItem* pNode) {
    const QString key = TokenTreeWidget::KeyOf(pNode);
    if (key == RootKey) {
        TokenTreeWidget::SetChecked(pNode, true);
        return;
    }
    mTokens.SetEnabledState(key, TokenTreeWidget::IsChecked(pNode));
    if (chkHideInactive->isChecked())
        PopulateTree(activeKey(), true);
}

void frmTokenManager::chkHideProperties_Click() {
    setFixedSize(chkHideProperties->isChecked() ? PropertiesHiddenWidth : FullWidth, ClientHeight);
}

void frmTokenManager::chkHideInactive_Click() {
    // No token has an empty key, so the root is selected.
    PopulateTree(QString(), chkHideInactive->isChecked());
}

void frmTokenManager::chkScrollToSelection_Click() {
    if (chkScrollToSelection->isChecked())
        turnCarouselToLoadedToken();
}

void frmTokenManager::turnCarouselToLoadedToken() {
    if (!mToken)
        return;
    const QString imageKey = cTokenManager::ImageKeyOf(*mToken);
    if (mTokens.CurrentImages()->Exists(imageKey))
        mCarousel.MoveToKey(imageKey, 0);
}
