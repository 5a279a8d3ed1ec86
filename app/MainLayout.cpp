// The main window's places.
#include "MainLayout.h"

namespace mainlayout {

MainLayout ComputeMainLayout(const QSize &size)
{
    const int w = size.width();
    const int h = size.height();
    MainLayout layout;
    layout.leftColumn = QRect(0, 0, kLeftColumnWidth, h);
    layout.topStrip = QRect(kLeftColumnWidth, 0, w - kLeftColumnWidth, kTopStripHeight);
    layout.content = QRect(kLeftColumnWidth, kTopStripHeight, w - kLeftColumnWidth, h - 61);
    layout.rightBottom = QRect(kLeftColumnWidth, h - kContentBottomMargin, w - kLeftColumnWidth, kContentBottomMargin);
    layout.minimise = QRect(w - 136, -1, 43, 28);
    layout.maximise = QRect(w - 93, -1, 40, 28);
    layout.close = QRect(w - 53, -1, 43, 28);
    const std::array<int, kNavCount> navY{173, 219, 265, 311, 357, 403};
    for (int i = 0; i < kNavCount; ++i)
        layout.nav[static_cast<std::size_t>(i)] = QRect(-1, navY[static_cast<std::size_t>(i)], 202, 45);
    layout.help = QRect(165, 8, 29, 13);
    layout.switchAccount = QRect(109, 8, 50, 13); // beside help, to its left
    layout.party = QRect(32, 549, 111, 31);
    layout.partyBackground = QRect(14, 542, 147, 45);
    layout.feedback = QRect(95, h - 82, 50, 12);
    layout.usageReport = QRect(25, 77, 70, 13);
    layout.scoreReport = QRect(103, 77, 70, 13);
    layout.logo = QRect(10, 110, 150, 34);
    layout.tel = QRect(12, h - 50, 16, 16);
    layout.mail = QRect(12, h - 30, 16, 12);
    layout.contactText = QRect(32, h - 52, kLeftColumnWidth - 36, 40);
    return layout;
}

} // namespace mainlayout
