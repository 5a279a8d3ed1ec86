// The operations of the service client against a scripted peer: what each sends and how it
// reads every kind of answer.
#include "OperationsAccount.h"
#include "OperationsComposition.h"
#include "OperationsCorpus.h"
#include "PeerFixture.h"

namespace {

std::string Gbk(const char *utf8)
{
    return Utf8ToGbk(utf8);
}

TEST_F(PeerTest, SignInCodesGiveTheirMessages)
{
    struct Case
    {
        const char *result;
        SignInStatus status;
        const char *message;
    };
    const Case cases[] = {
        {"0", SignInStatus::Failed, "\t    登陆失败!"},
        {"-6", SignInStatus::WrongPassword, "\t    用户名或密码错误!"},
        {"-1", SignInStatus::WrongVerifyCode, "\t    验证码输入错误!"},
        {"-3", SignInStatus::Disabled, "\t    账号已被禁用!"},
        {"-5", SignInStatus::NotRegistered, "\t    您还未完成注册!"},
        {"[]", SignInStatus::BadDocument, ""},
        {"{\"data\":[{\"ID\":\"8\"", SignInStatus::BadDocument, ""},
        {"2", SignInStatus::BadDocument, ""},  // no common status before sign-in
        // A "host" that is no http(s) address ending in "/" is no sign-in either.
        {R"({"data":[{"ID":"8","host":"ftp://x.example/","No":"1"}]})", SignInStatus::BadDocument, ""},
        {R"({"data":[{"ID":"8","host":"http://x.example","No":"1"}]})", SignInStatus::BadDocument, ""},
        {R"({"data":[{"ID":"8","No":"1"}]})", SignInStatus::BadDocument, ""},
    };
    for (const Case &c : cases) {
        Peer().PushResult("WsAutoLogin", c.result);
        SignInOutcome outcome = SignIn("student", "secret", nullptr);
        EXPECT_EQ(outcome.status, c.status) << c.result;
        EXPECT_EQ(outcome.message, Gbk(c.message)) << c.result;
    }
    EXPECT_EQ(ServiceContext.UserName, "student");
    EXPECT_EQ(ServiceContext.PasswordDigest, Md5Hex("secret"));
    EXPECT_TRUE(m_shown.empty());
}

TEST_F(PeerTest, SuccessfulSignInSetsTheServiceValues)
{
    const std::string host = Peer().BaseAddress();
    Peer().PushResult("WsLogin", R"({"data":[{"ID":"77","host":")" + host + R"(","No":"N0077"}]})");
    const std::string verifyCode = "ab12";
    SignInOutcome outcome = SignIn(Gbk("学生"), "pa'ss", &verifyCode);
    EXPECT_EQ(outcome.status, SignInStatus::Success);
    EXPECT_EQ(ServiceContext.UserId, "77");
    EXPECT_EQ(ServiceContext.BaseAddress, host);
    EXPECT_EQ(ServiceContext.Endpoint, host + "iface/api.asmx");
    EXPECT_EQ(ServiceContext.UserNo, "N0077");
    std::vector<PeerRequest> sent = NewRequests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Element(sent[0].body, "ns1:verifyCode"), "<ns1:verifyCode>ab12</ns1:verifyCode>");
    // The name goes out as UTF-8 like all text; the digest is of the password's own bytes.
    EXPECT_EQ(Element(sent[0].body, "ns1:u"), "<ns1:u>学生</ns1:u>");
    EXPECT_EQ(Element(sent[0].body, "ns1:p"), "<ns1:p>" + Md5Hex("pa'ss") + "</ns1:p>");
}

TEST_F(PeerTest, TheSignInsIdIsCarriedToEveryCallExactlyAsSent)
{
    const std::string host = Peer().BaseAddress();
    const struct
    {
        std::string id;      // as it stands in the document
        std::string carried; // what every later call sends; "" when the sign-in is refused
    } cases[] = {
        {"\"8123456789012345678\"", "8123456789012345678"},             // a session number
        {"\"123456789012345678901234567890\"", "123456789012345678901234567890"},
        {"\"0012\"", "0012"},                                           // leading zeros kept
        {"9223372036854775807", "9223372036854775807"},                 // a JSON number within 64 bits
        {"18446744073709551615", "18446744073709551615"},
        {"123456789012345678901234567890", ""}, // read as a double: its digits would change
        {"8.5", ""},
        {"\"\"", ""},
        {"\"" + std::string(64, '7') + "\"", std::string(64, '7')}, // the longest carried
        {"\"" + std::string(65, '7') + "\"", ""},                   // sent with every call: bounded
        {"\"12 34\"", ""},
        {"\"12\u00e934\"", ""}, // would change on its way through GBK
    };
    for (const auto &c : cases) {
        Peer().PushResult("WsAutoLogin", R"({"data":[{"ID":)" + c.id + R"(,"host":")" + host + R"(","No":"10001"}]})");
        SignInOutcome outcome = SignIn("student", "secret", nullptr);
        if (c.carried.empty()) {
            EXPECT_EQ(outcome.status, SignInStatus::BadDocument) << c.id;
            continue;
        }
        ASSERT_EQ(outcome.status, SignInStatus::Success) << c.id;
        m_firstRequest = Peer().Requests().size();
        Peer().PushResult("WsServerPoll", R"({"data":[{"message":[]}]})");
        PollMessage message;
        PollNewestMessage(message);
        std::vector<PeerRequest> sent = NewRequests();
        ASSERT_EQ(sent.size(), 1u) << c.id;
        EXPECT_EQ(Element(sent[0].body, "ns1:id"), "<ns1:id>" + c.carried + "</ns1:id>") << c.id;
    }
}

TEST_F(PeerTest, SignInWithoutConnection)
{
    InitServiceAddresses("127.0.0.1:1");
    SignInOutcome outcome = SignIn("student", "secret", nullptr);
    InitServiceAddresses(Peer().HostName());
    EXPECT_EQ(outcome.status, SignInStatus::NoConnection);
    EXPECT_EQ(outcome.message, Gbk("\t    连接服务器失败!"));
}

TEST_F(PeerTest, VerifyImageArrivesAsBytes)
{
    Peer().PushResult("WsCreateVerifyImage", "R0lGODlhAQABAAAAACw=");  // "GIF89a\x01\0\x01\0\0\0\0,"
    std::vector<unsigned char> gif;
    ASSERT_TRUE(FetchVerifyImage(gif));
    EXPECT_EQ(std::string(gif.begin(), gif.end()), std::string("GIF89a\x01\0\x01\0\0\0\0,", 14));
    Peer().PushResult("WsCreateVerifyImage", "");
    ASSERT_TRUE(FetchVerifyImage(gif));
    EXPECT_TRUE(gif.empty());
}

TEST_F(PeerTest, PollShowsOnlyTheNewestMessage)
{
    Peer().PushResult("WsServerPoll", R"({"data":[{"message":[{"Content":"一","Url":""},{"Content":"二","Url":"u2"},
        {"Content":"三","Url":"http://site/3"}]}]})");
    PollMessage message;
    EXPECT_EQ(PollNewestMessage(message), FetchStatus::Ok);
    EXPECT_EQ(message.content, Gbk("三"));
    EXPECT_EQ(message.url, "http://site/3");

    Peer().PushResult("WsServerPoll", R"({"data":[{"message":[]}]})");
    EXPECT_EQ(PollNewestMessage(message), FetchStatus::Empty);
    Peer().PushResult("WsServerPoll", "not json");
    EXPECT_EQ(PollNewestMessage(message), FetchStatus::BadDocument);
}

