#include "TokenTreeWidget.h"

#include "store/TokenOrder.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyledItemDelegate>
#include <utility>

namespace {
constexpr int KeyRole = Qt::UserRole;

// A node that sorts among its siblings by the tree's order.
class TokenNode : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        return TokenTreeWidget::NodeLess(this, &other);
    }
};
// While a drop target is marked, the selected row's branch area is drawn plain like the rest of it.
class TokenTreeStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        const auto* tree = qobject_cast<const TokenTreeWidget*>(widget);
        if (hint == SH_ItemView_ShowDecorationSelected && tree && tree->DropHighlight())
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};
} // namespace

// Check boxes change only through the delegate's editor events (a click on the box, or Space), so
// every change seen here is the user's.
class TokenNodeDelegate : public QStyledItemDelegate {
public:
    explicit TokenNodeDelegate(TokenTreeWidget* tree) : QStyledItemDelegate(tree), mTree(tree) {}

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override {
        const QVariant before = index.data(Qt::CheckStateRole);
        const bool handled = QStyledItemDelegate::editorEvent(event, model, option, index);
        if (handled && index.data(Qt::CheckStateRole) != before)
            mTree->mToggledKey = index.data(KeyRole).toString();
        return handled;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (mTree->mDropHighlightKey.isEmpty())
            return QStyledItemDelegate::paint(painter, option, index);
        // The drop target takes the selection's look for as long as it is the target.
        QStyleOptionViewItem look(option);
        if (index.data(KeyRole).toString() == mTree->mDropHighlightKey)
            look.state |= QStyle::State_Selected;
        else
            look.state &= ~QStyle::State_Selected;
        QStyledItemDelegate::paint(painter, look, index);
    }

private:
    TokenTreeWidget* mTree;
};

TokenTreeWidget::TokenTreeWidget(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new TokenNodeDelegate(this));
    auto* style = new TokenTreeStyle;
    style->setParent(this);
    setStyle(style);
    connect(this, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { mClickedKey = item ? KeyOf(item) : QString(); });
}

TokenTreeWidget::~TokenTreeWidget() = default;

QString TokenTreeWidget::KeyOf(const QTreeWidgetItem* pNode) {
    return pNode ? pNode->data(0, KeyRole).toString() : QString();
}

bool TokenTreeWidget::IsChecked(const QTreeWidgetItem* pNode) {
    return pNode->checkState(0) == Qt::Checked;
}

void TokenTreeWidget::SetChecked(QTreeWidgetItem* pNode, bool pChecked) {
    pNode->setCheckState(0, pChecked ? Qt::Checked : Qt::Unchecked);
}

bool TokenTreeWidget::NodeLess(const QTreeWidgetItem* pLeft, const QTreeWidgetItem* pRight) {
    return SortsBefore(pLeft->text(0), KeyOf(pLeft), pRight->text(0), KeyOf(pRight));
}

bool TokenTreeWidget::SortsBefore(const QString& pLeftText, const QString& pLeftKey,
                                  const QString& pRightText, const QString& pRightKey) {
    return TokenOrder::SortsBefore(pLeftText, pLeftKey, pRightText, pRightKey);
}

QTreeWidgetItem* TokenTreeWidget::CreateNode(const QString& pKey, const QString& pText, bool pChecked) {
    auto* node = new TokenNode(QStringList{pText});
    node->setData(0, KeyRole, pKey);
    node->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    SetChecked(node, pChecked);
    mNodes.insert(pKey, node);
    return node;
}

QTreeWidgetItem* TokenTreeWidget::AddNode(QTreeWidgetItem* pParent, const QString& pKey, const QString& pText,
                                          bool pChecked) {
    QTreeWidgetItem* node = CreateNode(pKey, pText, pChecked);
    if (pParent)
        pParent->addChild(node);
    else
        addTopLevelItem(node);
    return node;
}

