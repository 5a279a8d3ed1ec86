// The service's processes failing and stopping: one of two processes killed while pupils save,
// the PostgreSQL server stopped and started under a running service, a stop (SIGTERM) that
// answers what is in flight, and two processes sharing one port.
#include "RawHttp.h"
#include "ServiceClient.h"
#include "ServiceProcess.h"
#include "ServerTestKit.h"

#include <json/json.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <latch>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::string SessionOf(ServiceClient &client, const std::string &name, const std::string &password, const std::string &device)
{
    return ParseAnswer(client.AutoLogin(name, Md5Hex(password), device))["data"][0]["ID"].asString();
}

// Waits for the condition, looking every 20 ms, for at most the time given.
template <typename Condition> bool WaitFor(Condition condition, std::chrono::milliseconds limit)
{
    const auto end = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A service's answer to a save is an essay id (10001 and up); anything else is no acknowledgement.
bool IsEssayId(const std::string &answer)
{
    return answer.size() >= 5 && answer.find_first_not_of("0123456789") == std::string::npos;
}

// Runs the test on the named engine; PostgreSQL needs the test cluster (77 without it).
void UseEngine(const std::string &engine)
{
    if (engine == "postgresql")
        TestDatabase::ClusterUri();
    setenv("PLATFORM_TEST_ENGINE", engine.c_str(), 1);
}

std::string HealthzAnswer(int port)
{
    return ExchangeFrom(port, "127.0.0.1", "GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n", 5000);
}

// The process that answered /healthz, from its X-Process-Id header; 0 when there was no answer.
pid_t AnsweringProcess(int port)
{
    const std::string answer = HealthzAnswer(port);
    const std::string header = "\r\nX-Process-Id: ";
    const auto at = answer.find(header);
    return at == std::string::npos ? 0 : static_cast<pid_t>(std::atoi(answer.c_str() + at + header.size()));
}

class KillOneOfTwo : public ::testing::TestWithParam<const char *>
{
};

// 50 pupils save through two processes on one database; one process is killed (SIGKILL) midway.
// Every save that was answered with an essay id is in the pupil's library as listed through the
// other process, and the pupils whose process died go on saving through the survivor.
TEST_P(KillOneOfTwo, EveryAcknowledgedSaveSurvivesAndTheOtherProcessServesOn)
{
    UseEngine(GetParam());
    constexpr int kWriters = 50;
    constexpr int kSavesBeforeKill = 150;
    constexpr int kSavesAfterKill = 3; // per writer, through the survivor
    const std::vector<std::string> options = {"--threads", "4", "--saves-per-minute", "60000"};
    auto doomed = ServiceProcess::Start(options);
    std::vector<std::string> sameDatabase = options;
    sameDatabase.insert(sameDatabase.end(), {"--db", doomed->DatabasePath()});
    auto survivor = ServiceProcess::Start(sameDatabase);
    for (int w = 0; w < kWriters; ++w)
        ASSERT_NE(doomed->Control("add-user?name=kill" + std::to_string(w) + "&password=pw"), "name taken");

    struct Writer
    {
        std::string name, signIn, session;
        std::map<std::string, std::string> acknowledged; // essay id -> title
        int savedAfterKill = 0;
        int failedThroughSurvivor = 0;
    };
    std::vector<Writer> writers(kWriters);
    std::atomic<int> acknowledgedCount{0};
    std::atomic<bool> killed{false};
    std::latch allSignedIn(kWriters);
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w)
        threads.emplace_back([&, w] {
            Writer &writer = writers[static_cast<std::size_t>(w)];
            writer.name = "kill" + std::to_string(w);
            const std::string device = "KILL-" + writer.name;
            ServiceProcess *aim = w % 2 ? survivor.get() : doomed.get();
            auto client = std::make_unique<ServiceClient>(aim->BaseAddress(), aim->Endpoint());
            writer.signIn = client->AutoLogin(writer.name, Md5Hex("pw"), device);
            writer.session = ParseAnswer(writer.signIn)["data"][0]["ID"].asString();
            // Everyone signs in before anyone saves: the kill comes amid saves, not sign-ins.
            allSignedIn.arrive_and_wait();
            if (writer.session.empty())
                return;
            for (int i = 0; writer.savedAfterKill < kSavesAfterKill && i < 500; ++i) {
                const bool afterKill = killed.load();
                const std::string title = writer.name + "-" + std::to_string(i);
                const std::string answer = client->CompSaveOrEdit(writer.session, device, "0", title, "正文" + title);
                if (client->LastError() == 0 && IsEssayId(answer)) {
                    writer.acknowledged[answer] = title;
                    ++acknowledgedCount;
                    writer.savedAfterKill += afterKill;
                    continue;
                }
                if (aim == survivor.get()) {
                    ++writer.failedThroughSurvivor;
                } else if (afterKill) {
                    // Its process is gone: the same session goes on through the other one.
                    aim = survivor.get();
                    client = std::make_unique<ServiceClient>(aim->BaseAddress(), aim->Endpoint());
                }
            }
        });
    ASSERT_TRUE(WaitFor([&] { return acknowledgedCount.load() >= kSavesBeforeKill; }, std::chrono::seconds(120)));
    ASSERT_EQ(kill(doomed->Pid(), SIGKILL), 0);
    killed.store(true);
    for (std::thread &thread : threads)
        thread.join();

    ServiceClient lister(survivor->BaseAddress(), survivor->Endpoint());
    for (const Writer &writer : writers) {
        ASSERT_FALSE(writer.session.empty()) << writer.name << " signed in: " << writer.signIn;
        EXPECT_EQ(writer.savedAfterKill, kSavesAfterKill) << writer.name;
        EXPECT_EQ(writer.failedThroughSurvivor, 0) << writer.name;
        const std::string session = SessionOf(lister, writer.name, "pw", "LIST-" + writer.name);
        std::map<std::string, std::string> listed;
        const Json::Value library = ParseAnswer(lister.UserComp(session, "LIST-" + writer.name, "1000", "1", "1", ""));
        for (const Json::Value &row : library["data"])
            listed[row["ID"].asString()] = row["Title"].asString();
        for (const auto &[id, title] : writer.acknowledged)
            EXPECT_EQ(listed[id], title) << writer.name << " essay " << id;
    }
    doomed->Stop();
}

