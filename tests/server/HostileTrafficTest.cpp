// Traffic shaped against the service's bounds: answers that are never read, framing that the
// text checks and the XML runtime could read two ways, and headers at the documented bounds.
#include "RawHttp.h"
#include "ServiceTestFixture.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Waits (at most `limit`) until `holds` is true, looking every 50 ms.
bool WaitUntil(const std::function<bool()> &holds, std::chrono::milliseconds limit = std::chrono::seconds(15))
{
    const auto deadline = Clock::now() + limit;
    while (!holds()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// The service's own count of connections whose answer is being written.
int WritingConnections(const ServiceProcess &service)
{
    Json::Value counts;
    std::istringstream answer(service.Control("connections"));
    Json::parseFromStream(Json::CharReaderBuilder(), answer, &counts, nullptr);
    return counts["writing"].asInt();
}

std::string FaultText(const std::string &response)
{
    auto start = response.find("xml:lang=\"en\">");
    if (start == std::string::npos)
        return "(no fault)";
    start += 14;
    return response.substr(start, response.find('<', start) - start);
}

std::string KeywordListRequest(const std::string &id)
{
    return SoapPost(SoapEnvelope("<ns1:WsKeyword><ns1:id>" + id +
                                 "</ns1:id><ns1:code>DEVICE-A</ns1:code><ns1:keyId>0</ns1:keyId></ns1:WsKeyword>"));
}

// Connections from one address that each ask for the keyword list and never read a byte.
std::vector<int> UnreadRequests(int port, const char *address, const std::string &request, int count)
{
    std::vector<int> connections;
    for (int i = 0; i < count; ++i) {
        int fd = ConnectFrom(port, address, 20000, 4096);
        if (fd < 0)
            break;
        SendAll(fd, request);
        connections.push_back(fd);
    }
    return connections;
}

} // namespace

TEST_F(ServiceTest, AnAnswerNeverReadKeepsItsConnectionCountedForItsAddress)
{
    // A keyword list of about 240 KB: more than the sockets take, less than may wait in all.
    StartService({"--bench-keywords", "5000"});
    constexpr int kBound = 64;
    const std::string id = SignIn("xuesheng", "123456");
    std::vector<int> hoarded = UnreadRequests(m_service->Port(), "127.0.0.2", KeywordListRequest(id), kBound);
    ASSERT_EQ(hoarded.size(), std::size_t(kBound));
    // Every answer is ready and stuck in its socket: the workers are done with all of them.
    ASSERT_TRUE(WaitUntil([&] { return WritingConnections(*m_service) >= kBound; }))
        << WritingConnections(*m_service) << " answers being written";
    // The address has its fill until they close: one more is closed at once, unanswered.
    int extra = ConnectFrom(m_service->Port(), "127.0.0.2", 5000);
    ASSERT_GE(extra, 0);
    SendAll(extra, SoapPost(SoapEnvelope("<ns1:WsOverallInfo/>")));
    EXPECT_EQ(ReadToClose(extra), "");
    close(extra);
    // Another address is served as usual.
    std::string other = ExchangeFrom(m_service->Port(), "127.0.0.3", SoapPost(SoapEnvelope("<ns1:WsOverallInfo/>")));
    EXPECT_NE(other.find("WsOverallInfoResult"), std::string::npos) << other.substr(0, 300);
    // Once one closes, the address may call again.
    close(hoarded.back());
    hoarded.pop_back();
    std::string again;
    EXPECT_TRUE(WaitUntil([&] {
        again = ExchangeFrom(m_service->Port(), "127.0.0.2", SoapPost(SoapEnvelope("<ns1:WsOverallInfo/>")), 5000);
        return !again.empty();
    }));
    EXPECT_NE(again.find("WsOverallInfoResult"), std::string::npos) << again.substr(0, 300);
    for (int fd : hoarded)
        close(fd);
}

TEST(ServiceUnderUnreadAnswers, HoldsBoundedMemoryAndGivesItBackWhenTheBurstEnds)
{
    // A keyword list of about 2 MB per answer: 64 of them unread would hold 128 MB.
    auto service = ServiceProcess::Start({"--bench-keywords", "40000"});
    ServiceClient client(service->BaseAddress(), service->Endpoint());
    Json::Value signIn;
    ASSERT_TRUE(Json::Reader().parse(client.AutoLogin("xuesheng", Md5Hex("123456"), "DEVICE-A"), signIn));
    const std::string id = signIn["data"][0]["ID"].asString();
    const std::string request = KeywordListRequest(id);
    // One answer read whole first, so that the memory the service keeps for serving it is in the
    // figure the attack is measured from.
    const std::string whole = ExchangeFrom(service->Port(), "127.0.0.3", request, 20000);
    ASSERT_GT(whole.size(), std::size_t(1) << 20);
    const long before = ProcessResidentKib(service->Pid());

    std::vector<int> hoarded = UnreadRequests(service->Port(), "127.0.0.2", request, 64);
    ASSERT_EQ(hoarded.size(), 64u);
    // All requests taken and answered (in full, in part or as "busy"): nothing is being read.
    ASSERT_TRUE(WaitUntil([&] {
        Json::Value counts;
        std::istringstream answer(service->Control("connections"));
        Json::parseFromStream(Json::CharReaderBuilder(), answer, &counts, nullptr);
        return counts["reading"].asInt() == 0 && counts["writing"].asInt() >= 1;
    }));
    long peak = 0;
    for (int look = 0; look < 10; ++look) {
        peak = std::max(peak, ProcessResidentKib(service->Pid()));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // What waits for one address is bounded (16 MB of answers); the margin is for the workers'
    // own buffers while they built the answers.
    EXPECT_LT(peak - before, 80 * 1024) << "KiB held for unread answers, from " << before;
    // Another pupil is still answered meanwhile.
    EXPECT_NE(ExchangeFrom(service->Port(), "127.0.0.4", SoapPost(SoapEnvelope("<ns1:WsOverallInfo/>")))
                  .find("WsOverallInfoResult"),
              std::string::npos);
    // Some hoarders get their whole answer; the others are told the service is busy (or, when
    // part of an answer was already out, their connection is closed).
    int wholeAnswers = 0, busy = 0;
    for (int fd : hoarded) {
        std::string response = ReadToClose(fd);
        close(fd);
        busy += HttpStatus(response) == 503;
        wholeAnswers += response.find("</ns1:WsKeywordResult>") != std::string::npos;
    }
    EXPECT_GE(wholeAnswers, 1);
    EXPECT_GE(busy, 1);
    // The burst over, the memory goes back to the system.
    long after = 0;
    EXPECT_TRUE(WaitUntil([&] {
        after = ProcessResidentKib(service->Pid());
        return after - before < 64 * 1024;
    })) << "resident " << after << " KiB after the burst, " << before << " KiB before";
}

namespace {

std::string SaveEssay(const std::string &id, const std::string &text)
{
    return SoapEnvelope("<ns1:WsCompSaveOrEdit><ns1:id>" + id +
                        "</ns1:id><ns1:code>DEVICE-A</ns1:code><ns1:compId>0</ns1:compId><ns1:title>" + text +
                        "</ns1:title><ns1:content>" + text +
                        "</ns1:content><ns1:compFromType>1</ns1:compFromType><ns1:compFromID>0</ns1:compFromID>"
                        "</ns1:WsCompSaveOrEdit>");
}

std::string WithLineEnds(std::string text, const char *lineEnd)
{
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text.compare(at, 2, "\r\n") == 0) {
            out += lineEnd;
            ++at;
        } else {
            out += text[at];
        }
    }
    return out;
}

// The body in chunks of 40 bytes, each chunk line and chunk ended by lineEnd.
std::string ChunkedBody(const std::string &body, const char *lineEnd)
{
    std::ostringstream out;
    for (std::size_t at = 0; at < body.size(); at += 40) {
        const std::string piece = body.substr(at, 40);
        out << std::hex << piece.size() << lineEnd << piece << lineEnd;
    }
    out << "0" << lineEnd << lineEnd;
    return out.str();
}

const std::string kHeader = "POST /iface/api.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                            "Content-Type: application/soap+xml; charset=utf-8\r\nConnection: close\r\n";

} // namespace

