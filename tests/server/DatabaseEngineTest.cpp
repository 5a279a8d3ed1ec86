// The service's database engines: schema versions (an unversioned file upgraded with its data,
// a newer database refused), a poll queue shared by two processes, and PostgreSQL going away.
#include "PlatformSchema.h"
#include "PlatformStore.h"
#include "ServiceClient.h"
#include "ServiceProcess.h"
#include "ServerTestKit.h"

#include <json/json.h>
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#ifndef SERVER_TEST_DATA_DIR
#error "SERVER_TEST_DATA_DIR must name tests/server/data"
#endif

namespace {

std::string SignedInId(ServiceClient &client, const std::string &device)
{
    return ParseAnswer(client.AutoLogin("xuesheng", Md5Hex("123456"), device))["data"][0]["ID"].asString();
}

int SqliteVersion(const std::string &file)
{
    sqlite3 *db = nullptr;
    int version = -1;
    if (sqlite3_open(file.c_str(), &db) == SQLITE_OK) {
        sqlite3_exec(
            db, "SELECT version FROM schema_version",
            [](void *out, int, char **values, char **) {
                *static_cast<int *>(out) = std::atoi(values[0]);
                return 0;
            },
            &version, nullptr);
    }
    sqlite3_close(db);
    return version;
}

using EachEngine = EachEngineTest;

} // namespace

// A database written by the service before schema versions were recorded (made by that service:
// two essays saved, an idea sent, the welcome message not yet polled) is upgraded on start and
// keeps everything: the accounts, the essays and their id sequence, the waiting message.
TEST(SchemaVersions, UnversionedSqliteFileIsUpgradedWithItsData)
{
    ScratchFolder folder("engine-test");
    const std::string file = folder.path + "/old.db";
    std::ifstream dump(SERVER_TEST_DATA_DIR "/unversioned-platform.sql");
    ASSERT_TRUE(dump) << "missing fixture";
    const std::string sql((std::istreambuf_iterator<char>(dump)), {});
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    ASSERT_EQ(SqliteVersion(file), -1); // no version table yet

    unsetenv("PLATFORM_TEST_ENGINE");
    auto service = ServiceProcess::Start({"--db", file});
    ServiceClient client(service->BaseAddress(), service->Endpoint());
    const std::string id = SignedInId(client, "UPGRADED");
    ASSERT_EQ(id.size(), 19u) << id;
    const Json::Value list = ParseAnswer(client.UserComp(id, "UPGRADED", "10", "1", "1", ""));
    std::map<std::string, std::string> titles;
    for (const Json::Value &row : list["data"])
        titles[row["ID"].asString()] = row["Title"].asString();
    EXPECT_EQ(titles, (std::map<std::string, std::string>{{"10001", "我的家乡"}, {"10002", "秋天"}})) << list;
    EXPECT_EQ(ParseAnswer(client.CompInfo(id, "UPGRADED", "10001"))["data"][0]["Content"].asString(), "家乡的春天来得很早。");
    EXPECT_EQ(client.CompSaveOrEdit(id, "UPGRADED", "0", "新作", "升级以后写的。", "0", "0"), "10003");
    const Json::Value poll = ParseAnswer(client.ServerPoll(id, "UPGRADED"));
    ASSERT_EQ(poll["data"][0]["message"].size(), 1u) << poll;
    EXPECT_NE(poll["data"][0]["message"][0]["Content"].asString().find("欢迎"), std::string::npos);
    service->Stop();
    EXPECT_EQ(SqliteVersion(file), KnownSchemaVersion());
}

