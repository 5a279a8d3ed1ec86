// The service behind a reverse proxy that serves TLS for it: with --trusted-proxy it counts every
// limit against the client the proxy forwards for and hands out the https address the client
// reached; from any other peer the forwarding headers are the client's own words and ignored.
#include "RawHttp.h"
#include "ServiceTestFixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <barrier>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// The proxy's own address towards the service, the one the service is told to trust.
constexpr const char *kProxyAddress = "127.0.0.250";

// A reverse proxy in a few lines: each connection's request is read whole, given the forwarding
// headers of a TLS front (the client's address, https, the public name) and sent on to the
// service from kProxyAddress; the answer comes back as it is.
class ForwardingProxy
{
public:
    explicit ForwardingProxy(int servicePort) : m_servicePort(servicePort)
    {
        m_listen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(m_listen, 256) != 0 ||
            getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            throw std::runtime_error("the proxy cannot listen");
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { Accept(); });
    }
    ~ForwardingProxy()
    {
        m_stop = true;
        shutdown(m_listen, SHUT_RDWR);
        m_acceptor.join();
        close(m_listen);
        for (std::thread &t : m_handlers)
            t.join();
    }
    int Port() const { return m_port; }

private:
    void Accept()
    {
        for (;;) {
            sockaddr_in client{};
            socklen_t length = sizeof client;
            int fd = accept(m_listen, reinterpret_cast<sockaddr *>(&client), &length);
            if (fd < 0 || m_stop) {
                if (fd >= 0)
                    close(fd);
                return;
            }
            char text[INET_ADDRSTRLEN] = "";
            inet_ntop(AF_INET, &client.sin_addr, text, sizeof text);
            std::lock_guard lock(m_mutex);
            m_handlers.emplace_back([this, fd, from = std::string(text)] { Forward(fd, from); });
        }
    }
    void Forward(int fd, const std::string &from)
    {
        timeval wait{20, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        std::string request;
        char buffer[8192];
        std::size_t headerEnd;
        while ((headerEnd = request.find("\r\n\r\n")) == std::string::npos) {
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return (void)close(fd);
            request.append(buffer, static_cast<std::size_t>(n));
        }
        std::size_t length = 0;
        if (auto at = request.find("Content-Length: "); at != std::string::npos && at < headerEnd)
            length = std::stoul(request.substr(at + 16));
        while (request.size() < headerEnd + 4 + length) {
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return (void)close(fd);
            request.append(buffer, static_cast<std::size_t>(n));
        }
        request.insert(headerEnd + 2, "X-Forwarded-For: " + from + "\r\nX-Forwarded-Proto: https\r\n"
                                      "X-Forwarded-Host: school.example\r\n");
        SendAll(fd, ExchangeFrom(m_servicePort, kProxyAddress, request, 30000));
        close(fd);
    }

    int m_servicePort;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::vector<std::thread> m_handlers;
};

std::string SignInRequest(const std::string &name, const std::string &password, const std::string &device,
                          const std::string &extraHeaders = "")
{
    return SoapPost(SoapEnvelope("<ns1:WsAutoLogin><ns1:u>" + name + "</ns1:u><ns1:p>" + Md5Hex(password) +
                                 "</ns1:p><ns1:code>" + device + "</ns1:code></ns1:WsAutoLogin>"),
                    extraHeaders);
}

// The "host" of a sign-in's answer, or the answer itself when it is no sign-in document.
std::string HostOf(const std::string &response)
{
    std::string result = SoapResult(response, "WsAutoLogin");
    Json::Value document;
    if (!Json::Reader().parse(result, document) || !document.isObject())
        return "(no sign-in) " + result;
    return document["data"][0]["host"].asString();
}

long MillisecondsSince(Clock::time_point start)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class BehindProxyTest : public ServiceTest
{
protected:
    void SetUp() override
    {
        StartService({"--trusted-proxy", std::string(kProxyAddress) + "/32"});
        m_proxy = std::make_unique<ForwardingProxy>(m_service->Port());
    }
    void TearDown() override { m_proxy.reset(); }

    // One request through the proxy from the given client address.
    std::string Through(const char *client, const std::string &request)
    {
        return ExchangeFrom(m_proxy->Port(), client, request, 30000);
    }

    std::unique_ptr<ForwardingProxy> m_proxy;
};

} // namespace

