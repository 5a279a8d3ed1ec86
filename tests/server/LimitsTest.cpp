// What the service refuses to take and where it answers from, against the real service: text it
// would have to change, floods of shares, ideas and scores, the address handed out at sign-in,
// and the modes of its database files.
#include "ServiceTestFixture.h"

#include <sys/stat.h>

#include <filesystem>

namespace {

std::string Post(int port, const std::string &body)
{
    return RawHttpExchange(port, "POST /iface/api.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/soap+xml; "
                                 "charset=utf-8\r\nContent-Length: " +
                                     std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
}

std::string Envelope(const std::string &operation)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope "
           "xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\" xmlns:ns1=\"http://127.0.0.1/\">"
           "<SOAP-ENV:Body>" +
           operation + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

// The text of the operation's result element in a raw response.
std::string ResultOf(const std::string &response, const std::string &operation)
{
    std::string open = operation + "Result>";
    auto start = response.find(open);
    if (start == std::string::npos)
        return "(no result)";
    start += open.size();
    return response.substr(start, response.find('<', start) - start);
}

int FileMode(const std::string &path)
{
    struct stat info
    {
    };
    return stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
}

} // namespace

TEST_F(ServiceTest, TextWithNulOrBytesThatAreNotUtf8IsRefusedAndNothingWritten)
{
    std::string id = SignIn("xuesheng", "123456");
    const std::string identity = "<ns1:id>" + id + "</ns1:id><ns1:code>DEVICE-A</ns1:code>";
    auto save = [&](const std::string &title, const std::string &content) {
        return ResultOf(
            Post(m_service->Port(), Envelope("<ns1:WsCompSaveOrEdit>" + identity + "<ns1:compId>0</ns1:compId><ns1:title>" +
                                             title + "</ns1:title><ns1:content>" + content +
                                             "</ns1:content><ns1:compFromType>1</ns1:compFromType>"
                                             "<ns1:compFromID>0</ns1:compFromID></ns1:WsCompSaveOrEdit>")),
            "WsCompSaveOrEdit");
    };
    const std::pair<std::string, std::string> refused[] = {
        {"标题", "前半&#0;后半"},
        {"标&#x0;题", "正文"},
        {"标题", "前半&#00;后半"},
        {"标题", std::string("前半\0后半", 13)},
        {"\xB0\xA1", "正文"},             // "啊" in GBK
        {"标题", "正文\xD6\xD0\xCE\xC4"}, // "中文" in GBK
    };
    for (const auto &[title, content] : refused)
        EXPECT_EQ(save(title, content), "0") << title << " / " << content;
    EXPECT_EQ(ResultOf(Post(m_service->Port(),
                            Envelope("<ns1:WsUserIdea>" + identity + "<ns1:content>意见&#0;隐藏</ns1:content></ns1:WsUserIdea>")),
                       "WsUserIdea"),
              "0");
    EXPECT_EQ(ResultOf(Post(m_service->Port(), Envelope("<ns1:WsCompMatch>" + identity +
                                                        "<ns1:title>\xB0\xA1</ns1:title><ns1:content>正文</ns1:content>"
                                                        "<ns1:compFromID>1</ns1:compFromID><ns1:matchID>0</ns1:matchID>"
                                                        "<ns1:type>1</ns1:type></ns1:WsCompMatch>")),
                       "WsCompMatch"),
              "0");
    Json::Value counts = Counts("xuesheng");
    EXPECT_EQ(counts["compositions"].asString(), "0");
    EXPECT_EQ(counts["ideas"].asString(), "0");
    // The same request with clean text is taken.
    EXPECT_NE(save("标题", "前半后半"), "0");
    EXPECT_EQ(Counts("xuesheng")["compositions"].asString(), "1");
}

TEST_F(ServiceTest, SharingGatewayAnswersALimitedRatePerAddress)
{
    int accepted = 0, limited = 0;
    for (int i = 0; i < 40; ++i) {
        int status = 0;
        m_service->Get("/send/?webid=tsina&url=x&title=t" + std::to_string(i) + "&summary=s", &status);
        accepted += status == 200;
        limited += status == 429;
    }
    EXPECT_EQ(accepted, 30);
    EXPECT_EQ(limited, 10);
    Json::Value shares = Parse(m_service->Control("shares"))["data"];
    ASSERT_EQ(shares.size(), 30u);
    EXPECT_EQ(shares[29]["title"].asString(), "t29");
}

TEST_F(ServiceTest, IdeasAndScoresAreLimitedPerUserPerHour)
{
    std::string id = SignIn("xuesheng", "123456");
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(m_client->UserIdea(id, "DEVICE-A", "意见" + std::to_string(i)), "1") << i;
    EXPECT_EQ(m_client->UserIdea(id, "DEVICE-A", "第二十一条"), "0");
    EXPECT_EQ(Counts("xuesheng")["ideas"].asString(), "20");
    for (int i = 0; i < 60; ++i)
        ASSERT_EQ(m_client->RecentScore(id, "DEVICE-A", std::to_string(i)), "1") << i;
    EXPECT_EQ(m_client->RecentScore(id, "DEVICE-A", "99"), "0");
    // Another user has a limit of their own.
    std::string other = SignIn("tongxue", "654321", "DEVICE-T");
    EXPECT_EQ(m_client->UserIdea(other, "DEVICE-T", "我的意见"), "1");
    EXPECT_EQ(m_client->RecentScore(other, "DEVICE-T", "88"), "1");
}

TEST_F(ServiceTest, SignInHandsOutTheAddressTheClientReached)
{
    StartService({"--bind", "0.0.0.0"});
    const std::string port = std::to_string(m_service->Port());
    for (const std::string host : {"127.0.0.2", "127.0.0.1"}) {
        ServiceClient client("http://" + host + ":" + port + "/", "http://" + host + ":" + port + "/Iface/api.asmx");
        Json::Value doc = Parse(client.AutoLogin("xuesheng", Md5Hex("123456"), "DEVICE-A"));
        EXPECT_EQ(doc["data"][0]["host"].asString(), "http://" + host + ":" + port + "/");
    }
    // A Host header that is no host and port is not echoed: the local address stands instead.
    std::string body = Envelope("<ns1:WsAutoLogin><ns1:u>xuesheng</ns1:u><ns1:p>" + Md5Hex("123456") +
                                "</ns1:p><ns1:code>DEVICE-A</ns1:code></ns1:WsAutoLogin>");
    std::string response = RawHttpExchange(m_service->Port(), "POST /iface/api.asmx HTTP/1.1\r\nHost: evil\"/><x\r\n"
                                                              "Content-Type: application/soap+xml\r\nContent-Length: " +
                                                                  std::to_string(body.size()) + "\r\n\r\n" + body);
    std::string result = ResultOf(response, "WsAutoLogin");
    EXPECT_NE(result.find("http://127.0.0.1:" + port + "/"), std::string::npos) << response;
    EXPECT_EQ(result.find("evil"), std::string::npos) << response;

    StartService({"--public-url", "https://xiezuo.example.cn/"});
    Json::Value doc = Parse(m_client->AutoLogin("xuesheng", Md5Hex("123456"), "DEVICE-A"));
    EXPECT_EQ(doc["data"][0]["host"].asString(), "https://xiezuo.example.cn/");
    m_service->Control("message?name=xuesheng&content=x&url=/help.aspx");
    const std::string id = doc["data"][0]["ID"].asString();
    m_client->ServerPoll(id, "DEVICE-A"); // the welcome message
    EXPECT_EQ(Parse(m_client->ServerPoll(id, "DEVICE-A"))["data"][0]["message"][0]["Url"].asString(),
              "https://xiezuo.example.cn/help.aspx");
}

TEST(ServiceFiles, DatabaseIsOwnerOnlyWhateverTheUmask)
{
    mode_t previous = umask(022);
    {
        auto service = ServiceProcess::Start();
        ServiceClient client(service->BaseAddress(), service->Endpoint());
        Json::Value doc;
        Json::Reader().parse(client.AutoLogin("xuesheng", Md5Hex("123456"), "DEVICE-A"), doc);
        EXPECT_GE(client.CompSaveOrEdit(doc["data"][0]["ID"].asString(), "DEVICE-A", "0", "题", "文").size(), 5u);
        for (const char *suffix : {"", "-wal", "-shm"})
            EXPECT_EQ(FileMode(service->DatabasePath() + suffix), 0600) << suffix;
    }
    umask(previous);
}

TEST(ServiceFiles, AStartThatFailsLeavesNoDatabaseBehind)
{
    auto directory = std::filesystem::temp_directory_path() / ("failed-start-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    std::string database = (directory / "new.db").string();
    EXPECT_THROW(ServiceProcess::Start({"--db", database, "--data", "/nonexistent-seed"}), std::runtime_error);
    EXPECT_EQ(std::filesystem::is_empty(directory), true);
    std::filesystem::remove_all(directory);
}
