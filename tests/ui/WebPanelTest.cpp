// The web-page panel with the real browser: a local page is shown, 1025 shows and hides it, the
// browser reaches one pixel past every edge, and the page scrolls by the panel's rule.
#include "WelcomeDlg.h"
#include "WindowMessage.h"

#include <QApplication>
#include <QMenu>
#include <QWebEnginePage>
#include <QWebEngineView>
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

    void linkScope_data()
    {
        QTest::addColumn<QString>("scope");
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("stays");
        const QString activity = "http://127.0.0.1:8089/activity/1.aspx";
        QTest::newRow("another activity") << activity << "http://127.0.0.1:8089/activity/2.aspx" << true;
        QTest::newRow("deeper in the folder") << activity << "http://127.0.0.1:8089/activity/1/rules.aspx?x=1" << true;
        QTest::newRow("platform page outside") << activity << "http://127.0.0.1:8089/help.aspx" << false;
        QTest::newRow("dot segments out") << activity << "http://127.0.0.1:8089/activity/../user/a.aspx" << false;
        QTest::newRow("folder name as prefix") << activity << "http://127.0.0.1:8089/activityx/1.aspx" << false;
        QTest::newRow("other port") << activity << "http://127.0.0.1:9000/activity/2.aspx" << false;
        QTest::newRow("other host") << activity << "http://example.org/activity/2.aspx" << false;
        QTest::newRow("other scheme") << activity << "https://127.0.0.1:8089/activity/2.aspx" << false;
        QTest::newRow("script") << activity << "javascript:alert(1)" << false;
        QTest::newRow("site root scope") << "https://site.example/index.aspx" << "https://SITE.example/news/1.aspx" << true;
        QTest::newRow("no scope") << "" << "file:///etc/passwd" << true;
    }
    void linkScope()
    {
        QFETCH(QString, scope);
        QFETCH(QString, link);
        QFETCH(bool, stays);
        QCOMPARE(LinkStaysInScope(QUrl(scope), QUrl(link)), stays);
    }

    // The welcome page offers no web engine menu: nothing without a selection, "复制" with one.
    void contextMenuOnlyCopies()
    {
        QWidget owner;
        owner.resize(500, 300);
        CWelcomeDlg panel(&owner);
        panel.SetAddress(std::string(PENLARK_SOURCE_IMG) + "\\welcome.htm");
        panel.setGeometry(0, 0, 400, 250);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        CExplorer1 *browser = panel.Page()->Browser();
        QTRY_COMPARE_WITH_TIMEOUT(browser->Title(), QString::fromUtf8("欢迎使用墨韵阁中文写作平台"), 20000);
        QCOMPARE(browser->View()->contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(browser->CreateContextMenu(&owner), nullptr);
        browser->View()->page()->triggerAction(QWebEnginePage::SelectAll);
        QTRY_COMPARE(browser->View()->hasSelection(), true);
        std::unique_ptr<QMenu> menu(browser->CreateContextMenu(&owner));
        QVERIFY(menu);
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << action->text();
        QCOMPARE(texts, QStringList{QString::fromUtf8("复制")});
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
        QTRY_VERIFY(browser->ScrollMaximum() > 200);
        QCOMPARE(browser->ScrollTop(), 0);

        // Each step starts where the previous one settled; the page scrolls asynchronously. The
        // page may still settle its layout while the panel takes its size, so positions near the
        // bottom are counted from the page's maximum as it stands when the step is checked.
        struct Step
        {
            ScrollRequest request;
            int expected;
            bool fromBottom;
        };
        const Step steps[] = {
            {ScrollRequest::LineDown, 30, false},
            {ScrollRequest::PageDown, 130, false},
            {ScrollRequest::PageUp, 30, false},
            {ScrollRequest::Top, 0, false},
            {ScrollRequest::LineUp, 0, false},
            {ScrollRequest::LineDown, 30, false},
            {ScrollRequest::Bottom, 0, true},
            // At the bottom a further page stays put, and a line up lands 30 above the maximum,
            // so the panel's maximum is the page's own.
            {ScrollRequest::PageDown, 0, true},
            {ScrollRequest::LineUp, 30, true},
            {ScrollRequest::Other, 30, true},
        };
        for (const Step &step : steps) {
            page->Scroll(step.request);
            QTRY_COMPARE(browser->ScrollTop(), step.fromBottom ? browser->ScrollMaximum() - step.expected : step.expected);
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
