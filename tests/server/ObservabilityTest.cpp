// What an operator watches of the service: /metrics (counters, latency histograms, connection and
// pool gauges; shown to trusted clients only), the JSON line logged per request (no secrets in
// it), and the database connection pool shared by more workers than it has connections.
#include "Metrics.h"
#include "RequestLog.h"
#include "ServiceTestFixture.h"
#include "StorePool.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// One scrape: the HTTP status, the Content-Type, and every sample ("name{labels}" -> value).
struct Scrape
{
    int status = 0;
    std::string contentType;
    std::string body;
    std::map<std::string, double> samples;

    double Value(const std::string &key) const
    {
        auto found = samples.find(key);
        return found == samples.end() ? -1 : found->second;
    }
};

// GET /metrics from the test's own loopback address, with extra header lines ("Name: value\r\n").
// Every line of a 200 answer must be a comment or a well-formed sample.
Scrape ScrapeMetrics(const ServiceProcess &service, const std::string &extraHeaders = {})
{
    const std::string raw = RawHttpExchange(service.Port(), "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1:" +
                                                                std::to_string(service.Port()) + "\r\n" + extraHeaders +
                                                                "Connection: close\r\n\r\n");
    Scrape scrape;
    const auto headerEnd = raw.find("\r\n\r\n");
    if (raw.rfind("HTTP/1.1 ", 0) != 0 || headerEnd == std::string::npos) {
        ADD_FAILURE() << "no HTTP answer: " << raw;
        return scrape;
    }
    scrape.status = std::atoi(raw.c_str() + 9);
    std::smatch type;
    const std::string header = raw.substr(0, headerEnd);
    if (std::regex_search(header, type, std::regex("\r\nContent-Type: ([^\r]*)")))
        scrape.contentType = type[1];
    scrape.body = raw.substr(headerEnd + 4);
    if (scrape.status != 200)
        return scrape;
    static const std::regex sample(R"(^([a-z_]+(\{[^}]*\})?) ([0-9.e+-]+)$)");
    std::istringstream lines(scrape.body);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("# HELP ", 0) == 0 || line.rfind("# TYPE ", 0) == 0)
            continue;
        std::smatch parts;
        if (!std::regex_match(line, parts, sample)) {
            ADD_FAILURE() << "not a sample line: " << line;
            continue;
        }
        scrape.samples[parts[1]] = std::stod(parts[3]);
    }
    return scrape;
}

// Checks one operation's histogram against its counters: the buckets are cumulative and end in
// +Inf, which equals _count, and _count is the number of its requests, whatever their result.
void ExpectHistogramMatchesCounts(const Scrape &scrape, const std::string &operation)
{
    SCOPED_TRACE(operation);
    const std::string label = "operation=\"" + operation + "\"";
    std::vector<double> buckets;
    std::vector<std::string> bounds;
    static const std::regex bucket(R"re(^platform_request_duration_seconds_bucket\{operation="([^"]*)",le="([^"]*)"\}$)re");
    // std::map orders "0.001" < "0.0025" < ... as text; the rendering order is the bound order,
    // so read them back in the order the body has them.
    std::istringstream lines(scrape.body);
    std::string line;
    while (std::getline(lines, line)) {
        std::smatch parts;
        const std::string key = line.substr(0, line.rfind(' '));
        if (std::regex_match(key, parts, bucket) && parts[1] == operation) {
            bounds.push_back(parts[2]);
            buckets.push_back(scrape.Value(key));
        }
    }
    ASSERT_EQ(buckets.size(), Metrics::kBuckets.size() + 1);
    EXPECT_EQ(bounds.back(), "+Inf");
    for (std::size_t i = 1; i < buckets.size(); ++i) {
        EXPECT_LT(std::stod(bounds[i - 1]), bounds[i] == "+Inf" ? 1e300 : std::stod(bounds[i]));
        EXPECT_LE(buckets[i - 1], buckets[i]) << "le=" << bounds[i];
    }
    const double count = scrape.Value("platform_request_duration_seconds_count{" + label + "}");
    EXPECT_EQ(buckets.back(), count);
    double requests = 0;
    for (const auto &[key, value] : scrape.samples)
        if (key.rfind("platform_requests_total{" + label + ",", 0) == 0)
            requests += value;
    EXPECT_EQ(count, requests);
    EXPECT_GE(scrape.Value("platform_request_duration_seconds_sum{" + label + "}"), 0);
}

std::string Requests(const std::string &operation, const std::string &result)
{
    return "platform_requests_total{operation=\"" + operation + "\",result=\"" + result + "\"}";
}