INSTANTIATE_TEST_SUITE_P(Engines, KillOneOfTwo, ::testing::Values("sqlite", "postgresql"),
                         [](const ::testing::TestParamInfo<const char *> &engine) { return std::string(engine.param); });

// The PostgreSQL server itself is stopped under a running service and started again. Meanwhile
// every call answers its operation's failure code and /readyz 503; afterwards the same process
// is ready and saves again, and nothing of the outage was stored. Needs a cluster of its own
// (PLATFORM_TEST_OWN_CLUSTER, registered through with-postgres.sh): the shared one serves every
// other test of the run.
TEST(DatabaseRestart, CallsFailCleanlyWhileTheServerIsDownAndSucceedAfter)
{
    const char *control = std::getenv("PLATFORM_TEST_PG_CTL");
    if (!std::getenv("PLATFORM_TEST_OWN_CLUSTER") || !control)
        std::exit(77);
    UseEngine("postgresql");
    auto service = ServiceProcess::Start({"--threads", "2"});
    ServiceClient client(service->BaseAddress(), service->Endpoint());
    const std::string id = SessionOf(client, "xuesheng", "123456", "RESTART");
    ASSERT_TRUE(IsEssayId(client.CompSaveOrEdit(id, "RESTART", "0", "停机之前", "正文")));

    ASSERT_EQ(std::system((std::string(control) + " stop -m fast -w >/dev/null").c_str()), 0);
    for (int call = 0; call < 3; ++call) { // both workers meet the server gone
        EXPECT_EQ(client.CompSaveOrEdit(id, "RESTART", "0", "停机期间", "正文"), "0") << call;
        EXPECT_EQ(client.LastError(), 0) << call;
        EXPECT_EQ(client.DeleteComp(id, "RESTART", "10001"), "false") << call;
    }
    int status = 0;
    EXPECT_EQ(service->Get("/readyz", &status), "database unavailable");
    EXPECT_EQ(status, 503);
    service->Get("/healthz", &status);
    EXPECT_EQ(status, 200);

    ASSERT_EQ(std::system((std::string(control) + " start -w >/dev/null").c_str()), 0);
    EXPECT_TRUE(WaitFor(
        [&] {
            int ready = 0;
            service->Get("/readyz", &ready);
            return ready == 200;
        },
        std::chrono::seconds(20)));
    // Calls succeed on every worker again, with the session opened before the outage.
    for (int call = 0; call < 3; ++call)
        EXPECT_TRUE(IsEssayId(client.CompSaveOrEdit(id, "RESTART", "0", "重启之后" + std::to_string(call), "正文"))) << call;
    const Json::Value library = ParseAnswer(client.UserComp(id, "RESTART", "100", "1", "1", ""));
    std::multiset<std::string> titles;
    for (const Json::Value &row : library["data"])
        titles.insert(row["Title"].asString());
    EXPECT_EQ(titles, (std::multiset<std::string>{"停机之前", "重启之后0", "重启之后1", "重启之后2"})) << library;
    EXPECT_EQ(service->Stop(), 0);
}

