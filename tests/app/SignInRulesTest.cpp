// The sign-in screen's and the main window's rules as plain functions: rotation, the remember
// boxes, what each sign-in result does, the accepted service addresses and the main layout.
#include "MainLayout.h"
#include "ServerPoll.h"
#include "ServiceContext.h"
#include "UserLoginLayout.h"

#include <gtest/gtest.h>

TEST(SayTexts, RotateOnlyWithThreeEntriesInBothLists)
{
    EXPECT_EQ(SayTextsRotate(3, 3), true);
    EXPECT_EQ(SayTextsRotate(2, 5), false);
    EXPECT_EQ(SayTextsRotate(5, 2), false);
    EXPECT_EQ(SayTextsRotate(0, 0), false);
}

TEST(SayTexts, ThreeEntriesGoRoundInPairs)
{
    SayPair pair;
    const std::vector<SayPair> expected{{2, 0}, {1, 2}, {0, 1}, {2, 0}};
    for (const SayPair &next : expected) {
        pair = AdvanceSayPair(pair, 3);
        EXPECT_EQ(pair, next);
    }
    EXPECT_EQ(AdvanceSayPair({0, 1}, 5), (SayPair{2, 3}));
    EXPECT_EQ(AdvanceSayPair({4, 0}, 5), (SayPair{1, 2}));
}

TEST(RememberBoxes, BoxesAndLabels)
{
    struct Case
    {
        const char *what;
        RememberBoxes before;
        bool nameBox; // else the password box
        bool onLabel;
        RememberBoxes after;
        RememberWrite write;
    };
    const Case cases[] = {
        {"name ticks alone", {false, false}, true, false, {true, false}, RememberWrite::None},
        {"name cleared clears both", {true, true}, true, false, {false, false}, RememberWrite::UserNameOff},
        {"name cleared by label writes nothing", {true, true}, true, true, {false, false}, RememberWrite::None},
        {"password ticks both", {false, false}, false, false, {true, true}, RememberWrite::None},
        {"password cleared keeps name", {true, true}, false, false, {true, false}, RememberWrite::PasswordOff},
        {"password cleared by label writes nothing", {true, true}, false, true, {true, false}, RememberWrite::None},
        {"name label ticks", {false, false}, true, true, {true, false}, RememberWrite::None},
    };
    for (const Case &c : cases) {
        const RememberClick click =
            c.nameBox ? ClickRememberUserName(c.before, c.onLabel) : ClickRememberPassword(c.before, c.onLabel);
        EXPECT_EQ(click.boxes, c.after) << c.what;
        EXPECT_EQ(click.write, c.write) << c.what;
    }
}

TEST(SignInResult, EffectsOnTheScreen)
{
    struct Case
    {
        SignInStatus status;
        bool clearPassword, showVerify, rememberOff, verification, success;
    };
    const Case cases[] = {
        {SignInStatus::Success, false, false, false, false, true},
        {SignInStatus::Failed, true, true, true, true, false},
        {SignInStatus::WrongPassword, true, true, true, true, false},
        {SignInStatus::WrongVerifyCode, false, false, true, false, false},
        {SignInStatus::Disabled, false, false, true, false, false},
        {SignInStatus::NotRegistered, false, false, true, false, false},
        {SignInStatus::NoConnection, false, false, false, false, false},
        {SignInStatus::BadDocument, false, false, false, false, false},
    };
    for (const Case &c : cases) {
        const SignInEffects effects = EffectsOfSignIn(c.status);
        const int status = static_cast<int>(c.status);
        EXPECT_EQ(effects.success, c.success) << status;
        EXPECT_EQ(effects.clearPassword, c.clearPassword) << status;
        EXPECT_EQ(effects.writeShowVerifyCode, c.showVerify) << status;
        EXPECT_EQ(effects.writeRememberPasswordOff, c.rememberOff) << status;
        EXPECT_EQ(effects.verificationOn, c.verification) << status;
    }
}

TEST(ServiceAddresses, SignInHostAndPollLinks)
{
    const std::pair<const char *, bool> hosts[] = {
        {"http://127.0.0.1:8089/", true},
        {"https://a.example.cn/svc/", true},
        {"http://a.example.cn", false},
        {"ftp://a.example.cn/", false},
        {"file:///etc/", false},
        {"a.example.cn/", false},
        {"http:///", false},
        {"http://a b/", false},
        {"", false},
        {"javascript:alert(1)//", false},
    };
    for (const auto &[host, accepted] : hosts)
        EXPECT_EQ(IsServiceBaseAddress(host), accepted) << host;

    const std::pair<const char *, bool> links[] = {
        {"http://example.org/a", true}, {"https://example.org", true}, {"file:///etc/passwd", false},
        {"mailto:x@y", false},          {"/local/page", false},        {"", false},
    };
    for (const auto &[link, opened] : links)
        EXPECT_EQ(CServerPoll::IsWebAddress(link), opened) << link;
}

TEST(MainLayout, RestoredAndMaximised)
{
    using namespace mainlayout;
    const MainLayout restored = ComputeMainLayout(QSize(1024, 700));
    EXPECT_EQ(restored.content, QRect(201, 35, 823, 639));
    EXPECT_EQ(restored.minimise, QRect(888, -1, 43, 28));
    EXPECT_EQ(restored.maximise, QRect(931, -1, 40, 28));
    EXPECT_EQ(restored.close, QRect(971, -1, 43, 28));
    EXPECT_EQ(restored.feedback, QRect(95, 618, 50, 12));
    EXPECT_EQ(restored.nav[kNavWelcome], QRect(-1, 173, 202, 45));
    EXPECT_EQ(restored.nav[kNavContest], QRect(-1, 357, 202, 45));
    EXPECT_EQ(restored.rightBottom, QRect(201, 674, 823, 26));

    const MainLayout maximised = ComputeMainLayout(QSize(1920, 1040));
    EXPECT_EQ(maximised.content, QRect(201, 35, 1719, 979));
    EXPECT_EQ(maximised.close, QRect(1867, -1, 43, 28));
    EXPECT_EQ(maximised.feedback.y(), 958);
    EXPECT_EQ(maximised.nav[kNavLibrary], restored.nav[kNavLibrary]);
}
