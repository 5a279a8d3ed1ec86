// The primary screen's size and its work area (the screen less panels and task bars).
#pragma once

#include <QRect>
#include <QSize>

QSize ScreenSize();
QRect WorkArea();

// Moves a window's rectangle inside the work area. A window larger than the work area keeps its
// top-left corner there, so its title strip and the buttons along it stay reachable.
QRect FitInWorkArea(const QRect &window, const QRect &workArea);
