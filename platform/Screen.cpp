// Screen geometry from the primary QScreen.
#include "Screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

// Without any screen (no display at all) windows are placed as on a small desktop.
const QRect kFallbackScreen(0, 0, 1024, 768);

} // namespace

QSize ScreenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : kFallbackScreen.size();
}

QRect WorkArea()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : kFallbackScreen;
}

QRect CentredWindowRect(const QSize &size, const QSize &screen, const QRect &workArea)
{
    return QRect(screen.width() / 2 - size.width() / 2, workArea.height() / 2 - size.height() / 2, size.width(), size.height());
}

WindowPlacement PlaceWindow(const QSize &size, const QSize &screen, const QRect &workArea, bool canMaximise)
{
    const bool fits = size.width() <= workArea.width() && size.height() <= workArea.height();
    if (canMaximise && !fits)
        return {workArea, true};
    return {FitInWorkArea(CentredWindowRect(size, screen, workArea), workArea), false};
}

QRect FitInWorkArea(const QRect &window, const QRect &workArea)
{
    QRect placed = window;
    if (placed.right() > workArea.right())
        placed.moveRight(workArea.right());
    if (placed.bottom() > workArea.bottom())
        placed.moveBottom(workArea.bottom());
    if (placed.left() < workArea.left())
        placed.moveLeft(workArea.left());
    if (placed.top() < workArea.top())
        placed.moveTop(workArea.top());
    return placed;
}
