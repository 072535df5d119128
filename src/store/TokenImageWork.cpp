#include "TokenImageWork.h"

#include "platform/CurrentThread.h"
#include "platform/Imaging.h"

#include <QCoreApplication>
#include <QThread>
#include <QtConcurrent/qtconcurrenttask.h>

#include <utility>

namespace {
constexpr int UrgentPriority = 1;
constexpr int BackgroundPriority = 0;

// Once per worker thread (never on the GUI thread, which takes orders too): name it, so that it
// can be told apart from Qt's own pooled threads. The workers keep the program's priority: a lower
// one would hand their cores to any other busy program, and the first frames are protected by
// holding the background orders back instead.
void PrepareWorkerThreadOnce() {
    thread_local bool prepared = false;
    if (prepared || QThread::currentThread() == QCoreApplication::instance()->thread())
        return;
    prepared = true;
    CurrentThread::SetName(TokenImageWork::ThreadName);
}
} // namespace

QImage ComposeOrderedImage(const TokenImageOrder& pOrder) {
    QImage picture;
    if (!pOrder.Picture.isEmpty()) {
        picture = Imaging::Decode(pOrder.Picture);
        if (picture.isNull())
            return Imaging::NewSurface(pOrder.Size, pOrder.Size);
    }
    return TokenImageRenderer::ComposeTokenImage(picture, pOrder.IconScale, pOrder.Caption, pOrder.Size,
                                                 pOrder.Appearance);
}

TokenImageWork::TokenImageWork(Receiver pReceiver, QObject* parent)
    : QObject(parent), mReceiver(std::move(pReceiver)) {
    mPool.setMaxThreadCount(std::max(QThread::idealThreadCount(), 1));
}

TokenImageWork::~TokenImageWork() {
    CancelAll();
    mPool.waitForDone();
}

void TokenImageWork::Order(const QString& pKey, TokenImageOrder pOrder, bool pUrgent) {
    Cancel(pKey);
    const quint64 ticket = ++mNextTicket;
    auto cancelled = std::make_shared<std::atomic_bool>(false);
    auto compose = [this, pKey, ticket, cancelled, order = std::move(pOrder)]() -> QImage {
        if (*cancelled)
            return {};
        PrepareWorkerThreadOnce();
        QImage image = ComposeOrderedImage(order);
        ++mComposed;
        // Handed over through the event loop of the thread that owns this object; the destructor
        // waits for every running composition, so `this` outlives the call.
        QMetaObject::invokeMethod(
            this, [this, pKey, ticket, image] { Deliver(pKey, ticket, image); }, Qt::QueuedConnection);
        return image;
    };
    if (pUrgent) {
        mOrders.insert(pKey,
                       Pending{ticket, Spawn(std::move(compose), UrgentPriority), std::move(cancelled), {}});
        return;
    }
    mOrders.insert(pKey, Pending{ticket, {}, std::move(cancelled), std::move(compose)});
    mBackgroundQueue.push_back(pKey);
    FeedBackground();
}

QFuture<QImage> TokenImageWork::Spawn(Composition pComposition, int pPriority) {
    return QtConcurrent::task(std::move(pComposition)).onThreadPool(mPool).withPriority(pPriority).spawn();
}

// Background orders reach the pool a few at a time, each finished one letting the next in: tens of
// thousands of them would otherwise cost their queue entries at once and hold the event loop while
// they are handed over.
void TokenImageWork::FeedBackground() {
    const int limit = 2 * mPool.maxThreadCount();
    while (!mHoldingBackground && mBackgroundRunning < limit && !mBackgroundQueue.empty()) {
        const QString key = std::move(mBackgroundQueue.front());
        mBackgroundQueue.pop_front();
        const auto order = mOrders.find(key);
        if (order == mOrders.end() || !order->Held)
            continue; // cancelled, finished here, or queued again by a later order
        ++mBackgroundRunning;
        order->Result = Spawn(
            [this, generation = mGeneration, compose = std::exchange(order->Held, {})] {
                QImage image = compose();
                QMetaObject::invokeMethod(
                    this, [this, generation] { BackgroundFinished(generation); }, Qt::QueuedConnection);
                return image;
            },
            BackgroundPriority);
    }
}

void TokenImageWork::BackgroundFinished(quint64 pGeneration) {
    if (pGeneration != mGeneration)
        return; // counted off when everything was cancelled
    --mBackgroundRunning;
    FeedBackground();
}

void TokenImageWork::HoldBackground() {
    mHoldingBackground = true;
}

void TokenImageWork::ReleaseBackground() {
    mHoldingBackground = false;
    FeedBackground();
}

void TokenImageWork::Cancel(const QString& pKey) {
    const auto order = mOrders.constFind(pKey);
    if (order == mOrders.constEnd())
        return;
    *order->Cancelled = true;
    mOrders.erase(order);
}

void TokenImageWork::CancelAll() {
    for (const Pending& order : std::as_const(mOrders))
        *order.Cancelled = true;
    mOrders.clear();
    mBackgroundQueue.clear();
    // Orders not yet started are dropped unrun (their futures went with mOrders); those running
    // report to a generation that is over.
    mPool.clear();
    ++mGeneration;
    mBackgroundRunning = 0;
}

void TokenImageWork::FinishNow(const QStringList& pKeys) {
    // Taken from the last: the workers take urgent orders from the first, so this thread and they
    // meet in the middle instead of waiting on each other.
    for (auto key = pKeys.crbegin(); key != pKeys.crend(); ++key) {
        const auto order = mOrders.constFind(*key);
        if (order == mOrders.constEnd())
            continue;
        const quint64 ticket = order->Ticket;
        if (order->Held) {
            const Composition compose = order->Held;
            Deliver(*key, ticket, compose());
            continue;
        }
        // Runs the composition on this thread when no worker has started it yet.
        QFuture<QImage> result = order->Result;
        result.waitForFinished();
        Deliver(*key, ticket, result.result());
    }
}

void TokenImageWork::FinishAll() {
    FinishNow(mOrders.keys());
}

void TokenImageWork::Deliver(const QString& pKey, quint64 pTicket, const QImage& pImage) {
    const auto order = mOrders.constFind(pKey);
    if (order == mOrders.constEnd() || order->Ticket != pTicket)
        return; // cancelled, replaced by a later order, or already handed over by FinishNow
    mOrders.erase(order);
    mReceiver(pKey, pImage);
}
