// The second round's clock during a slow submission: it goes on counting while the call waits
// for the service, so the student sees the time really left, not the time the call began.
#include "ChuxuanYaoqiuDlg.h"
#include "FusaiWriteDlg.h"
#include "GbkText.h"
#include "OkDialog.h"
#include "SignedInSession.h"
#include "WriteView.h"

#include <QInputMethodEvent>
#include <QTimer>
#include <QtTest>

#include <csignal>

class ClockDuringCallTest : public QObject
{
    Q_OBJECT

private slots:
    void theClockCountsWhileASubmissionWaits()
    {
        auto session = SignedInSession::Start();
        auto now = std::chrono::system_clock::time_point(std::chrono::seconds(1'800'000'000));
        const ContestTopic topic{"201", Utf8ToGbk("月是故乡明"), Utf8ToGbk("要求"), Utf8ToGbk("评委"), Utf8ToGbk("散文")};
        CFusaiWriteDlg screen(nullptr, "2", topic, 60, Utf8ToGbk("命题评委：甲"));
        screen.SetTimeSource([&] { return now; });
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QInputMethodEvent typed;
        typed.setCommitString(QString::fromUtf8("月光照在故乡的小河上。"));
        QCoreApplication::sendEvent(screen.View(), &typed);

        // The service is held still for the first 2.5 s of the submission; ten minutes pass
        // on the round's clock meanwhile, and the clock is read while the call still waits.
        const pid_t service = session->Service().Pid();
        QCOMPARE(kill(service, SIGSTOP), 0);
        std::string readingDuringTheCall;
        QTimer::singleShot(100, [&] { now += std::chrono::minutes(10); });
        QTimer::singleShot(2000, [&] { readingDuringTheCall = screen.ClockPanel()->ClockText(); });
        QTimer::singleShot(2500, [service] { kill(service, SIGCONT); });
        screen.SaveToLibrary();
        QCOMPARE(readingDuringTheCall, std::string("00:50:00"));
        QVERIFY(!session->Messages().calls.empty());
        QCOMPARE(GbkToUtf8(session->Messages().calls.back().message),
                 std::string("您的大赛征文已成功提交并保存至“我的文库”中，您在“我的文库”中所做的修改不会改变本次提交的征文内容。"));
    }
};

PENLARK_SCREEN_TEST_MAIN(ClockDuringCallTest)
#include "ClockDuringCallTest.moc"
