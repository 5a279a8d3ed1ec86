// The second round: its panel with the clock, the countdown and its warnings.
#include "FusaiWriteDlg.h"

#include "ChuxuanYaoqiuDlg.h"
#include "GbkText.h"
#include "OkDialog.h"

#include <algorithm>
#include <cstdint>

namespace {

ContestEntry SecondRoundEntry(const std::string &activityId, const ContestTopic &topic)
{
    ContestEntry entry;
    entry.round = ContestRound::Second;
    entry.title = topic.title;
    entry.activityId = activityId;
    entry.matchId = topic.mid;
    return entry;
}

} // namespace

std::string CFusaiWriteDlg::FifteenMinuteWarning()
{
    static const std::string text = Utf8ToGbk("距离比赛结束还有15分钟，请注意按时提交您的创作作品。");
    return text;
}

std::string CFusaiWriteDlg::ClosingWarning()
{
    static const std::string text = Utf8ToGbk("“晨曦杯超级作文大赛”复赛作品提交入口即将关闭，请在3分钟内提交您的创作作品。");
    return text;
}

CFusaiWriteDlg::CFusaiWriteDlg(QWidget *parent, const std::string &activityId, const ContestTopic &topic, std::int32_t minutes,
                               const std::string &requirements)
    : ContestWriteScreen(parent, SecondRoundEntry(activityId, topic), requirements), m_minutes(minutes)
{
}

CChuxuanYaoqiuDlg *CFusaiWriteDlg::CreatePanel()
{
    return new CFuSaiYaoqiuDlg(this);
}

CFuSaiYaoqiuDlg *CFusaiWriteDlg::ClockPanel() const
{
    return static_cast<CFuSaiYaoqiuDlg *>(RequirementsPanel());
}

void CFusaiWriteDlg::InitRound()
{
    m_clock = m_secondsLeft ? ContestClock(*m_secondsLeft, m_now()) : ContestClock::ForMinutes(m_minutes, m_now());
    // The clock shows the round's own time from the start, not a fixed reading.
    ClockPanel()->SetClockText(m_clock->Text());
    // The clock goes on during a slow submission: the student sees the time really left.
    SetDisplayTimer(kClockTimerId, ContestClock::kTickMs);
}

void CFusaiWriteDlg::OnTimer(int id)
{
    if (id == kClockTimerId)
        TickClock();
    else
        ContestWriteScreen::OnTimer(id);
}

void CFusaiWriteDlg::TickClock()
{
    if (!m_clock)
        return;
    const ContestClock::Tick tick = m_clock->Step(m_now());
    if (tick.stopTimer)
        KillTimer(kClockTimerId);
    // Modeless: the clock keeps running while a warning is open.
    if (tick.fifteenMinuteWarning)
        COkDialog::ShowModeless(Utf8ToGbk("确 定"), FifteenMinuteWarning(), this);
    if (tick.closingWarning)
        COkDialog::ShowModeless(Utf8ToGbk("确 定"), ClosingWarning(), this);
    ClockPanel()->SetClockText(m_clock->Text());
}

JournalEntry CFusaiWriteDlg::JournalSnapshot() const
{
    JournalEntry entry = ContestWriteScreen::JournalSnapshot();
    entry.writingMinutes = m_minutes;
    if (m_clock)
        entry.clockSecondsLeft = static_cast<std::int32_t>(std::min<std::int64_t>(m_clock->SecondsLeft(), INT32_MAX));
    return entry;
}
