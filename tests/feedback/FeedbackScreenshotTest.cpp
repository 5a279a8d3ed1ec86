// Shows the personal centre and the feedback screens on the real X display with the program's
// pictures and saves a screenshot of each.
#include "AppFolder.h"
#include "DisplayTest.h"
#include "CallBackDlg.h"
#include "CenterDlg.h"
#include "CoolEdit.h"
#include "IdeaSubmit.h"
#include "ScreenKit.h"
#include "YijianFankuiDlg.h"
#include "GbkText.h"
#include "OperationsAccount.h"

#include <QtTest>

class FeedbackScreenshotTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitAppFolder(std::string(PENLARK_APP_DIR) + "/penlark");
    }

    void personalCentre()
    {
        UserInfo.TrueName = Utf8ToGbk("张小明");
        UserInfo.Email = "xiaoming@example.org";
        UserInfo.School = Utf8ToGbk("北京市海淀区实验小学");
        UserInfo.UT = Utf8ToGbk("学生");
        UserInfo.Phone = "010-62345678";
        QWidget window;
        window.resize(1024, 700);
        CCenterDlg page(&window);
        page.setGeometry(0, 0, 1024, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage shot = SaveScreenshot(&window, "personal_centre.png");
        QVERIFY(!shot.isNull());
        QCOMPARE(shot.size(), QSize(1024, 700));
        // The change-profile button's picture is on the page where the layout puts it.
        QVERIFY(shot.pixelColor(189 + 48, 465 + 13) != QColor(0xF6, 0xF8, 0xE3));
    }

    void feedbackScreen()
    {
        QWidget mainWindow;
        mainWindow.setGeometry(CFatherDlg::RestoredRect());
        auto *screen = new CCallBackDlg(&mainWindow);
        ShowScreenInPlace(screen, &mainWindow, false);
        screen->Field()->SetWindowText(Utf8ToGbk("语料里的好词好句很有用，希望能多一些写景的片段。"));
        QVERIFY(QTest::qWaitForWindowExposed(screen));
        const QImage shot = SaveScreenshot(screen, "feedback_screen.png");
        QVERIFY(!shot.isNull());
        QCOMPARE(shot.size(), QSize(1024, 700));
        // The field's frame in #1DAA39 at (62, 305).
        QCOMPARE(shot.pixelColor(62, 400), QColor(0x1D, 0xAA, 0x39));
        delete screen;
    }

    void usageReportScreen()
    {
        QWidget mainWindow;
        mainWindow.setGeometry(CFatherDlg::RestoredRect());
        auto *screen = new CYijianFankuiDlg(&mainWindow);
        ShowScreenInPlace(screen, &mainWindow, false);
        screen->Field()->SetWindowText(Utf8ToGbk("我每天写完作文后，会点开绿色的词语看看别人是怎么写的。"));
        QVERIFY(QTest::qWaitForWindowExposed(screen));
        const QImage shot = SaveScreenshot(screen, "usage_report_screen.png");
        QVERIFY(!shot.isNull());
        QCOMPARE(shot.size(), QSize(1024, 700));
        // The field's own frame (#0E803B) just outside its text area, inside the 2-pixel box.
        QCOMPARE(shot.pixelColor(64, 300), QColor(0x0E, 0x80, 0x3B));
        QCOMPARE(shot.pixelColor(62, 300), QColor(0x21, 0x84, 0x39));
        delete screen;
    }
};

PENLARK_DISPLAY_TEST_MAIN(FeedbackScreenshotTest)
#include "FeedbackScreenshotTest.moc"
