// The corpus panel against the real reference service: a keyword's excerpts with the keyword in
// green, an excerpt opened (its detail fetched once), liked, its source shown and shared to two
// targets whose pages the service received. Under a real X display it saves screenshots.
#include "AppFolder.h"
#include "CorpusMarkup.h"
#include "DisplayTest.h"
#include "DlgShareYuliao.h"
#include "GbkText.h"
#include "MyHtmlListCtrl.h"
#include "OkDialog.h"
#include "OpenUrl.h"
#include "OperationsAccount.h"
#include "ScreenKit.h"
#include "ServiceHooks.h"
#include "ServiceProcess.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QUrlQuery>
#include <QtTest>
#include <json/json.h>

namespace {

constexpr std::int32_t kKeywordId = 1; // "何处" in the seed, with several excerpts

QString Text(const std::string &gbk)
{
    return QString::fromStdString(GbkToUtf8(gbk));
}

bool IsKeywordGreen(QRgb pixel)
{
    // (41, 159, 58) and its anti-aliased blends with white: green well above red and blue.
    return qGreen(pixel) > qRed(pixel) + 50 && qGreen(pixel) > qBlue(pixel) + 40;
}

int CountPixels(const QImage &image, const QRect &area, bool (*test)(QRgb))
{
    int count = 0;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            count += test(image.pixel(x, y)) ? 1 : 0;
    return count;
}

// "a=1&b=2" of an address -> its values, percent-decoded.
std::map<std::string, std::string> QueryOf(const std::string &address)
{
    std::map<std::string, std::string> values;
    const QUrlQuery query(QUrl(QString::fromStdString(address)).query(QUrl::FullyEncoded));
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded))
        values[key.toStdString()] = value.toStdString();
    return values;
}

std::string WithoutWebid(const std::string &address)
{
    const auto start = address.find("webid=");
    const auto end = address.find('&', start);
    return address.substr(0, start) + address.substr(end);
}

} // namespace

class CorpusPanelServiceTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ServiceProcess> m_service;
    std::unique_ptr<QWidget> m_window;
    CMyHtmlListCtrl *m_panel = nullptr;
    std::string m_keyword;
    std::vector<CorpusBrief> m_briefs;
    int m_detailCalls = 0;

    void SignInAgain() { QCOMPARE(SignIn("xuesheng", "123456", nullptr).status, SignInStatus::Success); }

    QPoint CentreOf(int index) const { return m_panel->ItemRect(index).center(); }

    void Click(QPoint point) { QTest::mouseClick(m_panel, Qt::LeftButton, {}, point); }

