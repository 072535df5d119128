#include "FramePacing.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {
double gInterval = -1;

double DisplayFrameMilliseconds() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double rate = screen ? screen->refreshRate() : 60.0;
    return 1000.0 / std::clamp(rate > 0 ? rate : 60.0, 30.0, 240.0);
}
} // namespace

void WaitExcludingUserInput(int milliseconds) {
    if (milliseconds <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void FramePacer::SetInterval(double milliseconds) {
    gInterval = milliseconds;
}

double FramePacer::Interval() {
    return gInterval < 0 ? DisplayFrameMilliseconds() : gInterval;
}

void FramePacer::WaitForNextFrame() {
    const double interval = Interval();
    if (interval <= 0 || !mLastFrame.isValid())
        return;
    const double remaining = interval - mLastFrame.nsecsElapsed() / 1e6;
    if (remaining >= 1)
        WaitExcludingUserInput(int(std::ceil(remaining)));
}
