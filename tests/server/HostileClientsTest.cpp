// Clients that try to wear the service down: connections that trickle their request a byte at a
// time, many connections from one address, requests shaped to make the parser work hard, and
// oversize requests sent in chunks or without a length. Ordinary calls go on being answered.
#include "RawHttp.h"
#include "ServiceTestFixture.h"
#include "TestCertificates.h"

#include <cstdio>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::string Chunked(const std::string &body, std::size_t chunk)
{
    std::ostringstream out;
    for (std::size_t at = 0; at < body.size(); at += chunk) {
        std::string piece = body.substr(at, chunk);
        out << std::hex << piece.size() << "\r\n" << piece << "\r\n";
    }
    out << "0\r\n\r\n";
    return "POST /iface/api.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/soap+xml; charset=utf-8\r\n"
           "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n" +
           out.str();
}

std::string FaultReason(const std::string &response)
{
    auto start = response.find("xml:lang=\"en\">");
    if (start == std::string::npos)
        return "(no fault) " + response.substr(0, 200);
    start += 14;
    return response.substr(start, response.find('<', start) - start);
}

// Waits (at most 10 s) until the service's own count of its connections, whose request is still
// arriving (reading) and whose answer is being written (writing), satisfies `holds`.
bool WaitForConnections(const ServiceProcess &service, const std::function<bool(int reading, int writing)> &holds)
{
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    for (;;) {
        Json::Value counts;
        std::istringstream answer(service.Control("connections"));
        Json::parseFromStream(Json::CharReaderBuilder(), answer, &counts, nullptr);
        if (holds(counts["reading"].asInt(), counts["writing"].asInt()))
            return true;
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace

TEST_F(ServiceTest, FiftyTricklingConnectionsLeaveOrdinaryCallsAnswered)
{
    constexpr int kTricklers = 50;
    const std::string request = SoapPost(SoapEnvelope("<ns1:WsOverallInfo/>"));
    std::vector<int> tricklers;
    for (int i = 0; i < kTricklers; ++i) {
        int fd = ConnectFrom(m_service->Port(), "127.0.0.1", 20000);
        ASSERT_GE(fd, 0);
        tricklers.push_back(fd);
    }
    // One byte per connection every 200 ms: each is still sending its header long after the
    // workers would all have been taken by them.
    std::atomic<bool> stop{false};
    std::thread trickle([&] {
        for (std::size_t at = 0; !stop.load() && at < request.size(); ++at) {
            for (int fd : tricklers)
                send(fd, request.data() + at, 1, MSG_NOSIGNAL);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    // The service holds every trickler (its request still arriving) before the ordinary calls.
    ASSERT_TRUE(WaitForConnections(*m_service, [&](int reading, int) { return reading >= kTricklers; }));
    for (int call = 0; call < 5; ++call) {
        auto start = Clock::now();
        std::string info = m_client->OverallInfo();
        auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        EXPECT_EQ(Parse(info)["data"][0]["version"].asString(), "1.0.0");
        EXPECT_LT(took.count(), 1000) << "call " << call << " waited behind the trickling connections";
    }
    // No request gets longer than its deadline: each trickler is told so and closed.
    for (int fd : tricklers) {
        std::string response = ReadToClose(fd);
        EXPECT_EQ(FaultReason(response), "Request too large or incomplete");
        close(fd);
    }
    stop = true;
    trickle.join();
}

// As many connections from 127.0.0.2 as the bound are taken and held; one more is closed at once.
static void ExpectConnectionsFromOneAddressBounded(const ServiceProcess &service, int bound)
{
    std::vector<int> idle;
    for (int i = 0; i < bound; ++i) {
        int fd = ConnectFrom(service.Port(), "127.0.0.2", 300);
        ASSERT_GE(fd, 0) << i;
        idle.push_back(fd);
    }
    // The service has taken them all: each is still open.
    EXPECT_EQ(ReadToClose(idle.front()), "<open>");
    EXPECT_EQ(ReadToClose(idle.back()), "<open>");
    // One more from the same address is closed at once; another address is served as usual.
    int extra = ConnectFrom(service.Port(), "127.0.0.2", 3000);
    ASSERT_GE(extra, 0);
    EXPECT_EQ(ReadToClose(extra), "");
    close(extra);
    int other = ConnectFrom(service.Port(), "127.0.0.3", 5000);
    SendAll(other, SoapPost(SoapEnvelope("<ns1:WsOverallInfo/>")));
    EXPECT_NE(ReadToClose(other).find("WsOverallInfoResult"), std::string::npos);
    close(other);
    // Once one of them goes, the address may call again.
    close(idle.back());
    idle.pop_back();
    ASSERT_TRUE(WaitForConnections(service, [&](int reading, int) { return reading == bound - 1; }));
    int again = ConnectFrom(service.Port(), "127.0.0.2", 5000);
    SendAll(again, SoapPost(SoapEnvelope("<ns1:WsOverallInfo/>")));
    EXPECT_NE(ReadToClose(again).find("WsOverallInfoResult"), std::string::npos);
    close(again);
    for (int fd : idle)
        close(fd);
}

TEST_F(ServiceTest, ConnectionsFromOneAddressAreBounded)
{
    ExpectConnectionsFromOneAddressBounded(*m_service, 64);
}

// A school whose pupils all come from one address may be given a larger share.
TEST(ServiceOptions, TheConnectionsOfOneAddressCanBeRaised)
{
    auto service = ServiceProcess::Start({"--connections-per-address", "100"});
    ASSERT_TRUE(service);
    ExpectConnectionsFromOneAddressBounded(*service, 100);
}

TEST_F(ServiceTest, RequestsShapedToTireTheParserCostLittleAndAreRefused)
{
    std::string attributes;
    for (int i = 0; i < 40000; ++i)
        attributes += " a" + std::to_string(i) + "=\"1\"";
    std::string elements;
    for (int i = 0; i < 40000; ++i)
        elements += "<x/>";
    const std::string shaped[] = {
        SoapEnvelope("<ns1:WsOverallInfo" + attributes + "/>"),
        SoapEnvelope("<ns1:WsOverallInfo>" + elements + "</ns1:WsOverallInfo>"),
    };
    for (const std::string &body : shaped)
        ASSERT_LT(body.size(), 512u * 1024u) << "the request must be refused for its shape, not its size";

    constexpr int kRounds = 4;
    const double before = ProcessCpuMilliseconds(m_service->Pid());
    for (int round = 0; round < kRounds; ++round)
        for (const std::string &body : shaped) {
            std::string response = RawHttpExchange(m_service->Port(), SoapPost(body));
            EXPECT_EQ(HttpStatus(response), 400);
            EXPECT_EQ(FaultReason(response), "Request has too many elements or attributes");
        }
    const double spent = ProcessCpuMilliseconds(m_service->Pid()) - before;
    // No request, signed in or not, may cost the service more than 50 ms of CPU.
    EXPECT_LT(spent, 50.0 * kRounds * 2) << "CPU spent on " << kRounds * 2 << " shaped requests";

    // An envelope with a few more namespace declarations than usual is still an ordinary call.
    std::string declarations;
    for (int i = 0; i < 20; ++i)
        declarations += " xmlns:extra" + std::to_string(i) + "=\"urn:extra:" + std::to_string(i) + "\"";
    std::string body = SoapEnvelope("<ns1:WsOverallInfo" + declarations + "/>");
    std::string response = RawHttpExchange(m_service->Port(), SoapPost(body));
    EXPECT_NE(response.find("WsOverallInfoResult"), std::string::npos) << response.substr(0, 300);
}

TEST_F(ServiceTest, SizeBoundHoldsForChunkedRequestsAndRequestsWithoutLength)
{
    std::string id = SignIn("xuesheng", "123456");
    auto idea = [&](const std::string &content) {
        return SoapEnvelope("<ns1:WsUserIdea><ns1:id>" + id + "</ns1:id><ns1:code>DEVICE-A</ns1:code><ns1:content>" + content +
                        "</ns1:content></ns1:WsUserIdea>");
    };
    const std::string large = idea(std::string(600 * 1024, 'a'));
    const std::string withoutLength =
        "POST /iface/api.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/soap+xml; charset=utf-8\r\n"
        "Connection: close\r\n\r\n" +
        large;
    for (const std::string &request : {Chunked(large, 4096), Chunked(large, 600 * 1024), withoutLength}) {
        std::string response = RawHttpExchange(m_service->Port(), request);
        EXPECT_EQ(HttpStatus(response), 400) << request.substr(0, 200);
        EXPECT_EQ(FaultReason(response), "Request too large or incomplete");
    }
    EXPECT_EQ(Counts("xuesheng")["ideas"].asString(), "0");
    // A chunked request within the bound is an ordinary call.
    std::string response = RawHttpExchange(m_service->Port(), Chunked(idea("分块送来的意见"), 16));
    EXPECT_NE(response.find("WsUserIdeaResult>1<"), std::string::npos) << response.substr(0, 400);
    EXPECT_EQ(Counts("xuesheng")["ideas"].asString(), "1");
}

TEST_F(ServiceTest, ClientsThatDoNotReadTheirAnswersHoldNoWorker)
{
    std::string id = SignIn("xuesheng", "123456");
    const std::string request = SoapPost(SoapEnvelope("<ns1:WsKeyword><ns1:id>" + id +
                                                        "</ns1:id><ns1:code>DEVICE-A</ns1:code>"
                                                        "<ns1:keyId>0</ns1:keyId></ns1:WsKeyword>"));
    // More slow readers than there are workers, each with a receive buffer far smaller than the
    // whole keyword list, so each answer stops in the socket until its client reads.
    constexpr int kSlowReaders = 12;
    std::vector<int> readers;
    for (int i = 0; i < kSlowReaders; ++i) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        int small = 2048;
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        timeval wait{20, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        sockaddr_in remote{};
        remote.sin_family = AF_INET;
        remote.sin_port = htons(static_cast<uint16_t>(m_service->Port()));
        remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr *>(&remote), sizeof remote), 0);
        SendAll(fd, request);
        readers.push_back(fd);
    }
    // Every answer is stuck in its socket, being written, before the ordinary call.
    ASSERT_TRUE(WaitForConnections(*m_service, [&](int, int writing) { return writing >= kSlowReaders; }));
    auto client = NewClient();
    EXPECT_EQ(Parse(client->OverallInfo())["data"][0]["version"].asString(), "1.0.0");
    EXPECT_EQ(client->LastError(), SOAP_OK);
    // Each slow reader still gets its whole answer.
    for (int fd : readers) {
        std::string response = ReadToClose(fd);
        auto begin = response.find("<ns1:WsKeywordResult>");
        auto end = response.find("</ns1:WsKeywordResult>");
        ASSERT_NE(begin, std::string::npos) << response.substr(0, 300);
        ASSERT_NE(end, std::string::npos) << "answer cut short at " << response.size() << " bytes";
        std::string json = response.substr(begin + 21, end - begin - 21);
        for (auto [from, to] : {std::pair<const char *, const char *>{"&quot;", "\""}, {"&amp;", "&"}})
            for (auto at = json.find(from); at != std::string::npos; at = json.find(from, at + 1))
                json.replace(at, std::strlen(from), to);
        EXPECT_EQ(Parse(json)["data"].size(), 3000u);
        close(fd);
    }
}

TEST(ServiceOverTls, ServesOverTlsWhileHandshakesStallAndPlainRequestsGetNothing)
{
    TestCertificates certificates;
    auto service =
        ServiceProcess::Start({"--tls-cert", certificates.Server().certificate, "--tls-key", certificates.Server().key});
    ASSERT_EQ(service->BaseAddress().rfind("https://127.0.0.1:", 0), 0u) << service->BaseAddress();
    // Connections that never begin their handshake, more than there are workers.
    std::vector<int> stalled;
    for (int i = 0; i < 50; ++i)
        stalled.push_back(ConnectFrom(service->Port(), "127.0.0.4", 1000));
    // Plain HTTP to the TLS port is no request: the connection is closed without an answer.
    EXPECT_EQ(RawHttpExchange(service->Port(), SoapPost(SoapEnvelope("<ns1:WsOverallInfo/>")), 5), "");

    ServiceClient client(service->BaseAddress(), service->Endpoint());
    std::string signIn = client.AutoLogin("xuesheng", Md5Hex("123456"), "DEVICE-A");
    Json::Value document;
    ASSERT_EQ(Json::Reader().parse(signIn, document), true) << signIn;
    // The address the client is to use after signing in is the https one.
    EXPECT_EQ(document["data"][0]["host"].asString(), service->BaseAddress());
    const std::string id = document["data"][0]["ID"].asString();
    Json::Value profile;
    ASSERT_EQ(Json::Reader().parse(client.UserInfo(id, "DEVICE-A"), profile), true);
    EXPECT_EQ(profile["data"][0]["TrueName"].asString(), "李明");
    EXPECT_EQ(client.LastError(), SOAP_OK);
    for (int fd : stalled)
        close(fd);
}

// One GET of a test control from the given loopback address with extra header lines; the status.
int ControlStatus(int port, const char *source, const std::string &headers)
{
    int fd = ConnectFrom(port, source, 5000);
    if (fd < 0)
        return -1;
    SendAll(fd, "GET /test/disable?id=1&value=1 HTTP/1.1\r\n" + headers + "Connection: close\r\n\r\n");
    std::string response = ReadToClose(fd);
    close(fd);
    int status = -1;
    std::sscanf(response.c_str(), "HTTP/1.%*d %d", &status);
    return status;
}

TEST_F(ServiceTest, TestControlsAnswerOnlyALocalToolNamingALoopbackHost)
{
    const int port = m_service->Port();
    const std::string local = "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
    struct Case
    {
        const char *what;
        std::string headers;
        int status;
    } cases[] = {
        {"a local tool", local, 200},
        {"localhost by name", "Host: localhost:" + std::to_string(port) + "\r\n", 200},
        {"IPv6 loopback host", "Host: [::1]:" + std::to_string(port) + "\r\n", 200},
        {"a proxy passing the public host", "Host: school.example\r\nX-Forwarded-For: 203.0.113.9\r\n", 404},
        {"a foreign host that resolves to loopback", "Host: evil.example:" + std::to_string(port) + "\r\n", 404},
        {"a page of another site (Origin)", local + "Origin: http://evil.example\r\n", 404},
        {"a page of another site (fetch metadata)", local + "Sec-Fetch-Site: cross-site\r\n", 404},
        {"a neighbouring site", local + "Sec-Fetch-Site: same-site\r\n", 404},
        {"the service's own page", local + "Origin: http://127.0.0.1:" + std::to_string(port) + "\r\nSec-Fetch-Site: same-origin\r\n", 200},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ControlStatus(port, "127.0.0.1", c.headers), c.status) << c.what;
}

TEST(ServiceWithoutTestControls, HasNoTestControlsEvenForALocalTool)
{
    auto service = ServiceProcess::Start({}, false);
    const std::string local = "Host: 127.0.0.1:" + std::to_string(service->Port()) + "\r\n";
    EXPECT_EQ(ControlStatus(service->Port(), "127.0.0.1", local), 404);
    int status = 0;
    service->Control("idle-timeout?seconds=5", &status);
    EXPECT_EQ(status, 404);
}
