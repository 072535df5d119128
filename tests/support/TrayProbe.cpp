#include "TrayProbe.h"

#include <QLibrary>
#include <QRegularExpression>

namespace TestSupport {
namespace {

struct ListedWindow {
    QString name;
    QRect screenRect;
};

// Every window of the display with its name and its rectangle on the screen (xwininfo's tree).
QList<ListedWindow> ListWindows(const XvfbSession& session) {
    static const QRegularExpression line(QStringLiteral(
        R"re(^\s*0x[0-9a-f]+ (?:"([^"]*)"|\(has no name\)).*\s(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+?(-?\d+)\+?(-?\d+)\s*$)re"));
    QString output;
    session.Run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")}, &output);
    QList<ListedWindow> windows;
    for (const QString& text : output.split(QLatin1Char('\n'))) {
        const auto match = line.match(text);
        if (match.hasMatch())
            windows.append({match.captured(1), QRect(match.captured(4).toInt(), match.captured(5).toInt(),
                                                     match.captured(2).toInt(), match.captured(3).toInt())});
    }
    return windows;
}

std::optional<QRect> Geometry(const XvfbSession& session, qulonglong window) {
    QString output;
    if (!session.Xdotool(
            {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), QString::number(window)},
            &output))
        return std::nullopt;
    QMap<QString, int> values;
    for (const QString& pair : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        values.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1).toInt());
    return QRect(values.value("X"), values.value("Y"), values.value("WIDTH"), values.value("HEIGHT"));
}

// The one client message a window manager sends to close a window, laid out as Xlib's event union on
// a 64-bit system.
struct ClientMessageEvent {
    int type;
    unsigned long serial;
    int sendEvent;
    void* display;
    unsigned long window;
    unsigned long messageType;
    int format;
    long data[5];
};
union XEventBuffer {
    ClientMessageEvent client;
    long pad[24];
};
constexpr int ClientMessage = 33;

} // namespace

std::optional<QRect> TrayProbe::IconRect() const {
    const QList<ListedWindow> windows = ListWindows(mSession);
    std::optional<QRect> panel;
    for (const ListedWindow& window : windows)
        if (window.name == QLatin1String("panel"))
            panel = window.screenRect;
    if (!panel)
        return std::nullopt;
    for (const ListedWindow& window : windows)
        if (window.name == QLatin1String("Tessaro") && panel->contains(window.screenRect) &&
            window.screenRect.width() < panel->width())
            return window.screenRect;
    return std::nullopt;
}

bool TrayProbe::WaitForIcon(int timeoutMs) const {
    return WaitFor([this] { return IconRect().has_value(); }, timeoutMs);
}

// Clicks land on alternate sides of the icon's centre: two presses in quick succession at one
// spot would make a double click, which opens no menu.
QPoint TrayProbe::NextClickPoint() const {
    const QPoint offset = (mClicks++ % 2 == 0) ? QPoint(-5, -5) : QPoint(5, 5);
    return IconRect().value_or(QRect()).center() + offset;
}

void TrayProbe::Click(const QStringList& clicks) const {
    const QPoint point = NextClickPoint();
    mSession.Xdotool(QStringList{"mousemove", QString::number(point.x()), QString::number(point.y())} +
                     clicks);
}

void TrayProbe::DoubleClickIcon() const {
    Click({"click", "--repeat", "2", "--delay", "80", "1"});
}

void TrayProbe::LeftClickIcon() const {
    Click({"click", "1"});
}

void TrayProbe::RightClickIcon() const {
    Click({"click", "3"});
}

std::optional<QRect> TrayProbe::PopupRect() const {
    const QList<qulonglong> popups = mSession.FindWindows(QStringLiteral("^SysTray$"));
    if (popups.isEmpty())
        return std::nullopt;
    return Geometry(mSession, popups.first());
}

bool TrayProbe::WaitForPopup(bool shown, int timeoutMs) const {
    return WaitFor([&] { return PopupRect().has_value() == shown; }, timeoutMs);
}

QImage TrayProbe::FirstItemPicture() const {
    RightClickIcon();
    if (!WaitForPopup(true))
        return {};
    const QRect popup = *PopupRect();
    QImage item;
    // The popup is mapped before it is painted: wait for the first item's text to be there.
    WaitFor([&] {
        item = mSession.Screenshot().copy(popup.left() + 2, popup.top() + 2, popup.width() - 4, 20);
        return InkWidth(item) > 0;
    });
    return item;
}

bool TrayProbe::ClosePopup() const {
    mSession.Xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    return WaitForPopup(false);
}

int TrayProbe::InkWidth(const QImage& item) {
    int first = -1;
    int last = -1;
    for (int x = 0; x < item.width(); ++x)
        for (int y = 0; y < item.height(); ++y)
            if (qGray(item.pixel(x, y)) < 100) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return first < 0 ? 0 : last - first + 1;
}

bool TrayProbe::RequestClose(qulonglong window) const {
    QLibrary x11(QStringLiteral("X11"), 6);
    using OpenDisplay = void* (*)(const char*);
    using InternAtom = unsigned long (*)(void*, const char*, int);
    using SendEvent = int (*)(void*, unsigned long, int, long, XEventBuffer*);
    using Sync = int (*)(void*, int);
    using CloseDisplay = int (*)(void*);
    auto open = reinterpret_cast<OpenDisplay>(x11.resolve("XOpenDisplay"));
    auto intern = reinterpret_cast<InternAtom>(x11.resolve("XInternAtom"));
    auto send = reinterpret_cast<SendEvent>(x11.resolve("XSendEvent"));
    auto sync = reinterpret_cast<Sync>(x11.resolve("XSync"));
    auto close = reinterpret_cast<CloseDisplay>(x11.resolve("XCloseDisplay"));
    if (!open || !intern || !send || !sync || !close)
        return false;
    void* display = open(mSession.Display().toLocal8Bit().constData());
    if (!display)
        return false;
    XEventBuffer event{};
    event.client.type = ClientMessage;
    event.client.window = window;
    event.client.messageType = intern(display, "WM_PROTOCOLS", 0);
    event.client.format = 32;
    event.client.data[0] = long(intern(display, "WM_DELETE_WINDOW", 0));
    const bool sent = send(display, window, 0, 0, &event) != 0;
    sync(display, 0);
    close(display);
    return sent;
}

} // namespace TestSupport
