// The essay library and the writing contest through the client proxy, against the real service.
#include "ServiceTestFixture.h"


namespace {

// An essay of n characters as the client counts them (Chinese characters), with line breaks.
std::string EssayOfLength(std::size_t n)
{
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        text += "文";
        if (i % 50 == 49)
            text += "\r\n";
    }
    return text;
}

class EssayTest : public ServiceTest
{
protected:
    void SetUp() override
    {
        ServiceTest::SetUp();
        m_id = SignIn("xuesheng", "123456");
    }
    std::string Save(const std::string &compId, const std::string &title, const std::string &content)
    {
        return m_client->CompSaveOrEdit(m_id, "DEVICE-A", compId, title, content);
    }
    Json::Value List(const std::string &search = "", const std::string &sortWay = "0")
    {
        return Parse(m_client->UserComp(m_id, "DEVICE-A", "4000", "1", sortWay, search))["data"];
    }
    std::string m_id;
};

} // namespace

TEST_F(EssayTest, SaveThenEditKeepsTheIdAndTheTextWithItsLineBreaks)
{
    std::string essayId = Save("0", "春天来了", "第一段。\r\n第二段。");
    ASSERT_EQ(DigitPattern(essayId), "99999") << essayId;
    EXPECT_EQ(Save(essayId, "春天来了（修改）", "第一段。\r\n\r\n第三段。"), essayId);

    Json::Value doc = Parse(m_client->CompInfo(m_id, "DEVICE-A", essayId));
    EXPECT_EQ(FirstNonString(doc), "");
    EXPECT_EQ(doc["data"][0]["Title"].asString(), "春天来了（修改）");
    EXPECT_EQ(doc["data"][0]["Content"].asString(), "第一段。\r\n\r\n第三段。");
    EXPECT_EQ(doc["data"][0]["ID"].asString(), essayId);

    Json::Value list = List();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(Keys(list[0]), "CreateTime,ID,Title");
    EXPECT_EQ(DigitPattern(list[0]["CreateTime"].asString()), "9999-99-99 99:99:99");
}

// A save whose answer was lost comes again: the same new essay within a minute is answered with
// the stored essay's id, not stored twice. Another title, text or origin is a new essay.
TEST_F(EssayTest, TheSameNewEssayAgainIsTheStoredOne)
{
    const std::string first = Save("0", "超时保存", "第一段。");
    ASSERT_EQ(DigitPattern(first), "99999") << first;
    EXPECT_EQ(Save("0", "超时保存", "第一段。"), first);
    EXPECT_NE(Save("0", "超时保存", "第一段。第二段。"), first);
    EXPECT_NE(Save("0", "另一个题目", "第一段。"), first);
    EXPECT_EQ(List().size(), 3u);
}

TEST_F(EssayTest, LengthLimitCountsCharactersWithoutLineBreaks)
{
    EXPECT_NE(Save("0", "满", EssayOfLength(5000)), "-1");
    EXPECT_EQ(Save("0", "超", EssayOfLength(5001)), "-1");
    // Blanks and punctuation count; line breaks do not.
    EXPECT_NE(Save("0", "空格", std::string(4999, ' ') + "。" + std::string(300, '\n')), "-1");
    EXPECT_EQ(Save("0", "空格", std::string(5000, ' ') + "。"), "-1");
    EXPECT_EQ(Save("0", "", "正文"), "0");
    EXPECT_EQ(Save("0", "标题", ""), "0");
    EXPECT_EQ(List().size(), 2u);
}

TEST_F(EssayTest, ListSearchesTitlesAndSorts)
{
    std::string a = Save("0", "春天的雨", "一");
    std::string b = Save("0", "夏天的风", "二");
    std::string c = Save("0", "春天的花", "三");
    Json::Value newest = List();
    ASSERT_EQ(newest.size(), 3u);
    EXPECT_EQ(newest[0]["ID"].asString(), c);
    EXPECT_EQ(newest[2]["ID"].asString(), a);
    EXPECT_EQ(List("", "1")[0]["ID"].asString(), a);

    Json::Value spring = List("春天");
    ASSERT_EQ(spring.size(), 2u);
    EXPECT_EQ(spring[0]["ID"].asString(), c);
    EXPECT_EQ(spring[1]["ID"].asString(), a);
    EXPECT_EQ(List("%").size(), 0u);
    EXPECT_EQ(List("秋天").size(), 0u);
    // Paging: one essay per page, second page.
    Json::Value page = Parse(m_client->UserComp(m_id, "DEVICE-A", "1", "2", "0", ""))["data"];
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(page[0]["ID"].asString(), b);
}

