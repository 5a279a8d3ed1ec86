// The web site's pages, the sharing gateway and the loopback-only test controls.
#include "ServiceTestFixture.h"

#include "PlatformService.h"
#include "WebPages.h"

#include <filesystem>

TEST_F(ServiceTest, SitePagesAnswerInUtf8)
{
    struct Case
    {
        std::string target;
        int status;
        std::string contains;
    } cases[] = {
        {"/", 200, "墨韵阁中文写作平台"},
        {"/help.aspx", 200, "帮助"},
        {"/user/register.aspx", 200, "注册"},
        {"/user/forgetpw.aspx", 200, "找回密码"},
        {"/user/info.aspx?no=10001", 200, "请输入密码以查看个人资料"},
        {"/user/mima.aspx?no=10001", 200, "修改密码"},
        {"/user/info.aspx?no=77777", 200, "请输入密码以查看个人资料"},
        {"/activity/1.aspx", 200, "春天的故事"},
        {"/activity/2.aspx", 200, "古诗词里的中国"},
        {"/nothing.aspx", 404, "没有这个页面"},
    };
    for (const Case &c : cases) {
        int status = 0;
        std::string page = m_service->Get(c.target, &status);
        EXPECT_EQ(status, c.status) << c.target;
        EXPECT_NE(page.find(c.contains), std::string::npos) << c.target;
        EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos) << c.target;
    }
    // Names with markup are escaped.
    m_service->Control("add-user?name=x&password=y&truename=" + UrlEncode("<script>"));
    std::string form = "no=20006&password=y";
    std::string page = RawHttpExchange(m_service->Port(), "POST /user/info.aspx HTTP/1.0\r\nContent-Type: "
                                                          "application/x-www-form-urlencoded\r\nContent-Length: " +
                                                              std::to_string(form.size()) + "\r\n\r\n" + form);
    EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos) << page;
    EXPECT_EQ(page.find("<script>"), std::string::npos) << page;
    // A user number given in the page's address is escaped in the form.
    page = m_service->Get("/user/info.aspx?no=" + UrlEncode("\"><b>"));
    EXPECT_EQ(page.find("\"><b>"), std::string::npos) << page;
}

TEST_F(ServiceTest, SharingGatewayRecordsAndShowsWhatArrived)
{
    // As a browser sends it (UTF-8, percent-encoded) and as the client builds it (GBK bytes as is).
    int status = 0;
    std::string page = m_service->Get("/send/?webid=tsina&url=" + UrlEncode(m_service->BaseAddress()) +
                                          "&title=" + UrlEncode("墨韵阁中文写作平台") + "&summary=" +
                                          UrlEncode("床前明月光 <b>"),
                                      &status);
    EXPECT_EQ(status, 200);
    EXPECT_NE(page.find("床前明月光 &lt;b&gt;"), std::string::npos);
    m_service->Get("/send/?webid=qzone&url=x&title=t&summary=\xC3\xF7\xD4\xC2", &status); // "明月" in GBK
    EXPECT_EQ(status, 200);
    m_service->Get("/send/?url=x", &status);
    EXPECT_EQ(status, 400);

    Json::Value shares = Parse(m_service->Control("shares"))["data"];
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0]["webid"].asString(), "tsina");
    EXPECT_EQ(shares[0]["url"].asString(), m_service->BaseAddress());
    EXPECT_EQ(shares[0]["title"].asString(), "墨韵阁中文写作平台");
    EXPECT_EQ(shares[0]["summary"].asString(), "床前明月光 <b>");
    EXPECT_EQ(shares[1]["webid"].asString(), "qzone");
    EXPECT_EQ(shares[1]["summary"].asString(), "明月");
}

TEST_F(ServiceTest, AddedAccountsSignIn)
{
    EXPECT_EQ(m_service->Control("add-user?name=load01&password=pw"), "6");
    int status = 0;
    EXPECT_EQ(m_service->Control("add-user?name=load01&password=pw", &status), "name taken");
    EXPECT_EQ(status, 409);
    EXPECT_FALSE(SignIn("load01", "pw").empty());
    EXPECT_EQ(Counts("load01")["id"].asString(), "6");
    EXPECT_EQ(m_service->Control("nothing", &status), "unknown control");
    EXPECT_EQ(status, 404);
}

TEST(WebPagesInProcess, TestControlsRefuseOtherPeers)
{
    auto directory = std::filesystem::temp_directory_path() / ("web-pages-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    {
        struct soap *context = soap_new();
        ServiceShared shared;
        PlatformService service(context, shared, (directory / "db").string());
        WebResponse refused = HandleWebRequest(service, "/test/disable?id=1&value=1", false);
        EXPECT_EQ(refused.status, 404);
        WebResponse allowed = HandleWebRequest(service, "/test/idle-timeout?seconds=5", true);
        EXPECT_EQ(allowed.status, 200);
        soap_free(context);
    }
    std::filesystem::remove_all(directory);
}

TEST(WebPagesInProcess, QueryValuesAreDecoded)
{
    auto query = ParseQuery("a=1&b=%E4%B8%AD+%E6%96%87&c&d=%zz&e=\xD6\xD0");
    EXPECT_EQ(query["a"], "1");
    EXPECT_EQ(query["b"], "中 文");
    EXPECT_EQ(query["c"], "");
    EXPECT_EQ(query["d"], "%zz");
    EXPECT_EQ(query["e"], "中"); // GBK bytes taken as GBK
}
