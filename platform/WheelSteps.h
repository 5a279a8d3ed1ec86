// Turns wheel and touchpad scrolling into whole scroll steps, keeping what is left over.
#pragma once

#include <QPoint>

class QWheelEvent;

// Touchpads and free-spinning wheels send many small deltas (a few units of the 120 of one
// wheel notch, or a few pixels); one accumulator per widget adds them up so that every bit of
// movement counts. A step is whatever the widget scrolls by: one line, one pixel.
class WheelSteps
{
public:
    // angleUnitsPerStep: angle delta (120 per notch) that makes one step; pixelsPerStep: pixel
    // delta that makes one step, used when the platform gives pixel deltas.
    WheelSteps(int angleUnitsPerStep, int pixelsPerStep);

    // Whole steps the event adds to the held remainder, positive for scrolling down (towards the
    // end). A pixel delta is preferred where the platform gives one.
    int Take(const QWheelEvent &event);
    // The same from bare deltas (x is ignored; only vertical scrolling).
    int Take(QPoint angleDelta, QPoint pixelDelta);
    void SetPixelsPerStep(int pixelsPerStep);
    void Reset();

private:
    static int Whole(int &rest, int delta, int unit);

    int m_angleUnit;
    int m_pixelUnit;
    int m_angleRest = 0;
    int m_pixelRest = 0;
};
