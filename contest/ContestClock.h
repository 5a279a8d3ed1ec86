// The second round's countdown: what the clock reads and when its two warnings are due. It
// counts from the wall clock, not from its ticks, so a program that was blocked or suspended
// shows the time that is really left (the service still decides whether an entry is late).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

class ContestClock
{
public:
    using TimePoint = std::chrono::system_clock::time_point;
    static constexpr int kTickMs = 1000;
    static constexpr std::int64_t kWarningSeconds = 15 * 60;

    // What one tick asks the screen to do.
    struct Tick
    {
        bool fifteenMinuteWarning = false;
        bool closingWarning = false;
        bool stopTimer = false;
    };

    // A round of the given writing time opened at now; a negative time counts as 0.
    static ContestClock ForMinutes(std::int64_t minutes, TimePoint now);
    // A round with this many seconds left at now (a reopened round).
    ContestClock(std::int64_t secondsLeft, TimePoint now);

    // Reads the clock at now. The reading never goes up (a clock set back gives no time), the
    // 15-minute warning comes when the reading passes 00:15:00 on its way down while time is
    // still left, the closing warning when it first reads 00:00:00, and then the timer stops.
    Tick Step(TimePoint now);

    std::int64_t SecondsLeft() const { return m_secondsLeft; }
    TimePoint Deadline() const { return m_deadline; }
    // "%02d:%02d:%02d" of the reading.
    std::string Text() const;
    bool ClosingWarningShown() const { return m_closingShown; }

private:
    TimePoint m_deadline;
    std::int64_t m_secondsLeft;
    bool m_fifteenShown = false;
    bool m_closingShown = false;
};

// Seconds as "HH:MM:SS" (hours are not cut at 99).
std::string ClockText(std::int64_t seconds);
