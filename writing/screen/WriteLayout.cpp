// The writing screen's layout table.
#include "WriteLayout.h"

WriteScreenLayout WriteLayout(QSize client)
{
    const int w = client.width(), h = client.height();
    WriteScreenLayout l;
    l.topBand = QRect(0, 0, w, 35);
    l.secondBand = QRect(0, 35, w - 346, 31);
    l.back = QRect(19, 6, 73, 28);
    l.undo = QRect(23, 43, 20, 19);
    l.redo = QRect(63, 43, 20, 19);
    l.eyeHint = QRect(w - 707, 40, 308, 17);
    l.minimise = QRect(w - 136, -1, 43, 28);
    l.maximise = QRect(w - 93, -1, 40, 28);
    l.close = QRect(w - 53, -1, 43, 28);
    l.corpusButton = QRect(w - 344, 35, 344, 31);
    l.titleLabel = QPoint(34, 96);
    l.titleField = QRect(110, 102, 368, 19);
    l.writingFrame = QRect(23, 87, w - 395, h - 158);
    l.editorHost = QRect(36, 132, w - 420, h - 248);
    l.corpusFrame = QRect(w - 340, 75, 336, h - 109);
    l.corpusPanel = QRect(w - 337, 78, 329, h - 119);
    l.logo = QPoint(w - 180, h / 2 - 168);
    l.countButton = QRect(26, h - 69, 129, 27);
    l.saveToLibrary = QRect(w - 610, h - 69, 133, 28);
    l.saveAsWord = QRect(w - 457, h - 69, 86, 26);
    l.paper = QRect(w - 706, h - 69, 86, 26);
    l.paleLine = QRect(0, h - 30, w, 5);
    l.greenLine = QRect(0, h - 25, w, 25);
    l.limitNotice = QPoint(24, h - 20);
    return l;
}