// SIGTERM with a request still arriving: during the grace /readyz answers 503 and new calls are
// still served; then new connections are refused; the request in flight is answered in full and
// the process exits 0 within grace + 10 s.
TEST(ServiceDrain, SigtermAnswersTheRequestInFlightAfterFailingReadinessAndRefusingNewConnections)
{
    constexpr auto kGrace = std::chrono::seconds(3);
    auto service = ServiceProcess::Start({"--drain-grace", "3"});
    const int port = service->Port();
    const std::string request = SoapPost(SoapEnvelope("<ns1:WsOverallInfo></ns1:WsOverallInfo>"));
    const std::size_t half = request.size() / 2;
    int slow = ConnectFrom(port, "127.0.0.1", 15000);
    ASSERT_GE(slow, 0);
    SendAll(slow, request.substr(0, half));
    int readyStatus = 0;
    service->Get("/readyz", &readyStatus);
    ASSERT_EQ(readyStatus, 200);

    const auto signalled = Clock::now();
    ASSERT_EQ(kill(service->Pid(), SIGTERM), 0);
    std::string readyBody;
    EXPECT_TRUE(WaitFor(
        [&] {
            readyBody = service->Get("/readyz", &readyStatus);
            return readyStatus == 503;
        },
        std::chrono::seconds(1)));
    EXPECT_EQ(readyBody, "draining");
    ServiceClient client(service->BaseAddress(), service->Endpoint());
    EXPECT_EQ(ParseAnswer(client.OverallInfo())["data"][0]["version"].asString().empty(), false) << "a call during the grace";
    EXPECT_EQ(client.LastError(), 0);
    EXPECT_LT(Clock::now() - signalled, kGrace) << "the grace ran out before the checks above";

    EXPECT_TRUE(WaitFor(
        [&] {
            int probe = ConnectFrom(port, "127.0.0.1", 1000);
            if (probe >= 0)
                close(probe);
            return probe < 0;
        },
        std::chrono::seconds(5)))
        << "new connections are still accepted";
    EXPECT_GE(Clock::now() - signalled, kGrace);

    SendAll(slow, request.substr(half));
    const std::string answer = ReadToClose(slow);
    close(slow);
    EXPECT_EQ(HttpStatus(answer), 200) << answer;
    EXPECT_NE(SoapResult(answer, "WsOverallInfo").find("MainInfoTime"), std::string::npos) << answer;

    // Stop() waits for the exit (a second SIGTERM changes nothing), killing after 10 s.
    EXPECT_EQ(service->Stop(), 0);
    EXPECT_LE(Clock::now() - signalled, kGrace + std::chrono::seconds(10));
}

