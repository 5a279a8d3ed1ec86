// End to end: the main window's feedback, usage-report and score-report buttons open their
// screens, and leaving each screen brings the main window back as it was.
#include "CallBackDlg.h"
#include "GdipButton.h"
#include "PenlarkDlg.h"
#include "ScreenKit.h"
#include "SignedInSession.h"
#include "SubmitWriteScoreDlg.h"
#include "ToumingDlg.h"
#include "WindowMessage.h"
#include "YijianFankuiDlg.h"

#include <QPointer>
#include <QtTest>

namespace {

// The main window's button under a point of its client area, pressed as the user does.
void PressButtonAt(CpenlarkDlg *main, QPoint point)
{
    auto *button = qobject_cast<CGdipButton *>(main->childAt(point));
    QVERIFY2(button, "no button at the point");
    QTest::mouseClick(button, Qt::LeftButton, {}, button->mapFrom(main, point));
}

template <typename Screen> Screen *OpenedScreen(CpenlarkDlg *main)
{
    for (Screen *screen : main->findChildren<Screen *>())
        if (screen->isVisible())
            return screen;
    return nullptr;
}

// The screen a button opened takes the main window's place; its back button hands it back.
template <typename Screen> void OpenAndGoBack(CpenlarkDlg *main, QPoint buttonPoint, const char *shot)
{
    const QRect place = main->geometry();
    PressButtonAt(main, buttonPoint);
    Screen *screen = OpenedScreen<Screen>(main);
    QVERIFY(screen);
    QCOMPARE(main->isVisible(), false);
    QCOMPARE(screen->geometry(), place);
    QVERIFY(!SaveScreenshot(screen, shot).isNull());

    QTest::mouseClick(screen->BackButton(), Qt::LeftButton, {}, QPoint(30, 14));
    QTRY_COMPARE(main->isVisible(), true);
    QTRY_COMPARE(main->findChildren<Screen *>().size(), qsizetype(0));
    QCOMPARE(main->geometry(), place);
}

} // namespace

class MainButtonsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_session = SignedInSession::Start();
        QVERIFY(m_session->MainWindow());
    }

    void feedbackButtonOpensTheFeedbackScreen()
    {
        CpenlarkDlg *main = m_session->MainWindow();
        OpenAndGoBack<CCallBackDlg>(main, QPoint(120, main->height() - 76), "main_feedback.png");

        // Its cancel button gives the main window back too.
        PressButtonAt(main, QPoint(120, main->height() - 76));
        QPointer<CCallBackDlg> screen = OpenedScreen<CCallBackDlg>(main);
        QVERIFY(screen);
        QTest::mouseClick(screen->CancelButton(), Qt::LeftButton, {}, QPoint(30, 14));
        QTRY_COMPARE(main->isVisible(), true);
        // Closed, it is gone, not kept hidden: opening it again makes the only one.
        QTRY_VERIFY(screen.isNull());
        QCOMPARE(main->findChildren<CCallBackDlg *>().size(), qsizetype(0));
    }

    void usageReportButtonOpensTheUsageReportScreen()
    {
        CpenlarkDlg *main = m_session->MainWindow();
        OpenAndGoBack<CYijianFankuiDlg>(main, QPoint(60, 83), "main_usage_report.png");

        // Its close button, the screen's cancel, gives the main window back and frees it.
        PressButtonAt(main, QPoint(60, 83));
        QPointer<CYijianFankuiDlg> screen = OpenedScreen<CYijianFankuiDlg>(main);
        QVERIFY(screen);
        QTest::mouseClick(screen->CloseButton(), Qt::LeftButton, {}, QPoint(20, 14));
        QTRY_COMPARE(main->isVisible(), true);
        QTRY_VERIFY(screen.isNull());
        QCOMPARE(main->findChildren<CYijianFankuiDlg *>().size(), qsizetype(0));
    }

    void maximisedMainWindowOpensAMaximisedScreen()
    {
        CpenlarkDlg *main = m_session->MainWindow();
        main->Maximise();
        PressButtonAt(main, QPoint(60, 83));
        CYijianFankuiDlg *screen = OpenedScreen<CYijianFankuiDlg>(main);
        QVERIFY(screen);
        QCOMPARE(screen->IsMaximised(), true);
        QTest::mouseClick(screen->BackButton(), Qt::LeftButton, {}, QPoint(30, 14));
        QTRY_COMPARE(main->isVisible(), true);
        QCOMPARE(main->IsMaximised(), true);
        main->Restore();
    }

    // The score report runs modally over the covered main window, which stays where it is.
    void scoreReportButtonRunsTheReportOverTheCover()
    {
        CpenlarkDlg *main = m_session->MainWindow();
        bool covered = false, pictured = false;
        // The report runs its own modal loop: once it is up, the checks run inside that loop.
        const auto reportShown = WhenReady(
            main, [main] { return OpenedScreen<CSubmitWriteScoreDlg>(main) != nullptr; },
            [&] {
                for (CToumingDlg *cover : main->findChildren<CToumingDlg *>())
                    covered = covered || (cover->isVisible() && cover->geometry() == main->rect());
                CSubmitWriteScoreDlg *report = OpenedScreen<CSubmitWriteScoreDlg>(main);
                pictured = !SaveScreenshot(report, "main_score_report.png").isNull();
                QTest::mouseClick(report->CancelButton(), Qt::LeftButton, {}, QPoint(30, 11));
            });
        PressButtonAt(main, QPoint(138, 83));
        QCOMPARE(*reportShown, true);
        QCOMPARE(pictured, true);
        QCOMPARE(covered, true);
        QCOMPARE(main->isVisible(), true);
        QTRY_COMPARE(OpenedScreen<CToumingDlg>(main), nullptr);
        QTRY_COMPARE(OpenedScreen<CSubmitWriteScoreDlg>(main), nullptr);
        QCOMPARE(m_session->Messages().calls.size(), std::size_t(0));
    }

    // A click on a popup message without a link brings the main window back, also when the
    // student had minimised it; its own maximised state comes back with it.
    void mainWindowComesBackFromMinimised_data()
    {
        QTest::addColumn<bool>("maximised");
        QTest::newRow("restored size") << false;
        QTest::newRow("maximised") << true;
    }

    void mainWindowComesBackFromMinimised()
    {
        QFETCH(bool, maximised);
        CpenlarkDlg *main = m_session->MainWindow();
        if (maximised)
            main->Maximise();
        const QRect before = main->geometry();
        main->showMinimized();
        QTRY_VERIFY(main->isMinimized());
        PostWindowMessage(main, kMsgMainWindowAgain);
        QTRY_VERIFY(!main->isMinimized());
        QVERIFY(main->isVisible());
        QCOMPARE(main->IsMaximised(), maximised);
        QTRY_COMPARE(main->geometry(), before);
        if (maximised)
            main->Restore();
    }

    void cleanupTestCase() { m_session.reset(); }

private:
    std::unique_ptr<SignedInSession> m_session;
};

PENLARK_SCREEN_TEST_MAIN(MainButtonsTest)
#include "MainButtonsTest.moc"
