#pragma once

#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>

class QDrag;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QMouseEvent;
class QTreeWidgetItem;
class QWidget;
class TokenTreeWidget;

// Drag and drop on the token tree. A node dragged with the left button may be dropped on another
// node (its new parent), and a file dragged in from another program may be dropped on a node (the
// parent of a token made from it). This class follows the pointer: it marks the node under it as
// the drop target, sets the drag cursor ("OK_DROP" where a drop is taken, "NO_DROP" elsewhere),
// scrolls the tree a line per drag event while the pointer is near its top or bottom edge, and
// reports drops to its owner. It stores nothing itself; whether a node may go under another is the
// owner's call (pCanMove), asked for each target the pointer passes.
class TokenTreeDragDrop : public QObject {
    Q_OBJECT
public:
    using MovePolicy = std::function<bool(const QString& pDraggedKey, const QString& pTargetKey)>;

    // Within this many pixels of the tree's top or bottom edge a drag scrolls the tree.
    static constexpr int ScrollMargin = 20;
    static inline const QString NoDropCursor = QStringLiteral("NO_DROP");
    static inline const QString OkDropCursor = QStringLiteral("OK_DROP");
    // What a dragged node carries: the dragging process and the node's key.
    static inline const QString NodeFormat = QStringLiteral("application/x-tessaro-token-node");

    TokenTreeDragDrop(TokenTreeWidget& pTree, MovePolicy pCanMove);
    ~TokenTreeDragDrop() override;

    // The drag data for the node of pKey, as a drag of that node carries it.
    static QMimeData* NodeData(const QString& pKey);

    // The name of the drag cursor image set last: "NO_DROP", "OK_DROP", or empty before any drag.
    const QString& DragCursor() const { return mDragCursor; }
    QPixmap DragIcon() const { return mDragIcon; }

signals:
    // A node was dropped on another node that takes it.
    void NodeDrop(const QString& pDraggedKey, const QString& pTargetKey);
    // A drag of the node has ended, dropped or not.
    void NodeDragEnded(const QString& pKey);
    // Files were dropped on a node: the first of them.
    void FileDrop(const QString& pFilePath, const QString& pTargetKey);
    // The drag cursor image changed to the named one.
    void DragCursorChanged(const QString& pName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void mousePress(const QMouseEvent& pEvent);
    bool mouseMove(const QMouseEvent& pEvent);
    void startDrag(QTreeWidgetItem* pNode);
    bool dragEnter(QDragMoveEvent& pEvent);
    void dragOver(QDragMoveEvent& pEvent);
    void dragLeave();
    void dragDrop(QDropEvent& pEvent);
    void nodeDragOver(QDragMoveEvent& pEvent, const QString& pDraggedKey);
    void fileDragOver(QDragMoveEvent& pEvent);
    void autoScroll(const QPoint& pViewportPos);
    // The node under a point of the viewport, made the drop target.
    QTreeWidgetItem* highlightNodeAt(const QPoint& pViewportPos);
    bool takesNode(const QString& pDraggedKey, const QTreeWidgetItem* pTarget) const;
    // The key of the node a drag from this tree carries; empty for any other drag.
    QString draggedKey(const QDropEvent& pEvent) const;
    void setDragCursor(const QString& pName);
    void applyDragIcon();

    TokenTreeWidget& mTree;
    // The tree's viewport, kept from the start: while the tree is being destroyed its viewport still
    // sends events, when the tree can no longer be asked for it.
    QPointer<QWidget> mViewport;
    MovePolicy mCanMove;
    QString mDragCursor;
    QPixmap mDragIcon;
    QPointer<QDrag> mDrag;
    bool mNodeDragInside = false;
    QPoint mPressPosition;
    QString mPressedKey;
};
