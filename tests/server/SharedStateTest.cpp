// What two processes on one database must agree on, on each engine: verification codes, the
// delays of guesses spread over both, the sharing gateway's and the saves' rate limits, and a
// session's idle time and test switches. Also the store's counting of limits and failures itself.
#include "PlatformStore.h"
#include "ServiceClient.h"
#include "ServiceProcess.h"
#include "ServerTestKit.h"
#include "SessionTable.h"

#include <json/json.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The session number of a sign-in's answer; "" for a refusal's status code.
std::string SessionNumber(const std::string &signIn)
{
    const Json::Value document = ParseAnswer(signIn);
    return document.isObject() ? document["data"][0]["ID"].asString() : std::string();
}

// Polls the condition until it holds or the time is up; whether it held.
bool WaitFor(const std::function<bool()> &condition, std::chrono::milliseconds within)
{
    const auto end = Clock::now() + within;
    while (!condition()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

long MillisecondsSince(Clock::time_point start)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class SharedState : public EachEngineTest
{
protected:
    // Two processes on one new database, both started with the same options.
    void StartTwo(const std::vector<std::string> &options = {})
    {
        m_a = ServiceProcess::Start(options);
        std::vector<std::string> second = options;
        second.insert(second.end(), {"--db", m_a->DatabasePath()});
        m_b = ServiceProcess::Start(second);
        m_clientA = std::make_unique<ServiceClient>(m_a->BaseAddress(), m_a->Endpoint());
        m_clientB = std::make_unique<ServiceClient>(m_b->BaseAddress(), m_b->Endpoint());
    }

    std::unique_ptr<ServiceProcess> m_a, m_b;
    std::unique_ptr<ServiceClient> m_clientA, m_clientB;
};

} // namespace

// A picture drawn through A is answered through B, once: the same code through A afterwards is
// wrong, and so is it through B again.
TEST_P(SharedState, ACodeDrawnInOneProcessIsAcceptedOnceInAnother)
{
    StartTwo();
    ASSERT_FALSE(m_clientA->CreateVerifyImage("PICTURE").empty());
    const std::string code = m_a->Control("verify-code?code=PICTURE");
    ASSERT_EQ(code.size(), 4u) << code;
    EXPECT_EQ(m_b->Control("verify-code?code=PICTURE"), code); // both read the same codes

    const std::string right = Md5Hex("123456");
    EXPECT_EQ(SessionNumber(m_clientB->Login("xuesheng", right, "PICTURE", code)).size(), 19u);
    EXPECT_EQ(m_clientA->Login("xuesheng", right, "PICTURE", code), "-1");
    EXPECT_EQ(m_clientB->Login("xuesheng", right, "PICTURE", code), "-1");
    int status = 0;
    m_a->Control("verify-code?code=PICTURE", &status);
    EXPECT_EQ(status, 404);

    // The next picture's code sent through both at the same moment signs in once.
    ASSERT_FALSE(m_clientB->CreateVerifyImage("PICTURE").empty());
    const std::string next = m_b->Control("verify-code?code=PICTURE");
    ASSERT_EQ(next.size(), 4u) << next;
    std::string answers[2];
    {
        std::vector<std::thread> senders;
        for (int i = 0; i < 2; ++i)
            senders.emplace_back([&, i] {
                ServiceProcess &service = i ? *m_b : *m_a;
                ServiceClient client(service.BaseAddress(), service.Endpoint());
                answers[i] = client.Login("xuesheng", right, "PICTURE", next);
            });
        for (std::thread &t : senders)
            t.join();
    }
    const int signedIn = (SessionNumber(answers[0]).size() == 19u) + (SessionNumber(answers[1]).size() == 19u);
    EXPECT_EQ(signedIn, 1) << answers[0] << " / " << answers[1];
    EXPECT_TRUE(answers[0] == "-1" || answers[1] == "-1") << answers[0] << " / " << answers[1];
}

// Wrong passwords from one device code, sent in turn to A and B, are one count: the fourth
// waits as the fourth (1 s), not as the second through its process (250 ms).
TEST_P(SharedState, WrongPasswordsFromOneDeviceSpreadOverTwoProcessesDelayAsOneCount)
{
    StartTwo();
    const std::string wrong = Md5Hex("guess");
    long took[4] = {};
    for (int i = 0; i < 4; ++i) {
        ServiceClient &client = i % 2 ? *m_clientB : *m_clientA;
        const auto start = Clock::now();
        // An unknown name: only the device's and the address's counts are at work.
        EXPECT_EQ(client.AutoLogin("nobody-here", wrong, "SPREAD"), "-6") << i;
        took[i] = MillisecondsSince(start);
    }
    EXPECT_GE(took[2], 450) << "the third guess, through A";
    EXPECT_GE(took[3], 950) << "the fourth guess, through B";

    // Session numbers guessed through both processes are counted with the same device code.
    const auto start = Clock::now();
    EXPECT_EQ(m_clientA->UserInfo("1000000000000000001", "SPREAD"), "4");
    EXPECT_GE(MillisecondsSince(start), 1900);
}

// The gateway's window is one across both processes: about 30 shares from an address in all,
// not 30 through each.
TEST_P(SharedState, TheSharingGatewaysWindowIsCountedAcrossBothProcesses)
{
    StartTwo();
    int accepted = 0, refusedStatus = 0;
    const auto start = Clock::now();
    for (int i = 0; i < 70 && refusedStatus == 0; ++i) {
        int status = 0;
        (i % 2 ? *m_b : *m_a).Get("/send/?webid=w&url=u&title=t" + std::to_string(i) + "&summary=s", &status);
        if (status == 200)
            ++accepted;
        else
            refusedStatus = status;
    }
    // One more share every 2 s after the first 30: what the time taken allows, and no more.
    const long allowance = 30 + MillisecondsSince(start) / 2000 + 1;
    EXPECT_EQ(refusedStatus, 429);
    EXPECT_GE(accepted, 30);
    EXPECT_LE(accepted, allowance);
    int status = 0;
    m_b->Get("/send/?webid=w&url=u&title=again&summary=s", &status);
    EXPECT_EQ(status, 429);
    m_a->Get("/send/?webid=w&url=u&title=again&summary=s", &status);
    EXPECT_EQ(status, 429);
}

// Saves per minute are one allowance across both processes.
TEST_P(SharedState, SavesPerMinuteAreCountedAcrossBothProcesses)
{
    StartTwo({"--saves-per-minute", "4"}); // four at once, then one every 15 s
    const std::string id = SessionNumber(m_clientA->AutoLogin("xuesheng", Md5Hex("123456"), "SAVER"));
    ASSERT_EQ(id.size(), 19u) << id;
    for (int i = 0; i < 4; ++i) {
        ServiceClient &client = i % 2 ? *m_clientB : *m_clientA;
        EXPECT_GT(std::atoll(client.CompSaveOrEdit(id, "SAVER", "0", "题" + std::to_string(i), "文", "0", "0").c_str()),
                  10000)
            << i;
    }
    EXPECT_EQ(m_clientB->CompSaveOrEdit(id, "SAVER", "0", "第五篇", "文", "0", "0"), "0");
    EXPECT_EQ(m_clientA->CompSaveOrEdit(id, "SAVER", "0", "第五篇", "文", "0", "0"), "0");
    EXPECT_EQ(ParseAnswer(m_b->Control("counts?name=xuesheng"))["compositions"].asString(), "4");
}

// Use through A keeps a session alive in B; once it is idle past the time-out it answers "2"
// through both, and the test switches set through one act in the other.
TEST_P(SharedState, ASessionsIdleTimeAndSwitchesAreTheSameInBothProcesses)
{
    StartTwo({"--idle-timeout", "2"});
    const std::string right = Md5Hex("123456");
    const std::string id = SessionNumber(m_clientA->AutoLogin("xuesheng", right, "IDLE"));
    ASSERT_EQ(id.size(), 19u) << id;
    EXPECT_TRUE(ParseAnswer(m_clientB->UserInfo(id, "IDLE")).isObject());

    // In use through A for longer than the time-out: still active through B.
    const auto start = Clock::now();
    while (Clock::now() - start < 3500ms) {
        ASSERT_TRUE(ParseAnswer(m_clientA->UserInfo(id, "IDLE")).isObject()) << MillisecondsSince(start);
        std::this_thread::sleep_for(300ms);
    }
    EXPECT_TRUE(ParseAnswer(m_clientB->UserInfo(id, "IDLE")).isObject());

    // Then left alone until the database says it is idle past the time-out.
    PlatformStore store(m_a->DatabasePath());
    const std::string digest = SessionTable::Digest(id);
    ASSERT_TRUE(WaitFor(
        [&] {
            auto stored = store.SessionByDigest(digest);
            return stored && UtcSeconds() - stored->lastUsedUtc > 2;
        },
        10s));
    EXPECT_EQ(m_clientB->UserInfo(id, "IDLE"), "2");
    EXPECT_EQ(m_clientA->UserInfo(id, "IDLE"), "2");
    EXPECT_EQ(m_clientB->ReLogin("xuesheng", right, "IDLE"), "1");
    EXPECT_TRUE(ParseAnswer(m_clientA->UserInfo(id, "IDLE")).isObject());

    EXPECT_EQ(m_a->Control("lapse?name=xuesheng"), "ok");
    EXPECT_EQ(m_clientB->UserInfo(id, "IDLE"), "2");
    EXPECT_EQ(m_clientA->ReLogin("xuesheng", right, "IDLE"), "1");
    EXPECT_EQ(m_b->Control("displace?name=xuesheng"), "ok");
    EXPECT_EQ(m_clientA->UserInfo(id, "IDLE"), "3");
    EXPECT_EQ(m_clientB->ReLogin("xuesheng", right, "IDLE"), "0"); // a displaced session is not renewed
}

// The store's counting itself, on the engine's own SQL, at chosen moments: a limit of three at
// once and then one a second, and failure counts that fade after their time.
TEST_P(SharedState, TheStoreCountsLimitsAndFailuresByTheClock)
{
    ScratchFolder folder("shared-state-test");
    TestDatabase database(folder.path, m_postgres);
    PlatformStore store(database.Target());
    const std::int64_t start = 1'800'000'000'000; // ms
    std::string answers;
    for (std::int64_t at : {0, 0, 0, 0, 0, 999, 2100, 2200})
        answers += store.TakeRateAllowance("a", start + at, 1000, 3) ? '+' : '-';
    EXPECT_EQ(answers, "+++---++");
    EXPECT_TRUE(store.TakeRateAllowance("b", start + 2200, 1000, 3)); // another subject, its own allowance
    // Once whole again a subject's row is swept by the next one to start afresh.
    EXPECT_TRUE(store.TakeRateAllowance("c", start + 60000, 1000, 3));
    {
        SqlStatement rows(store.Handle(), "SELECT subject FROM rate_limits ORDER BY subject");
        std::string left;
        while (rows.Step())
            left += rows.Text(0);
        EXPECT_EQ(left, "c");
    }

    const std::int64_t now = 1'800'000'000; // s
    std::string counts;
    for (int i = 0; i < 3; ++i)
        counts += std::to_string(store.AddFailure("device X", now + i, now + i - 900));
    EXPECT_EQ(counts, "012");
    EXPECT_EQ(store.RecentFailures("device X", now + 2 - 900), 3);
    EXPECT_EQ(store.RecentFailures("device Y", now + 2 - 900), 0);
    // Fifteen quiet minutes: no count, and the next failure starts again.
    EXPECT_EQ(store.RecentFailures("device X", now + 903 - 900), 0);
    EXPECT_EQ(store.AddFailure("device X", now + 903, now + 903 - 900), 0);
}

// Two saves at once, each counting its allowance in its own transaction, each sweeping the rows
// that are whole again: neither may wait for a row the other holds (on PostgreSQL that was a
// deadlock, found by the database after a second, and a save answered as failed).
TEST(SharedStateOnPostgres, ASweepInsideAWriteNeverWaitsForAnotherWrite)
{
    ScratchFolder folder("shared-state-test");
    TestDatabase database(folder.path, true);
    PlatformStore setUp(database.Target()), first(database.Target()), second(database.Target());
    // Far from any clock another test used, so that each call below may sweep.
    const std::int64_t start = UtcMilliseconds() + 1'000'000'000;
    ASSERT_TRUE(setUp.TakeRateAllowance("save B", start, 1000, 60)); // whole again from start + 1 s

    WriteTransaction holding(second);
    ASSERT_TRUE(second.TakeRateAllowance("save B", start + 20'000, 1000, 60)); // B's row is this write's
    std::promise<bool> done;
    std::thread other([&] {
        WriteTransaction saving(first);
        // A new subject sweeps: B's row as committed looks whole again, but another write holds it.
        const bool allowed = first.TakeRateAllowance("save A", start + 40'000, 1000, 60);
        saving.Commit();
        done.set_value(allowed);
    });
    std::future<bool> finished = done.get_future();
    const bool inTime = finished.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    holding.Commit(); // lets a waiting sweep go on, so the thread ends either way
    other.join();
    EXPECT_TRUE(inTime) << "the sweep waited for the other write";
    EXPECT_TRUE(finished.get());
}

INSTANTIATE_TEST_SUITE_P(Engines, SharedState, ::testing::Values("sqlite", "postgresql"),
                         [](const ::testing::TestParamInfo<const char *> &engine) { return std::string(engine.param); });
