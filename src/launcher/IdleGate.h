#pragma once

#include <QObject>
#include <deque>
#include <functional>

// Work that must not run inside a move, a level transition, a fade or the press animation. Those
// wait on the event loop (frame pacing, fade steps), so tray items, the hot key, a second start
// and window activations may arrive in the middle of them. While the launcher is busy such work
// waits here and runs, in the order it came, once the outermost busy stretch is over.
class IdleGate : public QObject {
    Q_OBJECT
public:
    // Marks the launcher busy for its lifetime.
    class Busy {
    public:
        explicit Busy(IdleGate& pGate);
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        IdleGate& mGate;
    };

    explicit IdleGate(QObject* parent = nullptr) : QObject(parent) {}

    bool IsBusy() const { return mDepth > 0; }
    // Runs the work now when the launcher is idle, else once it is.
    void RunWhenIdle(std::function<void()> pWork);
    // Forgets the waiting work (shut-down).
    void Clear() { mPending.clear(); }

private:
    void RunPending();

    int mDepth = 0;
    bool mRunScheduled = false;
    std::deque<std::function<void()>> mPending;
};
