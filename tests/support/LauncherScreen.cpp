#include "LauncherScreen.h"

#include "platform/SqlDatabase.h"

#include <QElapsedTimer>
#include <QHash>
#include <cmath>

namespace TestSupport {

namespace {
constexpr int StillFor = 700; // ms without a changed pixel before a region counts as still

QString Id(qulonglong window) {
    return QString::number(window);
}
} // namespace

QRect LauncherScreen::Geometry(qulonglong window) const {
    QString output;
    if (!window || !mSession.Xdotool({"getwindowgeometry", "--shell", Id(window)}, &output))
        return {};
    QHash<QString, int> values;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1).toInt());
    }
    return QRect(values.value("X"), values.value("Y"), values.value("WIDTH"), values.value("HEIGHT"));
}

QList<qulonglong> LauncherScreen::TitledWindows(const QString& titlePattern) const {
    return mSession.FindWindows(titlePattern, true);
}

qulonglong LauncherScreen::WaitForWindow(const QString& titlePattern, int timeoutMs) const {
    qulonglong found = 0;
    WaitFor(
        [&] {
            const QList<qulonglong> windows = TitledWindows(titlePattern);
            found = windows.isEmpty() ? 0 : windows.first();
            return found != 0;
        },
        timeoutMs);
    return found;
}

bool LauncherScreen::WaitUntilGone(const QString& titlePattern, int timeoutMs) const {
    return WaitFor([&] { return TitledWindows(titlePattern).isEmpty(); }, timeoutMs);
}

qulonglong LauncherScreen::CarouselWindow() const {
    qulonglong largest = 0;
    qint64 largestArea = 0;
    for (qulonglong window : TitledWindows(QStringLiteral("^Tessaro$"))) {
        const QRect place = Geometry(window);
        const qint64 area = qint64(place.width()) * place.height();
        // The tray icon and the tray menu are far smaller than any carousel.
        if (place.width() >= 200 && place.height() >= 200 && area > largestArea) {
            largest = window;
            largestArea = area;
        }
    }
    return largest;
}

qulonglong LauncherScreen::WaitForCarouselWindow(int timeoutMs) const {
    qulonglong found = 0;
    WaitFor([&] { return (found = CarouselWindow()) != 0; }, timeoutMs);
    return found;
}

qulonglong LauncherScreen::FocusOtherProgram(const QString& title) const {
    if (!mSession.Start(QStringLiteral("xmessage"), {"-title", title, "-geometry", "+0-0", title}))
        return 0;
    const qulonglong window = WaitForWindow(QLatin1Char('^') + title + QLatin1Char('$'));
    if (!window || !mSession.Focus(window))
        return 0;
    // Qt hands a lost focus on to its windows only when none of them gets it back within a moment;
    // by the time the other window is drawn and still, the launcher's windows know they are inactive.
    return WaitForStill(Geometry(window)).isNull() ? 0 : window;
}

qulonglong LauncherScreen::FocusedWindow() const {
    QString output;
    if (!mSession.Xdotool({"getwindowfocus"}, &output))
        return 0;
    return output.trimmed().toULongLong();
}

bool LauncherScreen::WaitForFocus(qulonglong window, int timeoutMs) const {
    return WaitFor([&] { return FocusedWindow() == window; }, timeoutMs);
}

bool LauncherScreen::Click(qulonglong window, const QPoint& local, int button, int clicks) const {
    const QRect place = Geometry(window);
    if (place.isEmpty())
        return false;
    const QPoint point = place.topLeft() + local;
    return mSession.Xdotool(
               {"mousemove", "--sync", QString::number(point.x()), QString::number(point.y())}) &&
           mSession.Xdotool(
               {"click", "--repeat", QString::number(clicks), "--delay", "80", QString::number(button)});
}

bool LauncherScreen::Keys(const QStringList& keys) const {
    return keys.isEmpty() || mSession.Xdotool(QStringList{"key", "--delay", "60"} + keys);
}

bool LauncherScreen::Type(const QString& text) const {
    return mSession.Xdotool({"type", "--delay", "40", "--", text});
}

QImage LauncherScreen::Grab(const QRect& area) const {
    const QImage screen = mSession.Screenshot();
    if (screen.isNull() || area.isEmpty())
        return {};
    return screen.copy(area).convertToFormat(QImage::Format_RGB32);
}

QImage LauncherScreen::WaitForStill(const QRect& area, int timeoutMs) const {
    QImage last;
    QElapsedTimer unchanged;
    const bool still = WaitFor(
        [&] {
            const QImage now = Grab(area);
            if (now.isNull())
                return false;
            if (last.isNull() || now != last) {
                last = now;
                unchanged.start();
                return false;
            }
            return unchanged.elapsed() >= StillFor;
        },
        timeoutMs);
    return still ? last : QImage();
}

QRect AboveDescription(const QRect& carouselWindow, const QString& databasePath) {
    double imageSize = 0, renderScale = 0;
    try {
        SqlConnection db(databasePath);
        SqlRowSet rows = db.Query(QStringLiteral("SELECT ImageSize, RenderScale FROM CarouselSettings"));
        rows.MoveFirst();
        if (!rows.EndOfRows()) {
            imageSize = rows.Value("ImageSize").toDouble();
            renderScale = rows.Value("RenderScale").toDouble() * 0.01;
        }
    } catch (const SqlError&) {
        return {};
    }
    // The description buffer is ImageSize x 0.75 high, at the bottom of the drawing.
    const int description = int(std::ceil(imageSize * 0.75 * renderScale));
    if (imageSize <= 0 || renderScale <= 0 || description >= carouselWindow.height())
        return {};
    return carouselWindow.adjusted(0, 0, 0, -description);
}

qsizetype DifferingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return qsizetype(qMax(a.width() * a.height(), b.width() * b.height()));
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    qsizetype differing = 0;
    for (int y = 0; y < left.height(); ++y) {
        const auto* l = reinterpret_cast<const QRgb*>(left.constScanLine(y));
        const auto* r = reinterpret_cast<const QRgb*>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x)
            differing += (l[x] & 0xFFFFFF) != (r[x] & 0xFFFFFF);
    }
    return differing;
}

} // namespace TestSupport
