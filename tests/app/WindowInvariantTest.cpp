// At every moment the program shows at least one window, or it has ended: the paths that end a
// screen or the program, each driven as a student does it (the window manager's close, Alt+F4
// under openbox, sent from the X server with xdotool; the buttons; a switch of account; a forced
// sign-out), with the real windows against the reference service. A sampler watches the whole
// path for a moment with nothing on screen; the essay typed is then on screen, saved or in the
// journal for the next sign-in. Screenshots of the screen after each path go to the screenshot
// folder. Needs a real X display with a window manager (run through tests/support/with-openbox.sh).
#include "CallBackDlg.h"
#include "ChuSaiWriteDlg.h"
#include "DlgWrite.h"
#include "EssayJournal.h"
#include "FusaiWriteDlg.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "PenlarkDlg.h"
#include "SubmitWriteScoreDlg.h"
#include "ServiceContext.h"
#include "ScreenKit.h"
#include "SignedInSession.h"
#include "UserLoginDlg.h"
#include "WindowMessage.h"
#include "WriteView.h"
#include "YijianFankuiDlg.h"
#include "ZiYouWriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>
#include <cstdio>

namespace {

constexpr int kSkipped = 77; // ctest's SKIP_RETURN_CODE for this test

bool AnyWindowShown()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible() && !window->isMinimized())
            return true;
    return false;
}

// The program has ended when its sign-in window, whose run is the process's, is closed and no
// main window is left.
bool ProgramEnded(SignedInSession &session)
{
    return session.MainWindow() == nullptr && !session.SignInWindow()->isVisible();
}

// Samples the screen every 10 ms while a path runs: the longest stretch with no window shown
// while the program still runs.
class WindowWatch : public QObject
{
public:
    explicit WindowWatch(SignedInSession &session) : m_session(session)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { Sample(); });
        m_timer.start(10);
        m_clock.start();
    }
    qint64 LongestGapMs() const { return m_longest; }

private:
    void Sample()
    {
        const bool fine = AnyWindowShown() || ProgramEnded(m_session);
        if (fine) {
            m_gapStart = -1;
            return;
        }
        if (m_gapStart < 0)
            m_gapStart = m_clock.elapsed();
        m_longest = std::max(m_longest, m_clock.elapsed() - m_gapStart);
    }

    SignedInSession &m_session;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_gapStart = -1;
    qint64 m_longest = 0;
};

// The window manager's close: the window is activated and Alt+F4 pressed on the X server, which
// openbox turns into a close request to the window.
void CloseThroughWindowManager(QWidget *window)
{
    QProcess xdotool;
    xdotool.start("xdotool", {"windowactivate", "--sync", QString::number(window->winId()), "key", "--clearmodifiers",
                              "alt+F4"});
    QVERIFY(xdotool.waitForStarted());
    // The program keeps running while xdotool waits for the activation.
    QTRY_VERIFY_WITH_TIMEOUT(xdotool.state() == QProcess::NotRunning, 10000);
    QCOMPARE(xdotool.exitCode(), 0);
}

QString Shot(const QString &row)
{
    QString name = row;
    name.replace(QRegularExpression("[^A-Za-z0-9]+"), "_");
    return "invariant_" + name + ".png";
}

} // namespace

