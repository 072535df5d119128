#include "IdleGate.h"

#include <QTimer>

IdleGate::Busy::Busy(IdleGate& pGate) : mGate(pGate) {
    ++mGate.mDepth;
}

IdleGate::Busy::~Busy() {
    // The waiting work runs from the event loop, after the handler that was busy has returned.
    if (--mGate.mDepth == 0 && !mGate.mPending.empty() && !mGate.mRunScheduled) {
        mGate.mRunScheduled = true;
        QTimer::singleShot(0, &mGate, &IdleGate::RunPending);
    }
}

void IdleGate::RunWhenIdle(std::function<void()> pWork) {
    if (!IsBusy() && mPending.empty()) {
        pWork();
        return;
    }
    mPending.push_back(std::move(pWork));
}

void IdleGate::RunPending() {
    mRunScheduled = false;
    // Work that makes the launcher busy again (a fade) lets the rest wait for its end; a run that
    // finds it busy (called from a wait inside a move) leaves everything to the end of that move.
    while (!mPending.empty() && !IsBusy()) {
        std::function<void()> work = std::move(mPending.front());
        mPending.pop_front();
        work();
    }
}
