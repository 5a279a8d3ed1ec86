// Bad input against the real service: malformed and oversize envelopes, unknown operations,
// quotes and Chinese in every text element, non-numeric ids. Always an answer, never a crash,
// and nothing written.
#include "ServiceTestFixture.h"

#include "TextRules.h"

namespace {

std::string Post(int port, const std::string &path, const std::string &body,
                 const std::string &contentType = "application/soap+xml; charset=utf-8")
{
    return RawHttpExchange(port, "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: " + contentType +
                                     "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
                                     body);
}

std::string Envelope(const std::string &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope "
           "xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\" xmlns:ns1=\"http://127.0.0.1/\">"
           "<SOAP-ENV:Body>" +
           body + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

// The HTTP status of a raw response.
int Status(const std::string &response)
{
    return response.size() > 12 ? std::atoi(response.c_str() + 9) : 0;
}

bool HasFault(const std::string &response)
{
    return response.find(":Fault>") != std::string::npos;
}

} // namespace

TEST_F(ServiceTest, MalformedRequestsGetAFaultAndTheServiceGoesOn)
{
    const std::string bodies[] = {
        "<bad",
        "",
        "hello",
        "<a/>",
        Envelope("<ns1:WsUserInfo><ns1:id>1</ns1:id>"), // cut short
        Envelope("<ns1:WsNoSuchOperation/>"),
        Envelope("<ns1:WsUserInfo><ns1:id>1</ns1:id><ns1:code>&bogus;</ns1:code></ns1:WsUserInfo>"),
        Envelope(std::string(200, '<')),
        Envelope(std::string(40, 'x') + "<ns1:WsUserInfo>" + std::string(20, '\0') + "</ns1:WsUserInfo>"),
    };
    for (const std::string &body : bodies) {
        std::string response = Post(m_service->Port(), "/iface/api.asmx", body);
        // A fault, or (where the parser can still make sense of it) an operation's answer.
        bool answered = HasFault(response) ? Status(response) >= 400
                                           : Status(response) == 200 && response.find("Result>") != std::string::npos;
        EXPECT_EQ(answered, true) << body.substr(0, 60) << "\n" << response.substr(0, 300);
    }
    EXPECT_EQ(HasFault(Post(m_service->Port(), "/iface/api.asmx", "<bad")), true);
    EXPECT_EQ(HasFault(Post(m_service->Port(), "/iface/api.asmx", Envelope("<ns1:WsNoSuchOperation/>"))), true);
    // Deeply nested elements are cut off by the nesting limit.
    std::string deep;
    for (int i = 0; i < 1000; ++i)
        deep += "<x>";
    std::string response = Post(m_service->Port(), "/iface/api.asmx", Envelope("<ns1:WsUserInfo>" + deep));
    EXPECT_EQ(HasFault(response), true);
    // A SOAP request at another path is refused.
    response = Post(m_service->Port(), "/other.asmx", Envelope("<ns1:WsOverallInfo/>"));
    EXPECT_EQ(HasFault(response), true);
    // Still serving.
    EXPECT_EQ(Parse(m_client->OverallInfo())["data"][0]["version"].asString(), "1.0.0");
}

TEST_F(ServiceTest, OversizeRequestIsRefusedWithAFaultAndNothingWritten)
{
    std::string id = SignIn("xuesheng", "123456");
    std::string huge(2 * 1024 * 1024, 'a');
    std::string response = Post(m_service->Port(), "/iface/api.asmx",
                                Envelope("<ns1:WsUserIdea><ns1:id>" + id +
                                         "</ns1:id><ns1:code>DEVICE-A</ns1:code>"
                                         "<ns1:content>" +
                                         huge + "</ns1:content></ns1:WsUserIdea>"));
    EXPECT_GE(Status(response), 400);
    EXPECT_EQ(HasFault(response), true);
    // Through the proxy as well: a transport failure on the client side, not a crash.
    m_client->CompSaveOrEdit(id, "DEVICE-A", "0", "大", huge);
    EXPECT_NE(m_client->LastError(), SOAP_OK);
    Json::Value counts = Counts("xuesheng");
    EXPECT_EQ(counts["ideas"].asString(), "0");
    EXPECT_EQ(counts["compositions"].asString(), "0");
    EXPECT_EQ(Parse(m_client->UserInfo(id, "DEVICE-A"))["data"][0]["TrueName"].asString(), "李明");
}

TEST_F(ServiceTest, QuotesMarkupAndChineseSurviveEveryTextElement)
{
    std::string id = SignIn("xuesheng", "123456");
    const std::string texts[] = {
        "它说：\"你好\"，'引号' 和 `反引号`", "'); DROP TABLE compositions; --", "<b>标记</b> & &amp; ]]> <![CDATA[x]]>",
        "床前明月光\r\n疑是地上霜\r\n",       "\\ 反斜杠 \\\\ % _ 百分号",
    };
    for (const std::string &text : texts) {
        std::string essayId = m_client->CompSaveOrEdit(id, "DEVICE-A", "0", text, text);
        ASSERT_NE(essayId.find_first_not_of("0123456789"), 0u) << text << " -> " << essayId;
        Json::Value doc = Parse(m_client->CompInfo(id, "DEVICE-A", essayId));
        std::string trimmedTitle = text.substr(0, text.find_last_not_of("\r\n") + 1);
        EXPECT_EQ(doc["data"][0]["Title"].asString(), trimmedTitle);
        EXPECT_EQ(doc["data"][0]["Content"].asString(), text);
        Json::Value found = Parse(m_client->UserComp(id, "DEVICE-A", "4000", "1", "0", trimmedTitle))["data"];
        ASSERT_GE(found.size(), 1u) << text;
        EXPECT_EQ(found[0]["ID"].asString(), essayId);
        EXPECT_EQ(m_client->UserIdea(id, "DEVICE-A", text), "1");
    }
    // The contest elements too.
    EXPECT_EQ(m_client->CompMatch(id, "DEVICE-A", texts[1], texts[2], "1", "0", "1"), "1");
    Json::Value list = Parse(m_client->UserComp(id, "DEVICE-A", "4000", "1", "0", ""))["data"];
    EXPECT_EQ(list.size(), 6u);
    EXPECT_EQ(list[0]["Title"].asString(), texts[1]);
    EXPECT_EQ(Counts("xuesheng")["ideas"].asString(), "5");
}

TEST_F(ServiceTest, NonNumericIdsAnswerFourAndWriteNothing)
{
    std::string id = SignIn("xuesheng", "123456");
    std::string essayId = m_client->CompSaveOrEdit(id, "DEVICE-A", "0", "留", "着");
    const std::string bad[] = {"abc", "", "1.5", "-3", " 7", "7 ", "0x10", "１２", "99999999999999999999", "1;2"};
    for (const std::string &b : bad) {
        EXPECT_EQ(m_client->CompSaveOrEdit(id, "DEVICE-A", b, "题", "文"), "4") << b;
        EXPECT_EQ(m_client->CompSaveOrEdit(id, "DEVICE-A", "0", "题", "文", b, "0"), "4") << b;
        EXPECT_EQ(m_client->CompSaveOrEdit(id, "DEVICE-A", "0", "题", "文", "1", b), "4") << b;
        EXPECT_EQ(m_client->CompInfo(id, "DEVICE-A", b), "4") << b;
        EXPECT_EQ(m_client->DeleteComp(id, "DEVICE-A", b), "4") << b;
        EXPECT_EQ(m_client->DeleteComp(id, "DEVICE-A", essayId + "," + b), "4") << b;
        EXPECT_EQ(m_client->UserComp(id, "DEVICE-A", b, "1", "0", ""), "4") << b;
        EXPECT_EQ(m_client->UserComp(id, "DEVICE-A", "10", b, "0", ""), "4") << b;
        EXPECT_EQ(m_client->UserComp(id, "DEVICE-A", "10", "1", b, ""), "4") << b;
        EXPECT_EQ(m_client->Keyword(id, "DEVICE-A", b), "4") << b;
        EXPECT_EQ(m_client->CorpusBriefByKwId(id, "DEVICE-A", b), "4") << b;
        EXPECT_EQ(m_client->CorpusInfoById(id, "DEVICE-A", b), "4") << b;
        EXPECT_EQ(m_client->UpdateCorHits(id, "DEVICE-A", b), "4") << b;
        EXPECT_EQ(m_client->UpdateKeyHits(id, "DEVICE-A", b), "4") << b;
        EXPECT_EQ(m_client->ActivityInfo(id, "DEVICE-A", b), "4") << b;
        EXPECT_EQ(m_client->CompMatch(id, "DEVICE-A", "题", "文", b, "0", "1"), "4") << b;
        EXPECT_EQ(m_client->CompMatch(id, "DEVICE-A", "题", "文", "1", b, "1"), "4") << b;
        EXPECT_EQ(m_client->CompMatch(id, "DEVICE-A", "题", "文", "1", "0", b), "4") << b;
    }
    EXPECT_EQ(m_client->DeleteComp(id, "DEVICE-A", essayId + ","), "4");
    EXPECT_EQ(m_client->DeleteComp(id, "DEVICE-A", "," + essayId), "4");
    Json::Value list = Parse(m_client->UserComp(id, "DEVICE-A", "4000", "1", "0", ""))["data"];
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["ID"].asString(), essayId);
    EXPECT_EQ(Parse(m_client->ActivityInfo(id, "DEVICE-A", "1"))["data"][0]["type"].asString(), "1");
}

