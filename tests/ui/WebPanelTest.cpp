// The web-page panel with the real browser: a local page is shown, 1025 shows and hides it, the
// browser reaches one pixel past every edge, and the page scrolls by the panel's rule.
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

    void scrollsThePageByTheRule()
    {
        // The welcome page is several times taller than this short panel.
        QWidget owner;
        owner.resize(500, 300);
        CWelcomeDlg panel(&owner);
        panel.SetAddress(std::string(PENLARK_SOURCE_IMG) + "\\welcome.htm");
        panel.setGeometry(0, 0, 400, 150);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        CHtmlDlg *page = panel.Page();
        QVERIFY(page != nullptr);
        CExplorer1 *browser = page->Browser();
        QTRY_COMPARE_WITH_TIMEOUT(browser->Title(), QString::fromUtf8("欢迎使用墨韵阁中文写作平台"), 20000);
        // The page lays out again while the panel takes its size: wait for the size, then until
        // the range holds still between two looks.
        QTRY_VERIFY(browser->width() > 400 && browser->height() > 150);
        int lastSeen = -1;
        auto rangeSettled = [&] {
            const int now = browser->ScrollMaximum();
            const bool settled = now > 200 && now == lastSeen;
            lastSeen = now;
            return settled;
        };
        QTRY_VERIFY_WITH_TIMEOUT(rangeSettled(), 20000);
        const int maximum = browser->ScrollMaximum();
        QCOMPARE(browser->ScrollTop(), 0);

        // Each step starts where the previous one settled; the page scrolls asynchronously.
        struct Step
        {
            ScrollRequest request;
            int expected;
        };
        const Step steps[] = {
            {ScrollRequest::LineDown, 30},
            {ScrollRequest::PageDown, 130},
            {ScrollRequest::PageUp, 30},
            {ScrollRequest::Top, 0},
            {ScrollRequest::LineUp, 0},
            {ScrollRequest::LineDown, 30},
            {ScrollRequest::Bottom, maximum},
            // At the bottom a further page stays put, and a line up lands 30 above the maximum,
            // so the panel's maximum is the page's own.
            {ScrollRequest::PageDown, maximum},
            {ScrollRequest::LineUp, maximum - 30},
            {ScrollRequest::Other, maximum - 30},
        };
        for (const Step &step : steps) {
            page->Scroll(step.request);
            QTRY_COMPARE(browser->ScrollTop(), step.expected);
        }
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
