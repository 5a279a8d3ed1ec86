// The library page on real widgets against a scripted peer, which shows the exact requests: the
// placement at two sizes, the item text, which essays a deletion sends and in which order, the
// confirmation, the two result messages and what follows a failed deletion, and when a click
// fetches an essay.
#include "GbkText.h"
#include "GdipButton.h"
#include "HTMLListCtrlOrg.h"
#include "LibraryLayout.h"
#include "LibraryRules.h"
#include "Md5.h"
#include "MySpaceDlg.h"
#include "NoMarkDlg.h"
#include "OkDialog.h"
#include "ScriptedPeer.h"
#include "ServiceContext.h"
#include "ServiceHooks.h"
#include "ServiceProxy.h"
#include "ViewZuowenDlg.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QtTest>

namespace {

ScriptedPeer &Peer()
{
    static ScriptedPeer peer;
    return peer;
}

std::string U(const char *utf8)
{
    return Utf8ToGbk(utf8);
}

// The text of one element of a request body ("" when it is absent or empty).
std::string ElementText(const std::string &body, const std::string &name)
{
    const std::size_t open = body.find("<" + name + ">");
    if (open == std::string::npos)
        return {};
    const std::size_t start = open + name.size() + 2;
    const std::size_t end = body.find("</" + name + ">", start);
    return end == std::string::npos ? std::string() : body.substr(start, end - start);
}

bool IsOperation(const PeerRequest &request, const std::string &operation)
{
    return request.body.find("<ns1:" + operation + ">") != std::string::npos ||
           request.body.find("<ns1:" + operation + " ") != std::string::npos ||
           request.body.find("<ns1:" + operation + "/>") != std::string::npos;
}

// A WsUserComp answer with essays numbered from firstId, titles "t<id>".
std::string EssayList(std::vector<std::string> ids)
{
    std::string json = R"({"data":[)";
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (i)
            json += ",";
        json += R"({"ID":")" + ids[i] + R"(","Title":"t)" + ids[i] + R"(","CreateTime":"2026-12-0)" + std::to_string(i % 9 + 1) +
                R"( 10:00:00"})";
    }
    return json + "]}";
}

std::vector<std::string> ItemTexts(const CHTMLListCtrlOrg *list)
{
    std::vector<std::string> texts;
    for (int index = 0, found = 0; found < list->GetItemCount(); ++index)
        if (const HTMLLIST_ITEM *item = list->Item(index)) {
            texts.push_back(item->text);
            ++found;
        }
    return texts;
}

// The position of an item's check box and of its text, for real clicks.
QPoint CheckBoxPoint(CHTMLListCtrlOrg *list, int index)
{
    return list->CheckBoxRect(list->ItemRect(index)).center();
}
QPoint TextPoint(CHTMLListCtrlOrg *list, int index)
{
    const QRect rect = list->ItemRect(index);
    return QPoint(rect.left() + 60, rect.center().y());
}

} // namespace

class LibraryPageTest : public QObject
{
    Q_OBJECT

private:
    std::vector<PeerRequest> NewRequests() const
    {
        std::vector<PeerRequest> all = Peer().Requests();
        return {all.begin() + static_cast<std::ptrdiff_t>(m_first), all.end()};
    }
    std::vector<PeerRequest> NewRequestsOf(const std::string &operation) const
    {
        std::vector<PeerRequest> found;
        for (const PeerRequest &request : NewRequests())
            if (IsOperation(request, operation))
                found.push_back(request);
        return found;
    }
    // A page of the main window's content size, shown, with the list loaded.
    std::unique_ptr<CMySpaceDlg> LoadedPage(const std::vector<std::string> &ids)
    {
        auto page = std::make_unique<CMySpaceDlg>();
        page->resize(823, 639);
        page->show();
        Peer().PushResult("WsUserComp", EssayList(ids));
        page->Reload();
        return page;
    }

    std::size_t m_first = 0;
    std::vector<std::string> m_shown; // messages of the common status handler
    MessageBoxResponder m_boxes;
    std::unique_ptr<ScopedMessageBoxResponder> m_responder;

private slots:
    void initTestCase()
    {
        InitServiceAddresses(Peer().HostName());
        SetSignedInAddress(Peer().BaseAddress());
        ServiceContext.UserId = "15";
        ServiceContext.DeviceCode = "4748494a4b4c4d4e4f5051525354";
        ServiceContext.UserName = "student";
        ServiceContext.PasswordDigest = Md5Hex("secret");
    }

