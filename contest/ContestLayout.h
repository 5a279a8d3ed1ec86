// Where the contest's windows put their parts, as pure functions of the window's size, so tests
// check them at any size without painting.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>

namespace contestlayout {

constexpr int kSlotCount = 6;

// The contest page.
QRect TabRect(int index);          // (20 + 147 i, 22), 139 x 28
QRect FrameRect(QSize page);       // (21, 50), (W - 48) x (H - 100), a 2-pixel line
QRect WebPageRect(QSize page);     // the frame's inside: (23, 52), (W - 52) x (H - 104)
QRect WriteButtonRect(QSize page); // 89 x 28 at (W / 2 - 44, H - 37)

// The topic chooser, 700 x 525.
constexpr QSize kChooserSize(700, 525);
constexpr int kCardCount = 5;
QRect CardRect(int index);              // 207 x 188 at the five places, in the order of the topics
QRect ConfirmButtonRect(QSize chooser); // 64 x 24 at (W / 2 - 34, H - 29)
QPoint PromptOrigin(QSize chooser);     // (W / 2 - 66, 49)
// Centred on the screen, then 94 pixels right and 12 down.
QPoint ChooserPosition(QSize screen);

// One topic card.
QRect CardHeaderRect(QSize card);   // (0, 6), W x 20
QRect CardBodyRect(QSize card);     // (3, 30), (W - 6) x (H - 56)
QRect SelectButtonRect(QSize card); // 41 x 20 at (W / 2 - 21, H - 24)
int CardUpperLineY();               // 25
int CardLowerLineY(QSize card);     // H - 26

// The requirement panels beside the editor.
QRect PanelTextRect(QSize panel, bool withClock); // (10, 13), (W - 20) x (H - 13, or H - 124 with the clock)
QPoint ClockPictureOrigin(QSize panel);           // (W / 2 - 89, H - 108)
QRect ClockTextRect(QSize panel);                 // (W / 2 - 85, H - 106), 170 x 66

} // namespace contestlayout
