// The service's guards in-process: the sign-in guard's counting, delays and lock, the
// verification codes, the trusted proxies, the shares of held answers and the queue of sign-ins,
// the rate limiter, the readers of raw request bytes, and the store's bounded shares.
#include "ConnectionLoop.h"
#include "PlatformStore.h"
#include "RateLimiter.h"
#include "RawHttp.h"
#include "RawRequest.h"
#include "SignInBudget.h"
#include "SignInGuard.h"
#include "TrustedProxies.h"
#include "VerifyCodes.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

using namespace std::chrono_literals;

TEST(SignInGuard, DelayGrowsWithFailuresUpToACap)
{
    const std::pair<int, long> table[] = {{0, 0}, {1, 250}, {2, 500}, {3, 1000}, {5, 4000}, {6, 8000}, {7, 8000}, {40, 8000}};
    for (const auto &[failures, milliseconds] : table)
        EXPECT_EQ(SignInGuard::Delay(failures).count(), milliseconds) << failures;
}

TEST(SignInGuard, CountsAttemptsBeforeTheirOutcomeAndLocksAfterThree)
{
    SignInGuard guard;
    // Three attempts begun at once, none finished yet: the fourth is refused.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(guard.Begin(7, std::string("D").append(std::to_string(i)), "10.0.0.1", false).locked, false) << i;
    EXPECT_EQ(guard.Begin(7, "D9", "10.0.0.1", false).locked, true);
    EXPECT_EQ(guard.IsLocked(7), true);
    // A right password without a code leaves the lock; with a code it lifts it.
    guard.Succeeded(7, false);
    EXPECT_EQ(guard.IsLocked(7), true);
    EXPECT_EQ(guard.Begin(7, "D9", "10.0.0.1", true).locked, false);
    guard.Succeeded(7, true);
    EXPECT_EQ(guard.IsLocked(7), false);
    // A success clears the count: two failures, a success, two failures do not lock.
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(guard.Begin(8, "E", "10.0.0.2", false).locked, false);
        guard.Succeeded(8, false);
    }
    EXPECT_EQ(guard.Begin(8, "E", "10.0.0.2", false).locked, false);
}

TEST(SignInGuard, FailuresSlowTheirDeviceAndAddressButNotOthers)
{
    SignInGuard guard;
    for (int i = 0; i < 3; ++i)
        guard.Failed("GUESSER", "10.0.0.1");
    EXPECT_EQ(guard.Begin(0, "GUESSER", "10.0.0.9", false).delay.count(), 1000);
    EXPECT_EQ(guard.Begin(0, "PUPIL", "10.0.0.1", false).delay.count(), 0); // within the address's allowance
    for (int i = 0; i < 10; ++i)
        guard.Failed(std::string("D").append(std::to_string(i)), "10.0.0.1");
    // Thirteen failures from one address: three beyond the allowance.
    EXPECT_EQ(guard.Begin(0, "PUPIL", "10.0.0.1", false).delay.count(), 1000);
    EXPECT_EQ(guard.Begin(0, "PUPIL", "10.0.0.2", false).delay.count(), 0);
}

TEST(RateLimiter, BurstThenOnePerInterval)
{
    RateLimiter limiter(3, 1000ms, 2);
    auto start = RateLimiter::Clock::now();
    std::string answers;
    for (int i = 0; i < 5; ++i)
        answers += limiter.Allow("a", start) ? '+' : '-';
    answers += limiter.Allow("a", start + 999ms) ? '+' : '-';
    answers += limiter.Allow("a", start + 2100ms) ? '+' : '-';
    answers += limiter.Allow("a", start + 2200ms) ? '+' : '-';
    EXPECT_EQ(answers, "+++---++");
    // Bounded: a third key is refused while both busy buckets are kept; once one has filled again it makes room.
    EXPECT_EQ(limiter.Allow("b", start + 2200ms), true);
    EXPECT_EQ(limiter.Allow("c", start + 2200ms), false);
    EXPECT_EQ(limiter.Allow("c", start + 10s), true);
}

