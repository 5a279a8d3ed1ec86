// Shows the start-up screen, the two message boxes, a programme screen and the local pages on the
// real X display and saves a screenshot of each (and of the sign-in layout the skin gives).
#include "AppFolder.h"
#include "DisplayTest.h"
#include "FatherDlg.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "MsgDlg.h"
#include "OkDialog.h"
#include "SkinReader.h"
#include "StartupScreenDlg.h"
#include "WelcomeDlg.h"
#include "xImage.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QtTest>

namespace {

QString ShotPath(const char *name)
{
    QDir().mkpath(PENLARK_SCREENSHOT_DIR);
    return QString(PENLARK_SCREENSHOT_DIR) + "/" + name;
}

// What the X server shows in the window's rectangle.
QImage Screenshot(QWidget *window)
{
    QTest::qWait(150);
    QScreen *screen = QGuiApplication::primaryScreen();
    const QRect r = window->frameGeometry();
    QImage shot = screen ? screen->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage() : QImage();
    return shot.isNull() ? window->grab().toImage() : shot;
}

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
        const QImage shot = Screenshot(&screen);
        QVERIFY(shot.save(ShotPath("startup_screen.png")));
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
        const QImage shot = Screenshot(&box);
        QVERIFY(shot.save(ShotPath("ok_dialog.png")));
        QCOMPARE(shot.size(), QSize(312, 170));
        QCOMPARE(COkDialog::IsOpen(), true);
    }

    void questionBox()
    {
        CMsgDlg box(Utf8ToGbk("征文一旦提交不可修改，您是否确认提交？"), Utf8ToGbk("确定"), std::string(), Utf8ToGbk("取消"));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QVERIFY(Screenshot(&box).save(ShotPath("msg_dialog.png")));
    }

    void programmeScreen()
    {
        QWidget mainWindow;
        SampleScreen screen;
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QTest::mouseMove(screen.CloseButton(), QPoint(20, 14)); // the close button's hover face
        const QImage shot = Screenshot(&screen);
        QVERIFY(shot.save(ShotPath("father_dlg.png")));
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
            QVERIFY(Screenshot(&host).save(ShotPath((std::string(page) + "_page.png").c_str())));
        }
    }

    // The sign-in screen belongs to the application; its skin is ours, so its layout is drawn here
    // from skin.xml and the pictures to check that everything sits where it should.
    void signInLayoutFromTheSkin()
    {
        CSkinReader skin;
        QVERIFY(skin.Load(SkinPath(AppFolder())));
        QImage page(1024, 700, QImage::Format_ARGB32_Premultiplied);
        page.fill(Qt::white);
        QPainter p(&page);
        auto draw = [&](const std::string &name, int x, int y, int w = -1, int h = -1) {
            CxImage img;
            if (img.load(AppPath("\\img\\" + name)))
                img.draw(&p, x, y, w, h);
        };
        draw(skin.RootChild("LoadPage")->img, -1, -1);
        draw("login.png", 639, 200);
        for (int x : {79, 336})
            for (int y : {273, 438}) {
                draw("say_left.png", x, y);
                draw("say_mid.png", x + 7, y, 237, 123);
                draw("say_right.png", x + 216, y);
            }
        draw("dashline.png", 88, 409);
        draw("dashline.png", 346, 409);
        draw("tel.png", 170, 634);
        draw("mail.png", 272, 637);
        draw("verify.png", 775, 444);
        const char *buttons[] = {"Pic_UserSay",     "Pic_MediaSay", "CB_Name",    "CB_Pwd",      "Button_Login",
                                 "Button_Register", "Button_Min",   "Button_Max", "Button_Close"};
        for (const char *name : buttons) {
            const auto e = skin.LoadPageChild(name);
            draw(e->normal, e->x, e->y);
        }
        p.setPen(QColor(255, 255, 255, 160));
        const char *fields[] = {"Edit_UserName", "Edit_Pwd",       "Edit_VCode", "Text_ForgetPwd",
                                "Text_VCode",    "Text_NextVCode", "Text_Name",  "Text_Pwd"};
        for (const char *name : fields) {
            const auto e = skin.LoadPageChild(name);
            p.drawRect(e->x, e->y, e->width - 1, e->height - 1);
        }
        p.end();
        QVERIFY(page.save(ShotPath("signin_layout.png")));
    }
};

PENLARK_DISPLAY_TEST_MAIN(WindowScreenshotTest)
#include "WindowScreenshotTest.moc"