TEST_F(PeerTest, ProfileIsReadIntoTheUserRecord)
{
    Peer().PushResult("WsUserInfo", R"({"data":[{"TrueName":"李白","ID":"9","School":"青莲小学","Phone":"123",
        "Email":"a@b","Status":"1","UT":"学生"}]})");
    ASSERT_EQ(LoadUserInfo(), FetchStatus::Ok);
    EXPECT_EQ(UserInfo.TrueName, Gbk("李白"));
    EXPECT_EQ(UserInfo.School, Gbk("青莲小学"));
    EXPECT_EQ(UserInfo.UT, Gbk("学生"));
    EXPECT_EQ(UserInfo.Email, "a@b");
}

TEST_F(PeerTest, CorpusBriefsReadTheLeadingNumberOfEachId)
{
    Peer().PushResult("WsCorpusBriefByKwId", R"({"data":[{"Id":"12","Brief":"春眠"},{"Id":"34abc","Brief":"不觉晓"},
        {"Id":"abc","Brief":"x"},{"Brief":"no id"}]})");
    std::vector<CorpusBrief> briefs;
    ASSERT_EQ(FetchCorpusBriefs(5, briefs), FetchStatus::Ok);
    ASSERT_EQ(briefs.size(), 4u);
    EXPECT_EQ(briefs[0].Id, 12);
    EXPECT_EQ(briefs[0].Brief, Gbk("春眠"));
    EXPECT_EQ(briefs[1].Id, 34);
    EXPECT_EQ(briefs[2].Id, 0);
    EXPECT_EQ(briefs[3].Id, 0);
    EXPECT_EQ(Element(NewRequests()[0].body, "ns1:kwId"), "<ns1:kwId>5</ns1:kwId>");

    Peer().PushResult("WsCorpusBriefByKwId", R"({"data":[]})");
    EXPECT_EQ(FetchCorpusBriefs(5, briefs), FetchStatus::Ok);
    EXPECT_TRUE(briefs.empty());
    Peer().PushResult("WsCorpusBriefByKwId", "");
    EXPECT_EQ(FetchCorpusBriefs(5, briefs), FetchStatus::Empty);
    Peer().PushResult("WsCorpusBriefByKwId", "{broken");
    EXPECT_EQ(FetchCorpusBriefs(5, briefs), FetchStatus::BadDocument);
}

