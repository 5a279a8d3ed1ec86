// Two service processes on one database behind nginx running the deployment example
// (server/deploy/nginx-platform.conf) with only its marked values set: the client signs in,
// saves and lists over https through nginx, calls go on when a process dies, every per-address
// limit counts the pupil's own machine, and what is not for the world stays out of reach.
#include "GbkText.h"
#include "NginxProcess.h"
#include "OperationsAccount.h"
#include "OperationsComposition.h"
#include "RawHttp.h"
#include "ServiceContext.h"
#include "ServiceHooks.h"
#include "ServiceProcess.h"
#include "ServiceProxy.h"
#include "TestCertificates.h"

#include <json/json.h>

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string Gbk(const char *utf8)
{
    return Utf8ToGbk(utf8);
}

std::string SignInRequest(const std::string &name, const std::string &password, const std::string &device,
                          const std::string &extraHeaders = "")
{
    return SoapPost(SoapEnvelope("<ns1:WsAutoLogin><ns1:u>" + name + "</ns1:u><ns1:p>" + Md5Hex(password) + "</ns1:p><ns1:code>" +
                                 device + "</ns1:code></ns1:WsAutoLogin>"),
                    extraHeaders);
}

// The "host" of a sign-in's answer, or the answer itself when it is no sign-in document.
std::string HostOf(const std::string &response)
{
    const std::string result = SoapResult(response, "WsAutoLogin");
    Json::Value document;
    if (!Json::Reader().parse(result, document) || !document.isObject())
        return "(no sign-in) " + response.substr(0, 300);
    return document["data"][0]["host"].asString();
}

long MillisecondsSince(Clock::time_point start)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool Lists(const std::string &essayId)
{
    std::vector<LibraryEntry> entries;
    if (ListCompositions("", entries) != FetchStatus::Ok)
        return false;
    return std::any_of(entries.begin(), entries.end(), [&](const LibraryEntry &entry) { return entry.ID == essayId; });
}

class BehindNginxTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const std::string nginx = NginxPath();
        if (nginx.empty()) {
            std::fprintf(stderr, "nginx is not installed (scripts/install-deps.sh): skipped\n");
            std::exit(77);
        }
        // Both processes trust the proxy's address; the second works on the first one's database.
        const std::vector<std::string> behindProxy = {"--trusted-proxy", "127.0.0.1"};
        m_first = ServiceProcess::Start(behindProxy);
        std::vector<std::string> second = behindProxy;
        second.insert(second.end(), {"--db", m_first->DatabasePath()});
        m_second = ServiceProcess::Start(second);

        const int port = FreePort();
        const std::string site = PlatformSiteConfig(port, m_first->Port(), m_second->Port(), m_certificates.SelfSigned());
        m_nginx = std::make_unique<NginxProcess>(nginx, site, port);
        m_address = "https://127.0.0.1:" + std::to_string(port) + "/";

        ServiceContext.DeviceCode = "6465666768696a6b6c6d6e6f7071";
        GetServiceHooks().isMessageBoxOpen = [] { return false; };
        GetServiceHooks().showMessage = [this](const std::string &message) { m_shown.push_back(message); };
    }

    void TearDown() override
    {
        GetServiceHooks() = ServiceHooks{};
        SetServiceCAFile("");
    }

    // The program's settings for the platform behind nginx: [Service] Host and the certificate
    // it trusts (the self-signed one nginx serves).
    void PointClientAtNginx()
    {
        InitServiceAddresses(m_address.substr(0, m_address.size() - 1));
        SetServiceCAFile(m_certificates.SelfSigned().certificate);
    }

    // One request through nginx from a pupil's machine.
    std::string Through(const char *client, const std::string &request)
    {
        return TlsExchangeFrom(m_nginx->Port(), client, request, m_certificates.SelfSigned().certificate);
    }

    // Kills the process at once and waits until its port refuses connections.
    static void Kill(ServiceProcess &service)
    {
        kill(service.Pid(), SIGKILL);
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (AcceptsConnections(service.Port()) && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_FALSE(AcceptsConnections(service.Port()));
    }

    TestCertificates m_certificates;
    std::unique_ptr<ServiceProcess> m_first, m_second;
    std::unique_ptr<NginxProcess> m_nginx;
    std::string m_address;
    std::vector<std::string> m_shown;
};

} // namespace

