#include "Screen.h"

#include "TokenDbFixture.h"

#include <QElapsedTimer>
#include <cmath>

namespace TestSupport {

qulonglong Screen::WaitForWindow(const QString& titlePattern) const {
    qulonglong found = 0;
    WaitFor([&] { return (found = mSession.FindWindows(titlePattern).value(0)) != 0; }, 15000);
    return found;
}

qulonglong Screen::WaitForCarouselWindow(int timeoutMs) const {
    qulonglong carousel = 0;
    WaitFor(
        [&] {
            for (qulonglong window : mSession.FindWindows("^Tessaro$"))
                if (const QRect place = Geometry(window); place.width() >= 200 && place.height() >= 200)
                    carousel = window;
            return carousel != 0;
        },
        timeoutMs);
    return carousel;
}

qulonglong Screen::FocusOtherProgram(const QString& title) const {
    if (!mSession.Start("xmessage", {"-title", title, "-geometry", "+0-0", title}))
        return 0;
    const qulonglong window = WaitForWindow('^' + title + '$');
    // Qt hands a lost focus on to its windows only when none of them gets it back within a moment;
    // by the time the other window is drawn and still, the launcher's windows know they are inactive.
    return window && mSession.Focus(window) && !WaitForStill(Geometry(window)).isNull() ? window : 0;
}

qulonglong Screen::FocusedWindow() const {
    QString output;
    return mSession.Xdotool({"getwindowfocus"}, &output) ? output.trimmed().toULongLong() : 0;
}

bool Screen::ClickAt(const QPoint& point, int button, int clicks) const {
    return mSession.Xdotool({"mousemove", "--sync", QString::number(point.x()), QString::number(point.y()),
                             "click", "--repeat", QString::number(clicks), "--delay", "80",
                             QString::number(button)});
}

bool Screen::Click(qulonglong window, const QPoint& local, int button, int clicks) const {
    const QRect place = Geometry(window);
    return !place.isEmpty() && ClickAt(place.topLeft() + local, button, clicks);
}

bool Screen::Keys(const QStringList& keys) const {
    return mSession.Xdotool(QStringList{"key", "--delay", "60"} + keys);
}

QImage Screen::Grab(const QRect& area) const {
    const QImage screen = mSession.Screenshot();
    return screen.isNull() || area.isEmpty() ? QImage()
                                             : screen.copy(area).convertToFormat(QImage::Format_RGB32);
}

QImage Screen::WaitForStill(const QRect& area, int timeoutMs) const {
    QImage last;
    QElapsedTimer unchanged;
    const bool still = WaitFor(
        [&] {
            const QImage now = Grab(area);
            if (now.isNull() || now != last) {
                last = now;
                unchanged.start();
                return false;
            }
            return unchanged.elapsed() >= 700; // ms without a changed pixel
        },
        timeoutMs);
    return still ? last : QImage();
}

QRect Screen::IconRect() const {
    const QRect panel = Geometry(mSession.FindWindows("^panel$").value(0));
    QString found; // xdotool finds the embedded icon by the program's class only
    mSession.Xdotool({"search", "--onlyvisible", "--class", "tessaro"}, &found);
    for (const QString& window : found.split('\n', Qt::SkipEmptyParts))
        if (const QRect place = Geometry(window.toULongLong());
            panel.contains(place) && place.width() < panel.width())
            return place;
    return {};
}

bool Screen::ClickIcon(int button, int clicks) const {
    return ClickAt(IconRect().center() + (mIconClicks++ % 2 ? QPoint(5, 5) : QPoint(-5, -5)), button, clicks);
}

QImage Screen::FirstItemPicture() const {
    if (!ClickIcon(RightButton) || !WaitForPopup(true))
        return {};
    const QRect item = PopupRect().adjusted(2, 2, -2, 0);
    QImage picture;
    // The menu is mapped before it is painted: wait for the first item's text.
    WaitFor([&] { return InkWidth(picture = Grab(QRect(item.topLeft(), QSize(item.width(), 20)))) > 0; });
    return picture;
}

int Screen::InkWidth(const QImage& item) {
    int first = item.width(), last = -1;
    for (int x = 0; x < item.width(); ++x)
        for (int y = 0; y < item.height(); ++y)
            if (qGray(item.pixel(x, y)) < 100)
                std::tie(first, last) = std::pair(qMin(first, x), x);
    return qMax(0, last - first + 1);
}

QRect AboveDescription(const QRect& carouselWindow, const QString& databasePath) {
    const QVariantMap settings = DbProbe::SettingsRow(databasePath);
    const double imageSize = settings.value("ImageSize").toDouble();
    const double renderScale = settings.value("RenderScale").toDouble() * 0.01;
    // The description buffer is ImageSize x 0.75 high, at the bottom of the drawing.
    const int description = int(std::ceil(imageSize * 0.75 * renderScale));
    if (imageSize <= 0 || renderScale <= 0 || description >= carouselWindow.height())
        return {};
    return carouselWindow.adjusted(0, 0, 0, -description);
}

qsizetype DifferingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return qsizetype(qMax(a.width() * a.height(), b.width() * b.height()));
    qsizetype differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differing += (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF);
    return differing;
}

} // namespace TestSupport