// The JSON lines of the service's standard error.
std::vector<Json::Value> LogLines(const ServiceProcess &service)
{
    std::vector<Json::Value> lines;
    std::istringstream text(service.ErrorOutput());
    std::string line;
    while (std::getline(text, line))
        if (!line.empty() && line[0] == '{')
            lines.push_back(ParseJsonDocument(line));
    return lines;
}

// The log's line of this operation and result (a request is logged before it is answered).
Json::Value FindLogLine(const ServiceProcess &service, const std::string &operation, const std::string &result)
{
    for (const Json::Value &line : LogLines(service))
        if (line["operation"].asString() == operation && line["result"].asString() == result)
            return line;
    ADD_FAILURE() << "no log line of " << operation << " answering " << result << " in:\n" << service.ErrorOutput();
    return {};
}

class Observability : public ServiceTest
{
};

TEST_F(Observability, MetricsCountEachOperationsResultsAndLatency)
{
    const std::string id = SignIn("xuesheng", "123456");
    EXPECT_EQ(m_client->AutoLogin("xuesheng", Md5Hex("wrong"), "DEVICE-B"), "-6");
    for (int i = 0; i < 2; ++i)
        EXPECT_NE(m_client->CompSaveOrEdit(id, "DEVICE-A", "0", "题目" + std::to_string(i), "正文"), "0");
    m_client->UserComp(id, "DEVICE-A", "10", "1", "1", "");
    m_client->ServerPoll(id, "DEVICE-A");
    EXPECT_EQ(m_client->ServerPoll("1234567890123456789", "DEVICE-A"), "4");
    int status = 0;
    m_service->Get("/no-such-page.aspx", &status);
    EXPECT_EQ(status, 404);

    const Scrape first = ScrapeMetrics(*m_service);
    ASSERT_EQ(first.status, 200);
    EXPECT_EQ(first.contentType.rfind("text/plain; version=0.0.4", 0), 0u) << first.contentType;
    // A document or an essay's id is counted by its HTTP status, a status code as itself.
    const std::map<std::string, double> expected = {
        {Requests("WsAutoLogin", "200"), 1}, {Requests("WsAutoLogin", "-6"), 1}, {Requests("WsCompSaveOrEdit", "200"), 2},
        {Requests("WsUserComp", "200"), 1},  {Requests("WsServerPoll", "200"), 1}, {Requests("WsServerPoll", "4"), 1},
        {Requests("page", "404"), 1},
    };
    for (const auto &[key, value] : expected)
        EXPECT_EQ(first.Value(key), value) << key;
    for (const char *operation : {"WsAutoLogin", "WsCompSaveOrEdit", "WsServerPoll", "page"})
        ExpectHistogramMatchesCounts(first, operation);
    // One per serving thread unless asked: the 8 workers and a sign-in thread per core.
    EXPECT_EQ(first.Value("platform_db_pool_connections"), 8 + std::max(1u, std::thread::hardware_concurrency()));
    EXPECT_EQ(first.Value("platform_database_errors_total"), 0);

    // The counters move with the next calls, the scrape itself counted among them.
    EXPECT_NE(m_client->CompSaveOrEdit(id, "DEVICE-A", "0", "第三篇", "正文"), "0");
    const Scrape second = ScrapeMetrics(*m_service);
    EXPECT_EQ(second.Value(Requests("WsCompSaveOrEdit", "200")), 3);
    EXPECT_EQ(second.Value(Requests("metrics", "200")), 1);
    ExpectHistogramMatchesCounts(second, "WsCompSaveOrEdit");
    ExpectHistogramMatchesCounts(second, "metrics");

    // A client that connects and sends nothing shows in the connection gauges (published as of
    // the connection thread's last turn, so a scrape may need a turn to see it).
    const int idle = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(m_service->Port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(idle, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    Scrape gauges;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    do
        gauges = ScrapeMetrics(*m_service);
    while (gauges.Value("platform_connections_reading") < 1 && Clock::now() < deadline);
    close(idle);
    EXPECT_GE(gauges.Value("platform_connections_reading"), 1);
    EXPECT_GE(gauges.Value("platform_connections_open"), gauges.Value("platform_connections_reading"));
}

// /metrics is judged by the client the request is from: a trusted proxy's forwarded client, not
// the proxy; from an untrusted peer the forwarding headers are ignored. Refused, it is an
// unknown page like any other.
TEST(ObservabilityAccess, MetricsAreShownOnlyToTrustedClients)
{
    const std::string outsider = "X-Forwarded-For: 203.0.113.9\r\n";
    struct Case
    {
        const char *what;
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {"the header of a peer that is no proxy is ignored: loopback", {}, 200},
        {"a proxy forwarding for an outside client", {"--trusted-proxy", "127.0.0.1"}, 404},
        {"the proxy's outside client within --metrics-from",
         {"--trusted-proxy", "127.0.0.1", "--metrics-from", "203.0.113.0/24"}, 200},
        {"--metrics-from elsewhere does not admit it", {"--trusted-proxy", "127.0.0.1", "--metrics-from", "198.51.100.7"}, 404},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        auto service = ServiceProcess::Start(c.args);
        const Scrape scrape = ScrapeMetrics(*service, outsider);
        EXPECT_EQ(scrape.status, c.status);
        if (c.status == 404) {
            EXPECT_EQ(scrape.body.find("platform_"), std::string::npos);
            const std::string unknown = RawHttpExchange(service->Port(), "GET /no-such-page HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                                                                             outsider + "Connection: close\r\n\r\n");
            EXPECT_EQ(scrape.body, unknown.substr(unknown.find("\r\n\r\n") + 4));
        } else {
            EXPECT_NE(scrape.body.find("# TYPE platform_requests_total counter\n"), std::string::npos);
        }
    }
}

TEST_F(Observability, EachRequestIsLoggedOnOneLineWithoutSecrets)
{
    const std::string title = "秘密的题目TitleMarker", body = "不应出现在日志里的正文BodyMarker\r\n第二行";
    const std::string id = SignIn("xuesheng", "123456");
    const std::string saved = m_client->CompSaveOrEdit(id, "DEVICE-A", "0", title, body);
    EXPECT_NE(saved, "0");
    EXPECT_EQ(m_client->AutoLogin("xuesheng", Md5Hex("wrong-password"), "DEVICE-B"), "-6");
    EXPECT_EQ(m_client->AutoLogin("nobody-at-all", Md5Hex("123456"), "DEVICE-C"), "-6");
    m_service->Get("/help.aspx");

    struct Expected
    {
        const char *operation, *result;
        Json::Value user;
    };
    const Expected expected[] = {
        {"WsAutoLogin", "200", "10001"},  {"WsCompSaveOrEdit", "200", "10001"}, {"WsAutoLogin", "-6", "10001"},
        {"page", "200", Json::nullValue},
    };
    const std::regex utcMillis(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$)");
    for (const Expected &e : expected) {
        SCOPED_TRACE(std::string(e.operation) + " " + e.result);
        const Json::Value line = FindLogLine(*m_service, e.operation, e.result);
        EXPECT_EQ(Keys(line), "client,ms,operation,result,time,user");
        EXPECT_EQ(line["user"], e.user);
        EXPECT_EQ(line["client"].asString(), "127.0.0.1");
        EXPECT_TRUE(line["ms"].isDouble() || line["ms"].isInt());
        EXPECT_GE(line["ms"].asDouble(), 0);
        EXPECT_TRUE(std::regex_match(line["time"].asString(), utcMillis)) << line["time"].asString();
    }
    // A sign-in that names no account names no user.
    bool unknownLogged = false;
    for (const Json::Value &line : LogLines(*m_service))
        unknownLogged |= line["operation"] == "WsAutoLogin" && line["result"] == "-6" && line["user"].isNull();
    EXPECT_TRUE(unknownLogged);

    const std::string errors = m_service->ErrorOutput();
    for (const std::string &secret :
         {Md5Hex("123456"), Md5Hex("wrong-password"), id, std::string("TitleMarker"), std::string("BodyMarker"), title})
        EXPECT_EQ(errors.find(secret), std::string::npos) << secret;
}

TEST(ObservabilityLog, NoRequestLogWritesNoLines)
{
    auto service = ServiceProcess::Start({"--no-request-log"});
    int status = 0;
    service->Get("/healthz", &status);
    EXPECT_EQ(status, 200);
    service->Get("/help.aspx", &status);
    // A request is logged and counted before it is answered: the scrape shows both counted.
    const Scrape scrape = ScrapeMetrics(*service);
    EXPECT_EQ(scrape.Value(Requests("healthz", "200")), 1);
    EXPECT_EQ(scrape.Value(Requests("page", "200")), 1);
    EXPECT_TRUE(LogLines(*service).empty()) << service->ErrorOutput();
}

TEST(ObservabilityOptions, BadValuesAreRefusedAtStart)
{
    const std::vector<std::string> bad[] = {
        {"--db-connections", "0"}, {"--db-connections", "many"}, {"--metrics-from", "10.0.0.0/99"},
        {"--metrics-from", "not-an-address"},
    };
    for (const std::vector<std::string> &args : bad) {
        const ServiceProcess::Exit exit = ServiceProcess::RunToExit(args);
        EXPECT_EQ(exit.status, 2) << args[0] << " " << args[1];
        EXPECT_NE(exit.errorOutput.find("bad value for " + args[0] + ": " + args[1]), std::string::npos) << exit.errorOutput;
    }
}

TEST(ObservabilityLog, LineEscapesItsFieldsAndWritesNullForNoUser)
{
    RequestLogEntry entry;
    entry.time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1767323045678)); // 2026-01-02T03:04:05.678Z
    entry.operation = "page";
    entry.result = "404";
    entry.milliseconds = 1.25;
    entry.client = "2001:db8::1";
    EXPECT_EQ(RequestLogLine(entry), "{\"time\":\"2026-01-02T03:04:05.678Z\",\"operation\":\"page\",\"user\":null,"
                                     "\"result\":\"404\",\"ms\":1.250,\"client\":\"2001:db8::1\"}\n");
    entry.user = std::string("a\"b\\c\nd\x01");
    const std::string line = RequestLogLine(entry);
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_EQ(ParseJsonDocument(line)["user"].asString(), *entry.user);
}

// A pool of 1 on the run's engine: a second borrower waits, gives up after the pool's wait with
// a store failure, and is served once the connection comes back; every wait is counted.
TEST(ObservabilityPool, BorrowersWaitABoundedTimeAndAreCounted)
{
    const auto folder = std::filesystem::temp_directory_path() / ("store-pool-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    {
        TestDatabase database(folder.string());
        StorePool pool(database.Target(), 1, std::chrono::milliseconds(200));
        PlatformStore &held = pool.Borrow();
        EXPECT_EQ(pool.Snapshot().inUse, 1);
        EXPECT_THROW(pool.Borrow(), StoreError);
        StorePool::Counts counts = pool.Snapshot();
        EXPECT_EQ(counts.waits, 1u);
        EXPECT_EQ(counts.timeouts, 1u);
        EXPECT_GE(counts.waitSeconds, 0.15);

        StorePool patient(database.Target(), 1, std::chrono::seconds(30));
        PlatformStore &first = patient.Borrow();
        std::atomic<PlatformStore *> second{nullptr};
        std::thread borrower([&] { second = &patient.Borrow(); });
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (patient.Snapshot().waiting == 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(patient.Snapshot().waiting, 1);
        patient.GiveBack(first);
        borrower.join();
        EXPECT_EQ(second.load(), &first); // the same connection, lent again
        EXPECT_EQ(patient.Snapshot().waits, 1u);
        EXPECT_EQ(patient.Snapshot().timeouts, 0u);
        patient.GiveBack(*second);
        pool.GiveBack(held);
        EXPECT_EQ(pool.Snapshot().inUse, 0);
    }
    std::filesystem::remove_all(folder);
}

// 8 workers sharing 2 connections serve 50 callers at once, each seeing only its own essays,
// for as long as it takes the callers to have waited for a connection (none too long).
TEST_F(Observability, TwoConnectionsServeFiftyConcurrentCallers)
{
    StartService({"--threads", "8", "--db-connections", "2"});
    constexpr int kCallers = 50;
    for (int i = 0; i < kCallers; ++i)
        ASSERT_NE(m_service->Control("add-user?name=pooled" + std::to_string(i) + "&password=pw"), "");
    std::atomic<bool> stop{false};
    std::atomic<int> ready{0}, wrong{0}, calls{0};
    std::vector<std::thread> callers;
    for (int i = 0; i < kCallers; ++i)
        callers.emplace_back([&, i] {
            ServiceClient client(m_service->BaseAddress(), m_service->Endpoint());
            const std::string device = "POOL-" + std::to_string(i), name = "pooled" + std::to_string(i);
            const std::string id = ParseJsonDocument(client.AutoLogin(name, Md5Hex("pw"), device))["data"][0]["ID"].asString();
            bool ok = !id.empty();
            for (int n = 0; n < 2 && ok; ++n)
                ok = client.CompSaveOrEdit(id, device, "0", name + "-" + std::to_string(n), "正文") != "0";
            ++ready;
            // Until told to stop, and at least once: a list of exactly its own two essays, and a poll.
            do {
                const std::string listed = client.UserComp(id, device, "10", "1", "1", "");
                const int listError = client.LastError();
                const Json::Value list = ParseJsonDocument(listed);
                std::set<std::string> titles;
                for (const Json::Value &row : list["data"])
                    titles.insert(row["Title"].asString());
                const std::string polled = client.ServerPoll(id, device);
                ++calls;
                if (ok && !(titles == std::set<std::string>{name + "-0", name + "-1"} &&
                            ParseJsonDocument(polled)["data"][0].isMember("message"))) {
                    ok = false;
                    ADD_FAILURE() << name << " listed (error " << listError << ") " << listed << "; polled (error "
                                  << client.LastError() << ") " << polled;
                }
            } while (ok && !stop);
            wrong += !ok;
        });
    // Scrapes need no database connection: they go on while the callers compete for the two.
    Scrape scrape;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        scrape = ScrapeMetrics(*m_service);
    } while ((ready < kCallers || scrape.Value("platform_db_pool_waits_total") < 1) && wrong == 0 &&
             Clock::now() < deadline);
    stop = true;
    for (std::thread &caller : callers)
        caller.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_GE(calls.load(), kCallers);

    scrape = ScrapeMetrics(*m_service);
    EXPECT_EQ(scrape.Value("platform_db_pool_connections"), 2);
    EXPECT_GT(scrape.Value("platform_db_pool_waits_total"), 0);
    EXPECT_GT(scrape.Value("platform_db_pool_wait_seconds_total"), 0);
    EXPECT_EQ(scrape.Value("platform_db_pool_timeouts_total"), 0);
    EXPECT_EQ(scrape.Value("platform_database_errors_total"), 0);
    EXPECT_EQ(scrape.Value(Requests("WsCompSaveOrEdit", "200")), 2 * kCallers);
    EXPECT_EQ(scrape.Value(Requests("WsUserComp", "200")), calls.load());

    // Fifty callers at once, and every line of the log is whole: one JSON object per line.
    std::istringstream errors(m_service->ErrorOutput());
    std::string line;
    int logged = 0;
    while (std::getline(errors, line)) {
        EXPECT_EQ(Keys(ParseJsonDocument(line)), "client,ms,operation,result,time,user") << line;
        ++logged;
    }
    EXPECT_GE(logged, 2 * calls.load() + 3 * kCallers);
}

// The database going away: each call that fails on it and each failed readiness probe is counted
// as a database error, with the call counted under its failure code.
TEST(ObservabilityOutage, CallsThatFailOnTheDatabaseAreCounted)
{
    TestDatabase::ClusterUri(); // a skip (77) without the test cluster
    setenv("PLATFORM_TEST_ENGINE", "postgresql", 1);
    auto service = ServiceProcess::Start({"--threads", "2", "--db-connections", "1"});
    const std::string name = service->DatabaseName();
    ServiceClient client(service->BaseAddress(), service->Endpoint());
    const std::string id = ParseJsonDocument(client.AutoLogin("xuesheng", Md5Hex("123456"), "OUTAGE"))["data"][0]["ID"].asString();
    ASSERT_NE(client.CompSaveOrEdit(id, "OUTAGE", "0", "之前", "数据库还在。"), "0");

    TestDatabase::AdminExec("ALTER DATABASE " + name + " ALLOW_CONNECTIONS false");
    TestDatabase::AdminExec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" + name + "'");
    for (int call = 0; call < 2; ++call)
        EXPECT_EQ(client.CompSaveOrEdit(id, "OUTAGE", "0", "期间", "数据库不在。"), "0") << call;
    int status = 0;
    service->Get("/readyz", &status);
    EXPECT_EQ(status, 503);
    const Scrape during = ScrapeMetrics(*service);
    EXPECT_EQ(during.Value("platform_database_errors_total"), 3);
    EXPECT_EQ(during.Value(Requests("WsCompSaveOrEdit", "0")), 2);
    EXPECT_EQ(during.Value(Requests("readyz", "503")), 1);
    EXPECT_EQ(during.Value("platform_db_pool_in_use"), 0); // a failed call gives its connection back

    TestDatabase::AdminExec("ALTER DATABASE " + name + " ALLOW_CONNECTIONS true");
    EXPECT_NE(client.CompSaveOrEdit(id, "OUTAGE", "0", "之后", "数据库回来了。"), "0");
    EXPECT_EQ(ScrapeMetrics(*service).Value("platform_database_errors_total"), 3);
}

} // namespace
