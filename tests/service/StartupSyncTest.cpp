// The start-up synchronisation decisions, against a scripted peer and a local store that
// records what it was asked to do.
#include "PeerFixture.h"
#include "StartupSync.h"

namespace {

class RecordingStore : public SyncStore
{
public:
    std::string version = "1.0.0", mainInfoTime = "2026-12-01", maxKeywordId = "10";
    std::vector<std::string> calls;
    std::vector<MainInfoItem> storedItems;
    std::vector<ServiceKeyword> storedKeywords;

    bool VersionEquals(const std::string &serviceVersion) override { return serviceVersion == version; }
    bool MainInfoTimeEquals(const std::string &serviceStamp) override { return serviceStamp == mainInfoTime; }
    void ReplaceMainPageItems(const std::vector<MainInfoItem> &items, const std::string &stamp) override
    {
        calls.push_back("texts " + stamp);
        storedItems = items;
    }
    std::string ReadMaxKeywordId() override { return maxKeywordId; }
    bool StoreKeywords(const std::vector<ServiceKeyword> &keywords, const std::string &serviceMaxId) override
    {
        calls.push_back("keywords " + serviceMaxId);
        storedKeywords = keywords;
        return true;
    }
};

std::string Overall(const std::string &version, const std::string &stamp, const std::string &maxId)
{
    return R"({"data":[{"version":")" + version + R"(","MainInfoTime":")" + stamp + R"(","KeyWordMaxID":")" + maxId + R"("}]})";
}

std::vector<std::string> Operations(const std::vector<PeerRequest> &requests)
{
    std::vector<std::string> names;
    for (const PeerRequest &request : requests) {
        std::size_t open = request.body.find("<ns1:Ws");
        std::size_t end = request.body.find_first_of(" >/", open + 5);
        names.push_back(open == std::string::npos ? "?" : request.body.substr(open + 5, end - open - 5));
    }
    return names;
}

TEST_F(PeerTest, SynchronisationDecisions)
{
    struct Case
    {
        const char *name;
        std::vector<std::pair<std::string, std::string>> replies;  // operation, result
        std::string localMaxId;
        bool success;
        std::vector<std::string> sent;
        std::vector<std::string> storeCalls;
    };
    const std::string texts = R"({"data":[{"ID":"1","Name":"n","Class":"c","Type":"1","Con":"它's"}]})";
    const std::string words = R"({"data":[{"I":"1000","K":"明月"}]})";
    const Case cases[] = {
        {"everything equal", {{"WsOverallInfo", Overall("1.0.0", "2026-12-01", "10")}}, "10", true, {"WsOverallInfo"}, {}},
        {"stamp differs by a leading zero",
         {{"WsOverallInfo", Overall("1.0.0", "2026-12-1", "10")}, {"WsMainInfo", texts}},
         "10", true, {"WsOverallInfo", "WsMainInfo"}, {"texts 2026-12-1"}},
        {"local 999 against 1000",
         {{"WsOverallInfo", Overall("1.0.0", "2026-12-01", "1000")}, {"WsKeyword", words}},
         "999", true, {"WsOverallInfo", "WsKeyword"}, {"keywords 1000"}},
        {"local 1000 against 999", {{"WsOverallInfo", Overall("1.0.0", "2026-12-01", "999")}}, "1000", true, {"WsOverallInfo"}, {}},
        {"empty local counts as 0",
         {{"WsOverallInfo", Overall("1.0.0", "2026-12-01", "1")}, {"WsKeyword", words}},
         "", true, {"WsOverallInfo", "WsKeyword"}, {"keywords 1"}},
        {"signed in elsewhere: success without synchronising", {{"WsOverallInfo", "3"}}, "10", true, {"WsOverallInfo"}, {}},
        {"overall info not json", {{"WsOverallInfo", "oops"}}, "10", false, {"WsOverallInfo"}, {}},
        {"main texts skipped on 2",
         {{"WsOverallInfo", Overall("1.0.0", "new", "10")}, {"WsMainInfo", "2"}},
         "10", true, {"WsOverallInfo", "WsMainInfo"}, {}},
        {"main texts not json",
         {{"WsOverallInfo", Overall("1.0.0", "new", "10")}, {"WsMainInfo", "{"}},
         "10", false, {"WsOverallInfo", "WsMainInfo"}, {}},
        {"keywords empty result skipped",
         {{"WsOverallInfo", Overall("1.0.0", "2026-12-01", "11")}, {"WsKeyword", ""}},
         "10", true, {"WsOverallInfo", "WsKeyword"}, {}},
        {"keywords not json",
         {{"WsOverallInfo", Overall("1.0.0", "2026-12-01", "11")}, {"WsKeyword", "[1,"}},
         "10", false, {"WsOverallInfo", "WsKeyword"}, {}},
    };
    for (const Case &c : cases) {
        m_shown.clear();
        m_firstRequest = Peer().Requests().size();
        for (const auto &[operation, result] : c.replies)
            Peer().PushResult(operation, result);
        RecordingStore store;
        store.maxKeywordId = c.localMaxId;
        SyncOutcome outcome = SynchroniseAtStartup(store);
        EXPECT_EQ(outcome.success, c.success) << c.name;
        EXPECT_EQ(outcome.message, "") << c.name;
        EXPECT_EQ(Operations(NewRequests()), c.sent) << c.name;
        EXPECT_EQ(store.calls, c.storeCalls) << c.name;
        if (c.sent.size() == 2 && c.sent[1] == "WsKeyword") {
            std::string expectedKeyId = c.localMaxId.empty() ? "0" : c.localMaxId;
            EXPECT_EQ(Element(NewRequests()[1].body, "ns1:keyId"), "<ns1:keyId>" + expectedKeyId + "</ns1:keyId>") << c.name;
        }
    }
}

TEST_F(PeerTest, OutdatedVersionAsksToUpdate)
{
    Peer().PushResult("WsOverallInfo", Overall("1.0.1", "2026-12-01", "10"));
    RecordingStore store;
    SyncOutcome outcome = SynchroniseAtStartup(store);
    EXPECT_FALSE(outcome.success);
    EXPECT_TRUE(outcome.openHomePage);
    EXPECT_EQ(outcome.message, Utf8ToGbk("\t  版本已过期,请更新版本!"));
    EXPECT_EQ(NewRequests().size(), 1u);
}

TEST_F(PeerTest, ReceivedTextsAndKeywordsReachTheStoreUnchanged)
{
    Peer().PushResult("WsOverallInfo", Overall("1.0.0", "t2", "2"));
    Peer().PushResult("WsMainInfo", R"({"data":[{"ID":"1","Name":"名","Class":"类","Type":"2","Con":"他说：'好'"}]})");
    Peer().PushResult("WsKeyword", R"({"data":[{"I":"1","K":"春风"},{"I":"2","K":"it's"}]})");
    RecordingStore store;
    store.maxKeywordId = "0";
    ASSERT_TRUE(SynchroniseAtStartup(store).success);
    ASSERT_EQ(store.storedItems.size(), 1u);
    EXPECT_EQ(store.storedItems[0].content, Utf8ToGbk("他说：'好'"));
    EXPECT_EQ(store.storedItems[0].type, "2");
    ASSERT_EQ(store.storedKeywords.size(), 2u);
    EXPECT_EQ(store.storedKeywords[1].text, "it's");
    EXPECT_EQ(store.storedKeywords[0].text, Utf8ToGbk("春风"));
}

}  // namespace