TEST_F(ServiceTest, TextChecksCannotBeWalkedAroundByLineBreaksOtherThanCrLf)
{
    const std::string id = SignIn("xuesheng", "123456");
    struct Framing
    {
        const char *what;
        std::function<std::string(const std::string &body)> request;
        bool crLf; // framed as HTTP asks: the text checks answer
    };
    auto withLength = [](const std::string &body) { return "Content-Length: " + std::to_string(body.size()) + "\r\n"; };
    const Framing framings[] = {
        {"CR LF throughout", [&](const std::string &body) { return kHeader + withLength(body) + "\r\n" + body; }, true},
        {"chunked, CR LF", [&](const std::string &body) {
             return kHeader + "Transfer-Encoding: chunked\r\n\r\n" + ChunkedBody(body, "\r\n");
         }, true},
        {"bare line feeds throughout",
         [&](const std::string &body) { return WithLineEnds(kHeader + withLength(body) + "\r\n", "\n") + body; }, false},
        {"header ended by a bare line feed", [&](const std::string &body) { return kHeader + withLength(body) + "\n" + body; },
         false},
        {"chunk lines ended by bare line feeds", [&](const std::string &body) {
             return kHeader + "Transfer-Encoding: chunked\r\n\r\n" + ChunkedBody(body, "\n");
         }, false},
    };
    const std::pair<const char *, std::string> texts[] = {
        {"a NUL inside", std::string("before\0after", 12)},
        {"GBK bytes", "\xB0\xA1\xB0\xA1"},
    };
    for (const Framing &framing : framings)
        for (const auto &[textName, text] : texts) {
            const std::string response = ExchangeFrom(m_service->Port(), "127.0.0.1", framing.request(SaveEssay(id, text)));
            if (framing.crLf) {
                EXPECT_EQ(SoapResult(response, "WsCompSaveOrEdit"), "0") << framing.what << ", " << textName;
            } else {
                EXPECT_EQ(HttpStatus(response), 400) << framing.what << ", " << textName;
                EXPECT_EQ(FaultText(response), "Not a SOAP request") << framing.what << ", " << textName;
            }
            EXPECT_EQ(Counts("xuesheng")["compositions"].asString(), "0") << framing.what << ", " << textName;
        }
    // The same requests with honest text are saved, whichever CR LF framing carries them.
    for (const Framing &framing : framings) {
        if (!framing.crLf)
            continue;
        const std::string saved = ExchangeFrom(m_service->Port(), "127.0.0.1", framing.request(SaveEssay(id, std::string("春眠不觉晓 ") + framing.what)));
        EXPECT_EQ(DigitPattern(SoapResult(saved, "WsCompSaveOrEdit")), "99999") << framing.what;
    }
    EXPECT_EQ(Counts("xuesheng")["compositions"].asString(), "2");
}

