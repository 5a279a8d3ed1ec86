// Account, synchronisation, corpus, score and feedback operations through the client proxy,
// over HTTP against the real service: result codes and JSON shapes.
#include "ServiceTestFixture.h"

#include <cctype>
#include <map>

namespace {

const std::string kStudent = "xuesheng";
const std::string kPassword = "123456";

} // namespace

TEST_F(ServiceTest, SignInAnswersIdHostAndUserNumberAsStrings)
{
    Json::Value doc = Parse(m_client->AutoLogin(kStudent, Md5Hex(kPassword), "DEVICE-A"));
    EXPECT_EQ(FirstNonString(doc["data"]), "");
    EXPECT_EQ(Keys(doc["data"][0]), "ID,No,host");
    EXPECT_EQ(doc["data"][0]["host"].asString(), m_service->BaseAddress());
    EXPECT_EQ(doc["data"][0]["No"].asString(), "10001");
    // "ID" is the session's number: 19 digits, new with every sign-in, nothing like the user's id.
    const std::string id = doc["data"][0]["ID"].asString();
    EXPECT_EQ(DigitPattern(id), std::string(19, '9')) << id;
    EXPECT_NE(id[0], '0');
    std::string again = Parse(m_client->AutoLogin(kStudent, Md5Hex(kPassword), "DEVICE-A"))["data"][0]["ID"].asString();
    EXPECT_EQ(DigitPattern(again), std::string(19, '9'));
    EXPECT_NE(again, id);
}

