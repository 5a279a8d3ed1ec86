// The primary screen's size and its work area (the screen less panels and task bars).
#pragma once

#include <QRect>
#include <QSize>

QSize ScreenSize();
QRect WorkArea();
