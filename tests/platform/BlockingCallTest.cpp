// Blocking calls keep the windows alive: the event loop runs during the call, window timers and
// window messages that arrive meanwhile are acted on after it, once, in order.
#include "BlockingCall.h"
#include "Dialog.h"
#include "WindowMessage.h"

#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <thread>

namespace {

// A window that records what it handled and whether a call was in flight at that moment.
class RecordingWindow : public CDialog
{
public:
    std::vector<std::string> log;

protected:
    void OnTimer(int id) override
    {
        log.push_back("timer " + std::to_string(id) + (IsBlockingCallRunning() ? " during" : " after"));
        KillTimer(id);
    }
    intptr_t OnWindowMessage(int message, intptr_t wParam, intptr_t) override
    {
        log.push_back("message " + std::to_string(message - kMsgUser) + ":" + std::to_string(wParam) +
                      (IsBlockingCallRunning() ? " during" : " after"));
        return 0;
    }
};

void Sleep(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

class BlockingCallTest : public QObject
{
    Q_OBJECT

private slots:
    void eventLoopRunsWhileTheCallWaits()
    {
        int ticks = 0;
        QTimer animation;
        connect(&animation, &QTimer::timeout, [&] { ++ticks; });
        animation.start(20);
        bool workOnOtherThread = false;
        const std::thread::id gui = std::this_thread::get_id();
        RunBlockingCall([&] {
            workOnOtherThread = std::this_thread::get_id() != gui;
            Sleep(400);
        });
        QCOMPARE(workOnOtherThread, true);
        QVERIFY2(ticks >= 5, "an animation kept moving during the call");
        QCOMPARE(IsBlockingCallRunning(), false);
    }

    void windowTimersAndMessagesWaitForTheCall()
    {
        RecordingWindow window;
        window.SetTimer(7, 30);
        RunBlockingCall([&] {
            // Posted from the worker as another thread's message would be; and ticks come by.
            PostWindowMessage(&window, kMsgUser + 5, 1);
            PostWindowMessage(&window, kMsgUser + 10, 2);
            Sleep(300);
        });
        QCOMPARE(window.log, std::vector<std::string>{});
        QTRY_COMPARE(window.log.size(), size_t(3));
        // One tick for the whole call (ticks do not pile up), the messages in the order sent.
        QCOMPARE(window.log, (std::vector<std::string>{"message 5:1 after", "message 10:2 after", "timer 7 after"}));
    }

    void aCallInsideACallRunsDirectly()
    {
        std::thread::id inner;
        std::thread::id outer;
        RunBlockingCall([&] {
            outer = std::this_thread::get_id();
            RunBlockingCall([&] { inner = std::this_thread::get_id(); });
        });
        QCOMPARE(inner, outer);
    }

    // A tick held during call A waits through call B, which starts as soon as A returns (a save
    // followed by the library's reload): it never runs inside B, where its own exchange would
    // share the connection with B's.
    void aHeldTickWaitsForEveryCallInFlight()
    {
        RecordingWindow window;
        window.SetTimer(9, 20);
        bool tickSeenDuringA = false;
        RunBlockingCall([&] {
            Sleep(150);
            tickSeenDuringA = true;
        });
        QCOMPARE(tickSeenDuringA, true);
        QCOMPARE(window.log, std::vector<std::string>{});
        bool bDone = false;
        RunBlockingCall([&] {
            Sleep(150);
            bDone = true;
        });
        QCOMPARE(bDone, true);
        QCOMPARE(window.log, std::vector<std::string>{}); // not during B either
        QTRY_COMPARE(window.log, std::vector<std::string>{"timer 9 after"});
    }

    // The same call and the same wait after it, with the window deleted during the call or still
    // there: the control row shows the action runs within that wait, so its absence in the other
    // row is the window's doing, not a wait too short.
    void deferredActionsOfAGoneWindowAreDropped_data()
    {
        QTest::addColumn<bool>("windowGoes");
        QTest::newRow("window gone during the call") << true;
        QTest::newRow("window still there (control)") << false;
    }

    void deferredActionsOfAGoneWindowAreDropped()
    {
        QFETCH(bool, windowGoes);
        QPointer<RecordingWindow> window = new RecordingWindow();
        bool ran = false;
        RunBlockingCall([&] {
            QMetaObject::invokeMethod(
                window, [&] { AfterBlockingCall(window, [&] { ran = true; }); }, Qt::QueuedConnection);
            Sleep(100);
            if (windowGoes)
                QMetaObject::invokeMethod(
                    window, [window] { delete window.data(); }, Qt::QueuedConnection);
            Sleep(100);
        });
        QTest::qWait(50);
        QCOMPARE(ran, !windowGoes);
        QCOMPARE(window.isNull(), windowGoes);
        delete window.data();
    }
};

QTEST_MAIN(BlockingCallTest)
#include "BlockingCallTest.moc"
