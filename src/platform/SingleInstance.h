#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

// Keeps one running copy of the program per user and data folder.
//
// The first copy takes a lock file and listens on a local socket, both in the user's private runtime
// folder and named after the program and a hash of the user's name and data folder (so copies with
// another HOME, as in tests, do not meet). A later copy finds the lock taken, connects, asks the first
// to show and activate its window, and ends. A lock or socket left behind by a copy that crashed does
// not block the next start: the lock names its process, which no longer runs, and a stale socket is
// removed before listening.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // What a later copy may ask of the first.
    enum class Request { Show, Toggle, Hide };

    explicit SingleInstance(const QString& programName = QStringLiteral("Tessaro"),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // When another copy runs: asks it to come forward and returns true (this copy should end).
    // Otherwise makes this process the first copy, which receives later requests, and returns false.
    // A first copy that holds the lock but does not answer within the time is left alone: true.
    bool ActivatePreviousInstance(int timeoutMs = 5000);
    // Hands the request to the copy that runs and returns true when it took it; false, taking
    // nothing over, when no copy runs (or none answers within the time).
    bool TellRunningCopy(Request request, int timeoutMs = 5000);
    bool IsPrimary() const { return mServer != nullptr; }

    QString ServerName() const { return mServerName; }
    QString LockFilePath() const { return mLockPath; }

signals:
    // A later copy asked this one to show and activate its window.
    void ActivationRequested();
    // A later copy asked this one to show its window when hidden and hide it when shown, or to hide it.
    void ToggleRequested();
    void HideRequested();

private:
    void BecomePrimary();
    bool AskPrimary(const QByteArray& request, int timeoutMs);
    void OnNewConnection();

    QString mServerName;
    QString mLockPath;
    std::unique_ptr<QLockFile> mLock;
    QLocalServer* mServer = nullptr;
};