TEST_F(EssayTest, AnotherUsersEssaysCannotBeReadEditedOrDeleted)
{
    std::string mine = Save("0", "我的", "内容");
    auto other = NewClient();
    std::string otherId = Parse(other->AutoLogin("tongxue", Md5Hex("654321"), "DEVICE-B"))["data"][0]["ID"].asString();
    EXPECT_EQ(other->CompInfo(otherId, "DEVICE-B", mine), "");
    EXPECT_EQ(other->CompSaveOrEdit(otherId, "DEVICE-B", mine, "抢", "改"), "0");
    EXPECT_EQ(other->DeleteComp(otherId, "DEVICE-B", mine), "false");
    EXPECT_EQ(other->UserComp(otherId, "DEVICE-B", "4000", "1", "0", ""), R"({"data":[]})");
    EXPECT_EQ(Parse(m_client->CompInfo(m_id, "DEVICE-A", mine))["data"][0]["Content"].asString(), "内容");
    EXPECT_EQ(m_client->CompInfo(m_id, "DEVICE-A", "999999"), "");
    EXPECT_EQ(Save("999999", "不存在", "内容"), "0");
}

TEST_F(EssayTest, DeleteIsAllOrNothing)
{
    std::string a = Save("0", "甲", "一"), b = Save("0", "乙", "二"), c = Save("0", "丙", "三");
    // One id that is not the user's: nothing is deleted.
    EXPECT_EQ(m_client->DeleteComp(m_id, "DEVICE-A", a + "," + b + ",999999"), "false");
    EXPECT_EQ(List().size(), 3u);
    EXPECT_EQ(m_client->DeleteComp(m_id, "DEVICE-A", a + "," + c), "true");
    Json::Value left = List();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]["ID"].asString(), b);
    EXPECT_EQ(m_client->DeleteComp(m_id, "DEVICE-A", a), "false"); // already gone
    EXPECT_EQ(m_client->DeleteComp(m_id, "DEVICE-A", b), "true");
}

TEST_F(EssayTest, ActivitiesHaveTheirKeysAndPages)
{
    Json::Value doc = Parse(m_client->Activity(m_id, "DEVICE-A"));
    EXPECT_EQ(FirstNonString(doc), "");
    ASSERT_EQ(doc["data"].size(), 2u);
    for (const auto &activity : doc["data"]) {
        EXPECT_EQ(Keys(activity), "id,isMeg,status,theme,url");
        EXPECT_EQ(activity["status"].asString(), "2");
        EXPECT_EQ(activity["isMeg"].asString(), "True");
        std::string url = activity["url"].asString();
        ASSERT_EQ(url.rfind(m_service->BaseAddress(), 0), 0u) << url;
        int status = 0;
        // The site path: the address less the base, which ends with "/".
        std::string path = url.substr(m_service->BaseAddress().size() - 1);
        std::string page = m_service->Get(path, &status);
        EXPECT_EQ(status, 200);
        EXPECT_NE(page.find(activity["theme"].asString()), std::string::npos);
    }
}

TEST_F(EssayTest, ActivityInfoOpensTheRoundOfEachActivity)
{
    Json::Value first = Parse(m_client->ActivityInfo(m_id, "DEVICE-A", "1"));
    EXPECT_EQ(FirstNonString(first), "");
    ASSERT_EQ(first["data"].size(), 1u);
    EXPECT_EQ(Keys(first["data"][0]), "desc,title,type");
    EXPECT_EQ(first["data"][0]["type"].asString(), "1");

    Json::Value second = Parse(m_client->ActivityInfo(m_id, "DEVICE-A", "2"));
    EXPECT_EQ(FirstNonString(second), "");
    ASSERT_EQ(second["data"].size(), 1u);
    EXPECT_EQ(Keys(second["data"][0]), "info,supinfo,times,type");
    EXPECT_EQ(second["data"][0]["type"].asString(), "2");
    EXPECT_EQ(second["data"][0]["times"].asString(), "60");
    ASSERT_EQ(second["data"][0]["info"].size(), 6u);
    EXPECT_EQ(Keys(second["data"][0]["info"][0]), "desc,mid,title,type,writer");

    Json::Value unknown = Parse(m_client->ActivityInfo(m_id, "DEVICE-A", "77"));
    EXPECT_EQ(unknown["data"][0]["type"].asString(), "-1");
    EXPECT_FALSE(unknown["data"][0]["msg"].asString().empty());
}

