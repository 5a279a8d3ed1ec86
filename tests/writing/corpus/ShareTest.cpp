// The share popup: its six click areas with both bounds inside, the gateway address with every
// value percent-encoded as UTF-8, and the window shape keyed on white.
#include "DlgShareYuliao.h"
#include "GbkText.h"
#include "OpenUrl.h"
#include "ServiceContext.h"
#include "ShareGateway.h"
#include "ShareTargets.h"

#include <QBitmap>
#include <QUrlQuery>
#include <QtTest>

class ShareTest : public QObject
{
    Q_OBJECT

private slots:
    void clickAreasIncludeBothBounds_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QString>("webid");
        QTest::newRow("(2, 8)") << QPoint(2, 8) << "tsina";
        QTest::newRow("(68, 22)") << QPoint(68, 22) << "tsina";
        QTest::newRow("(70, 10) between") << QPoint(70, 10) << "";
        QTest::newRow("(1, 8) left of all") << QPoint(1, 8) << "";
        QTest::newRow("(2, 23) between rows") << QPoint(2, 23) << "";
        QTest::newRow("(75, 8)") << QPoint(75, 8) << "kaixin001";
        QTest::newRow("(129, 22)") << QPoint(129, 22) << "kaixin001";
        QTest::newRow("(136, 8)") << QPoint(136, 8) << "qzone";
        QTest::newRow("(202, 8) right of all") << QPoint(202, 8) << "";
        QTest::newRow("(69, 30)") << QPoint(69, 30) << "tqq";
        QTest::newRow("(69, 42)") << QPoint(69, 42) << "tqq";
        QTest::newRow("(69, 43) below tqq") << QPoint(69, 43) << "";
        QTest::newRow("(131, 42)") << QPoint(131, 42) << "renren";
        QTest::newRow("(132, 42) between") << QPoint(132, 42) << "";
        QTest::newRow("(201, 43)") << QPoint(201, 43) << "t163";
        QTest::newRow("(201, 44) below") << QPoint(201, 44) << "";
    }

    void clickAreasIncludeBothBounds()
    {
        QFETCH(QPoint, point);
        QFETCH(QString, webid);
        const ShareTarget *target = ShareTargetAt(point);
        QCOMPARE(target ? QString(target->webid) : QString(), webid);
    }

    void addressCarriesEveryValueEncodedInItsOrder()
    {
        const std::string summary = Utf8ToGbk("春风 又绿&江南岸+100%=? #一");
        const ShareGateway gateway{"share.example:8080", Utf8ToGbk("http://127.0.0.1:8089/站点/")};
        const std::string address = BuildShareAddress(gateway, "qzone", summary);

        // Plain ASCII: no blank, no raw byte above 0x7F, one "&" per key.
        for (unsigned char c : address)
            QVERIFY2(c > 0x20 && c < 0x7F, address.c_str());
        QCOMPARE(QString::fromStdString(address).count('&'), 3);
        const QString prefix = "http://share.example:8080/send/?webid=qzone&url=";
        QVERIFY(QString::fromStdString(address).startsWith(prefix));

        const QUrl url(QString::fromStdString(address));
        const QUrlQuery query(url.query(QUrl::FullyEncoded));
        QStringList keys;
        for (const auto &item : query.queryItems())
            keys << item.first;
        QCOMPARE(keys, QStringList({"webid", "url", "title", "summary"}));
        QCOMPARE(query.queryItemValue("url", QUrl::FullyDecoded), QString::fromUtf8("http://127.0.0.1:8089/站点/"));
        QCOMPARE(query.queryItemValue("title", QUrl::FullyDecoded), QString::fromUtf8("墨韵阁中文写作平台"));
        QCOMPARE(query.queryItemValue("summary", QUrl::FullyDecoded), QString::fromUtf8("春风 又绿&江南岸+100%=? #一"));

        // Two targets, one excerpt: the addresses differ in webid only.
        QCOMPARE(QString::fromStdString(BuildShareAddress(gateway, "tsina", summary)).replace("webid=tsina", "webid=qzone"),
                 QString::fromStdString(address));
    }

    void gatewayDefaultsToTheServiceItself()
    {
        InitServiceAddresses("127.0.0.1:8123");
        SetShareGateway("", "");
        QCOMPARE(CurrentShareGateway().host, std::string("127.0.0.1:8123"));
        QCOMPARE(CurrentShareGateway().site, std::string("http://127.0.0.1:8123/"));
        SetShareGateway("gw.example", "http://site.example/");
        QCOMPARE(CurrentShareGateway().host, std::string("gw.example"));
        QCOMPARE(CurrentShareGateway().site, std::string("http://site.example/"));
        SetShareGateway("", "");
    }

    void popupIsThePictureKeyedOnWhiteAndOpensTheGateway()
    {
        QWidget owner;
        CDlgShareYuliao popup(&owner);
        QCOMPARE(popup.size(), QSize(207, 60));
        const QImage &face = popup.Face();
        // The picture's rounded corner is white, so outside the window's shape; its face is not.
        QCOMPARE(face.pixelColor(0, 0), QColor(Qt::white));
        QVERIFY(face.pixelColor(40, 15) != QColor(Qt::white));
        const QRegion shape = popup.mask();
        QCOMPARE(shape.contains(QPoint(0, 0)), false);
        QCOMPARE(shape.contains(QPoint(40, 15)), true);
        QCOMPARE(shape.contains(QPoint(2, 8)), true);

        std::vector<QString> opened;
        SetUrlOpener([&](const QString &url) {
            opened.push_back(url);
            return true;
        });
        popup.SetSummary(Utf8ToGbk("海上明月共潮生"));
        QCOMPARE(popup.ShareAt(QPoint(70, 10)), false);
        QCOMPARE(popup.ShareAt(QPoint(201, 43)), true);
        SetUrlOpener({});
        QCOMPARE(opened.size(), std::size_t(1));
        const QUrlQuery query(QUrl(opened[0]).query(QUrl::FullyEncoded));
        QCOMPARE(query.queryItemValue("webid"), QString("t163"));
        QCOMPARE(query.queryItemValue("summary", QUrl::FullyDecoded), QString::fromUtf8("海上明月共潮生"));
    }
};

int RunShareTests(int argc, char **argv)
{
    ShareTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ShareTest.moc"
