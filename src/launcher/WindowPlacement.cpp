#include "WindowPlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace WindowPlacement {

namespace {
// The square of the distance from the point to the nearest point of the rectangle.
qint64 DistanceSquared(const QPoint& pPoint, const QRect& pArea) {
    const qint64 dx = pPoint.x() < pArea.left()    ? pArea.left() - pPoint.x()
                      : pPoint.x() > pArea.right() ? pPoint.x() - pArea.right()
                                                   : 0;
    const qint64 dy = pPoint.y() < pArea.top()      ? pArea.top() - pPoint.y()
                      : pPoint.y() > pArea.bottom() ? pPoint.y() - pArea.bottom()
                                                    : 0;
    return dx * dx + dy * dy;
}
} // namespace

RelativePlace RelativeTo(const QRect& pWindow, const QRect& pArea) {
    if (!pArea.isValid())
        return {};
    const QPointF centre = QRectF(pWindow).center();
    return {(centre.x() - pArea.left()) / pArea.width(), (centre.y() - pArea.top()) / pArea.height()};
}

QRect KeptInside(const QRect& pRect, const QRect& pArea) {
    if (!pArea.isValid())
        return pRect;
    QRect rect = pRect;
    const int x = rect.width() > pArea.width()
                      ? pArea.left()
                      : std::clamp(rect.left(), pArea.left(), pArea.right() + 1 - rect.width());
    const int y = rect.height() > pArea.height()
                      ? pArea.top()
                      : std::clamp(rect.top(), pArea.top(), pArea.bottom() + 1 - rect.height());
    rect.moveTo(x, y);
    return rect;
}

int MonitorAt(const QPoint& pPoint, const QList<QRect>& pAreas) {
    int nearest = -1;
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < pAreas.size(); ++i) {
        const qint64 distance = DistanceSquared(pPoint, pAreas[i]);
        if (distance < best) {
            best = distance;
            nearest = i;
        }
    }
    return nearest;
}

int MonitorOf(const QRect& pWindow, const QList<QRect>& pAreas) {
    int most = -1;
    qint64 largest = 0;
    for (int i = 0; i < pAreas.size(); ++i) {
        const QRect shared = pWindow.intersected(pAreas[i]);
        const qint64 area = shared.isEmpty() ? 0 : qint64(shared.width()) * shared.height();
        if (area > largest) {
            largest = area;
            most = i;
        }
    }
    return most >= 0 ? most : MonitorAt(pWindow.center(), pAreas);
}

QRect Shown(const QSize& pSize, const std::optional<RelativePlace>& pLastPlace, const QPoint& pPointer,
            const QList<QRect>& pAreas) {
    const int monitor = MonitorAt(pPointer, pAreas);
    if (monitor < 0)
        return QRect(QPoint(0, 0), pSize);
    const QRect& area = pAreas[monitor];
    const RelativePlace place = pLastPlace.value_or(RelativePlace{});
    const QPointF centre(area.left() + place.x * area.width(), area.top() + place.y * area.height());
    const QRect window(int(std::lround(centre.x() - pSize.width() * 0.5)),
                       int(std::lround(centre.y() - pSize.height() * 0.5)), pSize.width(), pSize.height());
    return KeptInside(window, area);
}

QRect KeptOnMonitors(const QRect& pWindow, const QList<QRect>& pAreas) {
    const int monitor = MonitorOf(pWindow, pAreas);
    return monitor < 0 ? pWindow : KeptInside(pWindow, pAreas[monitor]);
}

} // namespace WindowPlacement
