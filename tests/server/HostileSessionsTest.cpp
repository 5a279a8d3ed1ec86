// A determined pupil against other pupils' sessions and accounts: calls made with a known user id
// and device code, session numbers and device codes guessed, a changed password, the lock-out
// trap (locking an account and then spoiling the owner's way back in), floods of sign-ins that
// would take the held answers or the workers, likes sent over and over, and typos on the web forms.
#include "RawHttp.h"
#include "ServiceTestFixture.h"
#include "SignInBudget.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

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

namespace {

std::string FormPost(const std::string &path, const std::string &form)
{
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                            "Content-Length: " +
           std::to_string(form.size()) + "\r\nConnection: close\r\n\r\n" + form;
}

// Runs body(i) on n threads at once and waits for them all.
template <typename Body>
void AllAtOnce(int n, const Body &body)
{
    std::vector<std::thread> threads;
    for (int i = 0; i < n; ++i)
        threads.emplace_back([&body, i] { body(i); });
    for (std::thread &t : threads)
        t.join();
}

} // namespace

TEST_F(ServiceTest, GuessesFromOneAddressHoldOnlyThatAddressesShareOfSlowedAnswers)
{
    const int port = m_service->Port();
    // The address uses up its allowance of failures and more, so that its next guesses are each
    // held the longest (8 s) and no place frees while they arrive.
    AllAtOnce(16, [&](int i) {
        ExchangeFrom(port, "127.0.0.50", SignInRequest("WsAutoLogin", "nobody", "x", "WARM-" + std::to_string(i)), 20000);
    });
    // Then many guesses at once: beyond the address's share they are closed unanswered, unhashed.
    constexpr int kGuesses = 48;
    std::atomic<int> answered{0}, dropped{0};
    std::thread pupil([&] {
        // Meanwhile a pupil elsewhere makes one typo, then signs in: held a moment, then let in.
        ExchangeFrom(port, "127.0.0.51", SignInRequest("WsAutoLogin", "xuesheng", "typo", "PUPIL"));
        std::string result = SoapResult(ExchangeFrom(port, "127.0.0.51", SignInRequest("WsAutoLogin", "xuesheng", "123456", "PUPIL")),
                                        "WsAutoLogin");
        EXPECT_NE(result.find("\"ID\""), std::string::npos) << result;
    });
    AllAtOnce(kGuesses, [&](int i) {
        std::string response =
            ExchangeFrom(port, "127.0.0.50", SignInRequest("WsAutoLogin", "nobody", "x", "GUESS-" + std::to_string(i)), 20000);
        if (response.empty())
            ++dropped;
        else if (SoapResult(response, "WsAutoLogin") == "-6")
            ++answered;
    });
    pupil.join();
    EXPECT_EQ(answered + dropped, kGuesses);
    EXPECT_EQ(answered.load(), static_cast<int>(HeldAnswers::kPerAddress));
}

TEST_F(ServiceTest, AttemptsOnALockedAccountAreAnsweredAtOnce)
{
    const int port = m_service->Port();
    for (int i = 0; i < 3; ++i)
        ExchangeFrom(port, "127.0.0.52", SignInRequest("WsAutoLogin", "tongxue", "guess" + std::to_string(i), "LOCKER"));
    // From the locker's address and from others, with the right password or not: "0" at once,
    // nothing held back.
    const struct
    {
        const char *from;
        const char *password;
    } attempts[] = {{"127.0.0.52", "guess"}, {"127.0.0.53", "guess"}, {"127.0.0.52", "654321"}, {"127.0.0.54", "654321"}};
    for (int round = 0; round < 3; ++round)
        for (const auto &a : attempts) {
            auto start = Clock::now();
            std::string response = ExchangeFrom(port, a.from, SignInRequest("WsAutoLogin", "tongxue", a.password, "LOCKER"));
            EXPECT_EQ(SoapResult(response, "WsAutoLogin"), "0") << a.from << " " << a.password;
            EXPECT_LT(MillisecondsSince(start), 800) << a.from << " " << a.password << " round " << round;
        }
    EXPECT_EQ(m_service->Control("held-replies"), "0");
}