// Processes on one database answer one client alike: a session opened through one serves calls
// through the other and outlives the restart of the process that opened it; a new sign-in through
// either displaces it in both.
TEST_P(EachEngine, ASessionIsGoodInEveryProcessOnTheDatabase)
{
    auto owner = ServiceProcess::Start();
    auto opener = ServiceProcess::Start({"--db", owner->DatabasePath()});
    ServiceClient a(opener->BaseAddress(), opener->Endpoint());
    ServiceClient b(owner->BaseAddress(), owner->Endpoint());
    const std::string id = SignedInId(a, "SHARED");
    ASSERT_EQ(id.size(), 19u) << id;

    const std::string essay = b.CompSaveOrEdit(id, "SHARED", "0", "两处都行", "从另一个进程保存。", "0", "0");
    ASSERT_GT(std::atoll(essay.c_str()), 10000) << essay;
    const Json::Value list = ParseAnswer(b.UserComp(id, "SHARED", "10", "1", "1", ""));
    ASSERT_EQ(list["data"].size(), 1u) << list;
    EXPECT_EQ(list["data"][0]["ID"].asString(), essay);
    EXPECT_EQ(b.DeleteComp(id, "SHARED", essay), "true");
    EXPECT_TRUE(ParseAnswer(b.ServerPoll(id, "SHARED"))["data"][0]["message"].isArray());

    // The process that opened the session restarts; the session goes on in the new one.
    ASSERT_EQ(opener->Stop(), 0);
    opener = ServiceProcess::Start({"--db", owner->DatabasePath()});
    ServiceClient restarted(opener->BaseAddress(), opener->Endpoint());
    EXPECT_EQ(ParseAnswer(restarted.UserComp(id, "SHARED", "10", "1", "1", ""))["data"].size(), 0u);
    EXPECT_EQ(restarted.UserInfo(id, "OTHER-DEVICE"), "4");

    // A sign-in through the other process displaces it everywhere, including where it was used.
    const std::string newer = SignedInId(b, "SHARED");
    ASSERT_EQ(newer.size(), 19u) << newer;
    EXPECT_EQ(restarted.UserInfo(id, "SHARED"), "3");
    EXPECT_EQ(b.UserInfo(id, "SHARED"), "3");
    EXPECT_TRUE(ParseAnswer(restarted.UserInfo(newer, "SHARED")).isObject());
}

// Wrong passwords sent to different processes add up: the third locks the account in both, and a
// sign-in with a verification code through either lifts the lock in both.
TEST_P(EachEngine, WrongPasswordsSpreadOverProcessesLockTheAccount)
{
    auto first = ServiceProcess::Start();
    auto second = ServiceProcess::Start({"--db", first->DatabasePath()});
    ServiceClient a(first->BaseAddress(), first->Endpoint());
    ServiceClient b(second->BaseAddress(), second->Endpoint());
    const std::string right = Md5Hex("123456"), wrong = Md5Hex("guess");
    EXPECT_EQ(a.AutoLogin("xuesheng", wrong, "DEVICE-A"), "-6");
    EXPECT_EQ(b.AutoLogin("xuesheng", wrong, "DEVICE-B"), "-6");
    EXPECT_EQ(a.AutoLogin("xuesheng", wrong, "DEVICE-C"), "-6");
    EXPECT_EQ(b.AutoLogin("xuesheng", right, "DEVICE-B"), "0");
    EXPECT_EQ(a.AutoLogin("xuesheng", right, "DEVICE-A"), "0");

    b.CreateVerifyImage("DEVICE-B");
    const std::string code = second->Control("verify-code?code=DEVICE-B");
    EXPECT_EQ(ParseAnswer(b.Login("xuesheng", right, "DEVICE-B", code))["data"][0]["ID"].asString().size(), 19u);
    EXPECT_EQ(SignedInId(a, "DEVICE-A").size(), 19u);
}

// The hourly limits hold across processes whose clocks are set to zones 26 hours apart: the
// feedback sent through the one behind counts in the one ahead.
TEST_P(EachEngine, HourlyLimitsHoldAcrossProcessesInOtherZones)
{
    const char *const zone = std::getenv("TZ");
    const std::string savedZone = zone ? zone : "";
    setenv("TZ", "Etc/GMT+12", 1); // UTC-12
    auto behind = ServiceProcess::Start();
    setenv("TZ", "Etc/GMT-14", 1); // UTC+14
    auto ahead = ServiceProcess::Start({"--db", behind->DatabasePath()});
    zone ? setenv("TZ", savedZone.c_str(), 1) : unsetenv("TZ");

    ServiceClient first(behind->BaseAddress(), behind->Endpoint());
    ServiceClient second(ahead->BaseAddress(), ahead->Endpoint());
    const std::string id = SignedInId(first, "ZONES");
    ASSERT_EQ(id.size(), 19u) << id;
    constexpr int kIdeasPerHour = 20;
    for (int i = 0; i < kIdeasPerHour; ++i)
        ASSERT_EQ(first.UserIdea(id, "ZONES", "意见" + std::to_string(i)), "1") << i;
    EXPECT_EQ(second.UserIdea(id, "ZONES", "再来一条"), "0");
    EXPECT_EQ(first.UserIdea(id, "ZONES", "再来一条"), "0");
}

