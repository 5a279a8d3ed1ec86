// Blocking calls that keep the windows alive: the caller's thread waits for the call as the
// design has it (no second action starts, results are acted on in order), but while it waits it
// runs a local event loop that drops user input, so windows repaint and animations move. Window
// timers and window messages that arrive meanwhile are deferred until the call has ended.
#pragma once

#include <functional>

class QObject;

// How long a call runs before the busy cursor shows.
constexpr int kBusyCursorDelayMs = 500;

// Runs work on a worker thread and returns when it has finished. The calling (GUI) thread keeps
// painting meanwhile; mouse and key input that arrives meanwhile is dropped, a close request
// from the window manager is acted on after the call, and the busy cursor shows once the call
// has lasted kBusyCursorDelayMs. A call made while another is in flight runs directly on the
// caller's thread, so two calls never overlap.
void RunBlockingCall(const std::function<void()> &work);

// True while RunBlockingCall waits on this process's GUI thread.
bool IsBlockingCallRunning();

// Runs action from the event queue once no blocking call is in flight: when a new call has started
// by the time its turn comes, it waits for that call's end too. Dropped when context has gone by
// then.
void AfterBlockingCall(QObject *context, std::function<void()> action);