TEST_F(ServiceTest, TextThatIsNotUtf8IsRefusedNotStoredAsOtherCharacters)
{
    std::string id = SignIn("xuesheng", "123456");
    // GBK bytes for "啊" sent raw inside an envelope that claims UTF-8: the XML runtime would read
    // them as two Latin-1 characters, so the service refuses the save instead of storing those.
    std::string body = Envelope("<ns1:WsCompSaveOrEdit><ns1:id>" + id +
                                "</ns1:id><ns1:code>DEVICE-A</ns1:code>"
                                "<ns1:compId>0</ns1:compId><ns1:title>\xB0\xA1</ns1:title><ns1:content>\xB0\xA1"
                                "</ns1:content><ns1:compFromType>1</ns1:compFromType><ns1:compFromID>0</ns1:compFromID>"
                                "</ns1:WsCompSaveOrEdit>");
    std::string response = Post(m_service->Port(), "/iface/api.asmx", body);
    EXPECT_EQ(Status(response), 200) << response;
    EXPECT_NE(response.find("Result>0</"), std::string::npos) << response.substr(0, 400);
    EXPECT_EQ(Parse(m_client->UserComp(id, "DEVICE-A", "4000", "1", "0", ""))["data"].size(), 0u);
}

TEST_F(ServiceTest, ControlCharactersAndUnknownEntitiesAreRefusedAndNothingWritten)
{
    std::string id = SignIn("xuesheng", "123456");
    auto save = [&](const std::string &title, const std::string &content) {
        return Post(m_service->Port(), "/iface/api.asmx",
                    Envelope("<ns1:WsCompSaveOrEdit><ns1:id>" + id +
                             "</ns1:id><ns1:code>DEVICE-A</ns1:code>"
                             "<ns1:compId>0</ns1:compId><ns1:title>" +
                             title + "</ns1:title><ns1:content>" + content +
                             "</ns1:content><ns1:compFromType>1</ns1:compFromType><ns1:compFromID>0</ns1:compFromID>"
                             "</ns1:WsCompSaveOrEdit>"));
    };
    // The XML runtime reads an unknown entity as DEL and a character reference as the character.
    const std::pair<std::string, std::string> refused[] = {
        {"&bogus;", "&bogus;"},
        {"标题", "a&#1;b"},
        {"a&#x1F;b", "正文"},
        {"标题", "a&#127;b"},
    };
    for (const auto &[title, content] : refused) {
        std::string response = save(title, content);
        EXPECT_EQ(Status(response), 200) << title << " / " << content;
        EXPECT_NE(response.find("Result>0</"), std::string::npos) << response.substr(0, 400);
    }
    std::string idea = Post(m_service->Port(), "/iface/api.asmx",
                            Envelope("<ns1:WsUserIdea><ns1:id>" + id +
                                     "</ns1:id><ns1:code>DEVICE-A</ns1:code>"
                                     "<ns1:content>&bogus;</ns1:content></ns1:WsUserIdea>"));
    EXPECT_NE(idea.find("Result>0</"), std::string::npos) << idea.substr(0, 400);
    Json::Value counts = Counts("xuesheng");
    EXPECT_EQ(counts["compositions"].asString(), "0");
    EXPECT_EQ(counts["ideas"].asString(), "0");
    // Tabs and line breaks are text.
    std::string kept = save("标题", "第一行&#13;&#10;\t第二行");
    EXPECT_EQ(kept.find("Result>0</"), std::string::npos) << kept.substr(0, 400);
    EXPECT_EQ(Counts("xuesheng")["compositions"].asString(), "1");
}