TEST_F(BehindProxyTest, GuessesCountAgainstTheirOwnClient)
{
    // Fourteen wrong passwords from one pupil's machine, sent at once.
    std::vector<std::thread> guesses;
    for (int i = 0; i < 14; ++i)
        guesses.emplace_back([this, i] { Through("127.0.0.41", SignInRequest("nobody", "x", "GUESS-" + std::to_string(i))); });
    for (std::thread &t : guesses)
        t.join();
    // Another pupil in the school signs in at once; the guesser's machine waits.
    auto start = Clock::now();
    EXPECT_EQ(HostOf(Through("127.0.0.42", SignInRequest("tongxue", "654321", "PUPIL-B"))), "https://school.example/");
    EXPECT_LT(MillisecondsSince(start), 1500) << "slowed by another machine's guesses";
    start = Clock::now();
    EXPECT_EQ(HostOf(Through("127.0.0.41", SignInRequest("xuesheng", "123456", "PUPIL-A"))), "https://school.example/");
    EXPECT_GE(MillisecondsSince(start), 1800) << "the guesser's own failures did not count";
}

TEST_F(BehindProxyTest, SharesAreLimitedPerClient)
{
    auto share = [&](const char *client) {
        return HttpStatus(Through(client, "GET /send/?webid=tsina&url=x&title=t&summary=s HTTP/1.1\r\nHost: school.example\r\n"
                                          "Connection: close\r\n\r\n"));
    };
    for (int i = 0; i < 30; ++i)
        ASSERT_EQ(share("127.0.0.43"), 200) << i;
    EXPECT_EQ(share("127.0.0.43"), 429);
    EXPECT_EQ(share("127.0.0.44"), 200);
}

TEST_F(BehindProxyTest, AHundredAndTwentySimultaneousSignInsAreAllAnswered)
{
    constexpr int kPupils = 120;
    // A class's worth of accounts (one account signing in 120 times at once would lock itself).
    std::vector<std::thread> adders;
    for (int t = 0; t < 8; ++t)
        adders.emplace_back([&, t] {
            for (int i = t; i < kPupils; i += 8)
                m_service->Control("add-user?name=pupil" + std::to_string(i) + "&password=pw");
        });
    for (std::thread &t : adders)
        t.join();
    std::barrier start(kPupils);
    std::atomic<int> answered{0};
    std::vector<std::thread> pupils;
    for (int i = 0; i < kPupils; ++i)
        pupils.emplace_back([&, i] {
            const std::string client = "127.0.1." + std::to_string(i + 1);
            start.arrive_and_wait();
            std::string response =
                Through(client.c_str(), SignInRequest("pupil" + std::to_string(i), "pw", "PUPIL-" + std::to_string(i)));
            answered += HostOf(response) == "https://school.example/";
        });
    for (std::thread &t : pupils)
        t.join();
    EXPECT_EQ(answered.load(), kPupils);
}

TEST_F(BehindProxyTest, OtherPeersForwardingHeadersAreIgnored)
{
    const std::string forged = "X-Forwarded-For: 203.0.113.7\r\nForwarded: for=203.0.113.8;proto=https;host=evil.example\r\n"
                               "X-Forwarded-Proto: https\r\nX-Forwarded-Host: evil.example\r\n";
    // The request's own Host header ("127.0.0.1") is what the client reached.
    EXPECT_EQ(HostOf(ExchangeFrom(m_service->Port(), "127.0.0.45", SignInRequest("xuesheng", "123456", "D", forged))),
              "http://127.0.0.1/");
    // Guesses that name a new client each time still count against the address they came from.
    for (int i = 0; i < 12; ++i)
        ExchangeFrom(m_service->Port(), "127.0.0.45",
                     SignInRequest("nobody", "x", std::string("G").append(std::to_string(i)),
                                   std::string("X-Forwarded-For: 203.0.113.").append(std::to_string(i + 1)) + "\r\n"));
    auto start = Clock::now();
    ExchangeFrom(m_service->Port(), "127.0.0.45", SignInRequest("xuesheng", "123456", "D", forged));
    EXPECT_GE(MillisecondsSince(start), 400);
    // The test controls are not for whoever comes through the proxy.
    std::string control = Through("127.0.0.46", "GET /test/disable?name=xuesheng&value=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                                "Connection: close\r\n\r\n");
    EXPECT_EQ(HttpStatus(control), 404);
}