class WindowInvariantTest : public QObject
{
    Q_OBJECT

private slots:
    void aWindowOrTheEnd_data()
    {
        QTest::addColumn<QString>("screen");  // what is open: signin, main, free, feedback, usage, score, starting
        QTest::addColumn<bool>("typed");      // an unsaved essay in the writing screen
        QTest::addColumn<QString>("action");  // wm-close, close-button, switch, forced-signout
        QTest::addColumn<int>("answer");      // the answer to the unsaved question (1 确定, 2 取消)
        QTest::addColumn<QString>("after");   // ended, signin, main, same (the screen stays), any
        QTest::addColumn<QString>("essay");   // none, retired, kept, shown

        QTest::newRow("Alt+F4 on the sign-in window") << "signin" << false << "wm-close" << 1 << "ended" << "none";
        QTest::newRow("Alt+F4 on the main window") << "main" << false << "wm-close" << 1 << "ended" << "none";
        QTest::newRow("Alt+F4 on free writing, nothing typed") << "free" << false << "wm-close" << 1 << "ended" << "none";
        QTest::newRow("Alt+F4 on free writing, unsaved, dropped") << "free" << true << "wm-close" << 1 << "ended" << "retired";
        QTest::newRow("Alt+F4 on free writing, unsaved, kept") << "free" << true << "wm-close" << 2 << "same" << "shown";
        QTest::newRow("close button of free writing, unsaved, kept") << "free" << true << "close-button" << 2 << "same" << "shown";
        QTest::newRow("Alt+F4 on the preliminary round, nothing typed") << "preliminary" << false << "wm-close" << 1 << "ended" << "none";
        QTest::newRow("Alt+F4 on the preliminary round, unsaved, kept") << "preliminary" << true << "wm-close" << 2 << "same" << "shown";
        QTest::newRow("Alt+F4 on the second round, nothing typed") << "second" << false << "wm-close" << 1 << "ended" << "none";
        QTest::newRow("Alt+F4 on the second round, unsaved, dropped") << "second" << true << "wm-close" << 1 << "ended" << "retired";
        QTest::newRow("Alt+F4 on the feedback screen") << "feedback" << false << "wm-close" << 1 << "ended" << "none";
        QTest::newRow("Alt+F4 on the usage-report screen") << "usage" << false << "wm-close" << 1 << "any" << "none";
        QTest::newRow("Alt+F4 on the score report") << "score" << false << "wm-close" << 1 << "main" << "none";
        QTest::newRow("forced sign-out while the main window starts") << "starting" << false << "sign-in" << 1 << "signin" << "none";
        QTest::newRow("switch account while free writing holds an essay") << "free" << true << "switch" << 1 << "signin" << "kept";
        QTest::newRow("forced sign-out while free writing holds an essay") << "free" << true << "forced-signout" << 1 << "signin" << "kept";
    }

