// End to end, real windows against the reference service: signing in, the verification mode,
// the outdated version, the poll and a refused renewal, the rotating texts, the remember boxes.
#include "AppFolder.h"
#include "AppSettings.h"
#include "CallBackDlg.h"
#include "EssayJournal.h"
#include "GbkText.h"
#include "GIFControl.h"
#include "GdipButton.h"
#include "Keywords.h"
#include "SkinReader.h"
#include "MsgDBManager.h"
#include "MyEdit.h"
#include "MyThread.h"
#include "OperationsAccount.h"
#include "PenlarkDlg.h"
#include "ProfileFile.h"
#include "ScreenKit.h"
#include "ServiceCallCounter.h"
#include "ServiceContext.h"
#include "SignedInSession.h"
#include "TaskbarNotifier.h"
#include "UserLoginDlg.h"
#include "WindowMessage.h"
#include "WriteView.h"
#include "ZiYouWriter.h"
#include <QAbstractButton>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPointer>

#include <QFileInfo>
#include <QtTest>

namespace {

std::string U(const char *utf8)
{
    return Utf8ToGbk(utf8);
}

std::string ReadConfig(const SignedInSession &session, const char *key)
{
    return GetProfileString("Login", key, "<absent>", 64, session.ConfigPath());
}

SignedInSession::Options WindowOnly()
{
    SignedInSession::Options options;
    options.signIn = false;
    return options;
}

// Three (or two) main-page texts of each type in the local store.
void StoreSayTexts(const std::string &database, int perList)
{
    std::vector<MainPageRecord> records;
    for (int type = 1; type <= 2; ++type)
        for (int i = 0; i < perList; ++i) {
            const std::string id = std::to_string(type * 10 + i);
            records.push_back({id, "N" + id, "C" + id, std::to_string(type), "<b>T" + id + "</b>"});
        }
    QCOMPARE(ReplaceMainPageItems(database, records, "stamp"), true);
}

// Counts the times a widget is hidden or shown again while it lives.
struct VisibilityChanges : QObject
{
    explicit VisibilityChanges(QWidget *widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
            ++count;
        return false;
    }
    int count = 0;
};

std::size_t QuestionCount(SignedInSession &session)
{
    return std::size_t(std::count_if(session.Messages().calls.begin(), session.Messages().calls.end(),
                                     [](const MessageBoxCall &call) { return call.kind == MessageBoxCall::Kind::Question; }));
}

} // namespace

class SignInWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void demoSignInOpensTheMainWindow()
    {
        auto session = SignedInSession::Start();
        CpenlarkDlg *main = session->MainWindow();
        QVERIFY(main);
        QCOMPARE(main->isVisible(), true);
        QCOMPARE(session->SignInWindow()->isVisible(), false);
        QCOMPARE(session->SignInWindow()->IsIdle(), true);

        // The local store holds what the service has: every keyword and the main-page stamp.
        OverallInfo info;
        QCOMPARE(FetchOverallInfo(info), FetchStatus::Ok);
        std::vector<ServiceKeyword> all;
        QCOMPARE(FetchKeywords("0", all), FetchStatus::Ok);
        QCOMPARE(KeywordList.size(), all.size());
        std::string stamp, maxId;
        CMsgDBManager store;
        QVERIFY(store.openDatabase(session->DatabasePath()));
        store.readConfig("MainInfoTime", stamp);
        store.readConfig("KeyWordMaxID", maxId);
        store.closeDatabase();
        QCOMPARE(stamp, info.mainInfoTime);
        QCOMPARE(maxId, info.keyWordMaxId);
        QCOMPARE(std::string("20261201080000"), info.mainInfoTime);

        // The greeting is the profile's name of the seed.
        QCOMPARE(GbkToUtf8(main->GreetingName()), std::string("李明"));
        QCOMPARE(ReadConfig(*session, "ShowVerifyCode"), std::string("0"));
        QCOMPARE(main->CurrentPanel(), CpenlarkDlg::Panel::Welcome);
        QCOMPARE(ServiceContext.Endpoint, session->Service().SignedInEndpoint());
        QCOMPARE(session->MessageTexts(), std::vector<std::string>{});
        QVERIFY(!SaveScreenshot(main, "main_welcome.png").isNull());

        // The second web page, then the welcome page again.
        QTest::mouseClick(main->PartyButton(), Qt::LeftButton);
        QCOMPARE(main->CurrentPanel(), CpenlarkDlg::Panel::Party);
        QCOMPARE(CGdipButton::GroupSelection(), main->NavButton(mainlayout::kNavHidden));
        QVERIFY(!SaveScreenshot(main, "main_party.png").isNull());
        QTest::mouseClick(main->NavButton(mainlayout::kNavWelcome), Qt::LeftButton);
        QTRY_COMPARE(main->CurrentPanel(), CpenlarkDlg::Panel::Welcome);

        // Maximise and restore: the panels follow the content area.
        main->Maximise();
        QTest::qWait(50);
        QWidget *welcome = main->PanelWidget(CpenlarkDlg::Panel::Welcome);
        QCOMPARE(welcome->geometry(), mainlayout::ComputeMainLayout(main->size()).content);
        QCOMPARE(main->RestoreButton()->isVisible(), true);
        main->Restore();
        QCOMPARE(main->size(), QSize(1024, 700));
        QCOMPARE(welcome->geometry(), QRect(201, 35, 823, 639));

        // The help link opens the site's help page.
        QTest::mouseClick(main->HelpButton(), Qt::LeftButton);
        QCOMPARE(session->OpenedUrls().back(), QString::fromStdString(session->Service().BaseAddress() + "help.aspx"));

        // Switch account: the main window ends, the sign-in window is back with its fields.
        main->SwitchAccount();
        QTRY_VERIFY(session->MainWindow() == nullptr);
        QCOMPARE(session->SignInWindow()->isVisible(), true);
        QCOMPARE(session->SignInWindow()->UserNameEdit()->WindowText(), std::string("xuesheng"));
    }

    void wrongPasswordTurnsVerificationOn()
    {
        auto session = SignedInSession::Start(WindowOnly());
        CUserLoginDlg *window = session->SignInWindow();
        QCOMPARE(window->InVerificationMode(), false);
        QCOMPARE(window->VerifyCodeEdit()->isVisible(), false);
        QVERIFY(!SaveScreenshot(window, "signin_idle.png").isNull());

        QCOMPARE(session->SignIn("xuesheng", "wrong"), nullptr);
        QCOMPARE(session->MessageTexts(), std::vector<std::string>{"\t    用户名或密码错误!"});
        QCOMPARE(window->PasswordEdit()->IsShowingHint() || window->PasswordEdit()->text().isEmpty(), true);
        QCOMPARE(window->InVerificationMode(), true);
        QCOMPARE(window->VerifyCodeEdit()->isVisible(), true);
        QCOMPARE(window->NextVerifyCodeLink()->isVisible(), true);
        QCOMPARE(window->VerifyPicture().IsValid(), true);
        QCOMPARE(window->VerifyPicture().DecodedFormat(), uint32_t(CxImage::kFormatGif));
        QCOMPARE(ReadConfig(*session, "ShowVerifyCode"), std::string("1"));
        QCOMPARE(ReadConfig(*session, "RemberPwd"), std::string("0"));
        QCOMPARE(window->IsIdle(), true);
        // Idle again: the loading animation is hidden and its frame timer no longer runs.
        QCOMPARE(window->LoadingAnimation()->isVisible(), false);
        QCOMPARE(window->LoadingAnimation()->TimerInterval(), 0);
        QVERIFY(!SaveScreenshot(window, "signin_verification.png").isNull());

        // The next attempt goes out as WsLogin: a wrong code is refused even with the right password.
        window->VerifyCodeEdit()->setText("zzzz");
        QCOMPARE(session->SignIn("xuesheng", "123456"), nullptr);
        QCOMPARE(GbkToUtf8(session->Messages().calls.back().message), std::string("\t    验证码输入错误!"));

        // A restart with ShowVerifyCode = 1 opens in verification mode with a picture fetched.
        CUserLoginDlg *restarted = session->OpenSignInWindow();
        QCOMPARE(restarted->InVerificationMode(), true);
        QCOMPARE(restarted->VerifyCodeEdit()->isVisible(), true);
        QCOMPARE(restarted->VerifyPicture().IsValid(), true);

        // With the code drawn in the picture the sign-in succeeds and clears the flag.
        const std::string code = session->Service().Control("verify-code?code=" + ServiceContext.DeviceCode);
        restarted->VerifyCodeEdit()->setText(QString::fromStdString(code));
        QVERIFY(session->SignIn("xuesheng", "123456"));
        QCOMPARE(ReadConfig(*session, "ShowVerifyCode"), std::string("0"));
    }

    // After a refused password the field reads its hint, wherever the student pressed to sign
    // in, and the remember boxes show what config.ini holds: the password is no longer
    // remembered, the name still is.
    void wrongPasswordLeavesHintAndStoredBoxes_data()
    {
        QTest::addColumn<bool>("byEnterInThePasswordField");
        QTest::newRow("login button") << false;
        QTest::newRow("enter in the field") << true;
    }
    void wrongPasswordLeavesHintAndStoredBoxes()
    {
        QFETCH(bool, byEnterInThePasswordField);
        auto session = SignedInSession::Start(WindowOnly());
        CUserLoginDlg *window = session->SignInWindow();
        QTest::mouseClick(window->PasswordBox(), Qt::LeftButton);
        QCOMPARE(window->Boxes(), (RememberBoxes{true, true}));
        window->UserNameEdit()->SetWindowText("xuesheng");
        QTest::mouseClick(window->PasswordEdit(), Qt::LeftButton);
        QTRY_COMPARE(window->PasswordEdit()->hasFocus(), true);
        QTest::keyClicks(window->PasswordEdit(), "wrong");
        if (byEnterInThePasswordField)
            QTest::keyClick(window->PasswordEdit(), Qt::Key_Return);
        else
            QTest::mouseClick(window->LoginButton(), Qt::LeftButton);
        QTRY_COMPARE(session->MessageTexts(), std::vector<std::string>{"\t    用户名或密码错误!"});
        QTRY_COMPARE(window->IsIdle(), true);

        QCOMPARE(ReadConfig(*session, "RemberPwd"), std::string("0"));
        QCOMPARE(ReadConfig(*session, "RemberUserName"), std::string("1"));
        QCOMPARE(window->Boxes(), (RememberBoxes{true, false}));
        QCOMPARE(window->PasswordBox()->CurrentFace(), CGdipButton::Face::Normal);
        QCOMPARE(window->UserNameBox()->CurrentFace(), CGdipButton::Face::Pressed);

        CMyEdit *password = window->PasswordEdit();
        QCOMPARE(password->hasFocus(), false);
        QCOMPARE(password->IsShowingHint(), true);
        QCOMPARE(password->WindowText(), U(" 请输入密码"));
        QCOMPARE(password->echoMode(), QLineEdit::Normal); // the hint reads in clear
        QCOMPARE(password->palette().color(QPalette::Text), QColor(150, 150, 150)); // in grey
        QVERIFY(!SaveScreenshot(window, "signin_wrong_password.png").isNull());
    }

    void missingFieldsSendNothing()
    {
        auto session = SignedInSession::Start(WindowOnly());
        CUserLoginDlg *window = session->SignInWindow();
        QCOMPARE(window->UserNameEdit()->WindowText(), U(" 请输入账号"));
        QTest::mouseClick(window->LoginButton(), Qt::LeftButton);
        window->UserNameEdit()->SetWindowText("xuesheng");
        QTest::mouseClick(window->LoginButton(), Qt::LeftButton);
        QCOMPARE(session->MessageTexts(), (std::vector<std::string>{"\t    请填写用户名!", "\t   请填写密码!"}));
        QCOMPARE(window->IsIdle(), true);
        // Nothing was sent: no remember choice or account was written.
        QCOMPARE(ReadConfig(*session, "User"), std::string("<absent>"));
    }

    void signInResultsOfTheService()
    {
        auto session = SignedInSession::Start(WindowOnly());
        struct Case
        {
            const char *user;
            const char *message;
        };
        const Case cases[] = {{"jinyong", "\t    账号已被禁用!"}, {"weizhuce", "\t    您还未完成注册!"}};
        for (const Case &c : cases) {
            WriteProfileString("Login", "RemberPwd", "1", session->ConfigPath());
            session->Messages().calls.clear();
            QCOMPARE(session->SignIn(c.user, "123456"), nullptr);
            QCOMPARE(session->MessageTexts(), std::vector<std::string>{c.message});
            QCOMPARE(ReadConfig(*session, "RemberPwd"), std::string("0"));
            QCOMPARE(session->SignInWindow()->InVerificationMode(), false);
        }
        // No service at all: the connection message, back to idle.
        session->Service().Stop();
        session->Messages().calls.clear();
        QCOMPARE(session->SignIn("xuesheng", "123456"), nullptr);
        QCOMPARE(session->MessageTexts(), std::vector<std::string>{"\t    连接服务器失败!"});
        QCOMPARE(session->SignInWindow()->IsIdle(), true);
    }

    void outdatedVersionReturnsToTheSignInWindow()
    {
        auto session = SignedInSession::Start(WindowOnly());
        QCOMPARE(session->Service().Control("overall?version=9.9.9"), std::string("ok"));
        QCOMPARE(session->SignIn("xuesheng", "123456"), nullptr);
        QCOMPARE(session->MessageTexts(), std::vector<std::string>{"\t  版本已过期,请更新版本!"});
        QCOMPARE(session->OpenedUrls(), std::vector<QString>{QString::fromStdString(session->Service().BaseAddress())});
        QTRY_COMPARE(session->SignInWindow()->IsIdle(), true);
        QCOMPARE(session->SignInWindow()->isVisible(), true);
        QCOMPARE(session->MainWindow(), nullptr);
    }

    void pollShowsTheNewestMessage()
    {
        SignedInSession::Options options;
        options.pollPeriodMs = 400;
        auto session = SignedInSession::Start(options);
        CpenlarkDlg *main = session->MainWindow();
        QCOMPARE(main->PollPeriod(), 400);
        session->Service().Control("message?name=xuesheng&content=" + UrlEncode("第一条") +
                                   "&url=" + UrlEncode("http://example.org/1"));
        session->Service().Control("message?name=xuesheng&content=" + UrlEncode("<b>第二条</b>") +
                                   "&url=" + UrlEncode("file:///etc/passwd"));
        QTRY_COMPARE_WITH_TIMEOUT(GbkToUtf8(main->LastPollMessage().content), std::string("<b>第二条</b>"), 5000);
        // A link that is not a web address is never kept; the text is shown as it came.
        QCOMPARE(main->LastPollMessage().url, std::string());
        CTaskbarNotifier *popup = main->Notifier();
        QVERIFY(popup);
        QCOMPARE(popup->Message(), QString::fromUtf8("<b>第二条</b>"));
        QCOMPARE(popup->Title(), QString());
        QCOMPARE(popup->TextRect(), QRect(5, 35, popup->SkinSize().width() - 10, popup->SkinSize().height() - 65));

        // A message with a web link: shown, and a click on its text opens it.
        session->Service().Control("message?name=xuesheng&content=" + UrlEncode("作文大赛开始了") +
                                   "&url=" + UrlEncode("http://example.org/contest"));
        QTRY_COMPARE_WITH_TIMEOUT(popup->Message(), QString::fromUtf8("作文大赛开始了"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(popup->AnimationState(), CTaskbarNotifier::kShowing, 3000);
        QVERIFY(!SaveScreenshot(popup, "main_popup.png").isNull());
        QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, popup->TextRect().center());
        QTRY_VERIFY(!session->OpenedUrls().empty());
        QCOMPARE(session->OpenedUrls().back(), QString("http://example.org/contest"));
    }

    void popupWithoutLinkBringsTheMainWindowBack()
    {
        auto session = SignedInSession::Start();
        CpenlarkDlg *main = session->MainWindow();
        // A poll hands out one message, the oldest: the welcome message waiting since sign-up
        // goes first.
        main->PollNow();
        session->Service().Control("message?name=xuesheng&content=" + UrlEncode("你好") + "&url=");
        main->PollNow();
        CTaskbarNotifier *popup = main->Notifier();
        QCOMPARE(popup->Message(), QString::fromUtf8("你好"));
        main->hide();
        QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, popup->TextRect().center());
        QTRY_COMPARE(main->isVisible(), true);
        QCOMPARE(session->OpenedUrls(), std::vector<QString>{});
    }

    void personalCentrePage()
    {
        auto session = SignedInSession::Start();
        CpenlarkDlg *main = session->MainWindow();
        QTest::mouseClick(main->NavButton(mainlayout::kNavCentre), Qt::LeftButton);
        QTRY_COMPARE(main->CurrentPanel(), CpenlarkDlg::Panel::Centre);
        QWidget *centre = main->PanelWidget(CpenlarkDlg::Panel::Centre);
        QCOMPARE(centre->isVisible(), true);
        QCOMPARE(centre->geometry(), QRect(201, 35, 823, 639));
        QVERIFY(!SaveScreenshot(main, "main_centre.png").isNull());
        // Choosing it again changes nothing: the press reaches the window, but no new selection
        // goes out, the same page stands there, never hidden or shown again, and nothing was asked
        // of the service. A call queued behind the press's messages says they have all arrived.
        CGdipButton *centreButton = main->NavButton(mainlayout::kNavCentre);
        std::vector<int> posted;
        SetWindowMessageObserver([&](const WindowMessageTrace &trace) {
            if (trace.target == main)
                posted.push_back(trace.message);
        });
        VisibilityChanges changes(centre);
        ServiceCallCounter calls;
        QTest::mouseClick(centreButton, Qt::LeftButton);
        bool delivered = false;
        QMetaObject::invokeMethod(main, [&] { delivered = true; }, Qt::QueuedConnection);
        QTRY_VERIFY(delivered);
        SetWindowMessageObserver({});
        QCOMPARE(posted, std::vector<int>{kMsgImageButtonPressed});
        QCOMPARE(main->CurrentPanel(), CpenlarkDlg::Panel::Centre);
        QCOMPARE(main->PanelWidget(CpenlarkDlg::Panel::Centre), centre);
        QCOMPARE(centre->isVisible(), true);
        QCOMPARE(centre->geometry(), QRect(201, 35, 823, 639));
        QCOMPARE(changes.count, 0);
        QCOMPARE(calls.Take(), 0);
    }

    // The sign-in window is laid out by the skin: every control stands where its skin element
    // says, and every button has all four faces its element names (a missing picture fails).
    void layoutFollowsTheSkin()
    {
        auto session = SignedInSession::Start(WindowOnly());
        CUserLoginDlg *window = session->SignInWindow();
        CSkinReader skin;
        QVERIFY(skin.Load(SkinPath(AppFolder())));
        const auto page = skin.RootChild("LoadPage");
        QVERIFY(page);
        QVERIFY2(QFile::exists(QString::fromStdString(AppPath("\\img\\" + page->img))), page->img.c_str());
        const char *const controls[] = {"Pic_UserSay", "Pic_MediaSay",   "Button_Login", "Button_Register", "Button_Min",
                                        "Button_Max",  "Button_Close",   "CB_Name",      "CB_Pwd",          "CB_Login",
                                        "Edit_UserName", "Edit_Pwd",     "Edit_VCode",   "Text_ForgetPwd",  "Text_VCode",
                                        "Text_NextVCode", "Text_Name",   "Text_Pwd",     "Text_Login"};
        for (const char *name : controls) {
            const auto element = skin.LoadPageChild(name);
            QVERIFY2(element, name);
            const auto *control = window->findChild<QWidget *>(name);
            QVERIFY2(control, name);
            QCOMPARE(control->geometry(), QRect(element->x, element->y, element->width, element->height));
            if (const auto *button = qobject_cast<const CGdipButton *>(control))
                for (auto face : {CGdipButton::Face::Normal, CGdipButton::Face::Hover, CGdipButton::Face::Pressed,
                                  CGdipButton::Face::Disabled})
                    QVERIFY2(!button->FaceImage(face).isNull(), (std::string(name) + " lacks a face").c_str());
        }
        QVERIFY(!SaveScreenshot(window, "signin_layout.png").isNull());
    }

    void refusedRenewalEndsInTheSignInWindow()
    {
        auto session = SignedInSession::Start();
        CpenlarkDlg *main = session->MainWindow();
        // A lapse whose renewal is accepted: the poll is sent again silently.
        session->Service().Control("lapse?name=xuesheng");
        main->PollNow();
        QCOMPARE(session->MessageTexts(), std::vector<std::string>{});
        QCOMPARE(session->MainWindow(), main);

        // A lapse whose renewal is refused: the offline message, then back to the sign-in.
        QVERIFY(session->SignInWindow()->isHidden());
        session->Service().Control("lapse?name=xuesheng");
        session->Service().Control("refuse-relogin?name=xuesheng");
        main->PollNow();
        QCOMPARE(session->MessageTexts(), std::vector<std::string>{"\t您已掉线，请重新登录!"});
        QTRY_VERIFY(session->MainWindow() == nullptr);
        QCOMPARE(session->SignInWindow()->isVisible(), true);
        QCOMPARE(session->SignInWindow()->IsIdle(), true);

        // Signed in again, "3" shows the signed-elsewhere message and ends the session the same
        // way: every later call would answer "3", so the main window could do nothing.
        main = session->SignIn("xuesheng", "123456");
        QVERIFY(main);
        session->Messages().calls.clear();
        session->Service().Control("displace?name=xuesheng");
        main->PollNow();
        QCOMPARE(session->MessageTexts(), std::vector<std::string>{"您的账号已在别处登录，请重新登录！"});
        QTRY_VERIFY(session->MainWindow() == nullptr);
        QCOMPARE(session->SignInWindow()->isVisible(), true);
        QCOMPARE(session->SignInWindow()->IsIdle(), true);
        QCOMPARE(session->SignInWindow()->UserNameEdit()->WindowText(), std::string("xuesheng"));
    }

    // As the program runs it: the main window in its own modal run inside the sign-in's run.
    void modalRunsOfBothWindows()
    {
        auto session = SignedInSession::Start(WindowOnly());
        MyThread::Options().modalRun = true;
        CUserLoginDlg *window = session->SignInWindow();
        window->hide();
        std::vector<std::string> steps;
        auto signIn = [window] {
            window->UserNameEdit()->SetWindowText("xuesheng");
            window->PasswordEdit()->SetWindowText("123456");
            window->OnSignIn();
        };
        QTimer driver;
        connect(&driver, &QTimer::timeout, [&] {
            CpenlarkDlg *main = CurrentMainWindow();
            if (!main || !main->StartedUp() || !main->IsModalRunning() || !main->isVisible())
                return;
            if (steps.empty()) {
                steps.push_back(window->isVisible() ? "sign-in visible" : "sign-in hidden");
                main->SwitchAccount(); // the sign-in comes back, its run goes on
                QTimer::singleShot(100, window, [&, signIn] {
                    steps.push_back(window->isVisible() ? "sign-in visible" : "sign-in hidden");
                    signIn();
                });
            } else if (steps.size() == 2) {
                steps.push_back("main again");
                main->CloseProgram(); // ends the main window and the sign-in's run
            }
        });
        driver.start(50);
        QTimer::singleShot(0, window, signIn);
        window->DoModal();
        driver.stop();
        QCOMPARE(steps, (std::vector<std::string>{"sign-in hidden", "sign-in visible", "main again"}));
        QTRY_VERIFY(CurrentMainWindow() == nullptr);
        QCOMPARE(window->isVisible(), false);
    }

    // The feedback screen's close, with both windows in their real modal runs: the main window's
    // run ends too, so the sign-in's run returns and nothing is left running without a window.
    void feedbackCloseEndsBothRuns()
    {
        auto session = SignedInSession::Start(WindowOnly());
        MyThread::Options().modalRun = true;
        CUserLoginDlg *window = session->SignInWindow();
        window->hide();
        bool closed = false;
        bool mainStillRunning = false;
        QTimer driver;
        connect(&driver, &QTimer::timeout, [&] {
            CpenlarkDlg *main = CurrentMainWindow();
            if (closed || !main || !main->StartedUp() || !main->IsModalRunning() || !main->isVisible())
                return;
            main->OnFeedback();
            CCallBackDlg *feedback = main->findChild<CCallBackDlg *>();
            if (!feedback)
                return;
            closed = true;
            QTest::mouseClick(feedback->CloseButton(), Qt::LeftButton, {}, QPoint(20, 14));
            // Should the main window's run outlive the close, the test ends it and fails.
            QTimer::singleShot(3000, window, [&] {
                if (CpenlarkDlg *left = CurrentMainWindow(); left && left->IsModalRunning()) {
                    mainStillRunning = true;
                    left->CloseProgram();
                }
            });
        });
        driver.start(50);
        QTimer::singleShot(0, window, [window] {
            window->UserNameEdit()->SetWindowText("xuesheng");
            window->PasswordEdit()->SetWindowText("123456");
            window->OnSignIn();
        });
        window->DoModal();
        driver.stop();
        QCOMPARE(closed, true);
        QCOMPARE(mainStillRunning, false);
        QTRY_VERIFY(CurrentMainWindow() == nullptr);
        QCOMPARE(window->isVisible(), false);
    }

    // A renewal refused while the main window starts (after the synchronisation, while its
    // panels and the profile load): one offline notice, the sign-in window back and idle, and
    // nothing more from the ended main window.
    void refusedRenewalWhileTheMainWindowStarts()
    {
        auto session = SignedInSession::Start(WindowOnly());
        CUserLoginDlg *window = session->SignInWindow();
        auto previous = GetServiceHooks().runBlockingCall;
        bool forced = false;
        GetServiceHooks().runBlockingCall = [&](const std::function<void()> &exchange) {
            CpenlarkDlg *starting = CurrentMainWindow();
            if (!forced && starting && !starting->StartedUp()) {
                forced = true;
                session->Service().Control("lapse?name=xuesheng");
                session->Service().Control("refuse-relogin?name=xuesheng");
            }
            previous ? previous(exchange) : exchange();
        };
        window->UserNameEdit()->SetWindowText("xuesheng");
        window->PasswordEdit()->SetWindowText("123456");
        QTest::mouseClick(window->LoginButton(), Qt::LeftButton);
        QTRY_VERIFY(forced);
        QTRY_VERIFY(CurrentMainWindow() == nullptr);
        QTRY_VERIFY(window->IsIdle());
        GetServiceHooks().runBlockingCall = previous;
        QCOMPARE(session->MessageTexts(), std::vector<std::string>{"\t您已掉线，请重新登录!"});
        QCOMPARE(window->isVisible(), true);
    }

    void rotatingTexts()
    {
        auto session = SignedInSession::Start(WindowOnly());
        // Three entries of each type rotate (0, 1), (2, 0), (1, 2), (0, 1).
        StoreSayTexts(session->DatabasePath(), 3);
        CUserLoginDlg *window = session->OpenSignInWindow();
        QCOMPARE(window->HasTimer(CUserLoginDlg::kRotateTimerId), true);
        QCOMPARE(window->SayEntryTexts(0), (std::array<std::string, 3>{"N20", "C20", "<b>T20</b>"}));
        QCOMPARE(window->SayEntryTexts(3)[0], std::string("N11"));
        const std::vector<SayPair> expected{{2, 0}, {1, 2}, {0, 1}};
        for (const SayPair &pair : expected) {
            window->RotateSayTexts();
            QCOMPARE(window->LeftPair(), pair);
            QCOMPARE(window->RightPair(), pair);
            QCOMPARE(window->SayEntryTexts(0)[0], "N2" + std::to_string(pair.first));
            QCOMPARE(window->SayEntryTexts(2)[0], "N1" + std::to_string(pair.first));
        }
        QVERIFY(!SaveScreenshot(window, "signin_texts.png").isNull());

        // Two entries: never rotate.
        StoreSayTexts(session->DatabasePath(), 2);
        window = session->OpenSignInWindow();
        window->RotateSayTexts();
        QCOMPARE(window->LeftPair(), (SayPair{0, 1}));
        QCOMPARE(window->SayEntryTexts(1)[0], std::string("N21"));
    }

    void rememberBoxesAndLabels()
    {
        auto session = SignedInSession::Start(WindowOnly());
        CUserLoginDlg *window = session->SignInWindow();
        // Both boxes ticked through the password box, then cleared through the name box: both clear,
        // RemberUserName = "0" written.
        QTest::mouseClick(window->PasswordBox(), Qt::LeftButton);
        QCOMPARE(window->Boxes(), (RememberBoxes{true, true}));
        QCOMPARE(window->PasswordBox()->CurrentFace(), CGdipButton::Face::Pressed);
        QTest::mouseClick(window->UserNameBox(), Qt::LeftButton);
        QCOMPARE(window->Boxes(), (RememberBoxes{false, false}));
        QCOMPARE(ReadConfig(*session, "RemberUserName"), std::string("0"));
        QCOMPARE(ReadConfig(*session, "RemberPwd"), std::string("<absent>"));

        // The same through the labels changes the boxes and writes nothing.
        QFile::remove(QString::fromStdString(session->ConfigPath()));
        QTest::mouseClick(window->PasswordLabel(), Qt::LeftButton);
        QCOMPARE(window->Boxes(), (RememberBoxes{true, true}));
        QTest::mouseClick(window->UserNameLabel(), Qt::LeftButton);
        QCOMPARE(window->Boxes(), (RememberBoxes{false, false}));
        QCOMPARE(QFile::exists(QString::fromStdString(session->ConfigPath())), false);
        QCOMPARE(window->AutoLoginBox()->isVisible(), false);
    }

    // The "切换账号" link beside help ends the main window and shows the sign-in window with the
    // name kept; an essay open in a writing screen stays in the journal for its own account and
    // is offered at that account's next sign-in only.
    void switchAccountKeepsOpenEssaysForTheirOwner()
    {
        auto session = SignedInSession::Start();
        CpenlarkDlg *main = session->MainWindow();
        QVERIFY(main);
        QAbstractButton *link = main->SwitchAccountLink();
        QCOMPARE(link->isVisible(), true);
        QCOMPARE(link->text(), QString::fromUtf8("切换账号"));
        const mainlayout::MainLayout layout = mainlayout::ComputeMainLayout(main->size());
        QCOMPARE(link->geometry(), layout.switchAccount);
        QVERIFY(!link->geometry().intersects(layout.help) && link->geometry().top() == layout.help.top());
        QVERIFY(!SaveScreenshot(main, "main_switch_account_link.png").isNull());

        // Pressed on the main window: the sign-in window is back, the name kept.
        QTest::mouseClick(link, Qt::LeftButton);
        QTRY_VERIFY(session->MainWindow() == nullptr);
        QCOMPARE(session->SignInWindow()->isVisible(), true);
        QCOMPARE(session->SignInWindow()->IsIdle(), true);
        QCOMPARE(session->SignInWindow()->UserNameEdit()->WindowText(), std::string("xuesheng"));
        // The next pupil does not find the last one's password in the field (it was not remembered).
        QCOMPARE(session->SignInWindow()->PasswordEdit()->IsShowingHint(), true);
        QCOMPARE(session->SignInWindow()->PasswordEdit()->echoMode(), QLineEdit::Normal);

        // Switched while a writing screen holds an unsaved essay.
        main = session->SignIn("xuesheng", "123456");
        QVERIFY(main);
        const std::string owner = SignedInAccount();
        main->OnFreeWriting();
        QPointer<CZiYouWriter> screen = main->findChild<CZiYouWriter *>();
        QVERIFY(screen);
        const QString essay = QString::fromUtf8("换了账号，作文还在。");
        CommitText(screen->View(), essay);
        main->SwitchAccountLink()->click();
        QTRY_VERIFY(session->MainWindow() == nullptr);
        QTRY_VERIFY(screen.isNull());
        QCOMPARE(session->SignInWindow()->isVisible(), true);
        const EssayJournal journal(EssayJournal::DefaultFolder());
        QCOMPARE(journal.LeftEntries(owner).size(), std::size_t(1));

        // Another account is not offered it.
        session->Messages().calls.clear();
        main = session->SignIn("tongxue", "654321");
        QVERIFY(main);
        QVERIFY(SignedInAccount() != owner);
        QCOMPARE(journal.LeftEntries(SignedInAccount()).size(), std::size_t(0));
        QTest::mouseClick(main->SwitchAccountLink(), Qt::LeftButton);
        QTRY_VERIFY(session->MainWindow() == nullptr);
        QCOMPARE(QuestionCount(*session), std::size_t(0));

        // Its owner is, and "确定" opens it as it was.
        main = session->SignIn("xuesheng", "123456");
        QVERIFY(main);
        QTRY_VERIFY(main->findChild<CZiYouWriter *>() != nullptr);
        QCOMPARE(QuestionCount(*session), std::size_t(1));
        QCOMPARE(QString::fromStdString(GbkToUtf8(main->findChild<CZiYouWriter *>()->BodyText())), essay);
    }

    // A client that kept left essays under the user's number (the sign-in's "ID" was once the
    // user's own) is replaced: after the update its owner is still offered them, nobody else is.
    void anEssayLeftUnderTheUserNumberIsOfferedToItsOwner()
    {
        auto session = SignedInSession::Start();
        QVERIFY(session->MainWindow());
        const std::string number = UserInfo.ID;
        QVERIFY(!number.empty() && number != ServiceContext.UserId);
        session->MainWindow()->SwitchAccountLink()->click();
        QTRY_VERIFY(session->MainWindow() == nullptr);

        const EssayJournal journal(EssayJournal::DefaultFolder());
        JournalEntry entry;
        entry.user = number;
        entry.title = Utf8ToGbk("旧版本留下的");
        entry.body = Utf8ToGbk("升级以后，作文还在。");
        QCOMPARE(journal.Write(journal.NewEntryId(), entry), 0);

        session->Messages().calls.clear();
        CpenlarkDlg *main = session->SignIn("tongxue", "654321");
        QVERIFY(main);
        QVERIFY(UserInfo.ID != number);
        QTest::mouseClick(main->SwitchAccountLink(), Qt::LeftButton);
        QTRY_VERIFY(session->MainWindow() == nullptr);
        QCOMPARE(QuestionCount(*session), std::size_t(0));

        main = session->SignIn("xuesheng", "123456");
        QVERIFY(main);
        QTRY_VERIFY(main->findChild<CZiYouWriter *>() != nullptr);
        QCOMPARE(QuestionCount(*session), std::size_t(1));
        QCOMPARE(main->findChild<CZiYouWriter *>()->BodyText(), entry.body);
    }

    void rememberedNameAndPasswordOnTheNextStart()
    {
        auto session = SignedInSession::Start(WindowOnly());
        QTest::mouseClick(session->SignInWindow()->PasswordBox(), Qt::LeftButton);
        QVERIFY(session->SignIn("xuesheng", "123456"));
        session->MainWindow()->SwitchAccount();
        QTRY_VERIFY(session->MainWindow() == nullptr);

        CUserLoginDlg *next = session->OpenSignInWindow();
        QCOMPARE(next->UserNameEdit()->WindowText(), std::string("xuesheng"));
        QCOMPARE(next->PasswordEdit()->WindowText(), std::string("123456"));
        QCOMPARE(next->PasswordEdit()->echoMode(), QLineEdit::Password);
        QCOMPARE(next->Boxes(), (RememberBoxes{true, true}));
        // The password is kept only in the local database, which only its owner may read.
        const QFileInfo database(QString::fromStdString(session->DatabasePath()));
        QCOMPARE(database.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        QFile config(QString::fromStdString(session->ConfigPath()));
        QVERIFY(config.open(QIODevice::ReadOnly));
        QCOMPARE(config.readAll().contains("123456"), false);

        // Only the name remembered: the name comes back, the password does not.
        QTest::mouseClick(next->PasswordBox(), Qt::LeftButton); // clears the password box only
        QCOMPARE(next->Boxes(), (RememberBoxes{true, false}));
        QVERIFY(session->SignIn("xuesheng", "123456"));
        session->MainWindow()->SwitchAccount();
        QTRY_VERIFY(session->MainWindow() == nullptr);
        CUserLoginDlg *third = session->OpenSignInWindow();
        QCOMPARE(third->UserNameEdit()->WindowText(), std::string("xuesheng"));
        QCOMPARE(third->PasswordEdit()->IsShowingHint(), true);
        QCOMPARE(third->Boxes(), (RememberBoxes{true, false}));
    }
};

PENLARK_SCREEN_TEST_MAIN(SignInWindowTest)
#include "SignInWindowTest.moc"
