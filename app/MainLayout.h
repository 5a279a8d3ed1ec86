// The main window's places as a pure function of its size: content area, title-bar buttons,
// navigation column and the small links, so they can be checked without painting.
#pragma once

#include <QRect>
#include <QSize>
#include <array>

namespace mainlayout {

constexpr QSize kRestoredSize(1024, 700);
constexpr int kLeftColumnWidth = 201;
constexpr int kTopStripHeight = 35;
constexpr int kContentBottomMargin = 26;
constexpr QPoint kGreeting(23, 49);

// Navigation buttons, top to bottom: welcome, personal centre, free writing, library, contest,
// and the hidden sixth button of the selection group.
enum NavButton
{
    kNavWelcome,
    kNavCentre,
    kNavFreeWriting,
    kNavLibrary,
    kNavContest,
    kNavHidden,
    kNavCount
};

struct MainLayout
{
    QRect leftColumn;
    QRect topStrip;
    QRect content;                   // where every hosted panel sits
    QRect rightBottom;               // the picture along the content area's bottom edge
    QRect minimise, maximise, close; // restore shares the maximise place
    std::array<QRect, kNavCount> nav;
    QRect help, switchAccount, party, partyBackground, feedback, usageReport, scoreReport, logo;
    QRect tel, mail, contactText;
};

MainLayout ComputeMainLayout(const QSize &size);

} // namespace mainlayout
