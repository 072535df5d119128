#pragma once

#include "store/TokenImageRenderer.h"

#include <QByteArray>
#include <QFuture>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>

// Everything one token image is composed from, copied, so that composing can run on a worker thread
// while the token and the look go on changing on the user-interface thread.
struct TokenImageOrder {
    QByteArray Picture; // encoded; empty: no picture
    double IconScale = 60;
    QString Caption;
    int Size = 128;
    TokenAppearance Appearance;
};

// The composed image; a transparent square when the picture cannot be decoded (one bad picture
// must not stop a rebuild).
QImage ComposeOrderedImage(const TokenImageOrder& pOrder);

// Composes token images on a pool of worker threads, one per core. Each image is ordered under its
// image key; a later order for the same key replaces the earlier one, whose result is never handed
// over. Finished images are handed to the receiver on the thread that owns this object, through its
// event loop, or at once by FinishNow. Urgent orders (the level on show) are taken before the others.
// Destroying the object drops the orders not yet started and waits for the running ones, so no
// worker outlives it.
class TokenImageWork : public QObject {
    Q_OBJECT
public:
    using Receiver = std::function<void(const QString& pKey, const QImage& pImage)>;
    // The system name of the worker threads.
    static constexpr const char* ThreadName = "Token images";

    explicit TokenImageWork(Receiver pReceiver, QObject* parent = nullptr);
    ~TokenImageWork() override;

    void Order(const QString& pKey, TokenImageOrder pOrder, bool pUrgent);
    // While held, orders that are not urgent wait instead of reaching the workers, so that they do
    // not compete with the launcher's first frames; FinishNow still composes them when asked.
    void HoldBackground();
    void ReleaseBackground();
    // Forgets the order under the key: its image, if composed meanwhile, is never handed over.
    void Cancel(const QString& pKey);
    void CancelAll();
    bool IsPending(const QString& pKey) const { return mOrders.contains(pKey); }
    int PendingCount() const { return int(mOrders.size()); }
    // Composes the images ordered under the keys now, here and on the workers, and hands each over
    // before returning. Keys without an order are passed over.
    void FinishNow(const QStringList& pKeys);
    void FinishAll();
    // How many images the workers and FinishNow have composed so far.
    int ComposedCount() const { return mComposed.load(); }

private:
    using Composition = std::function<QImage()>;
    struct Pending {
        quint64 Ticket = 0;
        QFuture<QImage> Result; // not started while waiting in the background queue
        std::shared_ptr<std::atomic_bool> Cancelled;
        Composition Held; // the composition, while it waits in the background queue
    };
    QFuture<QImage> Spawn(Composition pComposition, int pPriority);
    void FeedBackground();
    void BackgroundFinished(quint64 pGeneration);
    void Deliver(const QString& pKey, quint64 pTicket, const QImage& pImage);

    Receiver mReceiver;
    QThreadPool mPool;
    QHash<QString, Pending> mOrders;
    quint64 mNextTicket = 0;
    // Background orders not yet handed to the pool, oldest first; a key may stand here after its
    // order was cancelled or replaced, and is passed over then.
    std::deque<QString> mBackgroundQueue;
    int mBackgroundRunning = 0;
    quint64 mGeneration = 0; // raised by CancelAll
    bool mHoldingBackground = false;
    std::atomic_int mComposed{0};
};
