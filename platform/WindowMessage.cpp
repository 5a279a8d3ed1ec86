// Numbered window messages over Qt's event queue.
#include "WindowMessage.h"

#include <QCoreApplication>
#include <QObject>

namespace {

std::function<void(const WindowMessageTrace &)> &Observer()
{
    static std::function<void(const WindowMessageTrace &)> observer;
    return observer;
}

void Trace(QObject *target, int message, intptr_t wParam, intptr_t lParam, bool posted)
{
    if (Observer())
        Observer()({target, message, wParam, lParam, posted});
}

} // namespace

WindowMessageEvent::WindowMessageEvent(int message, intptr_t wParam, intptr_t lParam)
    : QEvent(static_cast<QEvent::Type>(message)), m_wParam(wParam), m_lParam(lParam)
{
}

bool IsWindowMessage(const QEvent *event)
{
    const int type = static_cast<int>(event->type());
    return type > kMsgUser && type <= QEvent::MaxUser && dynamic_cast<const WindowMessageEvent *>(event);
}

void RegisterWindowMessages()
{
    static const bool registered = [] {
        for (int message : {kMsgLoginIdle, kMsgNavSelected, kMsgShowMainWindow, kMsgImageButtonPressed,
                            kMsgMainWindowAgain, kMsgScreenClosed, kMsgLibraryReload, kMsgYButtonPressed,
                            kMsgYButtonReset, kMsgKeywordPick, kMsgWriteSecondRound, kMsgWritePreliminary,
                            kMsgWriteFree, kMsgWordCount, kMsgCommand})
            QEvent::registerEventType(message);
        return true;
    }();
    (void)registered;
}

bool PostWindowMessage(QObject *target, int message, intptr_t wParam, intptr_t lParam)
{
    RegisterWindowMessages();
    if (!target)
        return false;
    Trace(target, message, wParam, lParam, true);
    QCoreApplication::postEvent(target, new WindowMessageEvent(message, wParam, lParam));
    return true;
}

intptr_t SendWindowMessage(QObject *target, int message, intptr_t wParam, intptr_t lParam)
{
    RegisterWindowMessages();
    if (!target)
        return 0;
    Trace(target, message, wParam, lParam, false);
    WindowMessageEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(target, &event);
    return event.Result();
}

void SetWindowMessageObserver(std::function<void(const WindowMessageTrace &)> observer)
{
    Observer() = std::move(observer);
}
