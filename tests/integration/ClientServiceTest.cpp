// The client side of every operation against the real reference service on 127.0.0.1, with
// the local database file as the program ships it.
#include "Keywords.h"
#include "LocalSyncStore.h"
#include "MsgDBManager.h"
#include "OperationsAccount.h"
#include "OperationsComposition.h"
#include "OperationsCorpus.h"
#include "ServiceHooks.h"
#include "ServiceProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

std::string Gbk(const char *utf8)
{
    return Utf8ToGbk(utf8);
}

// One service for the program: the proxies fix their namespaces when they are created. A test
// may restart it on the same port and database.
std::unique_ptr<ServiceProcess> &ServiceSlot()
{
    static std::unique_ptr<ServiceProcess> service = [] {
        auto started = ServiceProcess::Start();
        InitServiceAddresses(started->BaseAddress().substr(7, started->BaseAddress().size() - 8));
        return started;
    }();
    return service;
}

ServiceProcess &Service()
{
    return *ServiceSlot();
}

class ClientServiceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Service();
        ServiceContext.DeviceCode = "4748494a4b4c4d4e4f5051525354";
        ServiceHooks &hooks = GetServiceHooks();
        hooks.isMessageBoxOpen = [] { return false; };
        hooks.showMessage = [this](const std::string &message) { m_shown.push_back(message); };
        hooks.onReLoginRefused = [this] { ++m_refusals; };
        ASSERT_EQ(SignIn("xuesheng", "123456", nullptr).status, SignInStatus::Success);
    }

    void TearDown() override { GetServiceHooks() = ServiceHooks{}; }

    std::vector<std::string> m_shown;
    int m_refusals = 0;
};

TEST_F(ClientServiceTest, SignInGivesTheServiceValues)
{
    EXPECT_EQ(ServiceContext.BaseAddress, Service().BaseAddress());
    EXPECT_EQ(ServiceContext.Endpoint, Service().SignedInEndpoint());
    EXPECT_FALSE(ServiceContext.UserId.empty());
    EXPECT_EQ(ServiceContext.UserNo, "10001");

    struct Case
    {
        const char *name, *password;
        SignInStatus status;
    };
    for (const Case &c : {Case{"xuesheng", "wrong", SignInStatus::WrongPassword}, Case{"nobody", "123456", SignInStatus::WrongPassword},
                          Case{"jinyong", "123456", SignInStatus::Disabled}, Case{"weizhuce", "123456", SignInStatus::NotRegistered}})
        EXPECT_EQ(SignIn(c.name, c.password, nullptr).status, c.status) << c.name;
}

TEST_F(ClientServiceTest, VerificationCodeBindsToTheDevice)
{
    std::vector<unsigned char> gif;
    ASSERT_TRUE(FetchVerifyImage(gif));
    ASSERT_GT(gif.size(), 6u);
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 3), "GIF");
    const std::string code = Service().Control("verify-code?code=" + ServiceContext.DeviceCode);
    const std::string wrong = code == "0000" ? "1111" : "0000";
    EXPECT_EQ(SignIn("xuesheng", "123456", &wrong).status, SignInStatus::WrongVerifyCode);
    ASSERT_TRUE(FetchVerifyImage(gif));
    const std::string fresh = Service().Control("verify-code?code=" + ServiceContext.DeviceCode);
    EXPECT_EQ(SignIn("xuesheng", "123456", &fresh).status, SignInStatus::Success);
}

