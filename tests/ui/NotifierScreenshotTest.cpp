// Shows the notification popup with the program's skin on the real X display, slid fully out, and
// saves what the screen shows around it (the cut corners show the desktop behind).
#include "AppFolder.h"
#include "DisplayTest.h"
#include "GbkText.h"
#include "TaskbarNotifier.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

class NotifierScreenshotTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitAppFolder(std::string(PENLARK_APP_DIR) + "/penlark");
    }

    void popupSlidOut()
    {
        QWidget owner;
        CTaskbarNotifier popup;
        QVERIFY(popup.Create(&owner));
        QVERIFY(popup.SetSkin(AppPath("\\img\\information_background.bmp")));
        popup.SetTextFont("Tahoma", 9, CTaskbarNotifier::kStyleNormal,
                          CTaskbarNotifier::kStyleBold | CTaskbarNotifier::kStyleUnderline);
        popup.SetTextColor(QColor(0x0A, 0x0A, 0x0A), QColor(0x00, 0x00, 0xC8));
        const QSize skin = popup.SkinSize();
        popup.SetTextRect(5, 35, skin.width() - 5, skin.height() - 30);
        popup.Show(Utf8ToGbk("你的作文《春天的校园》已经被老师批阅，快去看看老师的评语吧！"));
        while (popup.AnimationState() == CTaskbarNotifier::kAppearing)
            popup.OnTimer(CTaskbarNotifier::kTimerAppear);
        QVERIFY(QTest::qWaitForWindowExposed(&popup));
        QTest::qWait(200);

        const QRect area = popup.geometry();
        QCOMPARE(area.size(), skin);
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(area.bottomRight(), work.bottomRight());
        const QImage shot = QGuiApplication::primaryScreen()
                                ->grabWindow(0, area.x() - 20, area.y() - 20, area.width() + 20, area.height() + 20)
                                .toImage();
        QDir().mkpath(PENLARK_SCREENSHOT_DIR);
        QVERIFY(shot.save(QString(PENLARK_SCREENSHOT_DIR) + "/notification_popup.png"));
        // The skin's magenta corner is cut out: the desktop shows there, not magenta.
        QVERIFY(shot.pixelColor(20, 20) != QColor(255, 0, 255));
        QVERIFY(shot.pixelColor(20 + skin.width() / 2, 20 + skin.height() / 2) != shot.pixelColor(20, 20));

        // A message longer than the rectangle ends with an ellipsis; the hover look is bold and underlined.
        popup.Show(
            Utf8ToGbk("老师给你的作文《我的妈妈》写了评语：文章用词准确，描写细致，把妈妈每天早上为全家做早饭的情景写得非常生动，"
                      "如果结尾能再写写自己的感受就更好了。继续加油，期待你的下一篇作品！下次写作时可以试试点开绿色的词语，"
                      "看看名家是怎样描写人物的动作和神态的。"));
        QTest::mouseMove(&popup, QPoint(skin.width() / 2, skin.height() / 2));
        QTRY_COMPARE(popup.IsHovering(), true);
        QTest::qWait(200);
        QVERIFY(QGuiApplication::primaryScreen()
                    ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                    .toImage()
                    .save(QString(PENLARK_SCREENSHOT_DIR) + "/notification_popup_long_hover.png"));

        // The close corner puts it away at once.
        QTest::mouseClick(&popup, Qt::LeftButton, {}, QPoint(skin.width() - 10, 8));
        QCOMPARE(popup.AnimationState(), CTaskbarNotifier::kHidden);
        QCOMPARE(popup.isVisible(), false);
    }
};

PENLARK_DISPLAY_TEST_MAIN(NotifierScreenshotTest)
#include "NotifierScreenshotTest.moc"