// A database from a newer service is left alone: the start fails with a message saying why.
TEST_P(EachEngine, NewerDatabaseIsRefused)
{
    ScratchFolder folder("engine-test");
    TestDatabase database(folder.path, m_postgres);
    {
        PlatformStore store(database.Target());
        store.Exec("UPDATE schema_version SET version = " + std::to_string(KnownSchemaVersion() + 1));
    }
    const ServiceProcess::Exit exit = ServiceProcess::RunToExit({"--db", database.Target()});
    EXPECT_NE(exit.status, 0);
    EXPECT_NE(exit.errorOutput.find("newer than this service knows"), std::string::npos) << exit.errorOutput;
    // Still the newer version: nothing was "upgraded" down.
    EXPECT_THROW(PlatformStore store(database.Target()), StoreError);
}

// Two processes on one database, polled at once through both: every queued message reaches
// exactly one poll.
TEST_P(EachEngine, EachQueuedMessageReachesOnePollAcrossTwoProcesses)
{
    auto first = ServiceProcess::Start();
    auto second = ServiceProcess::Start({"--db", first->DatabasePath()});
    constexpr int kMessages = 40;
    for (int i = 0; i < kMessages; ++i)
        ASSERT_EQ(first->Control("message?name=xuesheng&content=M" + std::to_string(i) + "&url="), "ok");

    // One sign-in, through the first process; its session is good in both. Two pollers on each.
    std::string id;
    {
        ServiceClient client(first->BaseAddress(), first->Endpoint());
        id = SignedInId(client, "POLLER");
        ASSERT_EQ(id.size(), 19u) << id;
    }
    std::mutex mutex;
    std::map<std::string, int> received;
    std::vector<std::string> refusals;
    std::vector<std::thread> pollers;
    for (int p = 0; p < 4; ++p) {
        ServiceProcess &service = p % 2 ? *second : *first;
        pollers.emplace_back([&] {
            ServiceClient client(service.BaseAddress(), service.Endpoint());
            for (int empty = 0; empty < 3;) {
                const std::string answer = client.ServerPoll(id, "POLLER");
                const Json::Value poll = ParseAnswer(answer);
                if (!poll.isObject()) {
                    std::lock_guard lock(mutex);
                    refusals.push_back(answer);
                    return;
                }
                const Json::Value &messages = poll["data"][0]["message"];
                if (messages.empty()) {
                    ++empty; // the others may still hold a message between their polls
                    continue;
                }
                std::lock_guard lock(mutex);
                ++received[messages[0]["Content"].asString()];
            }
        });
    }
    for (std::thread &t : pollers)
        t.join();
    EXPECT_TRUE(refusals.empty()) << refusals.front();
    int delivered = 0;
    for (int i = 0; i < kMessages; ++i) {
        std::string content = "M";
        content += std::to_string(i);
        EXPECT_EQ(received[content], 1) << content;
        delivered += received[content];
    }
    EXPECT_EQ(delivered, kMessages);
}

// Processes started at the same moment on a new database: each starts, the seed is there once.
TEST_P(EachEngine, ProcessesStartedTogetherSeedANewDatabaseOnce)
{
    ScratchFolder folder("engine-test");
    TestDatabase database(folder.path, m_postgres);
    std::unique_ptr<ServiceProcess> services[3];
    std::string failures[3];
    std::promise<void> finished;
    std::shared_future<void> testOver = finished.get_future().share();
    std::vector<std::future<void>> started;
    std::vector<std::thread> starters;
    // A service ends with the thread that started it: each starter lives until the test is over.
    for (int i = 0; i < 3; ++i) {
        auto ready = std::make_shared<std::promise<void>>();
        started.push_back(ready->get_future());
        starters.emplace_back([&, i, ready] {
            try {
                services[i] = ServiceProcess::Start({"--db", database.Target()});
            } catch (const std::exception &e) {
                failures[i] = e.what();
            }
            ready->set_value();
            testOver.wait();
            services[i].reset();
        });
    }
    struct Join
    {
        std::promise<void> &finished;
        std::vector<std::thread> &threads;
        ~Join()
        {
            finished.set_value();
            for (std::thread &t : threads)
                t.join();
        }
    } join{finished, starters};
    for (std::future<void> &f : started)
        f.wait();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(services[i]) << failures[i];
        ServiceClient client(services[i]->BaseAddress(), services[i]->Endpoint());
        EXPECT_EQ(SignedInId(client, "TOGETHER").size(), 19u) << i;
        EXPECT_EQ(ParseAnswer(client.OverallInfo())["data"][0]["KeyWordMaxID"].asString(), "3000") << i;
    }
    const Json::Value users = ParseAnswer(services[0]->Control("counts?name=weizhuce"));
    EXPECT_EQ(users["id"].asString(), "5") << users; // five seeded accounts, not ten or fifteen
}

