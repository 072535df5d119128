#include "TokenTreeDragDrop.h"

#include "TokenTreeWidget.h"
#include "desktop/FileDrops.h"
#include "desktop/modGeneral.h"
#include "platform/Imaging.h"
#include "platform/Resources.h"

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUrl>

namespace {
const QChar DataSeparator = QLatin1Char('\n');

void Accept(QDropEvent& pEvent, Qt::DropAction pAction) {
    pEvent.setDropAction(pAction);
    pEvent.accept();
}
} // namespace

TokenTreeDragDrop::TokenTreeDragDrop(TokenTreeWidget& pTree, MovePolicy pCanMove)
    : QObject(&pTree), mTree(pTree), mCanMove(std::move(pCanMove)) {
    // Drag events reach the widget under the pointer that takes drops: the tree's viewport.
    mTree.setAcceptDrops(true);
    mViewport = mTree.viewport();
    mViewport->setAcceptDrops(true);
    mViewport->installEventFilter(this);
}

TokenTreeDragDrop::~TokenTreeDragDrop() = default;

QMimeData* TokenTreeDragDrop::NodeData(const QString& pKey) {
    auto* data = new QMimeData;
    const QString text = QString::number(QCoreApplication::applicationPid()) + DataSeparator + pKey;
    data->setData(NodeFormat, text.toUtf8());
    return data;
}

bool TokenTreeDragDrop::eventFilter(QObject* watched, QEvent* event) {
    if (!mViewport || watched != mViewport)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        mousePress(static_cast<const QMouseEvent&>(*event));
        return false;
    case QEvent::MouseButtonRelease:
        mPressedKey.clear();
        return false;
    case QEvent::MouseMove:
        return mouseMove(static_cast<const QMouseEvent&>(*event));
    case QEvent::DragEnter:
        return dragEnter(static_cast<QDragEnterEvent&>(*event));
    case QEvent::DragMove:
        dragOver(static_cast<QDragMoveEvent&>(*event));
        return true;
    case QEvent::DragLeave:
        dragLeave();
        return true;
    case QEvent::Drop:
        dragDrop(static_cast<QDropEvent&>(*event));
        return true;
    default:
        return false;
    }
}

// ---- Dragging a node ---------------------------------------------------------------------------

void TokenTreeDragDrop::mousePress(const QMouseEvent& pEvent) {
    mPressedKey.clear();
    if (pEvent.button() != Qt::LeftButton)
        return;
    mPressPosition = pEvent.position().toPoint();
    mPressedKey = TokenTreeWidget::KeyOf(mTree.itemAt(mPressPosition));
}

bool TokenTreeDragDrop::mouseMove(const QMouseEvent& pEvent) {
    // Only the left button, alone, drags; and only the node the press picked.
    if (mPressedKey.isEmpty() || pEvent.buttons() != Qt::LeftButton)
        return false;
    // Until the drag begins the pointer may wander a little; it selects nothing on its way.
    if ((pEvent.position().toPoint() - mPressPosition).manhattanLength() < QApplication::startDragDistance())
        return true;
    QTreeWidgetItem* selected = mTree.SelectedNode();
    const bool pickedBySelection = TokenTreeWidget::KeyOf(selected) == mPressedKey;
    mPressedKey.clear();
    if (!pickedBySelection)
        return false; // a press on an expander picks nothing
    startDrag(selected);
    return true;
}

void TokenTreeDragDrop::startDrag(QTreeWidgetItem* pNode) {
    const QString key = TokenTreeWidget::KeyOf(pNode);
    auto* drag = new QDrag(&mTree);
    drag->setMimeData(NodeData(key));
    mDrag = drag;
    applyDragIcon();
    drag->exec(Qt::MoveAction, Qt::MoveAction); // Qt deletes the drag when it is over
    mNodeDragInside = false;
    mTree.SetDropHighlight(nullptr);
    emit NodeDragEnded(key);
}

QString TokenTreeDragDrop::draggedKey(const QDropEvent& pEvent) const {
    const QMimeData* data = pEvent.mimeData();
    if (!data || !data->hasFormat(NodeFormat))
        return {};
    // A drag that began in another widget is not a node of this tree.
    if (pEvent.source() && pEvent.source() != &mTree)
        return {};
    const QStringList parts = QString::fromUtf8(data->data(NodeFormat)).split(DataSeparator);
    if (parts.size() != 2 || parts[0] != QString::number(QCoreApplication::applicationPid()))
        return {};
    return mTree.Node(parts[1]) ? parts[1] : QString();
}

bool TokenTreeDragDrop::takesNode(const QString& pDraggedKey, const QTreeWidgetItem* pTarget) const {
    return pTarget && mCanMove && mCanMove(pDraggedKey, TokenTreeWidget::KeyOf(pTarget));
}

