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
