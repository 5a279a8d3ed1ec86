// The web-page panel with the real browser: a local page is shown, 1025 shows and hides it, the
// browser reaches one pixel past every edge.
#include "WelcomeDlg.h"
#include "WindowMessage.h"

#include <QApplication>
#include <QtTest>

class WebPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void showsTheLocalPageAndAnswersShowAndHide()
    {
        QWidget owner;
        owner.resize(823, 639);
        CWelcomeDlg panel(&owner);
        panel.SetAddress(std::string(PENLARK_SOURCE_IMG) + "\\welcome.htm");
        panel.setGeometry(0, 0, 600, 400);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        CHtmlDlg *page = panel.Page();
        QVERIFY(page != nullptr);
        QCOMPARE(page->geometry(), QRect(0, 0, 600, 400));
        QCOMPARE(page->Browser()->geometry(), QRect(-1, -1, 601, 401));
        QCOMPARE(page->Browser()->Url().isLocalFile(), true);
        QTRY_COMPARE_WITH_TIMEOUT(page->Browser()->Title(), QString::fromUtf8("欢迎使用墨韵阁中文写作平台"), 20000);

        SendWindowMessage(page, kMsgWebPanelShow, 0);
        QCOMPARE(page->isVisible(), false);
        SendWindowMessage(page, kMsgWebPanelShow, 1);
        QCOMPARE(page->isVisible(), true);
        QCOMPARE(page->Browser()->isVisible(), true);
    }
};

int main(int argc, char **argv)
{
    // The web engine needs no sandbox or GPU here (tests may run as root, without a GPU).
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    WebPanelTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "WebPanelTest.moc"