void TokenTreeWidget::forgetSubtree(const QTreeWidgetItem* pNode) {
    mNodes.remove(KeyOf(pNode));
    for (int i = 0; i < pNode->childCount(); ++i)
        forgetSubtree(pNode->child(i));
}

void TokenTreeWidget::RemoveNode(QTreeWidgetItem* pNode) {
    if (!pNode)
        return;
    forgetSubtree(pNode);
    delete pNode; // detaches itself from its parent or the top level, children included
}

void TokenTreeWidget::ClearNodes() {
    mNodes.clear();
    mDropHighlightKey.clear();
    clear();
}

void TokenTreeWidget::MoveNode(QTreeWidgetItem* pNode, QTreeWidgetItem* pParent) {
    if (!pNode || !pParent)
        return;
    QList<QTreeWidgetItem*> expanded;
    QList<QTreeWidgetItem*> pending{pNode};
    bool holdsCurrent = false;
    while (!pending.isEmpty()) {
        QTreeWidgetItem* node = pending.takeLast();
        holdsCurrent = holdsCurrent || node == currentItem();
        if (node->isExpanded())
            expanded.append(node);
        for (int i = 0; i < node->childCount(); ++i)
            pending.append(node->child(i));
    }
    QTreeWidgetItem* current = currentItem();
    if (QTreeWidgetItem* parent = pNode->parent())
        parent->removeChild(pNode);
    else
        takeTopLevelItem(indexOfTopLevelItem(pNode));
    pParent->addChild(pNode);
    for (QTreeWidgetItem* node : expanded)
        node->setExpanded(true);
    if (holdsCurrent)
        setCurrentItem(current);
}

void TokenTreeWidget::SetDropHighlight(QTreeWidgetItem* pNode) {
    const QString key = KeyOf(pNode);
    if (key == mDropHighlightKey)
        return;
    mDropHighlightKey = key;
    viewport()->update();
}

void TokenTreeWidget::SortChildren(QTreeWidgetItem* pNode) {
    if (pNode)
        pNode->sortChildren(0, Qt::AscendingOrder);
}

void TokenTreeWidget::SelectNode(QTreeWidgetItem* pNode) {
    if (!pNode)
        return;
    for (QTreeWidgetItem* ancestor = pNode->parent(); ancestor; ancestor = ancestor->parent())
        ancestor->setExpanded(true);
    setCurrentItem(pNode);
    scrollToItem(pNode);
}

QTreeWidgetItem* TokenTreeWidget::SelectedNode() const {
    return currentItem();
}

void TokenTreeWidget::mousePressEvent(QMouseEvent* event) {
    // Only the left button picks a node; the others leave the selection alone.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    mToggledKey.clear();
    mClickedKey.clear();
    QTreeWidget::mousePressEvent(event);
}

void TokenTreeWidget::mouseReleaseEvent(QMouseEvent* event) {
    mToggledKey.clear();
    mClickedKey.clear();
    QTreeWidget::mouseReleaseEvent(event);
    announcePending();
}

void TokenTreeWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(event);
}

void TokenTreeWidget::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        event->accept();
        emit DeleteKeyPressed();
        return;
    }
    QTreeWidgetItem* before = currentItem();
    mToggledKey.clear();
    mClickedKey.clear();
    QTreeWidget::keyPressEvent(event);
    const bool toggled = !mToggledKey.isEmpty();
    announcePending();
    // Moving through the tree with the keyboard picks the node just as a click does.
    QTreeWidgetItem* after = currentItem();
    if (!toggled && after && after != before)
        emit NodeClick(after);
}

void TokenTreeWidget::announcePending() {
    const QString toggled = std::exchange(mToggledKey, QString());
    const QString clicked = std::exchange(mClickedKey, QString());
    if (!toggled.isEmpty()) {
        // A click on the check box is not a click on the node.
        if (QTreeWidgetItem* node = Node(toggled))
            emit NodeCheck(node);
        return;
    }
    if (QTreeWidgetItem* node = Node(clicked))
        emit NodeClick(node);
}