// ---- Following the pointer ---------------------------------------------------------------------

bool TokenTreeDragDrop::dragEnter(QDragMoveEvent& pEvent) {
    // Taking the enter event only says this tree is interested; the move event that always follows
    // it decides about the place.
    if (!draggedKey(pEvent).isEmpty()) {
        mNodeDragInside = true;
        Accept(pEvent, Qt::MoveAction);
    } else if (!FirstLocalFile(pEvent.mimeData()).isEmpty() && FileDropAction(pEvent) != Qt::IgnoreAction) {
        Accept(pEvent, FileDropAction(pEvent));
    } else {
        pEvent.ignore();
    }
    return true;
}

void TokenTreeDragDrop::dragOver(QDragMoveEvent& pEvent) {
    autoScroll(pEvent.position().toPoint());
    const QString dragged = draggedKey(pEvent);
    if (dragged.isEmpty())
        fileDragOver(pEvent);
    else
        nodeDragOver(pEvent, dragged);
}

void TokenTreeDragDrop::nodeDragOver(QDragMoveEvent& pEvent, const QString& pDraggedKey) {
    mNodeDragInside = true;
    const QTreeWidgetItem* target = highlightNodeAt(pEvent.position().toPoint());
    const bool takes = takesNode(pDraggedKey, target);
    setDragCursor(takes ? OkDropCursor : NoDropCursor);
    if (takes)
        Accept(pEvent, Qt::MoveAction);
    else
        pEvent.ignore();
}

void TokenTreeDragDrop::fileDragOver(QDragMoveEvent& pEvent) {
    // Anything but a list of files is refused and leaves the drop target alone.
    const Qt::DropAction action = FileDropAction(pEvent);
    if (FirstLocalFile(pEvent.mimeData()).isEmpty() || action == Qt::IgnoreAction) {
        pEvent.ignore();
        return;
    }
    if (highlightNodeAt(pEvent.position().toPoint()))
        Accept(pEvent, action);
    else
        pEvent.ignore();
}

void TokenTreeDragDrop::dragLeave() {
    mTree.SetDropHighlight(nullptr);
    if (mNodeDragInside)
        setDragCursor(NoDropCursor);
    mNodeDragInside = false;
}

void TokenTreeDragDrop::autoScroll(const QPoint& pViewportPos) {
    const int y = mTree.viewport()->mapTo(&mTree, pViewportPos).y();
    if (y < ScrollMargin)
        mTree.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (y > mTree.height() - ScrollMargin)
        mTree.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

QTreeWidgetItem* TokenTreeDragDrop::highlightNodeAt(const QPoint& pViewportPos) {
    QTreeWidgetItem* node = mTree.itemAt(pViewportPos);
    mTree.SetDropHighlight(node);
    return node;
}

// ---- Dropping ----------------------------------------------------------------------------------

void TokenTreeDragDrop::dragDrop(QDropEvent& pEvent) {
    const QTreeWidgetItem* target = highlightNodeAt(pEvent.position().toPoint());
    const QString targetKey = TokenTreeWidget::KeyOf(target);
    const QString dragged = draggedKey(pEvent);
    const QString file = dragged.isEmpty() ? FirstLocalFile(pEvent.mimeData()) : QString();
    const Qt::DropAction fileAction = FileDropAction(pEvent);
    mNodeDragInside = false;
    mTree.SetDropHighlight(nullptr);
    if (!dragged.isEmpty() && takesNode(dragged, target)) {
        Accept(pEvent, Qt::MoveAction);
        emit NodeDrop(dragged, targetKey);
    } else if (target && !file.isEmpty() && fileAction != Qt::IgnoreAction) {
        Accept(pEvent, fileAction);
        emit FileDrop(file, targetKey);
    } else {
        pEvent.ignore();
    }
}

// ---- The drag cursor ---------------------------------------------------------------------------

void TokenTreeDragDrop::setDragCursor(const QString& pName) {
    if (pName == mDragCursor)
        return; // the image on show is the one wanted: nothing is read or decoded again
    mDragCursor = pName;
    mDragIcon = PictureFromIcon(Imaging::Decode(LoadResource(QStringLiteral("CUSTOM"), pName)));
    applyDragIcon();
    emit DragCursorChanged(pName);
}

// The drag shows the image whether or not the place under the pointer takes the drop; which one is
// wanted is decided here, not by the platform.
void TokenTreeDragDrop::applyDragIcon() {
    if (!mDrag || mDragIcon.isNull())
        return;
    for (Qt::DropAction action : {Qt::MoveAction, Qt::IgnoreAction})
        mDrag->setDragCursor(mDragIcon, action);
}
