#pragma once

#include "XvfbSession.h"

#include <QImage>
#include <QPoint>
#include <QStringList>

namespace TestSupport {

// The launcher's windows, tray icon and menu on an XvfbSession as a user meets them; waits have deadlines.
class Screen {
public:
    enum Button { LeftButton = 1, RightButton = 3 };

    explicit Screen(XvfbSession& session) : mSession(session) {}

    QRect Geometry(qulonglong window) const { return mSession.Geometry(window); }
    // A mapped window whose title matches the pattern, waited for; 0 at the deadline.
    qulonglong WaitForWindow(const QString& titlePattern) const;
    bool WaitUntilGone(const QString& pattern) const {
        return WaitFor([&] { return mSession.FindWindows(pattern).isEmpty(); }, 15000);
    }
    // The carousel window: a mapped window titled "Tessaro" far larger than the tray icon, the tray
    // menu or a message box (which carry the same title), waited for; 0 at the deadline.
    qulonglong WaitForCarouselWindow(int timeoutMs = 15000) const;
    // Opens a window of another program (xmessage) at the bottom left and gives it the keyboard, so
    // the launcher's windows are inactive; 0 when it did not appear.
    qulonglong FocusOtherProgram(const QString& title) const;
    qulonglong FocusedWindow() const;

    // Moves the mouse to a point in the window's own coordinates and clicks there.
    bool Click(qulonglong window, const QPoint& local, int button = LeftButton, int clicks = 1) const;
    // Keys as xdotool names them ("Tab", "ctrl+a", "Page_Up"), pressed one after the other.
    bool Keys(const QStringList& keys) const;
    bool Type(const QString& text) const { return mSession.Xdotool({"type", "--delay", "40", "--", text}); }

    QImage Grab(const QRect& area) const;
    // Waits until the pixels within the rectangle have stayed the same for a while (fades and moves
    // are over) and returns them; a null image at the deadline.
    QImage WaitForStill(const QRect& area, int timeoutMs = 30000) const;

    // The launcher's icon embedded in trayer's panel; empty when there is none.
    QRect IconRect() const;
    bool WaitForIcon() const {
        return WaitFor([this] { return !IconRect().isEmpty(); }, 15000);
    }
    // Clicks land on alternate sides of the icon's centre: two single clicks in quick succession at
    // one spot would make a double click.
    bool ClickIcon(int button = LeftButton, int clicks = 1) const;
    // The tray menu's window (named "SysTray") while it is shown; empty otherwise.
    QRect PopupRect() const { return Geometry(mSession.FindWindows("^SysTray$").value(0)); }
    bool WaitForPopup(bool shown) const {
        return WaitFor([&] { return PopupRect().isEmpty() != shown; }, 15000);
    }
    // Opens the menu with a right click and returns a picture of its first item (null on failure).
    QImage FirstItemPicture() const;
    bool ClosePopup() const { return mSession.Xdotool({"key", "Escape"}) && WaitForPopup(false); }
    // The width of the dark text in an item's picture.
    static int InkWidth(const QImage& item);

private:
    bool ClickAt(const QPoint& point, int button, int clicks) const;

    XvfbSession& mSession;
    mutable int mIconClicks = 0;
};

// The area of the carousel window above the front token's description, as the settings stored in
// the database lay it out. The description fades in after a move and is not drawn again by the next
// repaint, whatever causes it, so comparisons of the carousel leave it out.
QRect AboveDescription(const QRect& carouselWindow, const QString& databasePath);
// How many pixels differ between two images of the same size (all of them when the sizes differ).
qsizetype DifferingPixels(const QImage& a, const QImage& b);

} // namespace TestSupport
