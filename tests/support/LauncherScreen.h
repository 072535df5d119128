#pragma once

#include "XvfbSession.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QStringList>

namespace TestSupport {

// The running launcher's windows as a user meets them on an XvfbSession: found by title and size,
// clicked and typed into with xdotool, looked at through screenshots. Every wait has a deadline.
//
//   LauncherScreen screen(x);
//   const qulonglong carousel = screen.WaitForCarouselWindow();
//   const QImage before = screen.WaitForStill(screen.Geometry(carousel));
//   screen.Click(carousel, {100, 100}, RightButton);
//   const qulonglong settings = screen.WaitForWindow("^Settings$");
class LauncherScreen {
public:
    static constexpr int LeftButton = 1;
    static constexpr int RightButton = 3;

    explicit LauncherScreen(XvfbSession& session) : mSession(session) {}

    // Where the window lies on the screen; empty when it is not there.
    QRect Geometry(qulonglong window) const;
    // A mapped window whose title matches the pattern, waited for; 0 at the deadline.
    qulonglong WaitForWindow(const QString& titlePattern, int timeoutMs = 15000) const;
    // Waits until no mapped window's title matches the pattern.
    bool WaitUntilGone(const QString& titlePattern, int timeoutMs = 15000) const;

    // The carousel window: the largest mapped window titled "Tessaro" (the tray icon carries the
    // same title); 0 when there is none yet.
    qulonglong CarouselWindow() const;
    qulonglong WaitForCarouselWindow(int timeoutMs = 15000) const;
    // Opens a window of another program (xmessage) at the bottom left of the screen and gives it the
    // keyboard focus, so the launcher's windows are inactive; 0 when it did not appear.
    qulonglong FocusOtherProgram(const QString& title) const;

    // The window with the keyboard focus; 0 when it cannot be read.
    qulonglong FocusedWindow() const;
    bool WaitForFocus(qulonglong window, int timeoutMs = 10000) const;

    // Moves the mouse to a point given in the window's own coordinates and clicks there (clicks = 2
    // for a double click).
    bool Click(qulonglong window, const QPoint& local, int button = LeftButton, int clicks = 1) const;
    // Keys as xdotool names them ("Tab", "ctrl+a", "Page_Up"), pressed one after the other.
    bool Keys(const QStringList& keys) const;
    bool Type(const QString& text) const;

    // The screen's pixels within the rectangle; a null image on failure.
    QImage Grab(const QRect& area) const;
    // Waits until the pixels within the rectangle have stayed the same for a while, so fades and
    // moves are over, and returns them; a null image at the deadline.
    QImage WaitForStill(const QRect& area, int timeoutMs = 30000) const;

private:
    QList<qulonglong> TitledWindows(const QString& titlePattern) const;

    XvfbSession& mSession;
};

// The part of the carousel window above the front token's description, as the settings stored in
// the database lay it out. The description fades in after a move and is not drawn again by the
// next repaint, whatever causes it, so comparisons of the carousel leave it out.
QRect AboveDescription(const QRect& carouselWindow, const QString& databasePath);

// How many pixels differ between two images of the same size (all of them when the sizes differ).
qsizetype DifferingPixels(const QImage& a, const QImage& b);

} // namespace TestSupport
