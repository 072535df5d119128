#pragma once

#include <QEvent>
#include <QList>
#include <QWidget>
#include <functional>

// Calls a probe each time a widget paints and keeps what it returned, in order.
template <typename T> class PaintProbe : public QObject {
public:
    PaintProbe(QWidget* widget, std::function<T()> probe) : mProbe(std::move(probe)) {
        widget->installEventFilter(this);
    }
    QList<T> values;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            values << mProbe();
        return false;
    }

private:
    std::function<T()> mProbe;
};