    void aWindowOrTheEnd()
    {
        QFETCH(QString, screen);
        QFETCH(bool, typed);
        QFETCH(QString, action);
        QFETCH(int, answer);
        QFETCH(QString, after);
        QFETCH(QString, essay);

        QTemporaryDir data;
        QVERIFY(data.isValid());
        SignedInSession::Options options;
        options.dataFolder = data.path().toStdString();
        options.signIn = screen != "signin" && screen != "starting";
        auto session = SignedInSession::Start(options);
        const std::string user = SignedInAccount();
        CpenlarkDlg *main = session->MainWindow();

        QPointer<QWidget> target = session->SignInWindow();
        QPointer<CDlgWrite> writing;
        if (screen != "signin" && screen != "starting") {
            QVERIFY(main);
            target = main;
        }
        if (screen == "free") {
            main->OnFreeWriting();
            writing = main->findChild<CZiYouWriter *>();
            target = writing.data();
        } else if (screen == "preliminary") {
            auto *round = new CChuSaiWriteDlg(main, Utf8ToGbk("我的老师"), Utf8ToGbk("不少于六百字。"), "7");
            SendWindowMessage(main, kMsgWritePreliminary, reinterpret_cast<intptr_t>(round));
            writing = round;
            target = round;
        } else if (screen == "second") {
            const ContestTopic topic{"201", Utf8ToGbk("月是故乡明"), Utf8ToGbk("要求"), Utf8ToGbk("评委"), Utf8ToGbk("散文")};
            auto *round = new CFusaiWriteDlg(main, "2", topic, 60, Utf8ToGbk("命题评委：甲"));
            SendWindowMessage(main, kMsgWriteSecondRound, reinterpret_cast<intptr_t>(round));
            writing = round;
            target = round;
        } else if (screen == "feedback") {
            main->OnFeedback();
            target = main->findChild<CCallBackDlg *>();
        } else if (screen == "usage") {
            main->OnUsageReport();
            target = main->findChild<CYijianFankuiDlg *>();
        }
        QVERIFY(target);
        if (screen == "score") {
            // The report runs modally over the main window: it is closed from inside its run.
            session->Messages().answer = [](const MessageBoxCall &) { return 1; };
            WindowWatch watch(*session);
            QTimer::singleShot(0, main, [main] {
                QPointer<CSubmitWriteScoreDlg> report;
                QTRY_VERIFY((report = main->findChild<CSubmitWriteScoreDlg *>()) && report->isVisible());
                QVERIFY(QTest::qWaitForWindowExposed(report));
                CloseThroughWindowManager(report);
            });
            main->OnScoreReport();
            QTRY_VERIFY_WITH_TIMEOUT(main->isVisible(), 1000);
            QVERIFY2(watch.LongestGapMs() < 1000, qPrintable(QString("%1 ms with no window").arg(watch.LongestGapMs())));
            // The main window is back uncovered: the report and its cover are gone.
            QTRY_VERIFY([main] {
                for (QWidget *window : QApplication::topLevelWidgets())
                    if (window->isVisible() && window != main)
                        return false;
                return true;
            }());
            QVERIFY(QTest::qWaitForWindowExposed(main));
            QTRY_VERIFY(main->isActiveWindow());
            SaveScreenShot(Shot(QTest::currentDataTag()));
            return;
        }
        QTRY_VERIFY(target->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(target));
        const QString text = QString::fromUtf8("窗口关了，作文还在吗？");
        if (typed) {
            CommitText(writing->View(), text);
            QTRY_VERIFY(writing->IsChanged());
        }

        session->Messages().answer = [answer](const MessageBoxCall &call) {
            return call.kind == MessageBoxCall::Kind::Question ? answer : 1;
        };
        WindowWatch watch(*session);
        if (action == "wm-close") {
            CloseThroughWindowManager(target);
        } else if (action == "close-button") {
            writing->CloseButton()->click();
        } else if (action == "switch") {
            main->SwitchAccount();
        } else if (action == "sign-in") {
            // Every signed-in call lapses at once and the renewal is refused: the main window's
            // start meets the refusal.
            session->Service().Control("idle-timeout?seconds=0");
            session->Service().Control("refuse-relogin?name=xuesheng");
            QCOMPARE(session->SignIn("xuesheng", "123456"), static_cast<CpenlarkDlg *>(nullptr));
            const std::vector<std::string> shown = session->MessageTexts();
            QVERIFY(std::count(shown.begin(), shown.end(), std::string("\t您已掉线，请重新登录!")) == 1);
        } else if (action == "forced-signout") {
            session->Service().Control("lapse?name=xuesheng");
            session->Service().Control("refuse-relogin?name=xuesheng");
            main->PollNow();
        }

        if (after == "ended") {
            QTRY_VERIFY_WITH_TIMEOUT(ProgramEnded(*session), 5000);
        } else if (after == "signin") {
            QTRY_VERIFY_WITH_TIMEOUT(session->MainWindow() == nullptr, 5000);
            QTRY_VERIFY(session->SignInWindow()->isVisible());
        } else if (after == "main") {
            QTRY_VERIFY_WITH_TIMEOUT(main->isVisible(), 1000);
        } else if (after == "same") {
            // The question was asked and answered "取消": the screen is still there.
            QTRY_VERIFY(!session->Messages().calls.empty());
            QCOMPARE(target.isNull(), false);
            QTRY_VERIFY(target->isVisible());
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(AnyWindowShown() || ProgramEnded(*session), 1000);
        }
        // Nothing on screen for a second at any moment while the program ran.
        QVERIFY2(watch.LongestGapMs() < 1000, qPrintable(QString("%1 ms with no window").arg(watch.LongestGapMs())));
        QVERIFY(AnyWindowShown() || ProgramEnded(*session));

        // The essay: on screen, or in the journal for the next sign-in, unless the student
        // dropped it while a save was possible.
        if (essay == "shown") {
            QVERIFY(writing);
            QCOMPARE(QString::fromStdString(GbkToUtf8(writing->BodyText())), text);
        } else if (essay != "none") {
            QTRY_VERIFY(writing.isNull());
            const auto left = EssayJournal(EssayJournal::DefaultFolder()).LeftEntries(user);
            QCOMPARE(left.size(), std::size_t(essay == "kept" ? 1 : 0));
            if (essay == "kept")
                QCOMPARE(QString::fromStdString(GbkToUtf8(left[0].entry.body)), text);
        }
        // What the student sees now, once every window left on screen has been drawn.
        if (AnyWindowShown()) {
            for (QWidget *window : QApplication::topLevelWidgets())
                if (window->isVisible())
                    QVERIFY(QTest::qWaitForWindowExposed(window));
            SaveScreenShot(Shot(QTest::currentDataTag()));
        }
    }

private:
    static void SaveScreenShot(const QString &name)
    {
        // The repaints already asked for reach the X server first.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        // The whole screen: what matters is whether any window is on it.
        QProcess::execute("import", {"-window", "root", ScreenshotPath(qPrintable(name))});
    }
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable("xdotool").isEmpty()) {
        std::fputs("skipped: wants an X display with a window manager (with-openbox.sh) and xdotool\n", stderr);
        return kSkipped;
    }
    PrepareScreenTestApplication();
    QApplication app(argc, argv);
    WindowInvariantTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WindowInvariantTest.moc"
