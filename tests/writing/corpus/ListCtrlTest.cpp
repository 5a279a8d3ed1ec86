// The markup lists as widgets: item heights, press and key selection with their notifications,
// scrolling, the corpus panel's states without a service, and the library page's variant.
#include "CorpusMarkup.h"
#include "DlgShareYuliao.h"
#include "Fonts.h"
#include "GbkText.h"
#include "HTMLListCtrlOrg.h"
#include "MyHtmlListCtrl.h"
#include "OkDialog.h"

#include <QFontMetrics>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(HtmlListNotify)

namespace {

std::string Gbk(const char *utf8)
{
    return Utf8ToGbk(utf8);
}

QString Codes(const std::vector<HtmlListNotify> &notes)
{
    QStringList codes;
    for (const HtmlListNotify &note : notes)
        codes << QString::number(note.code) + (note.index >= 0 ? "@" + QString::number(note.index) : QString());
    return codes.join(' ');
}

// Records every notification of a list.
struct NotifyLog
{
    explicit NotifyLog(CHTMLListCtrl &list)
    {
        QObject::connect(&list, &CHTMLListCtrl::Notify, &list, [this](const HtmlListNotify &note) { notes.push_back(note); });
    }
    QString TakeCodes()
    {
        const QString codes = Codes(notes);
        notes.clear();
        return codes;
    }
    std::vector<HtmlListNotify> notes;
};

// A panel with a heading and three excerpts whose details come from a table instead of the service.
struct PanelFixture
{
    QWidget host;
    CMyHtmlListCtrl *panel = new CMyHtmlListCtrl;
    std::map<std::int32_t, CorpusDetail> details;
    int fetches = 0;

    PanelFixture()
    {
        host.resize(400, 600);
        panel->Create(&host, QRect(10, 10, 329, 560), kListGridLines);
        panel->SetDetailFetcher([this](std::int32_t id, CorpusDetail &detail) {
            ++fetches;
            const auto it = details.find(id);
            if (it == details.end())
                return FetchStatus::TransportFailure;
            detail = it->second;
            return FetchStatus::Ok;
        });
        const std::vector<CorpusBrief> briefs = {
            {11, Gbk("春风又绿江南岸")}, {12, Gbk("春眠不觉晓")}, {13, Gbk("春江潮水连海平")}};
        panel->ShowKeywordCorpus(7, Gbk("春"), FetchStatus::Ok, briefs);
        details[11] = {Gbk("京口瓜洲一水间，春风又绿江南岸。"), Gbk("泊船瓜洲"), Gbk("唐诗"), Gbk("王安石")};
        details[12] = {Gbk("春眠不觉晓，处处闻啼鸟。"), Gbk("春晓"), Gbk("唐诗"), Gbk("孟浩然")};
        host.show();
    }

