#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <memory>

class QWindow;

// Puts frames on a window straight from memory shared with the display server, bypassing the
// toolkit's backing store: no clearing of the window's surface, no copy into it and no round trip to
// the server before each frame. Meant for a part of a window that changes every display frame and
// shows nothing beneath it (the turning carousel); the window's own painting stays in charge of
// everything else, and of that part whenever it repaints it.
class DirectFrames {
public:
    virtual ~DirectFrames() = default;
    // The frames' way onto the native window of pWindow; null where the display offers none (not
    // X11, no shared memory), and the window's own painting has to do.
    static std::unique_ptr<DirectFrames> For(QWindow* pWindow);
    // Shows the `source` rectangle of `frame` (premultiplied ARGB32, device pixels) with its top-left
    // corner at `at` in the window's device pixels. False when it could not: the caller paints instead.
    virtual bool Present(const QImage& frame, const QRect& source, const QPoint& at) = 0;
};
