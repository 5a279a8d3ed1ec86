// Where everything on the library page, its viewer panel and the viewer goes, as functions of
// their sizes alone (so the placement follows maximise and restore and is checked without
// painting).
#pragma once

#include <QLine>
#include <QRect>
#include <QSize>

// The library page (CMySpaceDlg).
struct MySpaceLayout
{
    QRect viewer;      // the viewer panel, left
    QRect columnFrame; // the right column's frame, drawn with a 13-pixel pen
    QRect dateCaption;
    QRect titleCaption;
    QRect searchBox;
    QRect searchButton;
    QLine separator; // 2 pixels
    QRect list;
    QRect deleteButton;
    QRect upButton;
};
constexpr int kColumnFramePen = 13;
MySpaceLayout LayOutMySpace(QSize page);

// The viewer panel (CNoMarkDlg).
struct NoMarkLayout
{
    QRect viewer;
    QRect saveButton;
    QRect continueButton;
    QRect paperButton; // composition paper, left of the save button
};
NoMarkLayout LayOutNoMark(QSize panel);

// The viewer (CViewZuowenDlg).
struct ViewZuowenLayout
{
    QRect frame;      // 3-pixel frame: its outer edge
    QRect eyeNote;    // the eye-care note
    QRect titleStrip; // the essay's title, centred in it
    QRect editor;     // the read-only editor
};
constexpr int kViewerFramePen = 3;
ViewZuowenLayout LayOutViewZuowen(QSize viewer);
