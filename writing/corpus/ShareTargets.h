// Where a shared excerpt goes: the six targets of the share popup with their click areas (the
// gateway's address is in ShareGateway.h).
#pragma once

#include <QPoint>
#include <QRect>

#include <cstddef>

struct ShareTarget
{
    const char *webid; // the gateway's name of the network
    QRect area;        // in the popup's client pixels, both bounds included
};

// The six targets in the popup picture's order.
const ShareTarget *ShareTargets(std::size_t &count);

// The target whose area holds the point, or nullptr.
const ShareTarget *ShareTargetAt(QPoint point);
