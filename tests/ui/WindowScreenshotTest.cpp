// Shows the start-up screen, the two message boxes, a programme screen and the local pages on the
// real X display and saves a screenshot of each. (The sign-in window's layout is checked against
// the skin in the sign-in window's own test, tests/app/SignInWindowTest.cpp.)
#include "AppFolder.h"
#include "DisplayTest.h"
#include "FatherDlg.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "MsgDlg.h"
#include "OkDialog.h"
#include "ScreenKit.h"
#include "StartupScreenDlg.h"
#include "WelcomeDlg.h"

#include <QApplication>
#include <QPainter>
#include <QtTest>

namespace {

// A programme screen with some content of its own, as the screens built on it have.
class SampleScreen : public CFatherDlg
{
protected:
    void PaintContent(QPainter &p, const QRect &client) override
    {
        p.setPen(QColor(0x29, 0x9F, 0x3A));
        p.setFont(QFont("Noto Serif CJK SC", 15));
        p.drawText(65, 110, QString::fromUtf8("请提交您的使用心得，感谢您的支持："));
        p.setPen(QPen(QColor(0x21, 0x84, 0x39), 2));
        p.drawRect(63, 122, client.width() - 126, client.height() - 310);
    }
};

} // namespace

class WindowScreenshotTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitAppFolder(std::string(PENLARK_APP_DIR) + "/penlark");
        QVERIFY(QFile::exists(QString::fromStdString(AppPath("\\img\\hint.png"))));
    }

    void startupScreen()
    {
        CStartupScreenDlg screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        const QImage shot = SaveScreenshot(&screen, "startup_screen.png");
        QCOMPARE(shot.size(), QSize(1024, 700));
        // The enter button's face reached the screen where the skin puts it.
        const QRect enter = screen.EnterButton()->geometry();
        QCOMPARE(enter, QRect(437, 556, 150, 44));
        const QColor face = shot.pixelColor(enter.left() + 10, enter.center().y());
        QVERIFY2(face.green() > face.red() + 40, "the green enter button is on screen");
    }

    void noticeBox()
    {
        COkDialog box(Utf8ToGbk("确 定"), Utf8ToGbk("\t    请填写用户名!"));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QImage shot = SaveScreenshot(&box, "ok_dialog.png");
        QCOMPARE(shot.size(), QSize(312, 170));
        QCOMPARE(COkDialog::IsOpen(), true);
    }

    // The question with two answers: the box at its size, the empty middle caption hidden, the two
    // buttons where the box puts them, each with its caption and its face on the screen.
    void questionBox()
    {
        const std::string question = Utf8ToGbk("征文一旦提交不可修改，您是否确认提交？");
        CMsgDlg box(question, Utf8ToGbk("确定"), std::string(), Utf8ToGbk("取消"));
        box.show();
        const QImage shot = SaveScreenshot(&box, "msg_dialog.png");
        QCOMPARE(shot.size(), QSize(312, 170));
        QCOMPARE(box.Label()->Message(), question);
        struct Expected
        {
            int index;
            bool shown;
            QRect place;
            const char *caption;
        };
        const Expected buttons[] = {{0, true, QRect(14, 142, 75, 25), "确定"},
                                    {1, false, QRect(122, 142, 75, 25), ""},
                                    {2, true, QRect(235, 142, 75, 25), "取消"}};
        for (const Expected &e : buttons) {
            QPushButton *button = box.Button(e.index);
            QCOMPARE(button->isVisible(), e.shown);
            QCOMPARE(button->geometry(), e.place);
            if (!e.shown)
                continue;
            QCOMPARE(button->text(), QString::fromUtf8(e.caption));
            // The face's edge and its caption's middle read on the screen as the button draws them.
            const QImage face = button->grab().toImage();
            for (const QPoint probe : {QPoint(3, e.place.height() / 2), QPoint(e.place.width() / 2, e.place.height() / 2)})
                QCOMPARE(shot.pixelColor(e.place.topLeft() + probe), face.pixelColor(probe));
        }
    }

    void programmeScreen()
    {
        QWidget mainWindow;
        SampleScreen screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QTest::mouseMove(screen.CloseButton(), QPoint(20, 14)); // the close button's hover face
        const QImage shot = SaveScreenshot(&screen, "father_dlg.png");
        QCOMPARE(shot.pixelColor(500, 20), QColor(0x9E, 0x9E, 0xA0));  // the title band
        QCOMPARE(shot.pixelColor(500, 690), QColor(0x1D, 0xAA, 0x39)); // the bottom strip
    }

    // The two local pages in the web panel, at the main window's content size.
    void localPages()
    {
        for (const char *page : {"welcome", "party"}) {
            QWidget host;
            host.resize(823, 639);
            CWelcomeDlg panel(&host);
            panel.SetAddress(AppPath(std::string("img\\") + page + ".htm"));
            panel.setGeometry(host.rect());
            host.show();
            QVERIFY(QTest::qWaitForWindowExposed(&host));
            QTRY_VERIFY_WITH_TIMEOUT(!panel.Page()->Browser()->Title().isEmpty(), 20000);
            QTest::qWait(500); // let the page paint
            QVERIFY(!SaveScreenshot(&host, (std::string(page) + "_page.png").c_str()).isNull());
        }
    }
};

PENLARK_DISPLAY_TEST_MAIN(WindowScreenshotTest)
#include "WindowScreenshotTest.moc"