private slots:
    void initTestCase()
    {
        InitAppFolder(std::string(PENLARK_APP_DIR) + "/penlark");
        m_service = ServiceProcess::Start();
        InitServiceAddresses(m_service->BaseAddress().substr(7, m_service->BaseAddress().size() - 8));
        ServiceContext.DeviceCode = "4748494a4b4c4d4e4f5051525354";
        ServiceHooks &hooks = GetServiceHooks();
        hooks.isMessageBoxOpen = [] { return COkDialog::IsOpen(); };
        hooks.showMessage = [](const std::string &message) { COkDialog::ShowMessage(message); };
        SignInAgain();

        std::vector<ServiceKeyword> keywords;
        QCOMPARE(FetchKeywords("0", keywords), FetchStatus::Ok);
        for (const ServiceKeyword &keyword : keywords)
            if (LeadingNumber(keyword.id) == kKeywordId)
                m_keyword = keyword.text;
        QCOMPARE(Text(m_keyword), QString::fromUtf8("何处"));

        // The writing screen's corpus column: 329 px wide inside its green frame.
        m_window = std::make_unique<QWidget>();
        m_window->resize(400, 620);
        QPalette cream = m_window->palette();
        cream.setColor(QPalette::Window, QColor(0xF6, 0xF8, 0xE3));
        m_window->setPalette(cream);
        m_panel = new CMyHtmlListCtrl;
        m_panel->Create(m_window.get(), QRect(30, 20, 329, 581), kListGridLines);
        const auto realFetch = [](std::int32_t id, CorpusDetail &detail) { return FetchCorpusDetail(id, detail); };
        m_panel->SetDetailFetcher([this, realFetch](std::int32_t id, CorpusDetail &detail) {
            ++m_detailCalls;
            return realFetch(id, detail);
        });
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanupTestCase()
    {
        m_window.reset();
        SetUrlOpener({});
        GetServiceHooks() = ServiceHooks{};
    }

    void fillsThePanelWithTheKeywordInGreen()
    {
        const FetchStatus status = FetchCorpusBriefs(kKeywordId, m_briefs);
        QCOMPARE(status, FetchStatus::Ok);
        QVERIFY(m_briefs.size() >= 3);
        QCOMPARE(m_panel->ShowKeywordCorpus(kKeywordId, m_keyword, status, m_briefs), true);

        QCOMPARE(m_panel->GetItemCount(), int(m_briefs.size()) + 1);
        QCOMPARE(m_panel->Item(0)->text, m_keyword);
        QCOMPARE(m_panel->CurrentKeywordId(), kKeywordId);
        const std::string green = std::string(kKeywordOpenTag) + m_keyword + kKeywordCloseTag;
        for (std::size_t i = 0; i < m_briefs.size(); ++i) {
            const HTMLLIST_ITEM *item = m_panel->Item(int(i) + 1);
            QCOMPARE(item->itemData, m_briefs[i].Id);
            QCOMPARE(item->text, MarkUpExcerpt(m_briefs[i].Brief, m_keyword));
            QVERIFY2(item->text.find(green) != std::string::npos, Text(item->text).toUtf8());
        }

        // Drawn: the keyword's green is in the first excerpt, and in no other colour than the heading's.
        const QImage image = m_panel->grab().toImage();
        QVERIFY(CountPixels(image, m_panel->ItemRect(1), IsKeywordGreen) > 20);
        QVERIFY(!SaveScreenshot(m_window.get(), "corpus_panel.png").isNull());
    }

    void opensAnExcerptFetchingItsDetailOnce()
    {
        Click(CentreOf(1));
        QCOMPARE(m_detailCalls, 1);
        QCOMPARE(m_panel->OpenItem(), 1);
        QCOMPARE(m_panel->ActionState(), kCorpusItemOpen);
        CorpusDetail detail;
        QCOMPARE(FetchCorpusDetail(m_briefs[0].Id, detail), FetchStatus::Ok);
        QCOMPARE(m_panel->Item(1)->text, MarkUpExcerpt(detail.con, m_keyword));
        QCOMPARE(m_panel->Record(m_briefs[0].Id)->plainFull, detail.con);
        // The open item is 40 px taller than its text for the action row.
        QCOMPARE(m_panel->ItemRect(1).height(), m_panel->Item(1)->height + 40);

        Click(CentreOf(2));
        QCOMPARE(m_detailCalls, 2);
        QCOMPARE(m_panel->OpenItem(), 2);
        QCOMPARE(m_panel->Item(1)->text, MarkUpExcerpt(m_briefs[0].Brief, m_keyword));

        Click(CentreOf(1));
        QCOMPARE(m_detailCalls, 2); // fetched before: no second request
        QCOMPARE(m_panel->OpenItem(), 1);
        QCOMPARE(m_panel->Item(1)->text, MarkUpExcerpt(detail.con, m_keyword));
        QCOMPARE(m_panel->Item(2)->text, MarkUpExcerpt(m_briefs[1].Brief, m_keyword));
    }

    void likesTheOpenExcerpt()
    {
        MessageBoxResponder responder;
        ScopedMessageBoxResponder scope(responder);
        Click(m_panel->ActionRects().like.topLeft());
        QCOMPARE(responder.calls.size(), std::size_t(1));
        QCOMPARE(Text(responder.calls[0].message), QString::fromUtf8("谢谢你的参与！你的选择会提升这条语料的排名！"));
        QCOMPARE(Text(responder.calls[0].captions.at(0)), QString::fromUtf8("确 定"));

        // A displaced session: the handler says so, and the panel adds nothing of its own.
        QCOMPARE(m_service->Control("displace?name=xuesheng"), std::string("ok"));
        Click(m_panel->ActionRects().like.center());
        QCOMPARE(responder.calls.size(), std::size_t(2));
        QCOMPARE(Text(responder.calls[1].message), QString::fromUtf8("您的账号已在别处登录，请重新登录！"));
        SignInAgain();

        // A lapsed session whose renewal is refused: the handler's notice, nothing more.
        QCOMPARE(m_service->Control("lapse?name=xuesheng"), std::string("ok"));
        QCOMPARE(m_service->Control("refuse-relogin?name=xuesheng"), std::string("ok"));
        Click(m_panel->ActionRects().like.center());
        QCOMPARE(responder.calls.size(), std::size_t(3));
        QCOMPARE(Text(responder.calls[2].message), QString::fromUtf8("\t您已掉线，请重新登录!"));
        SignInAgain();

        // A lapsed session renewed on the way: liked after all.
        QCOMPARE(m_service->Control("lapse?name=xuesheng"), std::string("ok"));
        Click(m_panel->ActionRects().like.center());
        QCOMPARE(responder.calls.size(), std::size_t(4));
        QCOMPARE(Text(responder.calls[3].message), QString::fromUtf8("谢谢你的参与！你的选择会提升这条语料的排名！"));
    }

    void showsAndHidesTheSource()
    {
        CorpusDetail detail;
        QCOMPARE(FetchCorpusDetail(m_briefs[0].Id, detail), FetchStatus::Ok);
        const int heightBefore = m_panel->ItemRect(1).height();
        const QRect sourceArea = m_panel->ActionRects().source;
        Click(sourceArea.center());
        QCOMPARE(m_panel->ActionState(), kCorpusSourceShown);
        QCOMPARE(Text(m_panel->SourceText()), QString::fromUtf8("文章：") + Text(detail.title) + QString::fromUtf8(" 来源：") +
                                                  Text(detail.cfrom) + QString::fromUtf8(" 作者：") + Text(detail.author));
        QCOMPARE(m_panel->GetSelectedItemText(), m_panel->SourceText());
        QVERIFY(m_panel->ItemRect(1).height() > heightBefore);
        // The actions moved up above the source block, which ends with the item.
        QCOMPARE(m_panel->ActionRects().source.top(), m_panel->ItemRect(1).bottom() + 1 - 30 - m_panel->SourceRect().height());
        QVERIFY(m_panel->SourceRect().height() > 16);
        QCOMPARE(m_panel->SourceRect().bottom(), m_panel->ItemRect(1).bottom());
        QVERIFY(!SaveScreenshot(m_window.get(), "corpus_open_excerpt_source.png").isNull());

        Click(m_panel->ActionRects().source.center());
        QCOMPARE(m_panel->ActionState(), kCorpusItemOpen);
        QCOMPARE(m_panel->ItemRect(1).height(), heightBefore);
        Click(m_panel->ActionRects().source.center());
        QCOMPARE(m_panel->ActionState(), kCorpusSourceShown);
    }

    void sharesToTwoTargets()
    {
        std::vector<std::string> opened;
        SetUrlOpener([&](const QString &url) {
            opened.push_back(url.toStdString());
            return true;
        });
        const QPoint at = m_panel->ActionRects().share.center();
        Click(at);
        CDlgShareYuliao *popup = m_panel->SharePopup();
        QCOMPARE(popup->isVisible(), true);
        QCOMPARE(popup->geometry(), QRect(m_panel->mapToGlobal(QPoint(at.x() - 80, at.y() - 73)), QSize(207, 60)));
        QVERIFY(!SaveScreenshot(m_window.get(), "corpus_share_popup.png").isNull()); // the popup over the panel

        QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(2, 8));
        QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(70, 10)); // between two targets: nothing
        QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(69, 30));
        QCOMPARE(opened.size(), std::size_t(2));
        QCOMPARE(QueryOf(opened[0])["webid"], std::string("tsina"));
        QCOMPARE(QueryOf(opened[1])["webid"], std::string("tqq"));
        QCOMPARE(WithoutWebid(opened[0]), WithoutWebid(opened[1]));

        // The gateway received both, with the excerpt's text as the summary.
        const std::string prefix = m_service->BaseAddress().substr(0, m_service->BaseAddress().size() - 1);
        for (const std::string &address : opened) {
            QVERIFY(address.rfind(prefix + "/send/?webid=", 0) == 0);
            int status = 0;
            m_service->Get(address.substr(prefix.size()), &status);
            QCOMPARE(status, 200);
        }
        Json::Value root;
        QVERIFY(Json::Reader().parse(m_service->Control("shares"), root));
        const Json::Value &rows = root["data"];
        QCOMPARE(rows.size(), 2u);
        const std::string excerpt = GbkToUtf8(m_panel->Record(m_briefs[0].Id)->plainFull);
        QCOMPARE(rows[0]["webid"].asString(), std::string("tsina"));
        QCOMPARE(rows[1]["webid"].asString(), std::string("tqq"));
        for (const Json::Value &row : rows) {
            QCOMPARE(row["summary"].asString(), excerpt);
            QCOMPARE(row["title"].asString(), std::string("墨韵阁中文写作平台"));
            QCOMPARE(row["url"].asString(), m_service->BaseAddress());
        }

        // A second press on the action hides the popup.
        Click(m_panel->ActionRects().share.center());
        QCOMPARE(popup->isVisible(), false);
    }

    void pointerLeavingHidesThePopupUnlessOntoIt()
    {
        Click(m_panel->ActionRects().share.center());
        CDlgShareYuliao *popup = m_panel->SharePopup();
        QCOMPARE(popup->isVisible(), true);
        m_panel->OnPointerLeft(popup->geometry().center());
        QCOMPARE(popup->isVisible(), true);
        m_panel->OnPointerLeft(m_panel->mapToGlobal(QPoint(-20, 10)));
        QCOMPARE(popup->isVisible(), false);

        // A click on the heading, or on no item, hides it too.
        Click(m_panel->ActionRects().share.center());
        QCOMPARE(popup->isVisible(), true);
        Click(CentreOf(0));
        QCOMPARE(popup->isVisible(), false);
    }
};

QTEST_MAIN(CorpusPanelServiceTest)
#include "CorpusPanelServiceTest.moc"