TEST_F(ServiceTest, HeadersAreTakenUpToTheirDocumentedBounds)
{
    const std::string body = SoapEnvelope("<ns1:WsOverallInfo/>");
    // A header of the given total size (CR LF CR LF included), its padding in lines of at most
    // `line` bytes with their CR LF.
    auto request = [&](std::size_t total, std::size_t line) {
        std::string head = kHeader + "Content-Length: " + std::to_string(body.size()) + "\r\n";
        std::size_t pad = total - head.size() - 2;
        for (int n = 0; pad > 0; ++n) {
            std::string name = "X-Pad-" + std::to_string(n) + ": ";
            std::size_t size = std::min(line, pad);
            if (pad - size < name.size() + 3 && pad > size) // what is left must make a line of its own
                size = pad - (name.size() + 3);
            head += name + std::string(size - name.size() - 2, 'p') + "\r\n";
            pad -= size;
        }
        return head + "\r\n" + body;
    };
    struct Case
    {
        const char *what;
        std::size_t total, line;
        bool answered;
    } cases[] = {
        {"15 KB in lines of 100 bytes", 15000, 100, true},
        {"15 KB with one line of 8 KiB", 15000, 8192, true},
        {"16 KiB in lines of 1000 bytes", 16384, 1000, true},
        {"15 KB with a line of 8 KiB and one byte", 15000, 8193, false},
        {"15 KB in one line", 15000, 15000, false},
        {"16 KiB and one byte", 16385, 1000, false},
    };
    for (const Case &c : cases) {
        const std::string sent = request(c.total, c.line);
        ASSERT_EQ(sent.find("\r\n\r\n") + 4, c.total) << c.what;
        const std::string response = ExchangeFrom(m_service->Port(), "127.0.0.1", sent);
        if (c.answered) {
            EXPECT_NE(response.find("WsOverallInfoResult"), std::string::npos) << c.what << ": " << response.substr(0, 300);
        } else {
            EXPECT_EQ(HttpStatus(response), 400) << c.what;
            EXPECT_EQ(FaultText(response), "Request too large or incomplete") << c.what;
        }
    }
}

