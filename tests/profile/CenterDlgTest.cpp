// The personal centre: its layout at the designed width and maximised, its two links, and that it
// paints the profile as it stands at each paint.
#include "CenterDlg.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "OpenUrl.h"
#include "OperationsAccount.h"
#include "ServiceContext.h"

#include <QtTest>
#include <vector>

namespace {

// Pixels in the rectangle that are not the page's cream background.
int InkIn(const QImage &image, const QRect &area)
{
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != QColor(0xF6, 0xF8, 0xE3))
                ++ink;
    return ink;
}

} // namespace

class CenterDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        UserInfo = UserInfoRecord{};
        ServiceContext.UserNo = "20931";
        InitServiceAddresses("127.0.0.1:8089");
    }

    void layoutFollowsTheWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("x0");
        QTest::addColumn<QPoint>("name");
        QTest::addColumn<int>("valueX");
        QTest::addColumn<QRect>("profile");
        QTest::addColumn<QRect>("password");
        QTest::addColumn<QLine>("dash");
        QTest::newRow("1024") << 1024 << 149 << QPoint(129, 58) << 197 << QRect(189, 465, 96, 26) << QRect(309, 465, 96, 26)
                              << QLine(529, 120, 529, 595);
        QTest::newRow("maximised 1280") << 1280 << 277 << QPoint(257, 58) << 325 << QRect(317, 465, 96, 26)
                                        << QRect(437, 465, 96, 26) << QLine(657, 120, 657, 595);
    }
    void layoutFollowsTheWidth()
    {
        QFETCH(int, width);
        QFETCH(int, x0);
        QFETCH(QPoint, name);
        QFETCH(int, valueX);
        QFETCH(QRect, profile);
        QFETCH(QRect, password);
        QFETCH(QLine, dash);
        const CenterLayout l = LayOutCenter(width);
        QCOMPARE(l.x0, x0);
        QCOMPARE(l.name, name);
        QCOMPARE(l.labelX, name.x());
        QCOMPARE(l.valueX, valueX);
        QCOMPARE(l.profileButton, profile);
        QCOMPARE(l.passwordButton, password);
        QCOMPARE(l.dashLine, dash);
        QCOMPARE(l.headingRule, QLine(x0 - 22, 260, x0 + 302, 260));

        CCenterDlg page(nullptr);
        page.resize(width, 700);
        page.show();
        QCOMPARE(page.ProfileButton()->geometry(), profile);
        QCOMPARE(page.PasswordButton()->geometry(), password);
    }

    void linksCarryTheUserNumber_data()
    {
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("userNo");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("password");
        QTest::newRow("web host") << "http://www.penlark.cn/"
                                  << "20931"
                                  << "http://www.penlark.cn/user/info.aspx?no=20931"
                                  << "http://penlark.cn/user/mima.aspx?no=20931";
        QTest::newRow("service's own") << ""
                                       << "20931"
                                       << "http://127.0.0.1:8089/user/info.aspx?no=20931"
                                       << "http://127.0.0.1:8089/user/mima.aspx?no=20931";
        QTest::newRow("number with query characters") << "http://127.0.0.1:8089/"
                                                      << "7&no=8 #"
                                                      << "http://127.0.0.1:8089/user/info.aspx?no=7%26no%3D8%20%23"
                                                      << "http://127.0.0.1:8089/user/mima.aspx?no=7%26no%3D8%20%23";
    }
    void linksCarryTheUserNumber()
    {
        QFETCH(QString, site);
        QFETCH(QString, userNo);
        QFETCH(QString, profile);
        QFETCH(QString, password);
        ServiceContext.UserNo = userNo.toStdString();
        std::vector<QString> opened;
        SetUrlOpener([&](const QString &url) {
            opened.push_back(url);
            return true;
        });
        CCenterDlg page(nullptr);
        if (!site.isEmpty())
            page.SetSite(site.toStdString());
        page.resize(1024, 700);
        page.show();
        QTest::mouseClick(page.ProfileButton(), Qt::LeftButton, {}, QPoint(40, 13));
        QTest::mouseClick(page.PasswordButton(), Qt::LeftButton, {}, QPoint(40, 13));
        SetUrlOpener({});
        QCOMPARE(opened, (std::vector<QString>{profile, password}));
    }

    void paintsTheProfileAsItStandsAtEachPaint()
    {
        CCenterDlg page(nullptr);
        page.resize(1024, 700);
        const CenterLayout l = LayOutCenter(1024);
        const QRect emailValue(l.valueX, l.rowY[1], 300, 14);
        const QRect nameValue(l.valueX, l.rowY[0], 300, 14);
        const QRect emailLabel(l.labelX, l.rowY[1], 60, 14);

        // No e-mail: the label, and nothing after it.
        UserInfo.TrueName = Utf8ToGbk("张小明");
        QImage shot = page.grab().toImage();
        QVERIFY(InkIn(shot, emailLabel) > 0);
        QCOMPARE(InkIn(shot, emailValue), 0);
        QVERIFY(InkIn(shot, nameValue) > 0);

        // A profile loaded later shows at the next paint.
        UserInfo.Email = "xiaoming@example.org";
        shot = page.grab().toImage();
        QVERIFY(InkIn(shot, emailValue) > 0);

        // A very long value stops before the divider.
        UserInfo.Email = std::string(400, 'w');
        shot = page.grab().toImage();
        QCOMPARE(InkIn(shot, QRect(l.dashLine.x1() - 8, l.rowY[1], 7, 14)), 0);
    }
};

QTEST_MAIN(CenterDlgTest)
#include "CenterDlgTest.moc"