TEST_F(PeerTest, CorpusDetailUsesTheFirstRecordAndKnowsMissingOnes)
{
    Peer().PushResult("WsCorpusInfoById", R"({"data":[{"con":"床前明月光","title":"静夜思","cfrom":"唐诗","author":"李白"},
        {"con":"second","title":"t2","cfrom":"c2","author":"a2"}]})");
    CorpusDetail detail;
    ASSERT_EQ(FetchCorpusDetail(3, detail), FetchStatus::Ok);
    EXPECT_EQ(detail.con, Gbk("床前明月光"));
    EXPECT_EQ(detail.author, Gbk("李白"));
    EXPECT_EQ(NewRequests()[0].Path(), "/Iface/api.asmx");  // the built-in endpoint

    for (const char *missing : {"-9", "", R"({"data":[]})"}) {
        std::size_t before = Peer().Requests().size();
        Peer().PushResult("WsCorpusInfoById", missing);
        EXPECT_EQ(FetchCorpusDetail(3, detail), FetchStatus::NotFound) << missing;
        EXPECT_EQ(Peer().Requests().size(), before + 1) << missing;
    }
}

TEST_F(PeerTest, RenewalSendsTheAccountNameAsUtf8)
{
    ServiceContext.UserName = Gbk("学生");
    Peer().PushResult("WsUserInfo", "2");
    Peer().PushResult("WsReLogin", "1");
    Peer().PushResult("WsUserInfo", "0");
    LoadUserInfo();
    std::vector<PeerRequest> sent = NewRequests();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(Element(sent[1].body, "ns1:u"), "<ns1:u>学生</ns1:u>");
    EXPECT_EQ(Element(sent[1].body, "ns1:p"), "<ns1:p>" + Md5Hex("secret") + "</ns1:p>");
}

