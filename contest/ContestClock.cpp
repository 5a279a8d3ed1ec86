// The second round's countdown from the wall clock.
#include "ContestClock.h"

#include <algorithm>
#include <cstdio>

ContestClock ContestClock::ForMinutes(std::int64_t minutes, TimePoint now)
{
    // Bounded far beyond any round so that the seconds cannot overflow.
    const std::int64_t bounded = std::clamp<std::int64_t>(minutes, 0, 1000000);
    return ContestClock(bounded * 60, now);
}

ContestClock::ContestClock(std::int64_t secondsLeft, TimePoint now)
    : m_deadline(now + std::chrono::seconds(std::max<std::int64_t>(secondsLeft, 0))),
      m_secondsLeft(std::max<std::int64_t>(secondsLeft, 0))
{
}

ContestClock::Tick ContestClock::Step(TimePoint now)
{
    using namespace std::chrono;
    // Rounded to the nearest second, so a tick that comes a little early or late still reads
    // one second less than the one before.
    const std::int64_t leftMs = duration_cast<milliseconds>(m_deadline - now).count();
    const std::int64_t left = std::clamp<std::int64_t>((leftMs + 500) / 1000, 0, m_secondsLeft);
    const std::int64_t before = m_secondsLeft;
    m_secondsLeft = left;

    Tick tick;
    if (!m_fifteenShown && before > kWarningSeconds && left <= kWarningSeconds && left > 0) {
        m_fifteenShown = true;
        tick.fifteenMinuteWarning = true;
    }
    if (left == 0) {
        if (!m_closingShown) {
            m_closingShown = true;
            tick.closingWarning = true;
        }
        tick.stopTimer = true;
    }
    return tick;
}

std::string ContestClock::Text() const
{
    return ClockText(m_secondsLeft);
}

std::string ClockText(std::int64_t seconds)
{
    seconds = std::max<std::int64_t>(seconds, 0);
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}