TEST_F(ClientServiceTest, ProfilePollAndOverallInfo)
{
    ASSERT_EQ(LoadUserInfo(), FetchStatus::Ok);
    EXPECT_EQ(UserInfo.TrueName, Gbk("李明"));
    EXPECT_EQ(UserInfo.School, Gbk("城南实验中学"));

    // The client shows one message per poll; the service hands them out one by one, oldest
    // first (the welcome message may still be waiting from the seed).
    Service().Control("message?name=xuesheng&content=" + UrlEncode("第一条") + "&url=");
    Service().Control("message?name=xuesheng&content=" + UrlEncode("第二条") + "&url=" + UrlEncode("/help.aspx"));
    std::vector<PollMessage> shown;
    for (int poll = 0; poll < 4; ++poll) {
        PollMessage message;
        if (PollNewestMessage(message) == FetchStatus::Ok)
            shown.push_back(message);
    }
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[shown.size() - 2].content, Gbk("第一条"));
    EXPECT_EQ(shown.back().content, Gbk("第二条"));
    EXPECT_NE(shown.back().url.find("help.aspx"), std::string::npos);
    PollMessage none;
    EXPECT_EQ(PollNewestMessage(none), FetchStatus::Empty);

    OverallInfo info;
    ASSERT_EQ(FetchOverallInfo(info), FetchStatus::Ok);
    EXPECT_FALSE(info.version.empty());
    EXPECT_GT(LeadingNumber(info.keyWordMaxId), 1000);
}

TEST_F(ClientServiceTest, CorpusOfAKeyword)
{
    std::vector<ServiceKeyword> keywords;
    ASSERT_EQ(FetchKeywords("0", keywords), FetchStatus::Ok);
    ASSERT_FALSE(keywords.empty());
    std::vector<CorpusBrief> briefs;
    ASSERT_EQ(FetchCorpusBriefs(LeadingNumber(keywords[0].id), briefs), FetchStatus::Ok);
    ASSERT_FALSE(briefs.empty());
    CorpusDetail detail;
    ASSERT_EQ(FetchCorpusDetail(briefs[0].Id, detail), FetchStatus::Ok);
    EXPECT_NE(detail.con.find(keywords[0].text), std::string::npos);
    EXPECT_FALSE(detail.title.empty());
    EXPECT_EQ(FetchCorpusDetail(999999999, detail), FetchStatus::NotFound);
    EXPECT_TRUE(LikeCorpus(briefs[0].Id).liked);
    std::string result;
    EXPECT_EQ(UpdateKeywordHits(LeadingNumber(keywords[0].id), result), FetchStatus::Ok);
    EXPECT_EQ(result, "1");
}

TEST_F(ClientServiceTest, EssayRoundTripThroughTheLibrary)
{
    const std::string title = Gbk("我的'家乡'");
    const std::string body = Gbk("第一段：春天来了。") + "\r" + Gbk("第二段 <和> & \"引号\"");
    SaveOutcome saved = SaveComposition("0", title, body);
    ASSERT_EQ(saved.status, SaveStatus::Saved) << saved.message;
    SaveOutcome again = SaveComposition(saved.essayId, title, body + "\r" + Gbk("第三段"));
    ASSERT_EQ(again.status, SaveStatus::Saved);
    EXPECT_EQ(again.essayId, saved.essayId);

    std::vector<LibraryEntry> entries;
    ASSERT_EQ(ListCompositions(Gbk("家乡"), entries), FetchStatus::Ok);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].ID, saved.essayId);
    EXPECT_EQ(entries[0].Title, title);
    EXPECT_EQ(entries[0].Date().size(), 10u);

    CompositionText essay;
    ASSERT_EQ(FetchComposition(LeadingNumber(saved.essayId), essay), FetchStatus::Ok);
    EXPECT_EQ(essay.Content, body + "\r" + Gbk("第三段"));
    EXPECT_EQ(essay.Title, title);

    EXPECT_TRUE(DeleteCompositions({LeadingNumber(saved.essayId)}));
    EXPECT_EQ(FetchComposition(LeadingNumber(saved.essayId), essay), FetchStatus::NotFound);
    EXPECT_FALSE(DeleteCompositions({LeadingNumber(saved.essayId)}));

    // Over 5000 characters, counted without line breaks.
    SaveOutcome tooLong = SaveComposition("0", title, std::string(5001 * 2, '\xb0'));
    EXPECT_EQ(tooLong.status, SaveStatus::Refused);
    EXPECT_EQ(tooLong.message, Gbk("\t  作文提交保存失败,字数超限!"));
}