TEST_F(PeerTest, LikeIsRenewedAndSentAgainWithTheSameId)
{
    Peer().PushResult("WsUpdateCorHits", "2");
    Peer().PushResult("WsReLogin", "1");
    Peer().PushResult("WsUpdateCorHits", "1");
    LikeOutcome liked = LikeCorpus(41);
    EXPECT_TRUE(liked.liked);
    EXPECT_EQ(liked.message, Gbk("谢谢你的参与！你的选择会提升这条语料的排名！"));
    std::vector<PeerRequest> sent = NewRequests();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[2].body, sent[0].body);
    EXPECT_EQ(Element(sent[2].body, "ns1:corId"), "<ns1:corId>41</ns1:corId>");

    Peer().PushResult("WsUpdateCorHits", "0");
    LikeOutcome failed = LikeCorpus(41);
    EXPECT_FALSE(failed.liked);
    EXPECT_EQ(failed.message, Gbk("\t   语料分享失败"));
}

TEST_F(PeerTest, LikeAbandonedByTheStatusHandlerShowsNothingMore)
{
    struct Case
    {
        std::vector<std::pair<const char *, const char *>> replies;  // operation, result
        const char *handlerMessage;
    };
    const Case cases[] = {
        {{{"WsUpdateCorHits", "3"}}, "您的账号已在别处登录，请重新登录！"},
        {{{"WsUpdateCorHits", "4"}}, "错误请求，请重新登录！"},
        {{{"WsUpdateCorHits", "2"}, {"WsReLogin", "0"}}, "\t您已掉线，请重新登录!"},
    };
    for (const Case &c : cases) {
        m_shown.clear();
        for (const auto &[operation, result] : c.replies)
            Peer().PushResult(operation, result);
        LikeOutcome outcome = LikeCorpus(41);
        EXPECT_EQ(outcome.abandoned, true) << c.replies[0].second;
        EXPECT_EQ(outcome.liked, false) << c.replies[0].second;
        EXPECT_EQ(outcome.message, "") << c.replies[0].second;
        EXPECT_EQ(m_shown, std::vector<std::string>{Gbk(c.handlerMessage)}) << c.replies[0].second;
    }

    // A peer gone silent is a failed like, not an abandoned one.
    const std::string savedEndpoint = ServiceContext.Endpoint;
    ServiceContext.Endpoint = "http://127.0.0.1:1/iface/api.asmx";
    LikeOutcome unreachable = LikeCorpus(41);
    ServiceContext.Endpoint = savedEndpoint;
    EXPECT_EQ(unreachable.abandoned, false);
    EXPECT_EQ(unreachable.message, Gbk("\t   语料分享失败"));
}

TEST_F(PeerTest, SaveSendsWireLineBreaksAndKeepsTheReturnedId)
{
    const std::string essay = Gbk("第一段") + "\r" + Gbk("第二段");
    Peer().PushResult("WsCompSaveOrEdit", "57");
    SaveOutcome first = SaveComposition("0", Gbk(" 　春天　 "), essay);
    EXPECT_EQ(first.status, SaveStatus::Saved);
    EXPECT_EQ(first.essayId, "57");
    EXPECT_EQ(first.message, Gbk("\t  您的文章已成功保存！"));
    Peer().PushResult("WsCompSaveOrEdit", "57");
    SaveComposition(first.essayId, Gbk("春天"), essay);

    std::vector<PeerRequest> sent = NewRequests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(Element(sent[0].body, "ns1:WsCompSaveOrEdit"),
              "<ns1:WsCompSaveOrEdit><ns1:id>15</ns1:id><ns1:code>" + ServiceContext.DeviceCode +
                  "</ns1:code><ns1:compId>0</ns1:compId><ns1:title>春天</ns1:title><ns1:content>第一段&#xD;\n第二段</ns1:content>"
                  "<ns1:compFromType>1</ns1:compFromType><ns1:compFromID>0</ns1:compFromID></ns1:WsCompSaveOrEdit>");
    EXPECT_EQ(Element(sent[1].body, "ns1:compId"), "<ns1:compId>57</ns1:compId>");
    EXPECT_EQ(sent[0].Path(), "/Iface/api.asmx");

    struct Refusal
    {
        const char *result;
        const char *message;
    };
    for (const Refusal &r : {Refusal{"0", "\t  作文提交保存失败!"}, Refusal{"-1", "\t  作文提交保存失败,字数超限!"}}) {
        Peer().PushResult("WsCompSaveOrEdit", r.result);
        SaveOutcome outcome = SaveComposition("0", "t", "x");
        EXPECT_EQ(outcome.status, SaveStatus::Refused) << r.result;
        EXPECT_EQ(outcome.message, Gbk(r.message)) << r.result;
    }
}