TEST_F(ServiceTest, LibraryQuotasAnswerTheOperationsFailureCodeAndWriteNothing)
{
    StartService({"--essay-quota", "3", "--essay-bytes-quota", "3000", "--saves-per-minute", "1000"});
    const std::string id = SignIn("xuesheng", "123456");
    auto essays = [&] { return Counts("xuesheng")["compositions"].asString(); };
    const std::string kilobyte(1000, 'w');
    std::vector<std::string> saved;
    for (const char *title : {"一", "二", "三"})
        saved.push_back(m_client->CompSaveOrEdit(id, "DEVICE-A", "0", title, "短文"));
    for (const std::string &essay : saved)
        ASSERT_EQ(DigitPattern(essay), "99999");
    struct Case
    {
        const char *what;
        std::function<std::string()> call;
        const char *answer;
    } cases[] = {
        {"a fourth essay", [&] { return m_client->CompSaveOrEdit(id, "DEVICE-A", "0", "四", "短文"); }, "0"},
        {"an essay changed past the size",
         [&] { return m_client->CompSaveOrEdit(id, "DEVICE-A", saved[0], "一", kilobyte + kilobyte + kilobyte); }, "0"},
        {"an essay changed within the size",
         [&] { return m_client->CompSaveOrEdit(id, "DEVICE-A", saved[0], "一", kilobyte + kilobyte); }, saved[0].c_str()},
        {"a second essay changed past what is left",
         [&] { return m_client->CompSaveOrEdit(id, "DEVICE-A", saved[1], "二", kilobyte); }, "0"},
        // The client deletes at most its page of 4000; one id 4000 times is one deletion.
        {"4001 ids at once", [&] { return m_client->DeleteComp(id, "DEVICE-A", [&] {
             std::string list = saved[2];
             for (int i = 1; i < 4001; ++i)
                 list += "," + saved[2];
             return list;
         }()); }, "false"},
        {"4000 ids at once", [&] { return m_client->DeleteComp(id, "DEVICE-A", [&] {
             std::string list = saved[2];
             for (int i = 1; i < 4000; ++i)
                 list += "," + saved[2];
             return list;
         }()); }, "true"},
        {"a new essay past the size once there is room for one",
         [&] { return m_client->CompSaveOrEdit(id, "DEVICE-A", "0", "五", kilobyte + "w"); }, "0"},
    };
    const char *counts[] = {"3", "3", "3", "3", "3", "2", "2"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].call(), cases[i].answer) << cases[i].what;
        EXPECT_EQ(essays(), counts[i]) << cases[i].what;
    }
    // What was refused was not written.
    Json::Value first = Parse(m_client->CompInfo(id, "DEVICE-A", saved[0]))["data"][0];
    EXPECT_EQ(first["Content"].asString().size(), 2000u);
    EXPECT_EQ(Parse(m_client->CompInfo(id, "DEVICE-A", saved[1]))["data"][0]["Content"].asString(), "短文");
    // Another pupil's library is their own.
    auto other = NewClient();
    const std::string otherId = Parse(other->AutoLogin("tongxue", Md5Hex("654321"), "DEVICE-B"))["data"][0]["ID"].asString();
    EXPECT_EQ(DigitPattern(other->CompSaveOrEdit(otherId, "DEVICE-B", "0", "别人的", "短文")), "99999");
}

