// Blocking calls on a worker thread with a local event loop on the waiting thread.
#include "BlockingCall.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

namespace {

bool g_running = false;

struct DeferredAction
{
    QPointer<QObject> context;
    std::function<void()> action;
};

std::vector<DeferredAction> &Deferred()
{
    static std::vector<DeferredAction> actions;
    return actions;
}

void QueueWhenNoCallRuns(QObject *context, std::function<void()> action);

// Runs a held action, unless another call started between its release and now (the next event
// after a call can start one): then it is held again for that call's end. A held action never
// runs inside a call, so its own exchange never shares the connection with the call's.
void RunOrHoldAgain(const QPointer<QObject> &context, std::function<void()> action)
{
    if (!context)
        return;
    if (g_running) {
        Deferred().push_back({context, std::move(action)});
        return;
    }
    action();
}

void QueueWhenNoCallRuns(QObject *context, std::function<void()> action)
{
    QPointer<QObject> guard(context);
    QMetaObject::invokeMethod(
        context, [guard, action = std::move(action)]() mutable { RunOrHoldAgain(guard, std::move(action)); },
        Qt::QueuedConnection);
}

// Hands the deferred actions back to the event queue, in the order they arrived.
void ReleaseDeferred()
{
    std::vector<DeferredAction> actions;
    actions.swap(Deferred());
    for (DeferredAction &deferred : actions) {
        if (!deferred.context)
            continue;
        QueueWhenNoCallRuns(deferred.context.data(), std::move(deferred.action));
    }
}

} // namespace

void RunBlockingCall(const std::function<void()> &work)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (g_running || !app || QThread::currentThread() != app->thread()) {
        work();
        return;
    }
    g_running = true;
    QEventLoop loop;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        work();
        finished = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // Quits only when the worker has finished: a quit from anything else inside the loop (a
    // window closing its own modal run, for example) must not end the wait early.
    while (!finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    g_running = false;
    ReleaseDeferred();
}

bool IsBlockingCallRunning()
{
    return g_running;
}

void AfterBlockingCall(QObject *context, std::function<void()> action)
{
    if (!g_running) {
        if (context)
            QueueWhenNoCallRuns(context, std::move(action));
        return;
    }
    Deferred().push_back({context, std::move(action)});
}