TEST_F(PeerTest, OnlyADecimalIdIsASave)
{
    struct Case
    {
        const char *result;
        SaveStatus status;
    };
    const Case cases[] = {
        {"", SaveStatus::Refused},         {" 57", SaveStatus::Refused},        {"57\n", SaveStatus::Refused},
        {"57abc", SaveStatus::Refused},    {"abc", SaveStatus::Refused},        {"-5", SaveStatus::Refused},
        {"+5", SaveStatus::Refused},       {"00", SaveStatus::Refused},         {"2147483648", SaveStatus::Refused},
        {"<b>1</b>", SaveStatus::Refused}, {"2147483647", SaveStatus::Saved},   {"007", SaveStatus::Saved},
    };
    for (const Case &c : cases) {
        Peer().PushResult("WsCompSaveOrEdit", c.result);
        SaveOutcome outcome = SaveComposition("57", "t", "x");
        EXPECT_EQ(outcome.status, c.status) << c.result;
        EXPECT_EQ(outcome.message, Gbk(c.status == SaveStatus::Saved ? "\t  您的文章已成功保存！" : "\t  作文提交保存失败!"))
            << c.result;
        EXPECT_EQ(outcome.essayId, c.status == SaveStatus::Saved ? std::string(c.result) : std::string()) << c.result;
    }

    // The second contest round takes any identifier the same way.
    ContestEntry second{ContestRound::Second, Gbk("题目"), Gbk("正文"), "2", "m7"};
    for (const char *garbled : {"", "ok", "88 "}) {
        Peer().PushResult("WsCompMatch", garbled);
        SaveOutcome outcome = SubmitContestEntry(second);
        EXPECT_EQ(outcome.status, SaveStatus::Refused) << garbled;
        EXPECT_EQ(outcome.message, Gbk("\t  作文提交保存失败!")) << garbled;
        EXPECT_EQ(outcome.essayId, "") << garbled;
    }
    EXPECT_EQ(m_shown, std::vector<std::string>{});
}

