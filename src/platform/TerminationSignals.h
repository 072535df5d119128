#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the signals that ask a program to end (SIGTERM from a session manager at logout, SIGINT from
// a terminal's Ctrl+C, SIGHUP when its terminal goes) into a Qt signal on the event loop, so that the
// program ends in order instead of being cut off. The handler only writes the signal's number into a
// pipe; everything else happens on the event loop. One watcher per process.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void TerminationRequested(int pSignal);

private:
    void ReadPipe();

    int mPipe[2] = {-1, -1};
    QSocketNotifier* mNotifier = nullptr;
};