TEST_F(ClientServiceTest, ContestActivitiesEntriesScoreAndIdea)
{
    std::vector<Activity> activities;
    ASSERT_EQ(ListActivities(activities), FetchStatus::Ok);
    ASSERT_GE(activities.size(), 2u);
    bool sawPreliminary = false, sawSecond = false;
    for (const Activity &activity : activities) {
        std::vector<ActivityEntry> entries;
        ASSERT_EQ(FetchActivityInfo(activity.id, entries), FetchStatus::Ok);
        ASSERT_FALSE(entries.empty());
        if (entries[0].type == "1") {
            sawPreliminary = true;
            ContestEntry entry{ContestRound::Preliminary, Gbk("初赛作文"), Gbk("正文"), activity.id, "0"};
            ASSERT_EQ(SignIn("tongxue", "654321", nullptr).status, SignInStatus::Success);
            EXPECT_EQ(SubmitContestEntry(entry).status, SaveStatus::Saved);
            SaveOutcome repeated = SubmitContestEntry(entry);
            EXPECT_EQ(repeated.message, Gbk("您已提交过大赛征文，请不要反复提交！"));
            ASSERT_EQ(SignIn("xuesheng", "123456", nullptr).status, SignInStatus::Success);
        } else if (entries[0].type == "2") {
            sawSecond = true;
            EXPECT_GT(entries[0].minutes, 0);
            ASSERT_EQ(entries[0].topics.size(), 6u);
            ContestEntry entry{ContestRound::Second, entries[0].topics[0].title, Gbk("复赛正文"), activity.id, entries[0].topics[0].mid};
            SaveOutcome outcome = SubmitContestEntry(entry);
            ASSERT_EQ(outcome.status, SaveStatus::Saved) << GbkToUtf8(outcome.message);
            CompositionText essay;
            EXPECT_EQ(FetchComposition(LeadingNumber(outcome.essayId), essay), FetchStatus::Ok);
            EXPECT_EQ(essay.Content, Gbk("复赛正文"));
        }
    }
    EXPECT_TRUE(sawPreliminary);
    EXPECT_TRUE(sawSecond);

    FetchStatus status;
    EXPECT_TRUE(RecordScore("88", status));
    EXPECT_FALSE(RecordScore("101", status));
    EXPECT_TRUE(SendUserIdea(Gbk("很好用，谢谢！"), IdeaScreen::Feedback).sent);
}

TEST_F(ClientServiceTest, LapsedDisplacedAndRefusedSessions)
{
    Service().Control("lapse?name=xuesheng");
    ASSERT_EQ(LoadUserInfo(), FetchStatus::Ok);  // renewed, then sent again
    EXPECT_TRUE(m_shown.empty());

    Service().Control("lapse?name=xuesheng");
    Service().Control("refuse-relogin?name=xuesheng");
    EXPECT_EQ(LoadUserInfo(), FetchStatus::Abandoned);
    EXPECT_EQ(m_shown, std::vector<std::string>{Gbk("\t您已掉线，请重新登录!")});
    EXPECT_EQ(m_refusals, 1);

    ASSERT_EQ(SignIn("xuesheng", "123456", nullptr).status, SignInStatus::Success);
    m_shown.clear();
    Service().Control("displace?name=xuesheng");
    EXPECT_EQ(LoadUserInfo(), FetchStatus::Abandoned);
    EXPECT_EQ(m_shown, std::vector<std::string>{Gbk("您的账号已在别处登录，请重新登录！")});
}

TEST_F(ClientServiceTest, LikeFromADisplacedSessionLeavesTheTellingToTheHandler)
{
    std::vector<ServiceKeyword> keywords;
    ASSERT_EQ(FetchKeywords("0", keywords), FetchStatus::Ok);
    ASSERT_FALSE(keywords.empty());
    std::vector<CorpusBrief> briefs;
    ASSERT_EQ(FetchCorpusBriefs(LeadingNumber(keywords[0].id), briefs), FetchStatus::Ok);
    ASSERT_FALSE(briefs.empty());

    Service().Control("displace?name=xuesheng");
    LikeOutcome outcome = LikeCorpus(briefs[0].Id);
    EXPECT_EQ(outcome.abandoned, true);
    EXPECT_EQ(outcome.liked, false);
    EXPECT_EQ(outcome.message, "");
    EXPECT_EQ(m_shown, std::vector<std::string>{Gbk("您的账号已在别处登录，请重新登录！")});
}