TEST_F(ServiceTest, SignInRefusalsHaveTheirCodes)
{
    struct Case
    {
        std::string name, password, device, expected;
    } cases[] = {
        {kStudent, "wrong", "DEVICE-A", "-6"},   {"nobody", kPassword, "DEVICE-A", "-6"},  {"", "", "DEVICE-A", "-6"},
        {"jinyong", "123456", "DEVICE-A", "-3"}, {"weizhuce", "123456", "DEVICE-A", "-5"}, {kStudent, kPassword, "", "0"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(m_client->AutoLogin(c.name, Md5Hex(c.password), c.device), c.expected) << c.name;
        EXPECT_EQ(m_client->LastError(), SOAP_OK);
    }
    // An upper-case digest is the same digest.
    std::string upper = Md5Hex(kPassword);
    for (char &c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(DigitPattern(Parse(m_client->AutoLogin(kStudent, upper, "DEVICE-A"))["data"][0]["ID"].asString()),
              std::string(19, '9'));
}

TEST_F(ServiceTest, Soap11EnvelopesAreAnsweredInSoap11)
{
    std::string id = SignIn(kStudent, kPassword);
    std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
                       "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:w=\"" +
                       m_service->BaseAddress() + "\"><soap:Body><w:WsUserInfo><w:id>" + id +
                       "</w:id><w:code>DEVICE-A</w:code></w:WsUserInfo></soap:Body></soap:Envelope>";
    std::string response = RawHttpExchange(
        m_service->Port(), "POST /iface/api.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml; charset=utf-8\r\n"
                           "SOAPAction: \"" +
                               m_service->BaseAddress() + "\"\r\nContent-Length: " + std::to_string(body.size()) +
                               "\r\nConnection: close\r\n\r\n" + body);
    EXPECT_EQ(response.substr(0, 15), "HTTP/1.1 200 OK");
    EXPECT_NE(response.find("Content-Type: text/xml"), std::string::npos) << response;
    EXPECT_NE(response.find("xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\""), std::string::npos);
    // The answer's ns1 is the namespace the request used.
    EXPECT_NE(response.find("xmlns:ns1=\"" + m_service->BaseAddress() + "\""), std::string::npos);
    EXPECT_NE(response.find("\"TrueName\":\"李明\""), std::string::npos) << response;
}

TEST_F(ServiceTest, UserInfoGivesTheProfile)
{
    std::string id = SignIn(kStudent, kPassword);
    Json::Value doc = Parse(m_client->UserInfo(id, "DEVICE-A"));
    EXPECT_EQ(FirstNonString(doc), "");
    EXPECT_EQ(Keys(doc["data"][0]), "Email,ID,Phone,School,Status,TrueName,UT");
    EXPECT_EQ(doc["data"][0]["TrueName"].asString(), "李明");
    EXPECT_EQ(doc["data"][0]["School"].asString(), "城南实验中学");
    EXPECT_EQ(doc["data"][0]["UT"].asString(), "学生");
    // The profile's "ID" is the user's own, not the session's number.
    EXPECT_EQ(doc["data"][0]["ID"].asString(), "1");
}

TEST_F(ServiceTest, EachPollGivesTheOldestWaitingMessageOnce)
{
    std::string id = SignIn(kStudent, kPassword);
    Json::Value first = Parse(m_client->ServerPoll(id, "DEVICE-A"));
    ASSERT_EQ(first["data"][0]["message"].size(), 1u);
    EXPECT_EQ(first["data"][0]["message"][0]["Content"].asString(), "欢迎使用墨韵阁中文写作平台！点击这里查看使用帮助。");
    EXPECT_EQ(first["data"][0]["message"][0]["Url"].asString(), m_service->BaseAddress() + "help.aspx");

    // The client shows only the last message of a poll: three queued messages take three polls.
    const std::pair<std::string, std::string> queued[] = {
        {"第一条", ""}, {"第二条", "http://example.org/x"}, {"第三条", "/help.aspx"}};
    for (const auto &[content, url] : queued)
        EXPECT_EQ(m_service->Control("message?name=xuesheng&content=" + UrlEncode(content) + "&url=" + UrlEncode(url)), "ok");
    const std::pair<std::string, std::string> shown[] = {
        {"第一条", ""}, {"第二条", "http://example.org/x"}, {"第三条", m_service->BaseAddress() + "help.aspx"}};
    for (const auto &[content, url] : shown) {
        Json::Value poll = Parse(m_client->ServerPoll(id, "DEVICE-A"));
        EXPECT_EQ(FirstNonString(poll), "");
        ASSERT_EQ(poll["data"][0]["message"].size(), 1u) << content;
        EXPECT_EQ(poll["data"][0]["message"][0]["Content"].asString(), content);
        EXPECT_EQ(poll["data"][0]["message"][0]["Url"].asString(), url);
    }
    EXPECT_EQ(m_client->ServerPoll(id, "DEVICE-A"), R"({"data":[{"message":[]}]})");
}

TEST_F(ServiceTest, OverallInfoReportsVersionStampAndHighestKeyword)
{
    Json::Value doc = Parse(m_client->OverallInfo());
    EXPECT_EQ(FirstNonString(doc), "");
    EXPECT_EQ(Keys(doc["data"][0]), "KeyWordMaxID,MainInfoTime,version");
    EXPECT_EQ(doc["data"][0]["version"].asString(), "1.0.0");
    EXPECT_EQ(doc["data"][0]["MainInfoTime"].asString(), "20261201080000");
    EXPECT_EQ(doc["data"][0]["KeyWordMaxID"].asString(), "3000");

    EXPECT_EQ(m_service->Control("overall?version=2.0&MainInfoTime=0020261201080000"), "ok");
    doc = Parse(m_client->OverallInfo());
    EXPECT_EQ(doc["data"][0]["version"].asString(), "2.0");
    EXPECT_EQ(doc["data"][0]["MainInfoTime"].asString(), "0020261201080000");
}

TEST_F(ServiceTest, MainInfoListsAtLeastThreeTextsOfEachType)
{
    Json::Value doc = Parse(m_client->MainInfo());
    EXPECT_EQ(FirstNonString(doc), "");
    std::map<std::string, int> perType;
    for (const auto &item : doc["data"]) {
        EXPECT_EQ(Keys(item), "Class,Con,ID,Name,Type");
        ++perType[item["Type"].asString()];
    }
    EXPECT_EQ(perType.size(), 2u);
    EXPECT_GE(perType["1"], 3);
    EXPECT_GE(perType["2"], 3);
}

TEST_F(ServiceTest, KeywordsAboveTheGivenIdComeInAscendingOrder)
{
    std::string id = SignIn(kStudent, kPassword);
    Json::Value all = Parse(m_client->Keyword(id, "DEVICE-A", "0"));
    EXPECT_EQ(FirstNonString(all), "");
    ASSERT_EQ(all["data"].size(), 3000u);
    EXPECT_EQ(Keys(all["data"][0]), "I,K");
    EXPECT_EQ(all["data"][0]["I"].asString(), "1");
    EXPECT_EQ(all["data"][2999]["I"].asString(), "3000");

    Json::Value tail = Parse(m_client->Keyword(id, "DEVICE-A", "2997"));
    ASSERT_EQ(tail["data"].size(), 3u);
    EXPECT_EQ(tail["data"][0]["I"].asString(), "2998");
    EXPECT_EQ(tail["data"][2]["I"].asString(), "3000");
    EXPECT_EQ(m_client->Keyword(id, "DEVICE-A", "3000"), R"({"data":[]})");
}

TEST_F(ServiceTest, EveryKeywordOccursInEachOfItsExcerpts)
{
    std::string id = SignIn(kStudent, kPassword);
    Json::Value keywords = Parse(m_client->Keyword(id, "DEVICE-A", "0"))["data"];
    // A sample across the list: the seed tool's promise that keywords come from the texts.
    for (Json::ArrayIndex i = 0; i < keywords.size(); i += 250) {
        std::string keyword = keywords[i]["K"].asString();
        Json::Value briefs = Parse(m_client->CorpusBriefByKwId(id, "DEVICE-A", keywords[i]["I"].asString()))["data"];
        ASSERT_GE(briefs.size(), 1u) << keyword;
        for (const auto &brief : briefs) {
            EXPECT_NE(brief["Brief"].asString().find(keyword), std::string::npos) << keyword;
            Json::Value detail = Parse(m_client->CorpusInfoById(id, "DEVICE-A", brief["Id"].asString()));
            EXPECT_NE(detail["data"][0]["con"].asString().find(keyword), std::string::npos) << keyword;
        }
    }
}

TEST_F(ServiceTest, CorpusBriefDetailAndLikes)
{
    std::string id = SignIn(kStudent, kPassword);
    std::string moon;
    Json::Value keywords = Parse(m_client->Keyword(id, "DEVICE-A", "0"));
    for (const auto &keyword : keywords["data"])
        if (keyword["K"].asString() == "明月")
            moon = keyword["I"].asString();
    ASSERT_FALSE(moon.empty());
    Json::Value briefs = Parse(m_client->CorpusBriefByKwId(id, "DEVICE-A", moon));
    EXPECT_EQ(FirstNonString(briefs), "");
    ASSERT_GE(briefs["data"].size(), 3u);
    EXPECT_EQ(Keys(briefs["data"][0]), "Brief,Id");

    std::string last = briefs["data"][briefs["data"].size() - 1]["Id"].asString();
    Json::Value detail = Parse(m_client->CorpusInfoById(id, "DEVICE-A", last));
    EXPECT_EQ(FirstNonString(detail), "");
    EXPECT_EQ(Keys(detail["data"][0]), "author,cfrom,con,title");
    EXPECT_FALSE(detail["data"][0]["title"].asString().empty());

    // A liked excerpt ranks first afterwards.
    EXPECT_EQ(m_client->UpdateCorHits(id, "DEVICE-A", last), "1");
    EXPECT_EQ(Parse(m_client->CorpusBriefByKwId(id, "DEVICE-A", moon))["data"][0]["Id"].asString(), last);

    EXPECT_EQ(m_client->CorpusInfoById(id, "DEVICE-A", "999999"), "-9");
    EXPECT_EQ(m_client->UpdateCorHits(id, "DEVICE-A", "999999"), "0");
    EXPECT_EQ(m_client->CorpusBriefByKwId(id, "DEVICE-A", "999999"), R"({"data":[]})");
    EXPECT_EQ(m_client->UpdateKeyHits(id, "DEVICE-A", moon), "1");
    EXPECT_EQ(m_client->UpdateKeyHits(id, "DEVICE-A", "999999"), "0");
}

TEST_F(ServiceTest, RecentScoreAcceptsZeroToHundred)
{
    std::string id = SignIn(kStudent, kPassword);
    struct Case
    {
        const char *score, *expected;
    } cases[] = {{"0", "1"},   {"100", "1"}, {"85", "1"},  {"99.5", "1"}, {"100.0", "1"}, {"100.5", "0"},
                 {"101", "0"}, {"-1", "0"},  {"abc", "0"}, {"", "0"},     {"8 5", "0"},   {"1e2", "0"}};
    for (const Case &c : cases)
        EXPECT_EQ(m_client->RecentScore(id, "DEVICE-A", c.score), c.expected) << c.score;
}

TEST_F(ServiceTest, UserIdeaStoresNonEmptyText)
{
    std::string id = SignIn(kStudent, kPassword);
    EXPECT_EQ(m_client->UserIdea(id, "DEVICE-A", "希望增加更多宋词的语料。"), "1");
    EXPECT_EQ(m_client->UserIdea(id, "DEVICE-A", ""), "0");
    EXPECT_EQ(m_client->UserIdea(id, "DEVICE-A", " \r\n\t　"), "0");
    EXPECT_EQ(m_client->UserIdea(id, "DEVICE-A", std::string(2001, 'x')), "0");
    EXPECT_EQ(Counts(kStudent)["ideas"].asString(), "1");
}

TEST_F(ServiceTest, VerifyImageIsAGifOfTheCodeBoundToTheDevice)
{
    std::string gif = m_client->CreateVerifyImage("DEVICE-V");
    ASSERT_GT(gif.size(), 6u);
    EXPECT_EQ(gif.substr(0, 4), "GIF8");
    // Width and height in the logical screen descriptor: 72 x 22.
    EXPECT_EQ(static_cast<unsigned char>(gif[6]) | (static_cast<unsigned char>(gif[7]) << 8), 72);
    EXPECT_EQ(static_cast<unsigned char>(gif[8]) | (static_cast<unsigned char>(gif[9]) << 8), 22);
    std::string code = m_service->Control("verify-code?code=DEVICE-V");
    EXPECT_EQ(code.size(), 4u);
    EXPECT_EQ(m_client->CreateVerifyImage(""), "");
    // Device codes past 64 bytes get no picture and no pending code.
    EXPECT_EQ(m_client->CreateVerifyImage(std::string(64, 'd')).substr(0, 4), "GIF8");
    EXPECT_EQ(m_client->CreateVerifyImage(std::string(65, 'd')), "");
    int status = 0;
    m_service->Control("verify-code?code=" + std::string(65, 'd'), &status);
    EXPECT_EQ(status, 404);
}