TEST(RawRequest, HeadersBodyAndElementsAsSent)
{
    const std::string raw = "POST /iface/api.asmx HTTP/1.1\r\nhost:  127.0.0.2:8089 \r\nContent-Length: 10\r\n\r\n"
                            "<e:Envelope><e:Body><ns1:WsAutoLogin><ns1:u>\xD5\xC5&amp;&#20843;</ns1:u><p/></ns1:WsAutoLogin>"
                            "</e:Body></e:Envelope>";
    EXPECT_EQ(HeaderValue(raw, "Host"), "127.0.0.2:8089");
    EXPECT_EQ(HeaderValue(raw, "Content-Type"), "");
    std::string body = RequestBody(raw);
    EXPECT_EQ(body.substr(0, 12), "<e:Envelope>");
    std::string text;
    ASSERT_EQ(RawElementText(body, "u", &text), true);
    EXPECT_EQ(text, "\xD5\xC5&\xE5\x85\xAB"); // bytes as sent, entities decoded
    ASSERT_EQ(RawElementText(body, "p", &text), true);
    EXPECT_EQ(text, "");
    EXPECT_EQ(RawElementText(body, "code", &text), false);
}

TEST(RawRequest, ChunkedBodiesAreJoined)
{
    // "中" (E4 B8 AD) split across two chunks.
    const std::string raw = "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n4\r\n<a>\xE4\r\n"
                            "6\r\n\xB8\xAD</a>\r\n0\r\n\r\n";
    EXPECT_EQ(IsChunked(raw), true);
    EXPECT_EQ(RequestBody(raw), "<a>\xE4\xB8\xAD</a>");
}

TEST(RawRequest, SanitizingKeepsUtf8AndLengthAcrossBuffers)
{
    struct Case
    {
        std::string first, second, expected;
    } cases[] = {
        {"ab\xE4\xB8", "\xAD!", "ab\xE4\xB8\xAD!"}, // a character split between two reads
        {"\xD5\xC5\xC8\xFD", "x", "????x"},         // GBK bytes
        {"a\xE4", "\xB8<", "a\xE4?<"},              // broken off in the second read: its part there
        {"\xFF\x80", "", "??"},
    };
    for (const Case &c : cases) {
        Utf8Sanitizer sanitizer;
        std::string first = c.first, second = c.second;
        sanitizer.Sanitize(first.data(), first.size());
        sanitizer.Sanitize(second.data(), second.size());
        EXPECT_EQ(first + second, c.expected) << c.first << c.second;
    }
}

TEST(RawRequest, NulInAnyForm)
{
    const std::pair<std::string, bool> cases[] = {
        {"a&#0;b", true},   {"a&#x0;b", true},   {"a&#X00;b", true}, {"a&#000;b", true},  {std::string("a\0b", 3), true},
        {"a&#10;b", false}, {"a&#x30;b", false}, {"a&#;b", false},   {"&amp;#0;", false}, {"plain", false},
    };
    for (const auto &[text, holds] : cases)
        EXPECT_EQ(HoldsNul(text), holds) << text;
}

TEST(RawRequest, HostAndPortCheck)
{
    const std::pair<const char *, bool> cases[] = {
        {"127.0.0.2:8089", true}, {"example.org", true}, {"xiezuo.example.cn:443", true}, {"[::1]:8089", true},
        {"[::1]", true},          {"", false},           {"evil\"/><x", false},           {"a b:80", false},
        {"host:", false},         {"host:0", false},     {"host:65536", false},           {"host:80:80", false},
        {"[::1]x", false},        {"host/path", false},  {".example.org", false},         {"user@host", false},
    };
    for (const auto &[text, valid] : cases)
        EXPECT_EQ(IsHostAndPort(text), valid) << text;
}

