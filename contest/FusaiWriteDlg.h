// CFusaiWriteDlg: the timed second-round writing screen: the chosen topic's title, the round's
// requirements with the countdown clock under them, its two warnings, and the submission.
#pragma once

#include "ContestClock.h"
#include "ContestWriteScreen.h"

#include <functional>
#include <optional>

class CFuSaiYaoqiuDlg;

class CFusaiWriteDlg : public ContestWriteScreen
{
    Q_OBJECT

public:
    static constexpr int kClockTimerId = 1;

    // topic: the chosen topic (all empty when the chooser was closed without a choice);
    // minutes: the round's "times"; requirements: the text built from the topic and "supinfo".
    CFusaiWriteDlg(QWidget *parent, const std::string &activityId, const ContestTopic &topic, std::int32_t minutes,
                   const std::string &requirements);

    // A round opened again: the clock starts from what is really left (before set-up).
    void SetSecondsLeft(std::int64_t seconds) { m_secondsLeft = seconds; }
    // Where the clock reads the time (tests step it); the system clock by default. Before set-up.
    void SetTimeSource(std::function<ContestClock::TimePoint()> now) { m_now = std::move(now); }

    // One tick of the 1000 ms timer.
    void TickClock();
    const ContestClock &Clock() const { return *m_clock; }
    std::int32_t WritingMinutes() const { return m_minutes; }
    CFuSaiYaoqiuDlg *ClockPanel() const;

    // The round's journal entry also keeps its writing time and what its clock has left.
    JournalEntry JournalSnapshot() const override;

    static std::string FifteenMinuteWarning();
    static std::string ClosingWarning();

protected:
    CChuxuanYaoqiuDlg *CreatePanel() override;
    void InitRound() override;
    void OnTimer(int id) override;

private:
    std::int32_t m_minutes;
    std::optional<std::int64_t> m_secondsLeft;
    std::function<ContestClock::TimePoint()> m_now = [] { return std::chrono::system_clock::now(); };
    std::optional<ContestClock> m_clock;
};
