// Turns wheel and touchpad scrolling into whole scroll steps, keeping what is left over.
#include "WheelSteps.h"

#include <QWheelEvent>
#include <algorithm>

WheelSteps::WheelSteps(int angleUnitsPerStep, int pixelsPerStep)
    : m_angleUnit(std::max(angleUnitsPerStep, 1)), m_pixelUnit(std::max(pixelsPerStep, 1))
{
}

int WheelSteps::Take(const QWheelEvent &event)
{
    return Take(event.angleDelta(), event.pixelDelta());
}

int WheelSteps::Take(QPoint angleDelta, QPoint pixelDelta)
{
    // The wheel's deltas are positive when the content should move down, that is when the view
    // scrolls towards the start: a step down is the negated delta.
    if (pixelDelta.y() != 0) {
        m_angleRest = 0;
        return Whole(m_pixelRest, -pixelDelta.y(), m_pixelUnit);
    }
    if (angleDelta.y() != 0) {
        m_pixelRest = 0;
        return Whole(m_angleRest, -angleDelta.y(), m_angleUnit);
    }
    return 0;
}

void WheelSteps::SetPixelsPerStep(int pixelsPerStep)
{
    const int unit = std::max(pixelsPerStep, 1);
    if (unit == m_pixelUnit)
        return;
    m_pixelUnit = unit;
    m_pixelRest = 0;
}

void WheelSteps::Reset()
{
    m_angleRest = 0;
    m_pixelRest = 0;
}

int WheelSteps::Whole(int &rest, int delta, int unit)
{
    // A turn the other way starts afresh: what was held belonged to the movement just ended.
    if ((rest > 0 && delta < 0) || (rest < 0 && delta > 0))
        rest = 0;
    rest += delta;
    const int steps = rest / unit; // truncates towards zero, so the remainder keeps its sign
    rest -= steps * unit;
    return steps;
}
