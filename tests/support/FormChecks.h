#pragma once

#include <QString>
#include <QWidget>
#include <functional>

namespace FormChecks {

// Whether two controls may overlap; asked with the window itself as `b` for a control that may reach
// past the window's edge.
using OverlapAllowed = std::function<bool(const QWidget* a, const QWidget* b)>;

// The first layout fault among a window's controls (its direct children): one that reaches outside the
// window, or two that overlap, unless `allowed` lets them. Empty when there is none.
inline QString LayoutFault(QWidget* window, const OverlapAllowed& allowed = {}) {
    const QList<QWidget*> controls = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    auto permitted = [&](const QWidget* a, const QWidget* b) { return allowed && allowed(a, b); };
    for (int a = 0; a < controls.size(); ++a) {
        if (!window->rect().contains(controls[a]->geometry()) && !permitted(controls[a], window))
            return controls[a]->objectName() + " reaches outside the window";
        for (int b = a + 1; b < controls.size(); ++b)
            if (controls[a]->geometry().intersects(controls[b]->geometry()) &&
                !permitted(controls[a], controls[b]) && !permitted(controls[b], controls[a]))
                return controls[a]->objectName() + " overlaps " + controls[b]->objectName();
    }
    return {};
}

} // namespace FormChecks
