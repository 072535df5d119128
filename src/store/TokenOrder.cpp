#include "TokenOrder.h"

namespace TokenOrder {
namespace {

// Where the token key starts in an image key: the last "ID", since the key's digits never hold one.
qsizetype keyStart(const QString& pImageKey) {
    const qsizetype start = pImageKey.lastIndexOf(QLatin1String("ID"));
    return start < 0 ? pImageKey.size() : start;
}

} // namespace

bool SortsBefore(const QString& pLeftCaption, const QString& pLeftKey, const QString& pRightCaption,
                 const QString& pRightKey) {
    int order = QString::compare(pLeftCaption, pRightCaption, Qt::CaseInsensitive);
    if (order == 0)
        order = QString::compare(pLeftCaption, pRightCaption, Qt::CaseSensitive);
    if (order == 0)
        order = QString::compare(pLeftKey, pRightKey, Qt::CaseSensitive);
    return order < 0;
}

bool ImageKeySortsBefore(const QString& pLeft, const QString& pRight) {
    const qsizetype left = keyStart(pLeft), right = keyStart(pRight);
    return SortsBefore(pLeft.left(left), pLeft.mid(left), pRight.left(right), pRight.mid(right));
}

} // namespace TokenOrder
