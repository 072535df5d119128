#pragma once

#include <QElapsedTimer>

// Waits `milliseconds` on the user-interface thread while timers, paints, window-system and socket
// events go on being handled. Keyboard and mouse input stays queued until the wait is over, so a key
// pressed during an animation acts after it instead of re-entering it.
void WaitExcludingUserInput(int milliseconds);

// Keeps each carousel frame on screen for at least one display frame. Moves are composed
// synchronously and can produce frames far faster than a display shows them; without pacing a whole
// move would flash by within a single refresh of the screen.
class FramePacer {
public:
    // The least time between two presented frames, in milliseconds. A negative value (the default)
    // means one refresh period of the primary screen; 0 switches pacing off (tests).
    static void SetInterval(double milliseconds);
    static double Interval();

    // Waits, processing non-input events, until the interval since the previous frame has passed.
    void WaitForNextFrame();
    // Records that a frame has just been presented.
    void FramePresented() { mLastFrame.start(); }

private:
    QElapsedTimer mLastFrame;
};
