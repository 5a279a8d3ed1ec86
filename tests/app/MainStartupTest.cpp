// The main window's start-up work without a window, against the real reference service: the
// order of the window's steps, and where each failure (or the end of the session) stops it.
#include "GbkText.h"
#include "KeywordAutomaton.h"
#include "Keywords.h"
#include "LocalSyncStore.h"
#include "MainStartup.h"
#include "OperationsAccount.h"
#include "OperationsComposition.h"
#include "ServiceContext.h"
#include "ServiceHooks.h"
#include "ProcessService.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

ServiceProcess &Service()
{
    return ProcessService();
}

class MainStartupTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Service();
        ServiceContext.DeviceCode = "4d61696e537461727475705465737431";
        ServiceHooks &hooks = GetServiceHooks();
        hooks.isMessageBoxOpen = [] { return false; };
        hooks.showMessage = [this](const std::string &message) { m_shown.push_back(GbkToUtf8(message)); };
        // As the program's handler does: the main window ends when the session does.
        hooks.onReLoginRefused = [this] { m_ended = true; };
        ASSERT_EQ(SignIn("xuesheng", "123456", nullptr).status, SignInStatus::Success);

        m_folder = std::filesystem::temp_directory_path() / ("penlark-main-startup-" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        m_database = (m_folder / "write.dll").string();
        std::filesystem::copy_file(SHIPPED_DATABASE, m_database);
        KeywordList.clear();
    }

    void TearDown() override
    {
        GetServiceHooks() = ServiceHooks{};
        std::filesystem::remove_all(m_folder);
    }

    // Steps that record their calls (and the keyword count the window opens with); `during` runs
    // inside the step of that name, as the window's own service calls would.
    MainStartupSteps RecordingSteps(const std::string &stepName = {}, const std::function<void()> &during = {})
    {
        auto record = [this, stepName, during](const std::string &name) {
            m_calls.push_back(name);
            if (name == stepName && during)
                during();
        };
        MainStartupSteps steps;
        steps.showSyncNotice = [this](const SyncOutcome &sync) {
            m_calls.push_back(sync.openHomePage ? "notice+home" : "notice");
            m_notice = GbkToUtf8(sync.message);
        };
        steps.build = [record] { record("build"); };
        steps.layOut = [record] { record("layOut"); };
        steps.greet = [this, record](const std::string &trueName) {
            record("greet");
            m_greeting = GbkToUtf8(trueName);
        };
        steps.open = [this, record] {
            record("open");
            m_keywordsAtOpen = KeywordList.size();
        };
        steps.ended = [this] { return m_ended; };
        return steps;
    }

    std::filesystem::path m_folder;
    std::string m_database;
    std::vector<std::string> m_calls;
    std::vector<std::string> m_shown;
    std::string m_notice;
    std::string m_greeting;
    std::size_t m_keywordsAtOpen = 0;
    bool m_ended = false;
};

TEST_F(MainStartupTest, StartsTheWindowThenLoadsTheKeywords)
{
    EXPECT_EQ(RunMainStartup(m_database, RecordingSteps()), MainStartupOutcome::Started);

    EXPECT_EQ(m_calls, (std::vector<std::string>{"build", "layOut", "greet", "open"}));
    EXPECT_EQ(m_greeting, "李明");
    // The local database caught up with the service, and its keywords are in memory, loaded
    // after the window opened (the sign-in window is not kept waiting for them).
    OverallInfo info;
    ASSERT_EQ(FetchOverallInfo(info), FetchStatus::Ok);
    EXPECT_EQ(LocalSyncStore(m_database).ReadMaxKeywordId(), info.keyWordMaxId);
    EXPECT_EQ(m_keywordsAtOpen, 0u);
    EXPECT_GT(KeywordList.size(), 1000u);
    EXPECT_EQ(m_shown, std::vector<std::string>{});
}

TEST_F(MainStartupTest, StopsWhereAFailureOrTheSessionsEndMeetsIt)
{
    OverallInfo info;
    ASSERT_EQ(FetchOverallInfo(info), FetchStatus::Ok);
    const std::string signedInEndpoint = ServiceContext.Endpoint;
    auto outdateVersion = [] { Service().Control("overall?version=9.9.9"); };
    auto refuseRenewal = [] {
        Service().Control("lapse?name=xuesheng");
        Service().Control("refuse-relogin?name=xuesheng");
    };
    auto displace = [] { Service().Control("displace?name=xuesheng"); };
    auto cutConnection = [] { ServiceContext.Endpoint = "http://127.0.0.1:1/iface/api.asmx"; };
    // The library panel's first call, made while the window builds its panels.
    auto listLibrary = [] {
        std::vector<LibraryEntry> entries;
        ListCompositions("", entries);
    };
    using Calls = std::vector<std::string>;
    const std::string offline = "\t您已掉线，请重新登录!";
    const std::string elsewhere = "您的账号已在别处登录，请重新登录！";

    struct Case
    {
        const char *name;
        std::function<void()> before; // before the start-up runs
        const char *step;             // the step during which `during` runs
        std::function<void()> during;
        bool panelCall; // the library panel's call follows `during`
        MainStartupOutcome outcome;
        Calls calls;
        Calls shown;
        bool ended;
    };
    // clang-format off
    const std::vector<Case> cases{
        {"outdated version", outdateVersion, "", {}, false,
         MainStartupOutcome::NotSynchronised, {"notice+home"}, {}, false},
        {"renewal refused while the panels load", {}, "build", refuseRenewal, true,
         MainStartupOutcome::SessionEnded, {"build"}, {offline}, true},
        {"signed in elsewhere while the panels load", {}, "build", displace, true,
         MainStartupOutcome::SessionEnded, {"build"}, {elsewhere}, true},
        // The profile's call came back (empty, the handler gave up on it): greeted, not opened.
        {"renewal refused on the profile's call", {}, "layOut", refuseRenewal, false,
         MainStartupOutcome::SessionEnded, {"build", "layOut", "greet"}, {offline}, true},
        {"no connection for the profile", {}, "layOut", cutConnection, false,
         MainStartupOutcome::ProfileFailed, {"build", "layOut"}, {}, false},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        m_calls.clear();
        m_shown.clear();
        m_ended = false;
        if (c.before)
            c.before();

        auto during = [&] {
            c.during();
            if (c.panelCall)
                listLibrary();
        };
        EXPECT_EQ(RunMainStartup(m_database, RecordingSteps(c.step, during)), c.outcome);
        EXPECT_EQ(m_calls, c.calls);
        EXPECT_EQ(m_shown, c.shown);
        EXPECT_EQ(m_ended, c.ended);
        EXPECT_TRUE(KeywordList.empty()); // the keywords wait for a start-up that gets through

        Service().Control("overall?version=" + info.version);
        ServiceContext.Endpoint = signedInEndpoint;
        ASSERT_EQ(SignIn("xuesheng", "123456", nullptr).status, SignInStatus::Success);
    }
    EXPECT_EQ(m_notice, "\t  版本已过期,请更新版本!");
}

} // namespace
