// Positions of the contest page, the topic chooser, its cards and the requirement panels.
#include "ContestLayout.h"

namespace contestlayout {

QRect TabRect(int index)
{
    return QRect(20 + 147 * index, 22, 139, 28);
}

QRect FrameRect(QSize page)
{
    return QRect(21, 50, page.width() - 48, page.height() - 100);
}

QRect WebPageRect(QSize page)
{
    // Inside the frame's 2-pixel line, so the line stays visible round the page.
    return FrameRect(page).adjusted(2, 2, -2, -2);
}

QRect WriteButtonRect(QSize page)
{
    return QRect(page.width() / 2 - 44, page.height() - 37, 89, 28);
}

QRect CardRect(int index)
{
    static constexpr std::array<QPoint, kCardCount> kPlaces{
        {QPoint(25, 80), QPoint(247, 80), QPoint(468, 80), QPoint(25, 283), QPoint(247, 283)}};
    return QRect(kPlaces.at(static_cast<std::size_t>(index)), QSize(207, 188));
}

QRect ConfirmButtonRect(QSize chooser)
{
    return QRect(chooser.width() / 2 - 34, chooser.height() - 29, 64, 24);
}

QPoint PromptOrigin(QSize chooser)
{
    return QPoint(chooser.width() / 2 - 66, 49);
}

QPoint ChooserPosition(QSize screen)
{
    return QPoint((screen.width() - kChooserSize.width()) / 2 + 94, (screen.height() - kChooserSize.height()) / 2 + 12);
}

QRect CardHeaderRect(QSize card)
{
    return QRect(0, 6, card.width(), 20);
}

QRect CardBodyRect(QSize card)
{
    return QRect(3, 30, card.width() - 6, card.height() - 56);
}

QRect SelectButtonRect(QSize card)
{
    return QRect(card.width() / 2 - 21, card.height() - 24, 41, 20);
}

int CardUpperLineY()
{
    return 25;
}

int CardLowerLineY(QSize card)
{
    return card.height() - 26;
}

QRect PanelTextRect(QSize panel, bool withClock)
{
    return QRect(10, 13, panel.width() - 20, panel.height() - (withClock ? 124 : 13));
}

QPoint ClockPictureOrigin(QSize panel)
{
    return QPoint(panel.width() / 2 - 89, panel.height() - 108);
}

QRect ClockTextRect(QSize panel)
{
    return QRect(panel.width() / 2 - 85, panel.height() - 106, 170, 66);
}

} // namespace contestlayout
