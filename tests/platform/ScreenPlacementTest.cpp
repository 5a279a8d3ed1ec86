// Window placement inside the work area: small laptop work areas and windows larger than them.
#include "Screen.h"

#include <gtest/gtest.h>

TEST(ScreenPlacement, CentredWindowsAreMovedInsideTheWorkArea)
{
    const QSize window(1024, 700);
    struct Case
    {
        QRect workArea;
        QRect expected;
    };
    const Case cases[] = {
        // Centred by x = screen width / 2 - 512, y = work height / 2 - 350.
        {QRect(0, 0, 1280, 680), QRect(128, 0, 1024, 700)},
        {QRect(0, 0, 1366, 728), QRect(171, 14, 1024, 700)},
        {QRect(0, 0, 1024, 600), QRect(0, 0, 1024, 700)},
        {QRect(0, 0, 1920, 1040), QRect(448, 170, 1024, 700)},
        {QRect(0, 28, 1280, 652), QRect(128, 28, 1024, 700)},
    };
    for (const Case &c : cases) {
        const QRect centred(c.workArea.width() / 2 - 512, c.workArea.height() / 2 - 350, window.width(), window.height());
        const QRect placed = FitInWorkArea(centred, c.workArea);
        EXPECT_EQ(placed, c.expected) << c.workArea.width() << "x" << c.workArea.height();
        EXPECT_GE(placed.top(), c.workArea.top());
        EXPECT_GE(placed.left(), c.workArea.left());
    }
}

// Every window on the work areas of common laptops (1080p at 150 %, 768p, netbooks) and a desktop:
// inside the work area, or maximised to it, and never with its title strip out of reach.
TEST(ScreenPlacement, EveryWindowOpensInsideOrMaximised)
{
    struct Window
    {
        const char *name;
        QSize size;
        bool canMaximise;
    };
    const Window windows[] = {
        {"sign-in", {1024, 700}, false},     {"start-up screen", {1024, 700}, false}, {"message box", {312, 170}, false},
        {"main window", {1024, 700}, true}, {"writing screen", {1024, 700}, true},   {"programme screen", {1024, 700}, true},
    };
    struct Area
    {
        QSize screen;
        QRect workArea;
    };
    const Area areas[] = {
        {{1280, 720}, QRect(0, 0, 1280, 680)},   {{1366, 768}, QRect(0, 0, 1366, 728)},
        {{1024, 640}, QRect(0, 0, 1024, 600)},   {{1920, 1080}, QRect(0, 0, 1920, 1040)},
        {{1280, 720}, QRect(0, 40, 1280, 680)},  {{1366, 768}, QRect(64, 0, 1302, 768)}, // panel on top / on the left
    };
    const int kTitleStrip = 35;
    for (const Area &a : areas) {
        for (const Window &w : windows) {
            const WindowPlacement p = PlaceWindow(w.size, a.screen, a.workArea, w.canMaximise);
            const std::string where = std::string(w.name) + " on " + std::to_string(a.workArea.width()) + "x" +
                                      std::to_string(a.workArea.height()) + "+" + std::to_string(a.workArea.x()) + "+" +
                                      std::to_string(a.workArea.y());
            const bool fits = w.size.width() <= a.workArea.width() && w.size.height() <= a.workArea.height();
            EXPECT_EQ(p.maximised, w.canMaximise && !fits) << where;
            if (p.maximised) {
                EXPECT_EQ(p.rect, a.workArea) << where;
                continue;
            }
            EXPECT_EQ(p.rect.size(), w.size) << where;
            if (fits) {
                EXPECT_TRUE(a.workArea.contains(p.rect)) << where;
            }
            const QRect titleStrip(p.rect.topLeft(), QSize(std::min(p.rect.width(), a.workArea.width()), kTitleStrip));
            EXPECT_TRUE(a.workArea.contains(titleStrip)) << where;
        }
    }
}

TEST(ScreenPlacement, CentringRuleHoldsWhereTheWindowFits)
{
    // 1920 x 1040: x = 960 - 512, y = 520 - 350, as the windows have always been placed.
    EXPECT_EQ(PlaceWindow({1024, 700}, {1920, 1080}, QRect(0, 0, 1920, 1040), true).rect, QRect(448, 170, 1024, 700));
    EXPECT_EQ(PlaceWindow({312, 170}, {1366, 768}, QRect(0, 0, 1366, 728), false).rect, QRect(527, 279, 312, 170));
}
