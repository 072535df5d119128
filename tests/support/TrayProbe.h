#pragma once

#include "XvfbSession.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <optional>

namespace TestSupport {

// What an end-to-end test sees of the launcher's tray icon and popup menu on an XvfbSession with
// trayer, and a few things it does to the launcher's windows that xdotool cannot.
class TrayProbe {
public:
    explicit TrayProbe(const XvfbSession& session) : mSession(session) {}

    // The screen rectangle of the launcher's icon embedded in trayer's panel, if there is one.
    std::optional<QRect> IconRect() const;
    bool WaitForIcon(int timeoutMs = 15000) const;

    void DoubleClickIcon() const;
    void LeftClickIcon() const;
    void RightClickIcon() const;

    // The popup menu's window (named "SysTray") while it is shown.
    std::optional<QRect> PopupRect() const;
    bool WaitForPopup(bool shown, int timeoutMs = 15000) const;
    // Opens the popup with a right click and returns a picture of its first item (null on failure).
    QImage FirstItemPicture() const;
    // Closes an open popup with Escape and waits until it is gone.
    bool ClosePopup() const;
    // The width of the dark text in an item's picture (pixels whose columns hold ink).
    static int InkWidth(const QImage& item);

    // Asks the window to close as a window manager would (WM_DELETE_WINDOW).
    bool RequestClose(qulonglong window) const;

private:
    QPoint NextClickPoint() const;
    void Click(const QStringList& clicks) const;

    const XvfbSession& mSession;
    mutable int mClicks = 0;
};

} // namespace TestSupport