TEST_F(BehindNginxTest, ClientWorksOverHttpsThroughBothProcessesAndPastADeadOne)
{
    PointClientAtNginx();
    ASSERT_EQ(SignIn("xuesheng", "123456", nullptr).status, SignInStatus::Success);
    // The "host" the service answers is nginx's https address, told by the forwarded headers:
    // the signed-in calls go through nginx as well.
    EXPECT_EQ(ServiceContext.BaseAddress, m_address);
    const SaveOutcome saved = SaveComposition("0", Gbk("秋天的校园"), Gbk("落叶铺满了小路。\r风一吹，沙沙作响。"));
    ASSERT_EQ(saved.status, SaveStatus::Saved) << GbkToUtf8(saved.message);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(Lists(saved.essayId)) << i;
    // nginx took turns: both processes served the session one of them opened.
    const std::string first = "127.0.0.1:" + std::to_string(m_first->Port());
    const std::string second = "127.0.0.1:" + std::to_string(m_second->Port());
    std::string log = m_nginx->AccessLog();
    EXPECT_NE(log.find("POST /iface/api.asmx 200 [" + first + "]"), std::string::npos) << log;
    EXPECT_NE(log.find("POST /iface/api.asmx 200 [" + second + "]"), std::string::npos) << log;

    Kill(*m_first);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(Lists(saved.essayId)) << i;
    const SaveOutcome another = SaveComposition("0", Gbk("冬天"), Gbk("下雪了。"));
    ASSERT_EQ(another.status, SaveStatus::Saved) << GbkToUtf8(another.message);
    EXPECT_TRUE(Lists(another.essayId));
    EXPECT_EQ(SignIn("xuesheng", "123456", nullptr).status, SignInStatus::Success);
    // Calls did go to the dead process first, and nginx stepped past it to the living one.
    log = m_nginx->AccessLog();
    EXPECT_NE(log.find("POST /iface/api.asmx 200 [" + first + ", " + second + "]"), std::string::npos) << log;
    EXPECT_EQ(m_shown, std::vector<std::string>{});
}

TEST_F(BehindNginxTest, GuessesCountAgainstThePupilsOwnMachine)
{
    // Fourteen wrong passwords from one machine at once, spread by nginx over both processes
    // (which count them in the database together), each pretending through its own forwarding
    // headers to come from elsewhere.
    std::vector<std::thread> guesses;
    std::vector<std::string> answers(14);
    for (int i = 0; i < 14; ++i)
        guesses.emplace_back([&, i] {
            const std::string forged = "203.0.113." + std::to_string(i + 1);
            answers[i] = Through("127.0.0.41", SignInRequest("nobody", "x", "GUESS-" + std::to_string(i),
                                                             "X-Forwarded-For: " + forged + "\r\nForwarded: for=" + forged +
                                                                 ";proto=http;host=evil.example\r\n"));
        });
    for (std::thread &t : guesses)
        t.join();
    for (const std::string &answer : answers)
        ASSERT_EQ(SoapResult(answer, "WsAutoLogin"), "-6") << answer.substr(0, 300);

    // Another pupil behind the same nginx signs in at once; the guesser's machine waits.
    auto start = Clock::now();
    EXPECT_EQ(HostOf(Through("127.0.0.42", SignInRequest("tongxue", "654321", "PUPIL-B"))), "https://127.0.0.1/");
    EXPECT_LT(MillisecondsSince(start), 1500) << "slowed by another machine's guesses";
    start = Clock::now();
    EXPECT_EQ(HostOf(Through("127.0.0.41", SignInRequest("xuesheng", "123456", "PUPIL-A"))), "https://127.0.0.1/");
    EXPECT_GE(MillisecondsSince(start), 1800) << "the guesser's own failures did not count against it";
}