TEST(TrimBlanks, TrimsAsciiAndFullWidthBlanksCharacterByCharacter)
{
    struct Case
    {
        std::string text, trimmed;
    };
    const Case cases[] = {
        {Gbk("　春天　"), Gbk("春天")},
        {Gbk(" \t　春 天　 \t"), Gbk("春 天")},
        {Gbk("春　天"), Gbk("春　天")},  // blanks inside stay
        {Gbk("　　"), ""},
        {"", ""},
        // 0xA1 as the trail byte of a character followed by a lone 0xA1: no full-width space.
        {Gbk("啊") + "\xA1", Gbk("啊") + "\xA1"},
        // A character whose trail byte is 0xA1, then a full-width space.
        {Gbk("　啊　"), Gbk("啊")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TrimBlanks(c.text), c.trimmed) << GbkToUtf8(c.text);
}

TEST_F(PeerTest, EmptyEssaysAreRefusedWithoutARequest)
{
    struct Case
    {
        std::string title, content;
        const char *message;
    };
    const Case cases[] = {
        {"", "x", "\t  作文标题不能为空!"},
        {"   ", "x", "\t  作文标题不能为空!"},
        {Gbk("　　"), "x", "\t  作文标题不能为空!"},
        {Gbk(" \t　 　"), "x", "\t  作文标题不能为空!"},
        {"t", "", "\t  作文内容不能为空!"},
        {"t", Gbk("请在此输入内容"), "\t  作文内容不能为空!"},
    };
    for (const Case &c : cases) {
        SaveOutcome outcome = SaveComposition("0", c.title, c.content);
        EXPECT_EQ(outcome.status, SaveStatus::Refused);
        EXPECT_EQ(outcome.message, Gbk(c.message));
    }
    EXPECT_TRUE(NewRequests().empty());
}

TEST_F(PeerTest, LibraryListEssayAndDelete)
{
    Peer().PushResult("WsUserComp", R"({"data":[{"ID":"3","Title":"春","CreateTime":"2026-12-01 08:30:00"}]})");
    std::vector<LibraryEntry> entries;
    ASSERT_EQ(ListCompositions(Gbk(" 春 "), entries), FetchStatus::Ok);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Title, Gbk("春"));
    EXPECT_EQ(entries[0].Date(), "2026-12-01");
    EXPECT_EQ(Element(NewRequests()[0].body, "ns1:pageSize"), "<ns1:pageSize>4000</ns1:pageSize>");
    EXPECT_EQ(Element(NewRequests()[0].body, "ns1:title"), "<ns1:title>春</ns1:title>");

    Peer().PushResult("WsCompInfo", R"({"data":[{"Title":"春","Content":"甲\r\n乙\r\n"}]})");
    CompositionText essay;
    ASSERT_EQ(FetchComposition(3, essay), FetchStatus::Ok);
    EXPECT_EQ(essay.Content, Gbk("甲") + "\r" + Gbk("乙") + "\r");
    Peer().PushResult("WsCompInfo", "");
    EXPECT_EQ(FetchComposition(3, essay), FetchStatus::NotFound);

    FetchStatus status = FetchStatus::TransportFailure;
    Peer().PushResult("WsDeleteComp", "true");
    EXPECT_TRUE(DeleteCompositions({3, 14, 159}, status));
    EXPECT_EQ(status, FetchStatus::Ok);
    EXPECT_EQ(Element(NewRequests().back().body, "ns1:delId"), "<ns1:delId>3,14,159</ns1:delId>");
    Peer().PushResult("WsDeleteComp", "false");
    EXPECT_FALSE(DeleteCompositions({3}, status));
    EXPECT_EQ(status, FetchStatus::Ok);
    EXPECT_EQ(Element(NewRequests().back().body, "ns1:delId"), "<ns1:delId>3</ns1:delId>");
}

// The library shows its failure message only for a refusal: a deletion the status handler gave
// up on, or one that never reached the service, says so through its status.
TEST_F(PeerTest, DeletionTellsARefusalFromAnEndedCall)
{
    m_shown.clear();
    Peer().PushResult("WsDeleteComp", "3");
    FetchStatus status = FetchStatus::Ok;
    EXPECT_FALSE(DeleteCompositions({3}, status));
    EXPECT_EQ(status, FetchStatus::Abandoned);
    EXPECT_EQ(m_shown, std::vector<std::string>{Gbk("您的账号已在别处登录，请重新登录！")});

    const std::string savedEndpoint = ServiceContext.Endpoint;
    ServiceContext.Endpoint = "http://127.0.0.1:1/iface/api.asmx";
    EXPECT_FALSE(DeleteCompositions({3}, status));
    ServiceContext.Endpoint = savedEndpoint;
    EXPECT_EQ(status, FetchStatus::TransportFailure);
}

TEST_F(PeerTest, ContestEntryResults)
{
    ContestEntry preliminary{ContestRound::Preliminary, Gbk(" 我的家乡 "), Gbk("正文"), "2", "ignored"};
    struct Case
    {
        const char *result;
        SaveStatus status;
        const char *message;
    };
    const Case cases[] = {
        {"1", SaveStatus::Saved,
         "您的大赛征文已成功提交并保存至“我的文库”中，您在“我的文库”中所做的修改不会改变本次提交的征文内容。"},
        {"0", SaveStatus::Refused, "\t  作文提交保存失败!"},
        {"-1", SaveStatus::Refused, "\t  过了提交时间!"},
        {"-2", SaveStatus::Refused, "您已提交过大赛征文，请不要反复提交！"},
        {"-3", SaveStatus::Refused, "\t  作文字数太多!"},
        {"5", SaveStatus::Refused, ""},
    };
    for (const Case &c : cases) {
        Peer().PushResult("WsCompMatch", c.result);
        SaveOutcome outcome = SubmitContestEntry(preliminary);
        EXPECT_EQ(outcome.status, c.status) << c.result;
        EXPECT_EQ(outcome.message, Gbk(c.message)) << c.result;
    }
    const std::string first = NewRequests()[0].body;
    EXPECT_EQ(Element(first, "ns1:title"), "<ns1:title>我的家乡</ns1:title>");
    EXPECT_EQ(Element(first, "ns1:matchID"), "<ns1:matchID>0</ns1:matchID>");
    EXPECT_EQ(Element(first, "ns1:type"), "<ns1:type>1</ns1:type>");

    ContestEntry second{ContestRound::Second, Gbk("题目"), Gbk("正文"), "2", "m7"};
    Peer().PushResult("WsCompMatch", "88");
    SaveOutcome outcome = SubmitContestEntry(second);
    EXPECT_EQ(outcome.status, SaveStatus::Saved);
    EXPECT_EQ(outcome.essayId, "88");
    EXPECT_EQ(Element(NewRequests().back().body, "ns1:matchID"), "<ns1:matchID>m7</ns1:matchID>");
    EXPECT_EQ(Element(NewRequests().back().body, "ns1:type"), "<ns1:type>2</ns1:type>");
}