// The load balancer's probes on a working service.
TEST_P(EachEngine, HealthAndReadinessProbesAnswer)
{
    auto service = ServiceProcess::Start({}, false);
    struct Case
    {
        const char *target, *body;
    };
    for (const Case &c : {Case{"/healthz", "ok"}, Case{"/readyz", "ready"}, Case{"/readyz?full=1", "ready"}}) {
        int status = 0;
        EXPECT_EQ(service->Get(c.target, &status), c.body) << c.target;
        EXPECT_EQ(status, 200) << c.target;
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, EachEngine, ::testing::Values("sqlite", "postgresql"),
                         [](const ::testing::TestParamInfo<const char *> &engine) { return std::string(engine.param); });

// The database refuses connections and drops the service's: calls fail (no essay id is
// answered for a save that was not stored), the process keeps serving and says it is not
// ready, and once the database is back it is ready and the same calls succeed.
TEST(PostgresOutage, CallsFailCleanlyAndTheServiceRecovers)
{
    TestDatabase::ClusterUri(); // a skip (77) without the test cluster
    setenv("PLATFORM_TEST_ENGINE", "postgresql", 1);
    auto service = ServiceProcess::Start({"--threads", "2"});
    const std::string name = service->DatabaseName();
    ServiceClient client(service->BaseAddress(), service->Endpoint());
    const std::string id = SignedInId(client, "OUTAGE");
    ASSERT_EQ(client.CompSaveOrEdit(id, "OUTAGE", "0", "之前", "数据库还在。", "0", "0"), "10001");

    TestDatabase::AdminExec("ALTER DATABASE " + name + " ALLOW_CONNECTIONS false");
    TestDatabase::AdminExec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" + name + "'");
    // Every worker meets the lost connection; each call is answered with its operation's own
    // failure code (what the client shows as a failed save, deletion or listing), never a fault
    // and never an essay id.
    for (int call = 0; call < 4; ++call) {
        EXPECT_EQ(client.CompSaveOrEdit(id, "OUTAGE", "0", "期间", "数据库不在。", "0", "0"), "0") << call;
        EXPECT_EQ(client.LastError(), 0) << call;
    }
    struct Failure
    {
        const char *operation;
        std::function<std::string()> call;
        const char *answer;
    };
    const Failure failures[] = {
        {"WsDeleteComp", [&] { return client.DeleteComp(id, "OUTAGE", "10001"); }, "false"},
        {"WsUserComp", [&] { return client.UserComp(id, "OUTAGE", "10", "1", "1", ""); }, ""},
        {"WsCompInfo", [&] { return client.CompInfo(id, "OUTAGE", "10001"); }, ""},
        {"WsServerPoll", [&] { return client.ServerPoll(id, "OUTAGE"); }, ""},
        {"WsOverallInfo", [&] { return client.OverallInfo(); }, ""},
        {"WsRecentScore", [&] { return client.RecentScore(id, "OUTAGE", "88"); }, "0"},
        {"WsAutoLogin", [&] { return client.AutoLogin("xuesheng", Md5Hex("123456"), "OUTAGE"); }, "0"},
    };
    for (const Failure &failure : failures) {
        EXPECT_EQ(failure.call(), failure.answer) << failure.operation;
        EXPECT_EQ(client.LastError(), 0) << failure.operation;
    }
    EXPECT_EQ(kill(service->Pid(), 0), 0) << "the service ended";
    int status = 0;
    service->Get("/healthz", &status);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(service->Get("/readyz", &status), "database unavailable");
    EXPECT_EQ(status, 503);

    TestDatabase::AdminExec("ALTER DATABASE " + name + " ALLOW_CONNECTIONS true");
    service->Get("/readyz", &status);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(client.CompSaveOrEdit(id, "OUTAGE", "0", "之后", "数据库回来了。", "0", "0"), "10002");
    const Json::Value list = ParseAnswer(client.UserComp(id, "OUTAGE", "10", "1", "1", ""));
    std::vector<std::string> titles;
    for (const Json::Value &row : list["data"])
        titles.push_back(row["Title"].asString());
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::string>{"之前", "之后"})) << list;
}
