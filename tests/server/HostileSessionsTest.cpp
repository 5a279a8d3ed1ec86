// A determined pupil against other pupils' sessions and accounts: calls made with a known user id
// and device code, session numbers and device codes guessed, a changed password, and the lock-out
// trap (locking an account and then spoiling the owner's way back in).
#include "RawHttp.h"
#include "ServiceTestFixture.h"

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// The device code a client sends when the disk's serial cannot be read: shared by many machines.
const std::string kFiller(28, '0');

std::string UserInfoRequest(const std::string &id, const std::string &code)
{
    return SoapPost(SoapEnvelope("<ns1:WsUserInfo><ns1:id>" + id + "</ns1:id><ns1:code>" + code +
                                 "</ns1:code></ns1:WsUserInfo>"));
}

std::string SignInRequest(const char *operation, const std::string &name, const std::string &password,
                          const std::string &device, const std::string &verifyCode = "")
{
    std::string fields = "<ns1:u>" + name + "</ns1:u><ns1:p>" + Md5Hex(password) + "</ns1:p><ns1:code>" + device +
                         "</ns1:code>";
    if (!verifyCode.empty())
        fields += "<ns1:verifyCode>" + verifyCode + "</ns1:verifyCode>";
    return SoapPost(SoapEnvelope("<ns1:" + std::string(operation) + ">" + fields + "</ns1:" + operation + ">"));
}

std::string Body(const std::string &response)
{
    auto end = response.find("\r\n\r\n");
    return end == std::string::npos ? response : response.substr(end + 4);
}

long MillisecondsSince(Clock::time_point start)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

} // namespace

TEST_F(ServiceTest, KnowingAPupilsIdAndDeviceCodeAdmitsNothing)
{
    std::string session = SignIn("xuesheng", "123456", kFiller);
    // The user's id is no secret (the profile shows it) and neither is the filler device code.
    ASSERT_EQ(Parse(m_client->UserInfo(session, kFiller))["data"][0]["ID"].asString(), "1");
    // Each refusal counts against the device code, so the table is kept short.
    auto intruder = NewClient();
    EXPECT_EQ(intruder->UserInfo("1", kFiller), "4");
    EXPECT_EQ(intruder->CompSaveOrEdit("1", kFiller, "0", "冒名", "冒名写的作文"), "4");
    EXPECT_EQ(intruder->UserComp("10001", kFiller, "4000", "1", "0", ""), "4");
    EXPECT_EQ(Counts("xuesheng")["compositions"].asString(), "0");
    // The pupil's own session is untouched by all this.
    EXPECT_EQ(Parse(m_client->UserInfo(session, kFiller))["data"][0]["TrueName"].asString(), "李明");
}

TEST_F(ServiceTest, WrongIdentitiesAreSlowedAlikeWhetherTheNumberExistsOrNot)
{
    const std::string session = SignIn("xuesheng", "123456", "DEVICE-A");
    const std::string unknown = session.substr(0, 18) + (session.back() == '1' ? "2" : "1");
    // From one address, a known session number and an unknown one in turn, each with a device code
    // of its own: the first ten go by, then each answer waits longer.
    const long expected[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 250, 500, 1000};
    std::string knownAnswer, unknownAnswer;
    for (int i = 0; i < 14; ++i) {
        const std::string &number = i % 2 ? unknown : session;
        auto start = Clock::now();
        std::string response =
            ExchangeFrom(m_service->Port(), "127.0.0.21", UserInfoRequest(number, "GUESS-" + std::to_string(i)));
        long took = MillisecondsSince(start);
        EXPECT_EQ(SoapResult(response, "WsUserInfo"), "4") << i;
        EXPECT_GE(took, expected[i]) << "guess " << i << " was not slowed";
        (i % 2 ? unknownAnswer : knownAnswer) = Body(response);
    }
    EXPECT_EQ(knownAnswer, unknownAnswer);
    // Meanwhile the session's own calls, from another address, go on at once.
    EXPECT_EQ(Parse(m_client->UserInfo(session, "DEVICE-A"))["data"][0]["TrueName"].asString(), "李明");
}

