// Blocking calls on a worker thread with a local event loop on the waiting thread.
#include "BlockingCall.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>

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

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// The window a close request from the window system is about: the top-level widget itself, or
// the widget whose native window received it.
QWidget *ClosedWidget(QObject *receiver)
{
    if (auto *widget = qobject_cast<QWidget *>(receiver))
        return widget->window();
    if (auto *window = qobject_cast<QWindow *>(receiver)) {
        for (QWidget *topLevel : QApplication::topLevelWidgets())
            if (topLevel->windowHandle() == window)
                return topLevel;
    }
    return nullptr;
}

// Installed on the application while a call is in flight. What the student clicks or types
// during a call is thrown away: the screen showed no reaction, so acting on it once the call has
// ended (perhaps half a minute later, on a screen that has changed) would do what nobody asked
// for. A close request from the window manager is a request to the program rather than a click
// on something, so it is kept and acted on after the call, in order with the held messages; it
// cannot run during the call, whose window it might take away. Only spontaneous events come from
// the window system; events the program sends itself pass.
class InputDuringCall : public QObject
{
protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (!event->spontaneous())
            return false;
        if (IsUserInput(event->type()))
            return true;
        if (event->type() == QEvent::Close) {
            if (QWidget *widget = ClosedWidget(receiver))
                Deferred().push_back({widget, [widget] { widget->close(); }});
            return true;
        }
        return false;
    }
};

// The busy cursor, shown once a call has lasted a short moment, for as long as it lasts.
class BusyCursor
{
public:
    BusyCursor()
    {
        if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
            return; // no windows, no cursor
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            m_shown = true;
        });
        m_timer.start(kBusyCursorDelayMs);
    }
    ~BusyCursor()
    {
        if (m_shown)
            QGuiApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    QTimer m_timer;
    bool m_shown = false;
};

} // namespace

void RunBlockingCall(const std::function<void()> &work)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (g_running || !app || QThread::currentThread() != app->thread()) {
        work();
        return;
    }
    g_running = true;
    {
        InputDuringCall inputFilter;
        app->installEventFilter(&inputFilter);
        const BusyCursor busy;
        QEventLoop loop;
        std::atomic<bool> finished{false};
        std::thread worker([&] {
            work();
            finished = true;
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        // Quits only when the worker has finished: a quit from anything else inside the loop (a
        // window closing its own modal run, for example) must not end the wait early. Input is
        // let in so that the filter can drop it: held back, it would be replayed after the call.
        while (!finished)
            loop.exec(QEventLoop::AllEvents);
        worker.join();
        app->removeEventFilter(&inputFilter);
    }
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
