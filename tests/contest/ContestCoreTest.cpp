// The contest's pure parts: the countdown on a stepped clock, the requirement texts and their
// labels, the places of the page, the chooser and the panels, the activity flags.
#include "ActivityDlg.h"
#include "ContestClock.h"
#include "ContestLayout.h"
#include "GbkText.h"
#include "RequirementText.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::chrono;
using namespace contestlayout;

namespace {

const ContestClock::TimePoint kOpened = system_clock::time_point(seconds(1'800'000'000));

// What a run of ticks one second apart showed: the readings after the ticks listed in `at`
// (0: before the first tick) and the warnings.
struct ClockRun
{
    std::vector<std::string> readings;
    int fifteenWarnings = 0;
    int closingWarnings = 0;
    int fifteenAtTick = -1;
    int stoppedAtTick = -1;
};

ClockRun RunClock(std::int64_t writingMinutes, int ticks, const std::vector<int> &at, milliseconds jitter = milliseconds(0))
{
    ContestClock clock = ContestClock::ForMinutes(writingMinutes, kOpened);
    auto wanted = [&](int tick) { return std::find(at.begin(), at.end(), tick) != at.end(); };
    ClockRun run;
    if (wanted(0))
        run.readings.push_back(clock.Text());
    for (int tick = 1; tick <= ticks && run.stoppedAtTick < 0; ++tick) {
        const milliseconds off = tick % 2 ? jitter : -jitter;
        const ContestClock::Tick result = clock.Step(kOpened + seconds(tick) + off);
        if (result.fifteenMinuteWarning) {
            ++run.fifteenWarnings;
            run.fifteenAtTick = tick;
        }
        run.closingWarnings += result.closingWarning ? 1 : 0;
        if (result.stopTimer)
            run.stoppedAtTick = tick;
        if (wanted(tick))
            run.readings.push_back(clock.Text());
    }
    return run;
}

std::string U(const char *utf8)
{
    return Utf8ToGbk(utf8);
}

} // namespace

TEST(ContestClock, StartsAtTheWritingTimeAndStepsDownOneSecondATick)
{
    const ClockRun run = RunClock(120, 2, {0, 1, 2});
    EXPECT_EQ(run.readings, (std::vector<std::string>{"02:00:00", "01:59:59", "01:59:58"}));
    // Ticks that come 300 ms early or late read the same.
    EXPECT_EQ(RunClock(120, 2, {0, 1, 2}, milliseconds(300)).readings, run.readings);
    EXPECT_EQ(RunClock(61, 61, {60, 61}).readings, (std::vector<std::string>{"01:00:00", "00:59:59"}));
}

TEST(ContestClock, FifteenMinuteWarningOnlyWhenTheClockPassesIt)
{
    struct Case
    {
        std::int64_t minutes;
        int fifteenWarnings;
        int atTick;
    };
    for (const Case c : {Case{15, 0, -1}, Case{16, 1, 60}, Case{17, 1, 120}, Case{5, 0, -1}}) {
        const ClockRun run = RunClock(c.minutes, static_cast<int>(c.minutes * 60), {});
        EXPECT_EQ(run.fifteenWarnings, c.fifteenWarnings) << c.minutes;
        EXPECT_EQ(run.fifteenAtTick, c.atTick) << c.minutes;
        EXPECT_EQ(run.closingWarnings, 1) << c.minutes;
        EXPECT_EQ(run.stoppedAtTick, static_cast<int>(c.minutes * 60)) << c.minutes;
    }
}

TEST(ContestClock, ZeroMinutesWarnsOnceAndStopsAtZeros)
{
    ContestClock clock = ContestClock::ForMinutes(0, kOpened);
    EXPECT_EQ(clock.Text(), "00:00:00");
    const ContestClock::Tick first = clock.Step(kOpened + seconds(1));
    EXPECT_EQ(first.closingWarning, true);
    EXPECT_EQ(first.stopTimer, true);
    EXPECT_EQ(first.fifteenMinuteWarning, false);
    const ContestClock::Tick second = clock.Step(kOpened + seconds(2));
    EXPECT_EQ(second.closingWarning, false);
    EXPECT_EQ(clock.Text(), "00:00:00");
    // A negative writing time is no time at all.
    EXPECT_EQ(ContestClock::ForMinutes(-5, kOpened).Text(), "00:00:00");
}

TEST(ContestClock, CountsFromTheWallClockNotFromTicks)
{
    // Blocked for ten minutes: the next tick shows what is really left.
    ContestClock clock = ContestClock::ForMinutes(20, kOpened);
    clock.Step(kOpened + seconds(1));
    const ContestClock::Tick late = clock.Step(kOpened + minutes(10) + seconds(1));
    EXPECT_EQ(clock.Text(), "00:09:59");
    EXPECT_EQ(late.fifteenMinuteWarning, true); // passed 00:15:00 while blocked, time is left

    // Suspended past the end: the closing warning, not a stale 15-minute one.
    ContestClock suspended = ContestClock::ForMinutes(20, kOpened);
    const ContestClock::Tick woke = suspended.Step(kOpened + hours(2));
    EXPECT_EQ(suspended.Text(), "00:00:00");
    EXPECT_EQ(woke.fifteenMinuteWarning, false);
    EXPECT_EQ(woke.closingWarning, true);

    // A clock set back gives no time back.
    ContestClock back = ContestClock::ForMinutes(20, kOpened);
    back.Step(kOpened + minutes(5));
    back.Step(kOpened - minutes(30));
    EXPECT_EQ(back.Text(), "00:15:00");

    // A reopened round starts from the seconds left at reopening.
    ContestClock reopened(125, kOpened);
    EXPECT_EQ(reopened.Text(), "00:02:05");
    reopened.Step(kOpened + seconds(5));
    EXPECT_EQ(reopened.Text(), "00:02:00");
}

TEST(ContestClock, TextOfLongRounds)
{
    EXPECT_EQ(ClockText(0), "00:00:00");
    EXPECT_EQ(ClockText(59), "00:00:59");
    EXPECT_EQ(ClockText(100 * 3600 + 61), "100:01:01");
}

TEST(RequirementText, SecondRoundTextHasNineLinesWithItsLabels)
{
    const ContestTopic topic{"201", U("月是故乡明"), U("写出思念"), U("李评委"), U("散文")};
    const std::string text = SecondRoundRequirements(topic, U("限时写作"));
    EXPECT_EQ(GbkToUtf8(text),
              "命题评委：李评委\r\n\r\n文体：散文\r\n\r\n题目：月是故乡明\r\n\r\n创作要求：写出思念\r\n\r\n限时写作");
    EXPECT_EQ(PanelText(text).split('\n').size(), 9);
    // Four labels: 命题评委： (5 characters), 文体： at 10, 题目： at 17, 创作要求： at 27 (each line
    // break one position).
    EXPECT_EQ(LabelSpans(text), (std::vector<LabelSpan>{{0, 5}, {10, 3}, {17, 3}, {27, 5}}));
    EXPECT_EQ(GbkToUtf8(TopicCardText(topic)), "文体：散文\r\n题目：月是故乡明\r\n创作要求：写出思念");
}

TEST(RequirementText, LabelsCountCharactersAndLineBreaksOnce)
{
    struct Case
    {
        const char *utf8;
        std::vector<LabelSpan> spans;
    };
    const Case cases[] = {
        {"", {}},
        {"没有冒号的一行", {}},
        {"ab：c", {{0, 3}}},                          // single-byte characters count once too
        {"要求：一：二\n时间：60", {{0, 3}, {7, 3}}}, // the first colon of a line; LF is one position
        {"甲\r乙：\r\n丙：", {{2, 2}, {5, 2}}},       // CR alone and CR LF are one position each
        {"a:b", {}},                                  // a half-width colon is no label
    };
    for (const Case &c : cases)
        EXPECT_EQ(LabelSpans(U(c.utf8)), c.spans) << c.utf8;
    // "单" is B5 A5 and A1 a lone byte after it: the bytes A3 BA inside "\xB5\xA3" "\xBA\xA1" are
    // no colon, since a colon starts only where a character starts.
    EXPECT_EQ(LabelSpans(std::string("\xB5\xA3\xBA\xA1")), (std::vector<LabelSpan>{}));
}

TEST(ContestLayout, PageChooserCardAndPanelPlaces)
{
    EXPECT_EQ(TabRect(0), QRect(20, 22, 139, 28));
    EXPECT_EQ(TabRect(5), QRect(755, 22, 139, 28));
    struct Case
    {
        QSize page;
        QRect frame, web, write;
    };
    for (const Case &c : {Case{QSize(823, 639), QRect(21, 50, 775, 539), QRect(23, 52, 771, 535), QRect(367, 602, 89, 28)},
                          Case{QSize(1719, 1014), QRect(21, 50, 1671, 914), QRect(23, 52, 1667, 910), QRect(815, 977, 89, 28)}}) {
        EXPECT_EQ(FrameRect(c.page), c.frame);
        EXPECT_EQ(WebPageRect(c.page), c.web);
        EXPECT_EQ(WriteButtonRect(c.page), c.write);
    }
    EXPECT_EQ(CardRect(2), QRect(468, 80, 207, 188));
    EXPECT_EQ(CardRect(4), QRect(247, 283, 207, 188));
    EXPECT_EQ(ConfirmButtonRect(kChooserSize), QRect(316, 496, 64, 24));
    EXPECT_EQ(PromptOrigin(kChooserSize), QPoint(284, 49));
    EXPECT_EQ(ChooserPosition(QSize(1920, 1080)), QPoint(704, 289));
    EXPECT_EQ(SelectButtonRect(QSize(207, 188)), QRect(82, 164, 41, 20));
    EXPECT_EQ(CardBodyRect(QSize(207, 188)), QRect(3, 30, 201, 132));
    EXPECT_EQ(CardLowerLineY(QSize(207, 188)), 162);
    EXPECT_EQ(PanelTextRect(QSize(329, 581), false), QRect(10, 13, 309, 568));
    EXPECT_EQ(PanelTextRect(QSize(329, 581), true), QRect(10, 13, 309, 457));
    EXPECT_EQ(ClockPictureOrigin(QSize(329, 581)), QPoint(75, 473));
    EXPECT_EQ(ClockTextRect(QSize(329, 581)), QRect(79, 475, 170, 66));
}

TEST(ActivityFlags, WriteAllowedAndWebAddresses)
{
    struct Flags
    {
        const char *status, *isMeg;
        bool allowed;
    };
    for (const Flags f : {Flags{"2", "True", true}, Flags{"2", "true", false}, Flags{"1", "True", false}, Flags{"", "", false}}) {
        const Activity activity{"1", "t", f.status, f.isMeg, ""};
        EXPECT_EQ(CActivityDlg::IsWriteAllowed(activity), f.allowed) << f.status << " " << f.isMeg;
    }
    struct Url
    {
        const char *url;
        bool web;
    };
    for (const Url u : {Url{"http://127.0.0.1:8089/activity/1.aspx", true}, Url{"https://example.org/a", true},
                        Url{"HTTPS://example.org/", true}, Url{"file:///etc/passwd", false}, Url{"javascript:alert(1)", false},
                        Url{"ftp://example.org/", false}, Url{"/activity/1.aspx", false}, Url{"http://", false}, Url{"", false}})
        EXPECT_EQ(CActivityDlg::IsWebAddress(u.url), u.web) << u.url;
}
