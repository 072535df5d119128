#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int WatchedSignals[] = {SIGTERM, SIGINT, SIGHUP};
int gWriteEnd = -1; // the handler's only state: where it writes

void OnSignal(int pSignal) {
    const unsigned char number = static_cast<unsigned char>(pSignal);
    if (gWriteEnd >= 0) [[maybe_unused]]
        const auto written = ::write(gWriteEnd, &number, 1);
}
} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (gWriteEnd >= 0 || ::pipe(mPipe) != 0)
        return;
    for (int end : mPipe)
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
    ::fcntl(mPipe[1], F_SETFL, O_NONBLOCK);
    gWriteEnd = mPipe[1];
    mNotifier = new QSocketNotifier(mPipe[0], QSocketNotifier::Read, this);
    connect(mNotifier, &QSocketNotifier::activated, this, &TerminationSignals::ReadPipe);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int watched : WatchedSignals)
        ::sigaction(watched, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (mPipe[0] < 0)
        return;
    for (int watched : WatchedSignals)
        ::signal(watched, SIG_DFL);
    gWriteEnd = -1;
    delete mNotifier;
    ::close(mPipe[0]);
    ::close(mPipe[1]);
}

void TerminationSignals::ReadPipe() {
    unsigned char number = 0;
    if (::read(mPipe[0], &number, 1) == 1)
        emit TerminationRequested(number);
}