TEST_F(ServiceTest, SavesAreLimitedPerUserPerMinute)
{
    StartService({"--saves-per-minute", "5"});
    const std::string id = SignIn("xuesheng", "123456");
    const std::string essay = m_client->CompSaveOrEdit(id, "DEVICE-A", "0", "题", "第0稿");
    ASSERT_EQ(DigitPattern(essay), "99999");
    for (int draft = 1; draft < 5; ++draft)
        EXPECT_EQ(m_client->CompSaveOrEdit(id, "DEVICE-A", essay, "题", "第" + std::to_string(draft) + "稿"), essay) << draft;
    EXPECT_EQ(m_client->CompSaveOrEdit(id, "DEVICE-A", essay, "题", "第5稿"), "0");
    EXPECT_EQ(Parse(m_client->CompInfo(id, "DEVICE-A", essay))["data"][0]["Content"].asString(), "第4稿");
    // Another pupil saves meanwhile.
    auto other = NewClient();
    const std::string otherId = Parse(other->AutoLogin("tongxue", Md5Hex("654321"), "DEVICE-B"))["data"][0]["ID"].asString();
    EXPECT_EQ(DigitPattern(other->CompSaveOrEdit(otherId, "DEVICE-B", "0", "别人的", "短文")), "99999");
}

TEST_F(ServiceTest, TheWriteAheadLogIsCutBackAfterABurstOfSaves)
{
    const std::string wal = m_service->DatabasePath() + "-wal";
    auto walBytes = [&] {
        struct stat info{};
        return ::stat(wal.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : 0L;
    };
    std::string text;
    while (text.size() < 5000 * 3)
        text += "春风又绿江南岸明月何时照我还";
    text.resize(4990 * 3);
    // Six pupils save long essays at once, as fast as they are answered, then delete them.
    std::vector<std::thread> savers;
    for (int pupil = 0; pupil < 6; ++pupil)
        savers.emplace_back([&, pupil] {
            const std::string name = "flood" + std::to_string(pupil);
            m_service->Control("add-user?name=" + name + "&password=pw");
            auto client = NewClient();
            const std::string id = Parse(client->AutoLogin(name, Md5Hex("pw"), "DEVICE-F"))["data"][0]["ID"].asString();
            std::string ids;
            for (int i = 0; i < 50; ++i)
                ids.append(ids.empty() ? "" : ",").append(client->CompSaveOrEdit(id, "DEVICE-F", "0", "作文" + std::to_string(i), text));
            EXPECT_EQ(client->DeleteComp(id, "DEVICE-F", ids), "true");
        });
    // The log's largest size during the burst, looked at every few milliseconds.
    std::atomic<bool> burstOver{false};
    std::atomic<long> peak{0};
    std::thread watcher([&] {
        while (!burstOver) {
            peak = std::max(peak.load(), walBytes());
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    for (std::thread &saver : savers)
        saver.join();
    burstOver = true;
    watcher.join();
    ASSERT_GT(peak.load(), 4L << 20) << "the burst should have passed the log's bound";
    // Once a checkpoint has caught up, the next writes start the log afresh, cut back to 4 MiB.
    const std::string id = SignIn("xuesheng", "123456");
    long now = walBytes();
    for (int write = 0; write < 40 && now > (4L << 20); ++write) {
        m_client->UpdateKeyHits(id, "DEVICE-A", "1");
        now = walBytes();
    }
    EXPECT_LE(now, 4L << 20) << "log of " << now << " bytes after a burst that took it to " << peak.load();
}