TEST_F(ClientServiceTest, ARestartBetweenTwoCallsIsRenewedWithoutTheUser)
{
    ASSERT_EQ(LoadUserInfo(), FetchStatus::Ok);
    // The first service stops (its folder, with the database, stays until the program ends) and
    // a new one starts on the same port and database: the sessions it held are gone.
    static std::unique_ptr<ServiceProcess> stopped;
    stopped = std::move(ServiceSlot());
    ASSERT_EQ(stopped->Stop(), 0);
    ServiceSlot() = ServiceProcess::Start({"--port", std::to_string(stopped->Port()), "--db", stopped->DatabasePath()});
    // Answered "2", renewed by HandleServiceStatus and sent again; nothing is shown.
    ASSERT_EQ(LoadUserInfo(), FetchStatus::Ok);
    EXPECT_EQ(m_shown, std::vector<std::string>{});
    EXPECT_EQ(m_refusals, 0);
}

TEST_F(ClientServiceTest, ChineseAccountNameAndPasswordSignInAndRenew)
{
    Service().Control("add-user?name=" + UrlEncode("王小明") + "&password=" + UrlEncode("密码123"));
    ASSERT_EQ(SignIn(Gbk("王小明"), Gbk("密码123"), nullptr).status, SignInStatus::Success);
    EXPECT_EQ(Service().Control("lapse?name=" + UrlEncode("王小明")), "ok");
    EXPECT_EQ(LoadUserInfo(), FetchStatus::Ok);
    EXPECT_EQ(m_shown, std::vector<std::string>{});
}

TEST_F(ClientServiceTest, StartupSynchronisationFillsTheShippedDatabase)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "penlark-sync-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string database = (folder / "write.dll").string();
    std::filesystem::copy_file(SHIPPED_DATABASE, database);

    LocalSyncStore store(database);
    SyncOutcome first = SynchroniseAtStartup(store);
    ASSERT_TRUE(first.success) << first.message;

    CMsgDBManager manager;
    ASSERT_TRUE(manager.openDatabase(database));
    manager.loadKeywords();
    std::vector<MainPageItem> group1, group2;
    manager.loadMainPageItems(group1, group2);
    manager.closeDatabase();
    EXPECT_GT(KeywordList.size(), 1000u);
    EXPECT_FALSE(group1.empty());
    EXPECT_FALSE(group2.empty());
    auto characters = [](const std::string &gbk) {
        std::string utf8 = GbkToUtf8(gbk);
        return std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
    };
    for (std::size_t i = 1; i < KeywordList.size(); ++i)
        ASSERT_GE(characters(KeywordList[i - 1].text), characters(KeywordList[i].text)) << i;

    // Everything is current now: the next start fetches nothing more and stays successful.
    OverallInfo info;
    ASSERT_EQ(FetchOverallInfo(info), FetchStatus::Ok);
    EXPECT_TRUE(store.MainInfoTimeEquals(info.mainInfoTime));
    EXPECT_EQ(store.ReadMaxKeywordId(), info.keyWordMaxId);
    EXPECT_TRUE(SynchroniseAtStartup(store).success);

    // A new stamp on the service replaces the texts; a new version makes the client outdated.
    Service().Control("overall?MainInfoTime=20270101000000");
    EXPECT_TRUE(SynchroniseAtStartup(store).success);
    EXPECT_TRUE(store.MainInfoTimeEquals("20270101000000"));
    Service().Control("overall?version=9.9.9");
    SyncOutcome outdated = SynchroniseAtStartup(store);
    EXPECT_FALSE(outdated.success);
    EXPECT_TRUE(outdated.openHomePage);
    Service().Control("overall?version=" + info.version);
    std::filesystem::remove_all(folder);
}

}  // namespace