// A slowed answer (a wrong password's, held back by the service) is sent at once when the
// service stops, not lost with it nor waited for to its end.
TEST(ServiceDrain, AHeldAnswerIsSentAtOnceOnSigterm)
{
    auto service = ServiceProcess::Start();
    ServiceClient client(service->BaseAddress(), service->Endpoint());
    // Five failures from one device code: its next answer is held for 4 s.
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(client.AutoLogin("nobody", Md5Hex("x"), "HELD"), "-6") << i;
    std::string guessAnswer;
    std::atomic<bool> answered{false};
    std::thread guess([&] {
        ServiceClient guesser(service->BaseAddress(), service->Endpoint());
        guessAnswer = guesser.AutoLogin("nobody", Md5Hex("y"), "HELD");
        answered.store(true);
    });
    ASSERT_TRUE(WaitFor([&] { return service->Control("held-replies") == "1" || answered.load(); }, std::chrono::seconds(10)));
    ASSERT_FALSE(answered.load()) << "the answer was not held";
    const auto signalled = Clock::now();
    ASSERT_EQ(kill(service->Pid(), SIGTERM), 0);
    EXPECT_TRUE(WaitFor([&] { return answered.load(); }, std::chrono::seconds(2))) << "the held answer waited for its time";
    guess.join();
    EXPECT_EQ(guessAnswer, "-6");
    EXPECT_EQ(service->Stop(), 0);
    EXPECT_LT(Clock::now() - signalled, std::chrono::seconds(3));
}

// Whether the process has ended (a zombie its parent has not collected yet, or gone).
bool HasExited(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    const auto state = line.find(") ");
    return state == std::string::npos || line[state + 2] == 'Z' || line[state + 2] == 'X';
}

// A client that never reads its (large) answer cannot hold a stopping service beyond its bound:
// after 10 s what is left is closed and the process exits 0.
TEST(ServiceDrain, AnAnswerNeverTakenIsGivenUpAfterTheBound)
{
    auto service = ServiceProcess::Start();
    ServiceClient client(service->BaseAddress(), service->Endpoint());
    const std::string id = SessionOf(client, "xuesheng", "123456", "STUCK");
    // A receive buffer of about 2 KiB, never read.
    const int reader = ConnectFrom(service->Port(), "127.0.0.1", 10000, 2048);
    ASSERT_GE(reader, 0);
    // The whole keyword list: far more than the socket buffers hold.
    SendAll(reader, SoapPost(SoapEnvelope("<ns1:WsKeyword><ns1:id>" + id +
                                          "</ns1:id><ns1:code>STUCK</ns1:code><ns1:keyId>0</ns1:keyId></ns1:WsKeyword>")));
    ASSERT_TRUE(
        WaitFor([&] { return ParseAnswer(service->Control("connections"))["writing"].asInt() == 1; }, std::chrono::seconds(10)));

    const auto signalled = Clock::now();
    ASSERT_EQ(kill(service->Pid(), SIGTERM), 0);
    EXPECT_TRUE(WaitFor([&] { return HasExited(service->Pid()); }, std::chrono::seconds(20)));
    const auto took = Clock::now() - signalled;
    EXPECT_GE(took, std::chrono::milliseconds(9500)) << "the answer was given up before its bound";
    EXPECT_LE(took, std::chrono::seconds(15));
    EXPECT_EQ(service->Stop(), 0);
    close(reader);
}

// Two processes started with --reuse-port on one port (the second told the first one's port):
// the system hands connections to both, and once one stops the other answers every connection.
TEST(ReusePort, TwoProcessesShareAPortAndOneStoppingLeavesTheOtherServing)
{
    auto first = ServiceProcess::Start({"--reuse-port"});
    const int port = first->Port();
    auto second = ServiceProcess::Start({"--reuse-port", "--port", std::to_string(port), "--db", first->DatabasePath()});
    ASSERT_EQ(second->Port(), port);

    std::set<pid_t> answering;
    for (int call = 0; call < 200 && answering.size() < 2; ++call)
        answering.insert(AnsweringProcess(port));
    EXPECT_EQ(answering, (std::set<pid_t>{first->Pid(), second->Pid()}));

    EXPECT_EQ(first->Stop(), 0);
    for (int call = 0; call < 20; ++call)
        EXPECT_EQ(AnsweringProcess(port), second->Pid()) << call;
    // The survivor serves operations too: a pupil signs in and saves through the shared port.
    ServiceClient client(second->BaseAddress(), second->Endpoint());
    const std::string id = SessionOf(client, "xuesheng", "123456", "SHARED");
    EXPECT_TRUE(IsEssayId(client.CompSaveOrEdit(id, "SHARED", "0", "同一端口", "正文")));
}

} // namespace