TEST_F(EssayTest, PreliminaryEntryIsAcceptedOnceAndJoinsTheLibrary)
{
    EXPECT_EQ(m_client->CompMatch(m_id, "DEVICE-A", "春天的故事", "那年春天……", "1", "0", "1"), "1");
    Json::Value list = List();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["Title"].asString(), "春天的故事");
    EXPECT_EQ(m_client->CompMatch(m_id, "DEVICE-A", "再来一篇", "内容", "1", "0", "1"), "-2");
    Json::Value info = Parse(m_client->ActivityInfo(m_id, "DEVICE-A", "1"));
    EXPECT_EQ(info["data"][0]["type"].asString(), "-2");
    // Editing the library copy leaves the entry alone: still submitted once.
    EXPECT_EQ(Save(list[0]["ID"].asString(), "春天的故事", "改过了"), list[0]["ID"].asString());
    EXPECT_EQ(List().size(), 1u);
}

TEST_F(EssayTest, SecondRoundEntryAnswersItsLibraryId)
{
    std::string entry = m_client->CompMatch(m_id, "DEVICE-A", "月是故乡明", "月亮升起来了。", "2", "201", "2");
    ASSERT_EQ(DigitPattern(entry), "99999") << entry;
    EXPECT_EQ(Parse(m_client->CompInfo(m_id, "DEVICE-A", entry))["data"][0]["Title"].asString(), "月是故乡明");
    EXPECT_EQ(m_client->CompMatch(m_id, "DEVICE-A", "月是故乡明", "又一篇", "2", "201", "2"), "-2");
}

TEST_F(EssayTest, ContestRefusalsHaveTheirCodes)
{
    // Over the length limit, an unknown topic, the wrong round, an unknown activity.
    EXPECT_EQ(m_client->CompMatch(m_id, "DEVICE-A", "长", EssayOfLength(5001), "2", "201", "2"), "-3");
    EXPECT_EQ(m_client->CompMatch(m_id, "DEVICE-A", "题", "文", "2", "999", "2"), "0");
    EXPECT_EQ(m_client->CompMatch(m_id, "DEVICE-A", "题", "文", "2", "0", "1"), "0");
    EXPECT_EQ(m_client->CompMatch(m_id, "DEVICE-A", "题", "文", "9", "0", "1"), "0");
    EXPECT_EQ(m_client->CompMatch(m_id, "DEVICE-A", "", "文", "1", "0", "1"), "0");
    // After the deadline.
    EXPECT_EQ(m_service->Control("deadline?activity=1&value=" + UrlEncode("2000-01-01 00:00:00")), "ok");
    EXPECT_EQ(m_client->CompMatch(m_id, "DEVICE-A", "迟到", "文", "1", "0", "1"), "-1");
    EXPECT_EQ(Parse(m_client->ActivityInfo(m_id, "DEVICE-A", "1"))["data"][0]["type"].asString(), "-1");
    EXPECT_EQ(List().size(), 0u);
}

TEST_F(EssayTest, EssayIdsAreClearOfStatusCodesAndNeverReused)
{
    std::string first = Save("0", "甲", "一");
    EXPECT_EQ(first, "10001");
    EXPECT_EQ(m_client->DeleteComp(m_id, "DEVICE-A", first), "true");
    std::string second = Save("0", "乙", "二");
    EXPECT_EQ(second, "10002");
    // A screen still holding the deleted essay's id cannot overwrite the new one.
    EXPECT_EQ(Save(first, "旧的", "覆盖"), "0");
    EXPECT_EQ(Parse(m_client->CompInfo(m_id, "DEVICE-A", second))["data"][0]["Content"].asString(), "二");
}