TEST_F(BehindNginxTest, OnlyOperationsProbesAndPagesAreReachable)
{
    auto get = [](const std::string &target) {
        return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    };
    std::string fillers;
    for (int i = 0; i < 3; ++i)
        fillers += "X-Filler-" + std::to_string(i) + ": " + std::string(7000, 'a') + "\r\n";
    const std::string signIn = SignInRequest("xuesheng", "123456", "PROBE");
    struct Case
    {
        const char *what;
        std::string request;
        int status;
    };
    const Case cases[] = {
        {"liveness probe", get("/healthz"), 200},
        {"readiness probe", get("/readyz"), 200},
        {"web page", get("/help.aspx"), 200},
        {"test control", get("/test/connections"), 404},
        {"metrics", get("/metrics"), 404},
        {"metrics, other case", get("/Metrics?x=1"), 404},
        {"body over 512 KiB", SoapPost(std::string(600 * 1024, ' ') + SoapEnvelope("<ns1:WsOverallInfo/>")), 413},
        {"header over 16 KiB", SoapPost(SoapEnvelope("<ns1:WsOverallInfo/>"), fillers), 400},
    };
    for (const Case &c : cases) {
        const std::string response = Through("127.0.0.43", c.request);
        EXPECT_EQ(HttpStatus(response), c.status) << c.what << ": " << response.substr(0, 300);
        // Refused at the edge: the service's own refusal would be a SOAP fault.
        if (c.status >= 400) {
            EXPECT_EQ(response.find("Envelope"), std::string::npos) << c.what;
        }
    }
    // The controls are there for this machine's own tools asking a process directly (from an
    // address other than the proxy's), and so is the name of the process that answered.
    EXPECT_EQ(HttpStatus(ExchangeFrom(m_second->Port(), "127.0.0.43", get("/test/connections"))), 200);
    EXPECT_NE(ExchangeFrom(m_second->Port(), "127.0.0.43", get("/healthz")).find("X-Process-Id:"), std::string::npos);
    EXPECT_EQ(Through("127.0.0.43", get("/healthz")).find("X-Process-Id:"), std::string::npos);
}

TEST_F(BehindNginxTest, ACallAProcessDiesOnIsNotSentAgain)
{
    // Wrong passwords from one machine over both processes, so that either holds that
    // machine's next answer back for a while.
    auto loggedLines = [this] {
        const std::string log = m_nginx->AccessLog();
        return std::count(log.begin(), log.end(), '\n');
    };
    const auto linesBefore = loggedLines();
    const int kGuesses = 28;
    std::vector<std::thread> guesses;
    for (int i = 0; i < kGuesses; ++i)
        guesses.emplace_back([&, i] { Through("127.0.0.51", SignInRequest("nobody", "x", "GUESS-" + std::to_string(i))); });
    for (std::thread &t : guesses)
        t.join();
    // nginx writes a request's line once its answer has gone to the client, so a line may come
    // after the client has its answer: wait for the lines before reading the last one.
    auto waitForLines = [&](long lines) {
        for (const auto deadline = Clock::now() + std::chrono::seconds(60);
             loggedLines() < lines && Clock::now() < deadline;)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return loggedLines() >= lines;
    };
    // Every guess's line is written before the call below, whose line is to be the last one.
    ASSERT_TRUE(waitForLines(linesBefore + kGuesses));

    std::string response;
    std::thread call([&] { response = Through("127.0.0.51", SignInRequest("tongxue", "654321", "PUPIL-C")); });
    // The process holding the answer dies before sending it.
    auto holds = [](const ServiceProcess &service) {
        const std::string answer = ExchangeFrom(
            service.Port(), "127.0.0.52", "GET /test/held-replies HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
        const auto body = answer.find("\r\n\r\n");
        return body != std::string::npos && std::atoi(answer.c_str() + body + 4) > 0;
    };
    ServiceProcess *holder = nullptr;
    for (const auto deadline = Clock::now() + std::chrono::seconds(10); !holder && Clock::now() < deadline;)
        holder = holds(*m_first) ? m_first.get() : holds(*m_second) ? m_second.get() : nullptr;
    ASSERT_NE(holder, nullptr) << "no process held the answer";
    Kill(*holder);
    call.join();

    // The call fails as a lost connection would, and was not given to the living process.
    EXPECT_EQ(HttpStatus(response), 502) << response.substr(0, 300);
    ASSERT_TRUE(waitForLines(linesBefore + kGuesses + 1));
    const std::string log = m_nginx->AccessLog();
    const std::string last = log.substr(log.rfind('\n', log.size() - 2) + 1);
    EXPECT_EQ(last, "POST /iface/api.asmx 502 [127.0.0.1:" + std::to_string(holder->Port()) + "]\n") << log;
}