TEST_F(ServiceTest, AnAnonymousSignInFloodLeavesOtherPupilsCallsPrompt)
{
    const int port = m_service->Port();
    const std::string session = SignIn("xuesheng", "123456", "DEVICE-A");
    // Sign-ins for names that do not exist, from many addresses at once, without pause.
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::vector<std::thread> flood;
    for (int i = 0; i < 96; ++i)
        flood.emplace_back([&, i] {
            const std::string from = "127.0.2." + std::to_string(1 + i % 32);
            for (int n = 0; !stop; ++n) {
                ExchangeFrom(port, from.c_str(),
                             SignInRequest("WsAutoLogin", "ghost" + std::to_string(n), "x", "FLOOD-" + std::to_string(i)), 20000);
                ++sent;
            }
        });
    // Once the flood is under way, the pupil's calls go on being answered promptly.
    const auto underWay = Clock::now() + std::chrono::seconds(20);
    while (sent < 96 && Clock::now() < underWay)
        std::this_thread::yield();
    long slowest = 0;
    for (int i = 0; i < 10; ++i) {
        auto start = Clock::now();
        EXPECT_EQ(Parse(m_client->UserInfo(session, "DEVICE-A"))["data"][0]["TrueName"].asString(), "李明") << i;
        slowest = std::max(slowest, MillisecondsSince(start));
    }
    stop = true;
    for (std::thread &t : flood)
        t.join();
    EXPECT_GE(sent.load(), 96) << "the flood never got going";
    EXPECT_LT(slowest, 1000) << "a pupil's call waited behind the flood's password hashes";
}

TEST_F(ServiceTest, ALikeCountsOncePerPupil)
{
    struct Liker
    {
        std::string name, password, id;
    } likers[] = {{"xuesheng", "123456", ""}, {"tongxue", "654321", ""}, {"laoshi", "123456", ""}};
    for (Liker &l : likers)
        l.id = SignIn(l.name, l.password, "LIKE-" + l.name);
    const std::string &id = likers[0].id;
    Json::Value keywords = Parse(m_client->Keyword(id, "LIKE-xuesheng", "0"));
    std::string keyword;
    Json::Value briefs;
    for (const Json::Value &row : keywords["data"]) {
        briefs = Parse(m_client->CorpusBriefByKwId(id, "LIKE-xuesheng", row["I"].asString()));
        if (briefs["data"].size() >= 3) {
            keyword = row["I"].asString();
            break;
        }
    }
    ASSERT_FALSE(keyword.empty());
    const std::string last = briefs["data"][briefs["data"].size() - 1]["Id"].asString();
    const std::string next = briefs["data"][briefs["data"].size() - 2]["Id"].asString();
    // One pupil likes one excerpt many times; two others like another once each.
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(m_client->UpdateCorHits(id, "LIKE-xuesheng", last), "1") << i;
    for (int l = 1; l < 3; ++l)
        EXPECT_EQ(m_client->UpdateCorHits(likers[l].id, "LIKE-" + likers[l].name, next), "1");
    Json::Value ranked = Parse(m_client->CorpusBriefByKwId(id, "LIKE-xuesheng", keyword));
    EXPECT_EQ(ranked["data"][0]["Id"].asString(), next);
    EXPECT_EQ(ranked["data"][1]["Id"].asString(), last);
}

TEST_F(ServiceTest, WebFormTyposCountForTheirAddressAndAccountOnly)
{
    const int port = m_service->Port();
    // Typos on the web site's forms: unknown user numbers from one address, a pupil's own number
    // from another (which locks that account).
    for (int i = 0; i < 3; ++i) {
        ExchangeFrom(port, "127.0.0.70", FormPost("/user/info.aspx", "no=99999&password=typo" + std::to_string(i)));
        ExchangeFrom(port, "127.0.0.72", FormPost("/user/info.aspx", "no=10002&password=typo" + std::to_string(i)));
    }
    // A third pupil's form, from a third address, is answered at once.
    auto start = Clock::now();
    std::string response = ExchangeFrom(port, "127.0.0.71", FormPost("/user/info.aspx", "no=10001&password=123456"));
    EXPECT_EQ(HttpStatus(response), 200) << response;
    EXPECT_NE(response.find("李明"), std::string::npos);
    EXPECT_LT(MillisecondsSince(start), 2000) << "slowed by other pupils' typos"; // one hash, no delay
}
