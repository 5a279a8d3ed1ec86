// The primary screen's size and its work area (the screen less panels and task bars).
#pragma once

#include <QRect>
#include <QSize>

QSize ScreenSize();
QRect WorkArea();

// Moves a window's rectangle inside the work area. A window larger than the work area keeps its
// top-left corner there, so its title strip and the buttons along it stay reachable.
QRect FitInWorkArea(const QRect &window, const QRect &workArea);

// The windows' centring rule: across the screen, down the work area
// (left = screen width / 2 - width / 2, top = work-area height / 2 - height / 2).
QRect CentredWindowRect(const QSize &size, const QSize &screen, const QRect &workArea);

// Where a window opens. Centred by the rule and moved inside the work area; a window that can be
// maximised (its layout follows its size) and does not fit the work area opens maximised instead.
// A fixed-size window that does not fit keeps its top-left corner in the work area.
struct WindowPlacement
{
    QRect rect;
    bool maximised = false;
};
WindowPlacement PlaceWindow(const QSize &size, const QSize &screen, const QRect &workArea, bool canMaximise);
