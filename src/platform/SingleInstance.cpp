#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

namespace {
// One line each way: the request ("activate" shows the window, as every version asked), then "ok".
const QByteArray ActivateRequest = "activate\n";
const QByteArray ToggleRequest = "toggle\n";
const QByteArray HideRequest = "hide\n";
const QByteArray ActivateReply = "ok\n";
constexpr int LongestRequest = 9;

QByteArray RequestLine(SingleInstance::Request request) {
    switch (request) {
    case SingleInstance::Request::Toggle:
        return ToggleRequest;
    case SingleInstance::Request::Hide:
        return HideRequest;
    case SingleInstance::Request::Show:
        break;
    }
    return ActivateRequest;
}
constexpr int MaxSocketPath = 100; // sockaddr_un holds 108 bytes

QString UserName() {
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? QDir::home().dirName() : user;
}

// "<program>-<16 hex digits>", the digits from the user and the data folder.
QString ChannelName(const QString& programName) {
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QByteArray hash = QCryptographicHash::hash((UserName() + QLatin1Char('\n') + dataFolder).toUtf8(),
                                                     QCryptographicHash::Sha256);
    return programName.toLower() + QLatin1Char('-') + QString::fromLatin1(hash.toHex().left(16));
}

// The user's private runtime folder, or the temporary folder when there is none.
QString RuntimeFolder() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}
} // namespace

SingleInstance::SingleInstance(const QString& programName, QObject* parent) : QObject(parent) {
    const QString channel = ChannelName(programName);
    const QString folder = RuntimeFolder();
    const QString socketPath = QDir(folder).filePath(channel + QStringLiteral(".socket"));
    // A bare name puts the socket in the temporary folder; only used when the full path is too long.
    mServerName = socketPath.toLocal8Bit().size() <= MaxSocketPath ? socketPath : channel;
    mLockPath = QDir(folder).filePath(channel + QStringLiteral(".lock"));
    mLock = std::make_unique<QLockFile>(mLockPath);
    mLock->setStaleLockTime(0); // held for the whole run: stale only when its process is gone
}

SingleInstance::~SingleInstance() {
    if (mServer)
        mServer->close();
    mLock->unlock();
}

bool SingleInstance::ActivatePreviousInstance(int timeoutMs) {
    if (IsPrimary())
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        // tryLock removes a lock file whose process no longer runs.
        if (mLock->tryLock(0)) {
            BecomePrimary();
            return false;
        }
        if (mLock->error() != QLockFile::LockFailedError) {
            qWarning("Cannot use the lock file %s; running without the single-copy check",
                     qPrintable(mLockPath));
            BecomePrimary();
            return false;
        }
        // The first copy may be starting and not listen yet, or be ending: ask again until the
        // deadline, taking the lock if it goes.
        if (AskPrimary(ActivateRequest, int(qMin<qint64>(1000, qMax<qint64>(1, deadline.remainingTime())))))
            return true;
        if (deadline.hasExpired()) {
            qWarning("Another copy holds %s but does not answer", qPrintable(mLockPath));
            return true;
        }
        QThread::msleep(50);
    }
}

bool SingleInstance::TellRunningCopy(Request request, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        // A lock nobody holds means no copy runs; it is let go again at once.
        if (mLock->tryLock(0)) {
            mLock->unlock();
            return false;
        }
        if (AskPrimary(RequestLine(request),
                       int(qMin<qint64>(1000, qMax<qint64>(1, deadline.remainingTime())))))
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
}

void SingleInstance::BecomePrimary() {
    mServer = new QLocalServer(this);
    mServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(mServer, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    // Whoever holds the lock owns the name, so a socket file still there is a crashed copy's.
    QLocalServer::removeServer(mServerName);
    if (!mServer->listen(mServerName))
        qWarning("Cannot listen on %s: %s", qPrintable(mServerName), qPrintable(mServer->errorString()));
}

bool SingleInstance::AskPrimary(const QByteArray& request, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(mServerName);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(request);
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    QByteArray reply;
    while (!reply.endsWith('\n') && socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
        reply += socket.readAll();
    return reply == ActivateReply;
}

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = mServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine() && socket->bytesAvailable() <= LongestRequest)
                return;
            const QByteArray line = socket->readLine(LongestRequest + 1);
            const bool known = line == ActivateRequest || line == ToggleRequest || line == HideRequest;
            if (known) {
                socket->write(ActivateReply);
                socket->flush();
            }
            socket->disconnectFromServer();
            if (line == ActivateRequest)
                emit ActivationRequested();
            else if (line == ToggleRequest)
                emit ToggleRequested();
            else if (line == HideRequest)
                emit HideRequested();
        });
    }
}

#include "moc_SingleInstance.cpp"
