#pragma once

#include <QEvent>
#include <QList>
#include <QPaintEvent>
#include <QWidget>
#include <functional>

// Calls a probe each time a widget paints and keeps what it returned, in order, and the region painted.
template <typename T> class PaintProbe : public QObject {
public:
    PaintProbe(QWidget* widget, std::function<T()> probe) : mProbe(std::move(probe)) {
        widget->installEventFilter(this);
    }
    QList<T> values;
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            values << mProbe();
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }

private:
    std::function<T()> mProbe;
};