TEST(PlatformStoreShares, OnlyTheNewestAreKept)
{
    auto path = std::filesystem::temp_directory_path() / ("shares-test-" + std::to_string(getpid()) + ".db");
    {
        PlatformStore store(path.string());
        for (int i = 0; i < 7; ++i)
            store.AddShare(ShareRow{"w", "u", std::string("t").append(std::to_string(i)), "s", ""}, 3);
        auto shares = store.Shares();
        ASSERT_EQ(shares.size(), 3u);
        EXPECT_EQ(shares[0].title, "t4");
        EXPECT_EQ(shares[2].title, "t6");
    }
    for (const char *suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(path.string() + suffix);
}

TEST(SignInGuard, ALockCoolsDownAfterQuietMinutesThatLockedAttemptsDoNotExtend)
{
    SignInGuard guard;
    const auto start = SignInGuard::Clock::now();
    for (int i = 0; i < 3; ++i)
        guard.Begin(7, "D", "10.0.0.1", false, start);
    const auto locked = guard.Begin(7, "D", "10.0.0.1", false, start);
    EXPECT_EQ(locked.locked, true);
    EXPECT_EQ(locked.delay.count(), 0) << "a refusal of a locked account is answered at once";
    // Attempts on the locked account go on, and do not keep it locked.
    for (auto at : {5min, 10min, 14min})
        EXPECT_EQ(guard.Begin(7, "D", "10.0.0.1", false, start + at).locked, true);
    EXPECT_EQ(guard.Begin(7, "D", "10.0.0.1", false, start + 16min).locked, false);
}

TEST(SignInGuard, WrongVerifyCodesSlowOnlyTheirDeviceFromTheirAddress)
{
    SignInGuard guard;
    std::string delays;
    for (int i = 0; i < 5; ++i)
        delays += std::to_string(guard.WrongVerifyCode("FILLER", "10.0.0.66").count()) + " ";
    EXPECT_EQ(delays, "0 250 500 1000 2000 ");
    // The owner of the device code at another address, and another device at that address.
    EXPECT_EQ(guard.WrongVerifyCode("FILLER", "10.0.0.5").count(), 0);
    EXPECT_EQ(guard.WrongVerifyCode("OTHER", "10.0.0.66").count(), 0);
}

TEST(SignInGuard, CallsMatchingNoSessionCountLikeWrongPasswords)
{
    SignInGuard guard;
    std::string delays;
    // Each with a device code of its own: only the address's count grows.
    for (int i = 0; i < 14; ++i)
        delays += std::to_string(guard.FailedCall("GUESS" + std::to_string(i), "10.0.0.9").count()) + " ";
    EXPECT_EQ(delays, "0 0 0 0 0 0 0 0 0 0 0 250 500 1000 ");
    // Sign-ins from that address are slowed by the same count; others are not.
    EXPECT_EQ(guard.Begin(0, "PUPIL", "10.0.0.9", false).delay.count(), 2000);
    EXPECT_EQ(guard.Begin(0, "PUPIL", "10.0.0.10", false).delay.count(), 0);
    // One device code guessing session numbers is slowed by its own count.
    for (int i = 0; i < 3; ++i)
        guard.FailedCall("SAME", "10.0.0.11");
    EXPECT_EQ(guard.FailedCall("SAME", "10.0.0.12").count(), 1000);
}

TEST(VerifyCodes, APictureStaysGoodWhileOthersAreDrawnForItsDevice)
{
    auto path = std::filesystem::temp_directory_path() / ("verify-codes-test-" + std::to_string(getpid()) + ".db");
    {
        PlatformStore store(path.string());
        VerifyCodes codes(store);
        const std::int64_t start = UtcMilliseconds();
        auto at = [start](std::chrono::milliseconds later) { return start + later.count(); };
        codes.Issue("FILLER", "10.0.0.5", "AB12", start);
        // Someone else asks for many pictures for the same device code; another machine sharing the
        // code asks for one.
        for (int i = 0; i < 40; ++i)
            codes.Issue("FILLER", "10.0.0.66", std::to_string(1000 + i), at(1s));
        codes.Issue("FILLER", "10.0.0.7", "CD34", at(2s));
        EXPECT_EQ(codes.Newest("FILLER", at(2s)), "CD34");
        EXPECT_EQ(codes.Use("FILLER", "ab12", at(3s)), true); // case ignored
        EXPECT_EQ(codes.Use("FILLER", "ab12", at(3s)), false); // used up
        EXPECT_EQ(codes.Use("OTHER", "CD34", at(3s)), false);  // bound to its device code
        EXPECT_EQ(codes.Use("FILLER", "1039", at(3s)), true);  // the other asker's newest
        EXPECT_EQ(codes.Use("FILLER", "1000", at(3s)), false); // pushed out by its own later ones
        EXPECT_EQ(codes.Use("FILLER", "1038", at(9min)), true); // good for ten minutes
        EXPECT_EQ(codes.Use("FILLER", "CD34", at(11min)), false); // not longer
        EXPECT_EQ(codes.Newest("FILLER", at(11min)), "");
        // Drawing another picture later sweeps the stale codes out of the table.
        codes.Issue("LATER", "10.0.0.8", "EF56", at(20min));
        SqlStatement left(store.Handle(), "SELECT COUNT(*) FROM verify_codes");
        ASSERT_TRUE(left.Step());
        EXPECT_EQ(left.Int(0), 1);
    }
    for (const char *suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(path.string() + suffix);
}

TEST(TrustedProxies, TheClientIsTheFirstHopOutsideTheTrustedRanges)
{
    TrustedProxies proxies;
    ASSERT_EQ(proxies.Add("10.1.2.3/8"), true); // bits past the prefix do not matter
    ASSERT_EQ(proxies.Add("2001:db8::/32"), true);
    ASSERT_EQ(proxies.Add("192.0.2.1"), true);
    for (const char *bad : {"10.0.0.0/33", "::/129", "proxy.example", "10.0.0.0/", "10.0.0.0/x"})
        EXPECT_EQ(proxies.Add(bad), false) << bad;
    auto header = [](const std::string &lines) { return "GET / HTTP/1.1\r\nHost: school.example\r\n" + lines + "\r\n"; };
    const struct
    {
        const char *peer;
        std::string header;
        std::string client, scheme, host;
    } cases[] = {
        // Not a proxy of ours: its headers are ignored.
        {"203.0.113.5", header("X-Forwarded-For: 198.51.100.1\r\nX-Forwarded-Proto: https\r\n"), "203.0.113.5", "", ""},
        // One proxy; then a chain through two of ours, where the client's own entry comes first.
        {"10.0.0.2", header("X-Forwarded-For: 198.51.100.1\r\nX-Forwarded-Proto: https\r\nX-Forwarded-Host: school.example\r\n"),
         "198.51.100.1", "https", "school.example"},
        {"10.0.0.2", header("X-Forwarded-For: 6.6.6.6, 198.51.100.1, 10.9.9.9\r\n"), "198.51.100.1", "", ""},
        {"10.0.0.2", header("X-Forwarded-For: 6.6.6.6\r\nX-Forwarded-For: 198.51.100.2:4711\r\n"), "198.51.100.2", "", ""},
        {"::ffff:192.0.2.1", header("Forwarded: for=\"[2001:db9::7]:80\";proto=https;host=school.example:8443\r\n"),
         "2001:db9::7", "https", "school.example:8443"},
        {"2001:db8::1", header("Forwarded: for=198.51.100.3, for=192.0.2.1\r\nX-Forwarded-For: 6.6.6.6\r\n"), "198.51.100.3", "",
         ""},
        // No usable hop, or values that are not a scheme and a host: the proxy stands for itself.
        {"10.0.0.2", header("X-Forwarded-For: unknown\r\nX-Forwarded-Proto: ftp\r\nX-Forwarded-Host: a b\r\n"), "10.0.0.2", "",
         ""},
        {"10.0.0.2", header(""), "10.0.0.2", "", ""},
    };
    for (const auto &c : cases) {
        ClientOrigin origin = proxies.Resolve(*ParseIp(c.peer), c.header);
        EXPECT_EQ(origin.address + " " + origin.scheme + " " + origin.host, c.client + " " + c.scheme + " " + c.host)
            << c.peer << "\n"
            << c.header;
    }
}

TEST(HeldAnswers, EachAddressAndAccountHasItsShareWhichFreesAsAnswersGoOut)
{
    HeldAnswers held;
    const auto start = HeldAnswers::Clock::now();
    for (std::size_t i = 0; i < HeldAnswers::kPerAddress; ++i)
        ASSERT_EQ(held.Reserve("10.0.0.1", 0, 8s, start), true) << i;
    EXPECT_EQ(held.Reserve("10.0.0.1", 0, 250ms, start), false);
    EXPECT_EQ(held.Reserve("10.0.0.2", 0, 8s, start), true); // another address has its own
    EXPECT_EQ(held.Reserve("10.0.0.1", 0, 250ms, start + 8s + 1ms), true);
    // One account from many addresses.
    for (std::size_t i = 0; i < HeldAnswers::kPerAccount; ++i)
        ASSERT_EQ(held.Reserve("10.1.0." + std::to_string(i), 7, 1s, start), true) << i;
    EXPECT_EQ(held.Reserve("10.1.1.1", 7, 1s, start), false);
    EXPECT_EQ(held.Reserve("10.1.1.1", 8, 1s, start), true);
    EXPECT_EQ(held.Reserve("10.1.1.1", 7, 1s, start + 1s + 1ms), true);
}

TEST(SignInQueue, AddressesTakeTurnsAndLongWaitsAreHandedBackStale)
{
    ServedConnection a1, a2, a3, b1, c1;
    SignInQueue queue;
    const auto start = SignInQueue::Clock::now();
    for (ServedConnection *served : {&a1, &a2, &a3})
        queue.Push("10.0.0.1", served, start);
    queue.Push("10.0.0.2", &b1, start);
    queue.Push("10.0.0.3", &c1, start + 5s);
    const struct
    {
        ServedConnection *served;
        bool stale;
    } expected[] = {{&a1, false}, {&b1, false}, {&c1, false}, {&a2, true}, {&a3, true}};
    const auto later = start + SignInQueue::kWait + 1s;
    for (const auto &e : expected) {
        bool stale = !e.stale;
        EXPECT_EQ(queue.Take(&stale, e.stale ? later : start + 6s), e.served);
        EXPECT_EQ(stale, e.stale);
    }
    bool stale = false;
    EXPECT_EQ(queue.Take(&stale, later), nullptr);
    EXPECT_EQ(queue.Empty(), true);
}

TEST(SignInQueue, OnlyRequestsThatCheckAPasswordGoToTheHashingThreads)
{
    const struct
    {
        std::string raw;
        bool password;
    } cases[] = {
        {SoapPost(SoapEnvelope("<ns1:WsAutoLogin><ns1:u>a</ns1:u></ns1:WsAutoLogin>")), true},
        {SoapPost(SoapEnvelope("<ns1:WsLogin><ns1:u>a</ns1:u></ns1:WsLogin>")), true},
        {SoapPost(SoapEnvelope("<ns1:WsReLogin><ns1:u>a</ns1:u></ns1:WsReLogin>")), true},
        {"POST /user/mima.aspx HTTP/1.1\r\nHost: x\r\n\r\nno=1&password=2", true},
        {SoapPost(SoapEnvelope("<ns1:WsUserInfo><ns1:id>1</ns1:id></ns1:WsUserInfo>")), false},
        {"GET /user/info.aspx HTTP/1.1\r\nHost: x\r\n\r\n", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsPasswordRequest(c.raw), c.password) << c.raw;
}
