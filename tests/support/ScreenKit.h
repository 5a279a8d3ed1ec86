// The moves every screen test makes: a window's picture saved in the screenshot folder, text typed
// through the input method, and an action run inside a modal loop once the window it needs is up.
// (The service exchanges are counted with ServiceCallCounter.h.)
#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <memory>

class QObject;
class QWidget;

// The screenshot folder's file `name` (the folder is made when missing).
QString ScreenshotPath(const char *name);

// The window's picture, saved as ScreenshotPath(name). On a real X display it is what the screen
// shows in the window's frame (a shaped window's cut corners show the desktop behind); on other
// platforms, which have no screen to read back, the window's own rendering. The window is painted
// first, so the picture never shows a frame that has not been drawn yet. Null when the window was
// never exposed or the file could not be written.
QImage SaveScreenshot(QWidget *window, const char *name);

// Text committed by the input method, as a student's Chinese typing arrives.
void CommitText(QWidget *input, const QString &text);

// Runs `act` once `ready` holds, checked every 10 ms from the event loop that is running then (a
// modal box's own loop included), for at most timeoutMs. Returns a flag that says whether it ran.
// For what a test must do inside a modal loop it cannot return from: no fixed delay guesses when
// the box is up.
std::shared_ptr<bool> WhenReady(QObject *context, std::function<bool()> ready, std::function<void()> act,
                                int timeoutMs = 10000);
