#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

// Where the launcher window goes on the monitors, as plain rectangle arithmetic in logical pixels:
// each monitor is given by its available area (its geometry less panels and docks).
namespace WindowPlacement {

// The window's place on a monitor, independent of the monitor's size: its centre as fractions of the
// monitor's available area (0.5, 0.5 is centred).
struct RelativePlace {
    double x = 0.5;
    double y = 0.5;
    bool operator==(const RelativePlace&) const = default;
};

// Where the window lies on the monitor whose area is given.
RelativePlace RelativeTo(const QRect& pWindow, const QRect& pArea);

// The rectangle moved (not resized) so that it lies wholly inside the area: a rectangle larger than
// the area keeps its top left corner on the area's. An invalid area leaves it as it is.
QRect KeptInside(const QRect& pRect, const QRect& pArea);

// The index of the monitor that holds the point, else of the one nearest to it; -1 without monitors.
int MonitorAt(const QPoint& pPoint, const QList<QRect>& pAreas);

// The index of the monitor that shares the most of the rectangle, else of the one nearest to its
// centre; -1 without monitors.
int MonitorOf(const QRect& pWindow, const QList<QRect>& pAreas);

// The window of the given size shown on the monitor that holds the pointer, at the place it last had
// on a monitor (centred when it has none), wholly inside that monitor.
QRect Shown(const QSize& pSize, const std::optional<RelativePlace>& pLastPlace, const QPoint& pPointer,
            const QList<QRect>& pAreas);

// The window after the monitors changed (one went away, one changed its size): wholly inside the
// monitor that holds most of it, or the nearest one when it lies on none.
QRect KeptOnMonitors(const QRect& pWindow, const QList<QRect>& pAreas);

} // namespace WindowPlacement