    void Click(int index) { QTest::mouseClick(panel, Qt::LeftButton, {}, panel->ItemRect(index).center()); }
};

// A double click as the window system delivers it: press, release, then a double-click event in
// place of the second press, and its release.
void DoubleClick(QWidget *widget, QPoint point)
{
    const QPointF local(point), global(widget->mapToGlobal(point));
    const auto send = [&](QEvent::Type type, Qt::MouseButtons held) {
        QMouseEvent event(type, local, global, Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    send(QEvent::MouseButtonDblClick, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
}

} // namespace

class ListCtrlTest : public QObject
{
    Q_OBJECT

private slots:
    void itemsAreAsTallAsTheirText()
    {
        QWidget host;
        CHTMLListCtrl list;
        list.Create(&host, QRect(0, 0, 300, 400));
        const QFont font = MakeFont(QString::fromUtf8("宋体"), 18);
        const int width = list.ContentWidth() - 5;
        const std::string markup = Gbk("<b>第一行</b><br>第二行<br>第三行");
        const std::string plain = Gbk("一段很长的文字会在列表的宽度里自动换行，一直到放得下为止。");

        const int a = list.InsertItem(markup);
        const int b = list.InsertItem(plain, kItemPlain);
        const int c = list.InsertItem("/home/student/essays/a/very/long/path/essay.doc", kItemPath);
        const int d = list.InsertItem(markup, kItemMarkup, 77);
        QCOMPARE(QList<int>({a, b, c, d}), QList<int>({0, 1, 2, 3}));
        QCOMPARE(list.Item(a)->height, LayoutMarkup(markup, font, Qt::black, width).height + 10);
        QCOMPARE(list.Item(a)->height, 3 * QFontMetrics(font).height() + 10);
        QCOMPARE(list.Item(b)->height,
                 QFontMetrics(font)
                         .boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, QString::fromStdString(GbkToUtf8(plain)))
                         .height() +
                     10);
        QCOMPARE(list.Item(c)->height, QFontMetrics(font).height() + 10);
        QCOMPARE(list.Item(d)->height, 77);
        QCOMPARE(list.TotalHeight(), list.Item(a)->height + list.Item(b)->height + list.Item(c)->height + 77);

        // New text is measured again; a deleted item leaves the others' indexes alone.
        list.SetItemText(a, "x");
        QCOMPARE(list.Item(a)->height, QFontMetrics(font).height() + 10);
        QCOMPARE(list.DeleteItem(b), true);
        QCOMPARE(list.Item(c)->index, 2);
        QCOMPARE(list.GetItemCount(), 3);
        list.DeleteAllItems();
        QCOMPARE(list.GetItemCount(), 0);
        QCOMPARE(list.GetSelectedItem(), -1);
        QCOMPARE(list.InsertItem("again"), 0);
    }

    void pressesSelectAndNotify()
    {
        QWidget host;
        CHTMLListCtrl list;
        list.Create(&host, QRect(0, 0, 300, 400), kListCheckBoxes);
        host.show();
        for (int i = 0; i < 3; ++i) {
            list.InsertItem("item " + std::to_string(i));
            list.SetItemData(i, 100 + i);
        }
        NotifyLog log(list);

        QTest::mouseClick(&list, Qt::LeftButton, {}, list.ItemRect(1).center());
        QCOMPARE(list.GetSelectedItem(), 1);
        QCOMPARE(log.notes.back().itemData, 101);
        QCOMPARE(log.notes.back().text, std::string("item 1"));
        QCOMPARE(log.TakeCodes(), QString("2 1@1"));
        QCOMPARE(host.focusWidget(), static_cast<QWidget *>(&list));

        QTest::mouseClick(&list, Qt::LeftButton, {}, list.CheckBoxRect(list.ItemRect(2)).center());
        QCOMPARE(list.GetItemCheck(2), true);
        QCOMPARE(log.TakeCodes(), QString("2 5@2 1@2"));

        QTest::mouseClick(&list, Qt::LeftButton, {}, QPoint(50, 390)); // below the items
        QCOMPARE(list.GetSelectedItem(), -1);
        QCOMPARE(log.TakeCodes(), QString("2"));

        DoubleClick(&list, list.ItemRect(0).center()); // as the window system sends it: a press first
        QVERIFY(log.TakeCodes().endsWith("4@0"));
    }

    void keysMoveTheSelectionIntoView()
    {
        QWidget host;
        CHTMLListCtrl list;
        list.Create(&host, QRect(0, 0, 300, 120), kListCheckBoxes);
        host.show();
        for (int i = 0; i < 8; ++i)
            list.InsertItem("line " + std::to_string(i));
        NotifyLog log(list);
        list.setFocus();

        QTest::keyClick(&list, Qt::Key_Down); // from none: the last item
        QCOMPARE(list.GetSelectedItem(), 7);
        QCOMPARE(list.ItemRect(7).bottom(), 119); // scrolled fully into view at the bottom
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.GetSelectedItem(), 7);
        QTest::keyClick(&list, Qt::Key_Up);
        QCOMPARE(list.GetSelectedItem(), 6);
        QCOMPARE(log.TakeCodes(), QString("1@7 1@7 1@6"));
        QTest::keyClick(&list, Qt::Key_Space);
        QCOMPARE(list.GetItemCheck(6), true);
        QCOMPARE(log.TakeCodes(), QString("5@6"));

        list.SetSelectedItem(-1);
        QTest::keyClick(&list, Qt::Key_Up); // from none: the first item, scrolled back to the top
        QCOMPARE(list.GetSelectedItem(), 0);
        QCOMPARE(list.ItemRect(0).top(), 0);
    }

    void scrollsByFiftyPerStepAndFortyPerNotch()
    {
        QWidget host;
        CHTMLListCtrl list;
        list.Create(&host, QRect(0, 0, 300, 200));
        host.show();
        for (int i = 0; i < 20; ++i)
            list.InsertItem("line " + std::to_string(i));
        QScrollBar *bar = list.ScrollBar();
        QCOMPARE(bar->maximum(), list.TotalHeight() - 200);

        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(list.ScrollPos(), 50);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(list.ScrollPos(), 100);
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(list.ScrollPos(), 50);

        QWheelEvent down(QPointF(50, 50), list.mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&list, &down);
        QCOMPARE(list.ScrollPos(), 90);
        list.SetScrollPos(100000);
        QCOMPARE(list.ScrollPos(), bar->maximum()); // never past the end
        QCOMPARE(list.ItemRect(19).bottom(), 199);
    }

    // A notch is 40 pixels; a touchpad's fractions of a notch add up to the same distance, and
    // its pixel deltas scroll by their own pixels.
    void smallWheelDeltasAddUp_data()
    {
        QTest::addColumn<QPoint>("angle");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<int>("events");
        QTest::addColumn<int>("scrolled");
        QTest::newRow("40 a turn, once") << QPoint(0, -40) << QPoint() << 1 << 13;
        QTest::newRow("40 a turn, 3 turns") << QPoint(0, -40) << QPoint() << 3 << 40;
        QTest::newRow("15 a turn, once") << QPoint(0, -15) << QPoint() << 1 << 5;
        QTest::newRow("15 a turn, 8 turns") << QPoint(0, -15) << QPoint() << 8 << 40;
        QTest::newRow("pixels, 7 a turn") << QPoint(0, -21) << QPoint(0, -7) << 3 << 21;
    }

    void smallWheelDeltasAddUp()
    {
        QFETCH(QPoint, angle);
        QFETCH(QPoint, pixel);
        QFETCH(int, events);
        QFETCH(int, scrolled);
        QWidget host;
        CHTMLListCtrl list;
        list.Create(&host, QRect(0, 0, 300, 200));
        host.show();
        for (int i = 0; i < 20; ++i)
            list.InsertItem("line " + std::to_string(i));
        for (int i = 0; i < events; ++i) {
            QWheelEvent turn(QPointF(50, 50), list.mapToGlobal(QPointF(50, 50)), pixel, angle, Qt::NoButton,
                             Qt::NoModifier, Qt::ScrollUpdate, false);
            QApplication::sendEvent(&list, &turn);
        }
        QCOMPARE(list.ScrollPos(), scrolled);
    }

    void panelFillsFromTheBriefResult()
    {
        PanelFixture f;
        QCOMPARE(f.panel->GetItemCount(), 4);
        QCOMPARE(f.panel->Item(0)->text, Gbk("春"));

        // An empty list and a document that did not parse both leave the heading alone.
        for (FetchStatus status : {FetchStatus::Ok, FetchStatus::BadDocument}) {
            PanelFixture g;
            QCOMPARE(g.panel->ShowKeywordCorpus(8, Gbk("秋"), status, {}), true);
            QCOMPARE(g.panel->GetItemCount(), 1);
            QCOMPARE(g.panel->Item(0)->text, Gbk("秋"));
        }
        // Anything else leaves the panel, and its keyword, as they were.
        for (FetchStatus status : {FetchStatus::TransportFailure, FetchStatus::Abandoned, FetchStatus::Empty}) {
            QCOMPARE(f.panel->ShowKeywordCorpus(8, Gbk("秋"), status, {{1, Gbk("秋")}}), false);
            QCOMPARE(f.panel->GetItemCount(), 4);
            QCOMPARE(f.panel->CurrentKeywordText(), Gbk("春"));
        }
    }

    void actionAreasLieUnderTheOpenExcerpt()
    {
        PanelFixture f;
        QCOMPARE(f.panel->ActionRects().like, QRect());
        f.Click(1);
        QCOMPARE(f.panel->OpenItem(), 1);
        const QRect item = f.panel->ItemRect(1);
        const int y = item.bottom() + 1 - 30;
        const CorpusActionRects rects = f.panel->ActionRects();
        QCOMPARE(rects.like, QRect(item.left() + 40, y, 84, 12));
        QCOMPARE(rects.share, QRect(item.left() + 140, y, 42, 12));
        QCOMPARE(rects.source, QRect(item.left() + 200, y, 56, 12));

        // A selected heading is 40 px taller but shows no actions.
        f.Click(0);
        QCOMPARE(f.panel->ItemRect(0).height(), f.panel->Item(0)->height + 40);
        QCOMPARE(f.panel->ActionRects().like, QRect());
    }

    void anExcerptWithoutItsDetailStaysABriefAndAsksAgain()
    {
        PanelFixture f;
        const std::string brief = f.panel->Item(3)->text;
        f.Click(3); // no detail for id 13
        QCOMPARE(f.fetches, 1);
        QCOMPARE(f.panel->OpenItem(), -1);
        QCOMPARE(f.panel->ActionState(), kCorpusNothingOpen);
        QCOMPARE(f.panel->Item(3)->text, brief);
        f.Click(3);
        QCOMPARE(f.fetches, 2);
        f.details[13] = {Gbk("春江潮水连海平，海上明月共潮生。"), Gbk("春江花月夜"), Gbk("唐诗"), Gbk("张若虚")};
        f.Click(3);
        QCOMPARE(f.fetches, 3);
        QCOMPARE(f.panel->OpenItem(), 3);
        QCOMPARE(f.panel->Item(3)->text, MarkUpExcerpt(f.details[13].con, Gbk("春")));
    }

    void likeMessagesFollowTheResult()
    {
        PanelFixture f;
        f.Click(1);
        MessageBoxResponder responder;
        ScopedMessageBoxResponder scope(responder);
        std::vector<std::int32_t> liked;
        for (LikeResult result : {LikeResult::Liked, LikeResult::Failed, LikeResult::Abandoned}) {
            f.panel->SetLikeSender([&, result](std::int32_t id) {
                liked.push_back(id);
                return LikeReply{result, "message " + std::to_string(int(result))};
            });
            QTest::mouseClick(f.panel, Qt::LeftButton, {}, f.panel->ActionRects().like.center());
        }
        QCOMPARE(liked, std::vector<std::int32_t>({11, 11, 11}));
        QCOMPARE(responder.calls.size(), std::size_t(2)); // nothing for the abandoned one
        QCOMPARE(responder.calls[0].message, std::string("message 0"));
        QCOMPARE(responder.calls[1].message, std::string("message 1"));
    }

    // A double click acts once: a check box ends toggled, the share popup ends shown, a like is
    // sent once; the list still reports the double click itself.
    void doubleClicksActOnce()
    {
        QWidget host;
        CHTMLListCtrlOrg list;
        list.Create(&host, QRect(0, 0, 300, 200), kListCheckBoxes | kListGridLines);
        host.show();
        list.InsertItem("first");
        list.InsertItem("second");
        NotifyLog log(list);
        DoubleClick(&list, list.CheckBoxRect(list.ItemRect(1)).center());
        QCOMPARE(list.GetItemCheck(1), true);
        QCOMPARE(log.TakeCodes(), QString("2 5@1 1@1 4@1"));

        PanelFixture f;
        f.Click(1);
        DoubleClick(f.panel, f.panel->ActionRects().share.center());
        QCOMPARE(f.panel->IsShareShown(), true);
        // The next single click still acts: the popup goes.
        QTest::mouseClick(f.panel, Qt::LeftButton, {}, f.panel->ActionRects().share.center());
        QCOMPARE(f.panel->IsShareShown(), false);

        MessageBoxResponder responder;
        ScopedMessageBoxResponder scope(responder);
        std::vector<std::int32_t> liked;
        f.panel->SetLikeSender([&](std::int32_t id) {
            liked.push_back(id);
            return LikeReply{LikeResult::Liked, "liked"};
        });
        DoubleClick(f.panel, f.panel->ActionRects().like.center());
        QCOMPARE(liked, std::vector<std::int32_t>({11}));
    }

    void pointerLeavingThePanelHidesTheShareUnlessOntoIt()
    {
        PanelFixture f;
        f.Click(1);
        QTest::mouseClick(f.panel, Qt::LeftButton, {}, f.panel->ActionRects().share.center());
        QCOMPARE(f.panel->IsShareShown(), true);
        QEvent leave(QEvent::Leave);

        QCursor::setPos(f.panel->SharePopup()->geometry().center());
        QApplication::sendEvent(f.panel, &leave);
        QCOMPARE(f.panel->IsShareShown(), true);

        QCursor::setPos(f.panel->mapToGlobal(QPoint(f.panel->width() + 30, 5)));
        QApplication::sendEvent(f.panel, &leave);
        QCOMPARE(f.panel->IsShareShown(), false);

        // Hiding the panel takes the popup with it.
        QTest::mouseClick(f.panel, Qt::LeftButton, {}, f.panel->ActionRects().share.center());
        QCOMPARE(f.panel->IsShareShown(), true);
        f.panel->hide();
        QCOMPARE(f.panel->IsShareShown(), false);
    }

    void libraryListFillsTheSelectionAndDrawsPicturedChecks()
    {
        QWidget host;
        CHTMLListCtrlOrg list;
        list.Create(&host, QRect(0, 0, 300, 200), kListCheckBoxes | kListGridLines);
        host.show();
        list.InsertItem("first");
        list.InsertItem("second");
        QCOMPARE(list.CheckBoxStrip().imageWidth(), 2 * list.CheckBoxStrip().imageHeight());
        QCOMPARE(list.Item(0)->height, QFontMetrics(MakeFont("Tahoma", 11)).height() + 10);

        QTest::mouseClick(&list, Qt::LeftButton, {}, list.CheckBoxRect(list.ItemRect(1)).center());
        QCOMPARE(list.GetItemCheck(1), true);
        const QImage image = list.grab().toImage();
        const QRect selected = list.ItemRect(1);
        QCOMPARE(image.pixelColor(selected.right() - 20, selected.center().y()), QColor(127, 201, 254));
        QCOMPARE(image.pixelColor(list.ItemRect(0).right() - 20, list.ItemRect(0).center().y()), QColor(Qt::white));
        // The two check boxes show the strip's two halves.
        const QRect box0 = list.CheckBoxRect(list.ItemRect(0)), box1 = list.CheckBoxRect(selected);
        const int side = int(list.CheckBoxStrip().imageHeight());
        const QImage strip = list.CheckBoxStrip().Frame(0);
        const int top0 = box0.top() + (box0.height() - side) / 2, top1 = box1.top() + (box1.height() - side) / 2;
        for (int y = 1; y < side - 1; ++y)
            for (int x = 1; x < side - 1; ++x) {
                QCOMPARE(image.pixel(box0.left() + x, top0 + y), strip.pixel(x, y));
                QCOMPARE(image.pixel(box1.left() + x, top1 + y), strip.pixel(side + x, y));
            }
    }
};

int RunListCtrlTests(int argc, char **argv)
{
    ListCtrlTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ListCtrlTest.moc"
