// The placement of the library page, its viewer panel and the viewer.
#include "LibraryLayout.h"

MySpaceLayout LayOutMySpace(QSize page)
{
    const int right = page.width();
    const int bottom = page.height();
    MySpaceLayout l;
    l.viewer = QRect(0, 0, right - 250, bottom);
    l.columnFrame = QRect(right - 244, 6, 238, bottom - 10);
    l.dateCaption = QRect(right - 226, 20, 50, 17);
    l.titleCaption = QRect(right - 170, 20, 30, 17);
    l.searchBox = QRect(right - 140, 24, 70, 17);
    l.searchButton = QRect(right - 68, 23, 33, 18);
    l.separator = QLine(right - 226, 49, right - 33, 49);
    l.list = QRect(right - 237, 55, 225, bottom - 103);
    l.deleteButton = QRect(right - 123, bottom - 34, 63, 25);
    l.upButton = QRect(right - 50, bottom - 34, 30, 25);
    return l;
}

NoMarkLayout LayOutNoMark(QSize panel)
{
    const int right = panel.width();
    const int bottom = panel.height();
    NoMarkLayout l;
    l.viewer = QRect(12, 2, right - 24, bottom - 44);
    l.saveButton = QRect(right - 200, bottom - 38, 79, 26);
    l.continueButton = QRect(right - 104, bottom - 38, 79, 26);
    l.paperButton = QRect(right - 296, bottom - 38, 79, 26);
    return l;
}

ViewZuowenLayout LayOutViewZuowen(QSize viewer)
{
    const int w = viewer.width();
    const int h = viewer.height();
    ViewZuowenLayout l;
    // From (3, 32) to 3 pixels inside the right edge and 7 above the bottom.
    l.frame = QRect(QPoint(3, 32), QPoint(w - 3 - 1, h - 7 - 1));
    l.eyeNote = QRect(w - 467, 0, 308, 17);
    l.titleStrip = QRect((w - 300) / 2, 50, 300, 18);
    l.editor = QRect(12, 78, w - 24, h - 122);
    return l;
}
