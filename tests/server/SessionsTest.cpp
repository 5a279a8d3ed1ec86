// Sessions against the real service: lapse, displacement, re-sign-in accepted and refused,
// verification codes, and malformed identities.
#include "ServiceTestFixture.h"

#include <chrono>
#include <thread>

namespace {

const std::string kDigest = Md5Hex("123456");

} // namespace

TEST_F(ServiceTest, LapsedSessionAnswersTwoUntilReSignIn)
{
    std::string id = SignIn("xuesheng", "123456");
    EXPECT_EQ(m_service->Control("lapse?name=xuesheng"), "ok");
    EXPECT_EQ(m_client->UserInfo(id, "DEVICE-A"), "2");
    EXPECT_EQ(m_client->CompSaveOrEdit(id, "DEVICE-A", "0", "题", "文"), "2");
    EXPECT_EQ(Counts("xuesheng")["compositions"].asString(), "0");
    EXPECT_EQ(m_client->ReLogin("xuesheng", kDigest, "DEVICE-A"), "1");
    EXPECT_EQ(Parse(m_client->UserInfo(id, "DEVICE-A"))["data"][0]["TrueName"].asString(), "李明");
}

TEST_F(ServiceTest, RefusedReSignInAnswersZeroOnce)
{
    std::string id = SignIn("xuesheng", "123456");
    m_service->Control("lapse?name=xuesheng");
    EXPECT_EQ(m_service->Control("refuse-relogin?name=xuesheng"), "ok");
    EXPECT_EQ(m_client->ReLogin("xuesheng", kDigest, "DEVICE-A"), "0");
    EXPECT_EQ(m_client->UserInfo(id, "DEVICE-A"), "2");
    EXPECT_EQ(m_client->ReLogin("xuesheng", kDigest, "DEVICE-A"), "1");
    EXPECT_EQ(m_client->ReLogin("xuesheng", Md5Hex("wrong"), "DEVICE-A"), "0");
    EXPECT_EQ(m_client->ReLogin("xuesheng", kDigest, ""), "0");
}

TEST_F(ServiceTest, IdleSessionLapsesAfterTheTimeOut)
{
    StartService({"--idle-timeout", "2"});
    std::string id = SignIn("xuesheng", "123456");
    EXPECT_EQ(Parse(m_client->UserInfo(id, "DEVICE-A"))["data"][0]["TrueName"].asString(), "李明");
    std::this_thread::sleep_for(std::chrono::milliseconds(4500));
    EXPECT_EQ(m_client->UserInfo(id, "DEVICE-A"), "2");
}

TEST_F(ServiceTest, ANewerSignInDisplacesTheEarlierSessions)
{
    std::string first = SignIn("xuesheng", "123456", "DEVICE-A");
    auto second = NewClient();
    std::string onB = Parse(second->AutoLogin("xuesheng", kDigest, "DEVICE-B"))["data"][0]["ID"].asString();
    ASSERT_FALSE(onB.empty());
    EXPECT_NE(onB, first);
    EXPECT_EQ(m_client->ServerPoll(first, "DEVICE-A"), "3");
    EXPECT_NE(second->ServerPoll(onB, "DEVICE-B"), "3");
    // Signing in again on the same device displaces that device's earlier session too.
    std::string again = SignIn("xuesheng", "123456", "DEVICE-B");
    EXPECT_EQ(second->ServerPoll(onB, "DEVICE-B"), "3");
    EXPECT_NE(second->ServerPoll(again, "DEVICE-B"), "3");
    // The displace control does the same for the current session.
    EXPECT_EQ(m_service->Control("displace?name=xuesheng"), "ok");
    EXPECT_EQ(second->ServerPoll(again, "DEVICE-B"), "3");
    EXPECT_EQ(m_service->Control("displace?name=tongxue", nullptr), "no session");
}

TEST_F(ServiceTest, MalformedIdentitiesAnswerFour)
{
    std::string id = SignIn("xuesheng", "123456");
    // Numbers never issued, the user's own id and number, the session's number with another
    // device code; each with a device code of its own, so that none is slowed by the others.
    const std::pair<std::string, std::string> wrong[] = {
        {"999", "DEVICE-1"}, {"1", "DEVICE-A"}, {"10001", "DEVICE-A"}, {"abc", "DEVICE-2"},
        {"", "DEVICE-3"},    {"-1", "DEVICE-4"}, {id, "DEVICE-5"},      {id, ""},
    };
    for (const auto &[number, device] : wrong)
        EXPECT_EQ(m_client->UserInfo(number, device), "4") << number << " / " << device;
    EXPECT_EQ(m_service->Control("disable?name=xuesheng&value=1"), "ok");
    EXPECT_EQ(m_client->UserInfo(id, "DEVICE-A"), "4");
    EXPECT_EQ(m_client->AutoLogin("xuesheng", kDigest, "DEVICE-A"), "-3");
    EXPECT_EQ(m_service->Control("disable?name=xuesheng&value=0"), "ok");
    EXPECT_FALSE(Parse(m_client->AutoLogin("xuesheng", kDigest, "DEVICE-A"))["data"][0]["ID"].asString().empty());
}

TEST_F(ServiceTest, VerificationCodeRightWrongAndBoundToItsDevice)
{
    // No picture fetched yet: any code is wrong.
    EXPECT_EQ(m_client->Login("xuesheng", kDigest, "DEVICE-A", "1234"), "-1");

    ASSERT_FALSE(m_client->CreateVerifyImage("DEVICE-A").empty());
    std::string code = m_service->Control("verify-code?code=DEVICE-A");
    ASSERT_EQ(code.size(), 4u);
    std::string wrong = code == "0000" ? "1111" : "0000";
    EXPECT_EQ(m_client->Login("xuesheng", kDigest, "DEVICE-A", wrong), "-1");
    // Another device cannot use this device's code.
    EXPECT_EQ(m_client->Login("xuesheng", kDigest, "DEVICE-B", code), "-1");
    // The right code after a wrong one still signs in (the picture stays on the client).
    EXPECT_FALSE(Parse(m_client->Login("xuesheng", kDigest, "DEVICE-A", code))["data"][0]["ID"].asString().empty());
    // A code is good for one sign-in only.
    EXPECT_EQ(m_client->Login("xuesheng", kDigest, "DEVICE-A", code), "-1");

    // A right code with a wrong password: the password's answer.
    m_client->CreateVerifyImage("DEVICE-A");
    code = m_service->Control("verify-code?code=DEVICE-A");
    EXPECT_EQ(m_client->Login("xuesheng", Md5Hex("wrong"), "DEVICE-A", code), "-6");
}

TEST_F(ServiceTest, SynchronisationOperationsNeedNoSession)
{
    EXPECT_EQ(Parse(m_client->OverallInfo())["data"][0]["KeyWordMaxID"].asString(), "3000");
    EXPECT_GE(Parse(m_client->MainInfo())["data"].size(), 6u);
}