TEST_F(PeerTest, ActivityInfoSkipsUnknownEntries)
{
    Peer().PushResult("WsActivityInfo", R"({"data":[{"type":"9","title":"x"},{"type":"1","title":"初赛","desc":"要求"},
        {"type":"2","times":"90","supinfo":"s","info":[{"mid":"m1","title":"t1","desc":"d1","writer":"w1","type":"1"}]},
        {"type":"-1","msg":"未开始"}]})");
    std::vector<ActivityEntry> entries;
    ASSERT_EQ(FetchActivityInfo("2", entries), FetchStatus::Ok);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].type, "1");
    EXPECT_EQ(entries[0].title, Gbk("初赛"));
    EXPECT_EQ(entries[1].minutes, 90);
    ASSERT_EQ(entries[1].topics.size(), 1u);
    EXPECT_EQ(entries[1].topics[0].mid, "m1");
    EXPECT_EQ(entries[2].msg, Gbk("未开始"));

    Peer().PushResult("WsActivity", R"({"data":[{"id":"2","theme":"征文","status":"1","isMeg":"True","url":"http://x/a"}]})");
    std::vector<Activity> activities;
    ASSERT_EQ(ListActivities(activities), FetchStatus::Ok);
    ASSERT_EQ(activities.size(), 1u);
    EXPECT_EQ(activities[0].isMeg, "True");
}

TEST_F(PeerTest, ScoresAndIdeas)
{
    FetchStatus status;
    Peer().PushResult("WsRecentScore", "1");
    EXPECT_TRUE(RecordScore("95", status));
    Peer().PushResult("WsRecentScore", "0");
    EXPECT_FALSE(RecordScore("95", status));

    struct Case
    {
        const char *result;
        IdeaScreen screen;
        bool sent, showBox;
        const char *message;
    };
    const Case cases[] = {
        {"1", IdeaScreen::Feedback, true, true, "\t提交成功,谢谢您的参与!"},
        {"0", IdeaScreen::Feedback, false, true, "\t  提交反馈失败!"},
        {"0", IdeaScreen::Experience, false, true, "\t  提交心得失败!"},
        {"x", IdeaScreen::Feedback, false, false, ""},
        {"x", IdeaScreen::Experience, false, true, ""},
    };
    for (const Case &c : cases) {
        Peer().PushResult("WsUserIdea", c.result);
        IdeaOutcome outcome = SendUserIdea(Gbk("很好用"), c.screen);
        EXPECT_EQ(outcome.sent, c.sent) << c.result;
        EXPECT_EQ(outcome.showBox, c.showBox) << c.result;
        EXPECT_EQ(outcome.message, Gbk(c.message)) << c.result;
    }
    std::size_t before = Peer().Requests().size();
    EXPECT_EQ(SendUserIdea("", IdeaScreen::Experience).message, Gbk("\t  请输入心得内容!"));
    EXPECT_EQ(Peer().Requests().size(), before);
}

}  // namespace
