// The share popup's targets and their click areas.
#include "ShareTargets.h"

#include <iterator>

namespace {

// QRect(QPoint, QPoint) holds both corners, as the areas are given.
const ShareTarget kTargets[] = {
    {"tsina", QRect(QPoint(2, 8), QPoint(68, 22))},     {"kaixin001", QRect(QPoint(75, 8), QPoint(129, 22))},
    {"qzone", QRect(QPoint(136, 8), QPoint(201, 22))},  {"tqq", QRect(QPoint(2, 29), QPoint(69, 42))},
    {"renren", QRect(QPoint(75, 29), QPoint(131, 42))}, {"t163", QRect(QPoint(136, 29), QPoint(201, 43))},
};

} // namespace

const ShareTarget *ShareTargets(std::size_t &count)
{
    count = std::size(kTargets);
    return kTargets;
}

const ShareTarget *ShareTargetAt(QPoint point)
{
    for (const ShareTarget &target : kTargets) {
        if (target.area.contains(point))
            return &target;
    }
    return nullptr;
}
