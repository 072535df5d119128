#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QTreeWidget>

// The token tree of the Token Manager: one node per token with its key, its caption as text and its
// enabled switch as check box. Nodes are found by key in constant time. Siblings are ordered by
// text (ignoring letter case; ties by exact text, then key). The view tells its owner what the user
// did: picked a node (mouse click or keyboard navigation), toggled a node's check box, or pressed
// Delete. Selecting, checking and renaming nodes from code raises nothing. While something is dragged
// over it, one node may be marked as the drop target (the drop highlight).
class TokenTreeWidget : public QTreeWidget {
    Q_OBJECT
public:
    explicit TokenTreeWidget(QWidget* parent = nullptr);
    ~TokenTreeWidget() override;

    static QString KeyOf(const QTreeWidgetItem* pNode);
    static bool IsChecked(const QTreeWidgetItem* pNode);
    static void SetChecked(QTreeWidgetItem* pNode, bool pChecked);
    // The sibling order: text ignoring case, then exact text, then key.
    static bool NodeLess(const QTreeWidgetItem* pLeft, const QTreeWidgetItem* pRight);
    static bool SortsBefore(const QString& pLeftText, const QString& pLeftKey, const QString& pRightText,
                            const QString& pRightKey);

    // The node under the key, or null.
    QTreeWidgetItem* Node(const QString& pKey) const { return mNodes.value(pKey); }
    int NodeCount() const { return int(mNodes.size()); }
    // A keyed node that is not yet in the tree; giving it children before it is placed is cheap.
    QTreeWidgetItem* CreateNode(const QString& pKey, const QString& pText, bool pChecked);
    // Adds a new node as the last child of pParent (top level when null).
    QTreeWidgetItem* AddNode(QTreeWidgetItem* pParent, const QString& pKey, const QString& pText,
                             bool pChecked);
    // Removes the node with its whole subtree.
    void RemoveNode(QTreeWidgetItem* pNode);
    // Moves the node, with its subtree, to the end of pParent's children. The subtree keeps its
    // expanded nodes, and the current node stays current when it was in the subtree.
    void MoveNode(QTreeWidgetItem* pNode, QTreeWidgetItem* pParent);
    void ClearNodes();
    void SortChildren(QTreeWidgetItem* pNode);
    // Makes the node the selected one and scrolls it into view, expanding its ancestors.
    void SelectNode(QTreeWidgetItem* pNode);
    QTreeWidgetItem* SelectedNode() const;
    // The node drawn as the drop target (null for none). While there is one, it is drawn as the
    // selected node is, and the selected node is drawn plain.
    QTreeWidgetItem* DropHighlight() const { return Node(mDropHighlightKey); }
    void SetDropHighlight(QTreeWidgetItem* pNode);

signals:
    void NodeClick(QTreeWidgetItem* pNode);
    void NodeCheck(QTreeWidgetItem* pNode);
    void DeleteKeyPressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TokenNodeDelegate;
    void forgetSubtree(const QTreeWidgetItem* pNode);
    // The user's check-box toggles and clicks are announced only after the view has finished with
    // the event, so a handler may rebuild the tree safely.
    void announcePending();

    QHash<QString, QTreeWidgetItem*> mNodes;
    QString mToggledKey;
    QString mClickedKey;
    QString mDropHighlightKey;
};