TEST_F(ServiceTest, ChangingThePasswordEndsEverySessionOfTheUser)
{
    std::string onA = SignIn("xuesheng", "123456", "DEVICE-A");
    auto other = NewClient();
    std::string onB = Parse(other->AutoLogin("xuesheng", Md5Hex("123456"), "DEVICE-B"))["data"][0]["ID"].asString();
    ASSERT_FALSE(onB.empty());
    std::string form = "no=10001&password=123456&new=secret2&again=secret2";
    std::string response = RawHttpExchange(m_service->Port(), "POST /user/mima.aspx HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                                              "Content-Type: application/x-www-form-urlencoded\r\n"
                                                              "Content-Length: " +
                                                                  std::to_string(form.size()) + "\r\nConnection: close\r\n\r\n" +
                                                                  form);
    ASSERT_NE(response.find("密码已修改"), std::string::npos) << response;
    EXPECT_EQ(other->UserInfo(onB, "DEVICE-B"), "4");
    EXPECT_EQ(m_client->UserInfo(onA, "DEVICE-A"), "4");
    EXPECT_EQ(other->ReLogin("xuesheng", Md5Hex("123456"), "DEVICE-B"), "0");
    // The new password opens a new session.
    std::string fresh = Parse(other->AutoLogin("xuesheng", Md5Hex("secret2"), "DEVICE-B"))["data"][0]["ID"].asString();
    EXPECT_EQ(Parse(other->UserInfo(fresh, "DEVICE-B"))["data"][0]["TrueName"].asString(), "李明");
}

TEST_F(ServiceTest, ALockedAccountsOwnerSignsInWithTheCodeTheyWereShown)
{
    const int port = m_service->Port();
    // Three wrong passwords from the attacker's address lock the pupil's account.
    for (int i = 0; i < 3; ++i)
        ExchangeFrom(port, "127.0.0.30", SignInRequest("WsAutoLogin", "xuesheng", "guess" + std::to_string(i), kFiller));
    ASSERT_EQ(m_client->AutoLogin("xuesheng", Md5Hex("123456"), kFiller), "0");
    // The pupil is shown a picture for the filler device code.
    ASSERT_FALSE(m_client->CreateVerifyImage(kFiller).empty());
    const std::string shown = m_service->Control("verify-code?code=" + kFiller);
    ASSERT_EQ(shown.size(), 4u);
    // The attacker asks for new pictures for that device code and sends wrong codes with it.
    for (int i = 0; i < 8; ++i)
        ExchangeFrom(port, "127.0.0.30", SoapPost(SoapEnvelope("<ns1:WsCreateVerifyImage><ns1:code>" + kFiller +
                                                               "</ns1:code></ns1:WsCreateVerifyImage>")));
    const std::string wrong = shown == "0000" ? "1111" : "0000";
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(SoapResult(ExchangeFrom(port, "127.0.0.30", SignInRequest("WsLogin", "xuesheng", "123456", kFiller, wrong)),
                             "WsLogin"),
                  "-1");
    // Another machine sharing the filler code asks for its own picture meanwhile.
    ExchangeFrom(port, "127.0.0.31", SoapPost(SoapEnvelope("<ns1:WsCreateVerifyImage><ns1:code>" + kFiller +
                                                           "</ns1:code></ns1:WsCreateVerifyImage>")));
    const std::string neighbours = m_service->Control("verify-code?code=" + kFiller);
    // The pupil's right password with the code they were shown signs in and lifts the lock; the
    // neighbour's code is still good for the neighbour.
    std::string id = Parse(m_client->Login("xuesheng", Md5Hex("123456"), kFiller, shown))["data"][0]["ID"].asString();
    EXPECT_EQ(Parse(m_client->UserInfo(id, kFiller))["data"][0]["TrueName"].asString(), "李明");
    EXPECT_FALSE(Parse(m_client->AutoLogin("xuesheng", Md5Hex("123456"), kFiller))["data"][0]["ID"].asString().empty());
    std::string neighbour = SoapResult(ExchangeFrom(port, "127.0.0.31", SignInRequest("WsLogin", "tongxue", "654321", kFiller,
                                                                                      neighbours)),
                                       "WsLogin");
    EXPECT_NE(neighbour.find("ID"), std::string::npos) << neighbour;
}