    void init()
    {
        m_first = Peer().Requests().size();
        m_shown.clear();
        m_boxes = MessageBoxResponder{};
        m_responder = std::make_unique<ScopedMessageBoxResponder>(m_boxes);
        ServiceHooks &hooks = GetServiceHooks();
        hooks.isMessageBoxOpen = [] { return false; };
        hooks.showMessage = [this](const std::string &message) { m_shown.push_back(message); };
    }

    void cleanup()
    {
        m_responder.reset();
        GetServiceHooks() = ServiceHooks{};
    }

    void pageLayoutFollowsTheSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("viewer");
        QTest::addColumn<QRect>("search");
        QTest::addColumn<QRect>("list");
        QTest::addColumn<QRect>("remove");
        QTest::addColumn<QRect>("up");
        QTest::newRow("main window 1024 x 700") << QSize(823, 639) << QRect(0, 0, 573, 639) << QRect(683, 24, 70, 17)
                                                << QRect(586, 55, 225, 536) << QRect(700, 605, 63, 25) << QRect(773, 605, 30, 25);
        QTest::newRow("maximised 1280 x 1024") << QSize(1079, 963) << QRect(0, 0, 829, 963) << QRect(939, 24, 70, 17)
                                               << QRect(842, 55, 225, 860) << QRect(956, 929, 63, 25) << QRect(1029, 929, 30, 25);
    }
    void pageLayoutFollowsTheSize()
    {
        QFETCH(QSize, size);
        QFETCH(QRect, viewer);
        QFETCH(QRect, search);
        QFETCH(QRect, list);
        QFETCH(QRect, remove);
        QFETCH(QRect, up);
        const MySpaceLayout l = LayOutMySpace(size);
        QCOMPARE(l.viewer, viewer);
        QCOMPARE(l.columnFrame, QRect(size.width() - 244, 6, 238, size.height() - 10));
        QCOMPARE(l.searchBox, search);
        QCOMPARE(l.searchButton, QRect(size.width() - 68, 23, 33, 18));
        QCOMPARE(l.separator, QLine(size.width() - 226, 49, size.width() - 33, 49));
        QCOMPARE(l.list, list);
        QCOMPARE(l.deleteButton, remove);
        QCOMPARE(l.upButton, up);

        // The page places its children by the same rule, at every size.
        CMySpaceDlg page;
        page.resize(size);
        page.show();
        QCOMPARE(page.Panel()->geometry(), viewer);
        QCOMPARE(page.List()->geometry(), list);
        QCOMPARE(page.SearchBox()->geometry(), search);
        QCOMPARE(page.UpButton()->geometry(), up);

        const NoMarkLayout panel = LayOutNoMark(viewer.size());
        QCOMPARE(page.Panel()->Viewer()->geometry(), panel.viewer);
        QCOMPARE(panel.viewer, QRect(12, 2, viewer.width() - 24, viewer.height() - 44));
        QCOMPARE(panel.saveButton, QRect(viewer.width() - 200, viewer.height() - 38, 79, 26));
        QCOMPARE(panel.continueButton, QRect(viewer.width() - 104, viewer.height() - 38, 79, 26));
        const ViewZuowenLayout view = LayOutViewZuowen(panel.viewer.size());
        QCOMPARE(view.titleStrip, QRect((panel.viewer.width() - 300) / 2, 50, 300, 18));
        QCOMPARE(view.editor, QRect(12, 78, panel.viewer.width() - 24, panel.viewer.height() - 122));
        QCOMPARE(view.frame.topLeft(), QPoint(3, 32));
        QCOMPARE(view.frame.bottomRight(), QPoint(panel.viewer.width() - 4, panel.viewer.height() - 8));
    }

    void itemTextPadsShortTimesToTenColumns_data()
    {
        QTest::addColumn<QString>("createTime");
        QTest::addColumn<QString>("text");
        QTest::newRow("date and time") << "2026-12-01 08:30:00"
                                       << "2026-12-01   春天";
        QTest::newRow("eight characters, no blank") << "26-12-01"
                                                    << "26-12-01     春天";
        QTest::newRow("short date and a time") << "2026-1-5 08:30"
                                               << "2026-1-5   春天";
        QTest::newRow("empty") << ""
                               << "             春天";
    }
    void itemTextPadsShortTimesToTenColumns()
    {
        QFETCH(QString, createTime);
        QFETCH(QString, text);
        QCOMPARE(GbkToUtf8(LibraryItemText(createTime.toStdString(), U("春天"))), text.toStdString());
    }

    void deletionPlanRunsBottomUpOverRealIds()
    {
        std::vector<LibraryListItem> items;
        for (int i = 0; i < 7; ++i)
            items.push_back({i, 100 + i, i == 1 || i == 4});
        DeletionPlan plan = PlanDeletion(items);
        QCOMPARE(plan.ids, (std::vector<std::int32_t>{104, 101}));
        QCOMPARE(plan.indexes, (std::vector<int>{4, 1}));

        items[4].id = 0; // checked, but no essay behind it
        plan = PlanDeletion(items);
        QCOMPARE(plan.ids, (std::vector<std::int32_t>{101}));
        items[1].checked = false;
        QCOMPARE(PlanDeletion(items).Empty(), true);
    }

    void listShowsTheServicesEssaysInOrder()
    {
        auto page = LoadedPage({"7", "3", "x9", "12"});
        QCOMPARE(ItemTexts(page->List()),
                 (std::vector<std::string>{"2026-12-01   t7", "2026-12-02   t3", "2026-12-03   tx9", "2026-12-04   t12"}));
        const std::vector<PeerRequest> lists = NewRequestsOf("WsUserComp");
        QCOMPARE(lists.size(), std::size_t(1));
        QCOMPARE(ElementText(lists[0].body, "ns1:pageSize"), std::string("4000"));
        QCOMPARE(ElementText(lists[0].body, "ns1:title"), std::string());

        // A markup-looking title is shown as the student typed it.
        Peer().PushResult("WsUserComp", R"({"data":[{"ID":"1","Title":"<b>粗</b>","CreateTime":"2026-12-01 1:00"}]})");
        page->Reload();
        QCOMPARE(ItemTexts(page->List()), std::vector<std::string>{"2026-12-01   <b>" + U("粗") + "</b>"});
        QCOMPARE(page->List()->Item(0)->type, kItemPlain);
    }

    void deletingItemsTwoAndFiveOfSevenSendsFiveThenTwo()
    {
        auto page = LoadedPage({"11", "12", "13", "14", "15", "16", "17"});
        Peer().PushResult("WsCompInfo", R"({"data":[{"Title":"t","Content":"c"}]})");
        QTest::mouseClick(page->List(), Qt::LeftButton, {}, CheckBoxPoint(page->List(), 1));
        QTest::mouseClick(page->List(), Qt::LeftButton, {}, CheckBoxPoint(page->List(), 4));
        QCOMPARE(page->List()->GetItemCheck(1), true);
        QCOMPARE(page->List()->GetItemCheck(4), true);

        Peer().PushResult("WsDeleteComp", "true");
        page->OnDelete();
        QCOMPARE(m_boxes.calls.size(), std::size_t(2));
        QCOMPARE(m_boxes.calls[0].kind, MessageBoxCall::Kind::Question);
        QCOMPARE(GbkToUtf8(m_boxes.calls[0].message), std::string("文章删除后无法恢复，您是否确定删除？"));
        QCOMPARE(GbkToUtf8(m_boxes.calls[0].captions[0]), std::string("确定"));
        QCOMPARE(GbkToUtf8(m_boxes.calls[0].captions[2]), std::string("取消"));
        QCOMPARE(GbkToUtf8(m_boxes.calls[1].message), std::string("\t  删除成功!"));

        const std::vector<PeerRequest> deletions = NewRequestsOf("WsDeleteComp");
        QCOMPARE(deletions.size(), std::size_t(1));
        QCOMPARE(ElementText(deletions[0].body, "ns1:delId"), std::string("15,12"));
        QCOMPARE(ItemTexts(page->List()).size(), std::size_t(5));
        QCOMPARE(page->List()->Item(1), nullptr);
        QCOMPARE(page->List()->Item(4), nullptr);
        // No reload after a deletion, and the viewer is empty again.
        QCOMPARE(NewRequestsOf("WsUserComp").size(), std::size_t(1));
        QCOMPARE(page->ShownId(), -1);
        QCOMPARE(page->Panel()->Essay().title, std::string());
    }

    void cancelOrNothingCheckedSendsNothing()
    {
        auto page = LoadedPage({"11", "12", "x", "14"});
        page->OnDelete(); // nothing checked: no question, no request
        QCOMPARE(m_boxes.calls.size(), std::size_t(0));

        page->List()->SetItemCheck(2, true); // an item without an identifier is never sent
        page->OnDelete();
        QCOMPARE(m_boxes.calls.size(), std::size_t(0));

        page->List()->SetItemCheck(1, true);
        m_boxes.answer = [](const MessageBoxCall &) { return 3; };
        page->OnDelete();
        QCOMPARE(m_boxes.calls.size(), std::size_t(1));
        QCOMPARE(ItemTexts(page->List()).size(), std::size_t(4));
        QCOMPARE(page->List()->GetItemCheck(1), true);
        QCOMPARE(NewRequestsOf("WsDeleteComp").size(), std::size_t(0));
    }

    // A refused deletion says so and lists the essays again, so none shows as deleted that is
    // not; one the status handler gave up on adds nothing to the handler's message.
    void failedDeletionShowsItsMessageAndReloads()
    {
        auto page = LoadedPage({"11", "12", "13"});
        page->List()->SetItemCheck(0, true);
        Peer().PushResult("WsDeleteComp", "false");
        Peer().PushResult("WsUserComp", EssayList({"11", "12", "13"}));
        page->OnDelete();
        QCOMPARE(m_boxes.calls.size(), std::size_t(2));
        QCOMPARE(GbkToUtf8(m_boxes.calls[1].message), std::string("\t  删除失败!"));
        QCOMPARE(NewRequestsOf("WsUserComp").size(), std::size_t(2));
        QCOMPARE(ItemTexts(page->List()).size(), std::size_t(3));

        m_boxes.calls.clear();
        page->List()->SetItemCheck(2, true);
        Peer().PushResult("WsDeleteComp", "3");
        page->OnDelete();
        QCOMPARE(m_boxes.calls.size(), std::size_t(1)); // the question only
        QCOMPARE(m_shown, std::vector<std::string>{U("您的账号已在别处登录，请重新登录！")});
        QCOMPARE(NewRequestsOf("WsUserComp").size(), std::size_t(2));
    }

    // A deletion that never reached the service says nothing; the list is asked for again and,
    // when that fails too, shows what it showed before.
    void unreachableServiceKeepsTheListAsItWas()
    {
        auto page = LoadedPage({"11", "12", "13"});
        const std::vector<std::string> shown = ItemTexts(page->List());
        page->List()->SetItemCheck(1, true);
        Peer().Push(ScriptedPeer::Reply{}); // the connection closes without an answer
        page->OnDelete();
        QCOMPARE(m_boxes.calls.size(), std::size_t(1)); // the question only
        QCOMPARE(NewRequestsOf("WsDeleteComp").size(), std::size_t(1));
        QCOMPARE(NewRequestsOf("WsUserComp").size(), std::size_t(2));
        QCOMPARE(ItemTexts(page->List()), shown);
        QCOMPARE(page->List()->GetItemCheck(1), true);
        QCOMPARE(page->List()->GetItemData(2), 13);
    }

    void clickFetchesOnlyAnotherEssay()
    {
        auto page = LoadedPage({"21", "22"});
        Peer().PushResult("WsCompInfo", R"({"data":[{"Title":"春","Content":"甲\r\n乙"}]})");
        QTest::mouseClick(page->List(), Qt::LeftButton, {}, TextPoint(page->List(), 0));
        QCOMPARE(page->ShownId(), 21);
        QCOMPARE(page->Panel()->Essay().id, std::string("21"));
        QCOMPARE(page->Panel()->Essay().title, U("春"));
        QCOMPARE(page->Panel()->Essay().content, U("甲") + "\r" + U("乙"));
        QCOMPARE(page->Panel()->Viewer()->Title(), U("春"));
        QTest::mouseClick(page->List(), Qt::LeftButton, {}, TextPoint(page->List(), 0));
        QCOMPARE(NewRequestsOf("WsCompInfo").size(), std::size_t(1));
        QCOMPARE(ElementText(NewRequestsOf("WsCompInfo")[0].body, "ns1:compId"), std::string("21"));

        // An essay the service cannot give leaves the viewer as it was, and is asked for again.
        Peer().PushResult("WsCompInfo", R"({"data":[]})");
        QTest::mouseClick(page->List(), Qt::LeftButton, {}, TextPoint(page->List(), 1));
        QCOMPARE(page->ShownId(), 21);
        QCOMPARE(page->Panel()->Essay().title, U("春"));
        QTest::mouseClick(page->List(), Qt::LeftButton, {}, TextPoint(page->List(), 1));
        QCOMPARE(NewRequestsOf("WsCompInfo").size(), std::size_t(3));

        // A press below the items changes nothing.
        QTest::mouseClick(page->List(), Qt::LeftButton, {}, QPoint(40, page->List()->height() - 5));
        QCOMPARE(NewRequestsOf("WsCompInfo").size(), std::size_t(3));
    }

    void upButtonScrollsElevenLinesUp()
    {
        std::vector<std::string> ids;
        for (int i = 1; i <= 200; ++i)
            ids.push_back(std::to_string(i));
        auto page = LoadedPage(ids);
        QScrollBar *bar = page->List()->ScrollBar();
        QVERIFY(bar->maximum() > 1000);
        page->List()->SetScrollPos(1000);
        QTest::mouseClick(page->UpButton(), Qt::LeftButton, {}, QPoint(15, 12));
        QCOMPARE(bar->value(), 1000 - 11 * CHTMLListCtrl::kLineStep);
        QTest::mouseClick(page->UpButton(), Qt::LeftButton, {}, QPoint(15, 12));
        QCOMPARE(bar->value(), 0);
    }

    // An empty list says in its place why it is empty, with the searched title as plain text;
    // a list the service could not give says nothing.
    void emptyListSaysWhy_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("notice"); // "" for none shown
        QTest::newRow("empty library") << "" << true << R"({"data":[]})" << QString::fromUtf8("还没有作文");
        QTest::newRow("search without result") << QString::fromUtf8("  春天 ") << true << R"({"data":[]})"
                                               << QString::fromUtf8("没有找到标题含有春天的作文");
        QTest::newRow("markup in the title") << "<b>x</b>" << true << R"({"data":[]})"
                                             << QString::fromUtf8("没有找到标题含有<b>x</b>的作文");
        QTest::newRow("essays found") << QString::fromUtf8("t") << true << QString::fromStdString(EssayList({"4"})) << "";
        QTest::newRow("service unreachable") << "" << false << "" << "";
    }
    void emptyListSaysWhy()
    {
        QFETCH(QString, search);
        QFETCH(bool, reachable);
        QFETCH(QString, reply);
        QFETCH(QString, notice);
        auto page = LoadedPage({"1"});
        QCOMPARE(page->EmptyNotice()->isVisible(), false);
        if (reachable)
            Peer().PushResult("WsUserComp", reply.toStdString());
        else
            Peer().Push(ScriptedPeer::Reply{});
        page->SearchBox()->setText(search);
        page->OnSearch();
        QCOMPARE(page->EmptyNotice()->isVisible(), !notice.isEmpty());
        if (!notice.isEmpty()) {
            QCOMPARE(page->EmptyNotice()->text(), notice);
            QCOMPARE(page->EmptyNotice()->textFormat(), Qt::PlainText);
            QCOMPARE(page->EmptyNotice()->geometry().intersects(page->List()->geometry()), true);
            QDir().mkpath(PENLARK_SCREENSHOT_DIR);
            const QString name = QString(QTest::currentDataTag()).replace(' ', '_');
            QVERIFY(page->grab().save(QString(PENLARK_SCREENSHOT_DIR) + "/library_empty_" + name + ".png"));
        }
    }

    void deletingTheLastEssayShowsTheEmptyNotice()
    {
        auto page = LoadedPage({"31"});
        page->List()->SetItemCheck(0, true);
        Peer().PushResult("WsDeleteComp", "true");
        page->OnDelete();
        QCOMPARE(page->List()->GetItemCount(), 0);
        QCOMPARE(page->EmptyNotice()->isVisible(), true);
        QCOMPARE(page->EmptyNotice()->text(), QString::fromUtf8("还没有作文"));
    }

    void searchSendsTrimmedWordsAndEmptyingListsAll()
    {
        auto page = LoadedPage({"1", "2"});
        page->Panel()->ShowEssay("1", "t", "c");
        Peer().PushResult("WsUserComp", EssayList({"2"}));
        page->SearchBox()->setText(QString::fromUtf8("  春 "));
        QCOMPARE(NewRequestsOf("WsUserComp").size(), std::size_t(1)); // typing alone does not search
        QTest::mouseClick(page->SearchButton(), Qt::LeftButton, {}, QPoint(16, 9));
        QCOMPARE(ElementText(NewRequestsOf("WsUserComp").back().body, "ns1:title"), std::string("春"));
        QCOMPARE(ItemTexts(page->List()).size(), std::size_t(1));
        QCOMPARE(page->Panel()->Essay().id, std::string());

        page->Panel()->ShowEssay("1", "t", "c");
        Peer().PushResult("WsUserComp", EssayList({"1", "2"}));
        page->SearchBox()->clear();
        QCOMPARE(NewRequestsOf("WsUserComp").size(), std::size_t(3));
        QCOMPARE(ElementText(NewRequestsOf("WsUserComp").back().body, "ns1:title"), std::string());
        QCOMPARE(ItemTexts(page->List()).size(), std::size_t(2));
        QCOMPARE(page->Panel()->Essay().id, std::string());
    }
};

QTEST_MAIN(LibraryPageTest)
#include "LibraryPageTest.moc"
