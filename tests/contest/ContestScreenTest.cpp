// The writing contest end to end, real windows against the reference service: the contest page's
// tabs, pages and write button, the write button's answers, the preliminary and second rounds
// submitted once after a confirmation, the topic chooser, the countdown and its warnings.
#include "ActivityDlg.h"
#include "AppFolder.h"
#include "DisplayTest.h"
#include "ChuSaiWriteDlg.h"
#include "ChuxuanYaoqiuDlg.h"
#include "DlgXuanTimu.h"
#include "FusaiWriteDlg.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "MyEdit.h"
#include "MyHtmlListCtrl.h"
#include "OkDialog.h"
#include "OperationsComposition.h"
#include "PenlarkDlg.h"
#include "RequirementText.h"
#include "QtText.h"
#include "ScreenKit.h"
#include "SignedInSession.h"
#include "WelcomeDlg.h"
#include "WindowMessage.h"
#include "WriteView.h"
#include "XuantiFatherDlg.h"

#include <QDir>
#include <QPointer>
#include <QTextBlock>
#include <QTextEdit>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QtTest>
#include <sqlite3.h>

namespace {

std::string U(const char *utf8)
{
    return Utf8ToGbk(utf8);
}

CActivityDlg *OpenContestPage(CpenlarkDlg *main)
{
    QTest::mouseClick(main->NavButton(mainlayout::kNavContest), Qt::LeftButton);
    // The group button's choice arrives as a posted message: null when it never came.
    if (!QTest::qWaitFor([main] { return main->CurrentPanel() == CpenlarkDlg::Panel::Contest; }))
        return nullptr;
    return static_cast<CActivityDlg *>(main->PanelWidget(CpenlarkDlg::Panel::Contest));
}

// The contest entries the service holds for the user: "round,activity,match,title" each.
std::vector<std::string> ServiceEntries(const SignedInSession &session)
{
    sqlite3 *db = nullptr;
    std::vector<std::string> rows;
    if (sqlite3_open_v2(const_cast<SignedInSession &>(session).Service().DatabasePath().c_str(), &db, SQLITE_OPEN_READONLY,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt *s = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT round, activity_id, match_id, title, content FROM entries e JOIN users u ON u.id = e.user_id "
                       "WHERE u.name = 'xuesheng' ORDER BY e.id",
                       -1, &s, nullptr);
    while (s && sqlite3_step(s) == SQLITE_ROW) {
        std::string row;
        for (int c = 0; c < 5; ++c) {
            if (c > 0)
                row.push_back('|');
            row.append(reinterpret_cast<const char *>(sqlite3_column_text(s, c)));
        }
        rows.push_back(row);
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return rows;
}

// Follows a link as a click on it would, from inside the shown page.
void FollowLink(CExplorer1 *browser, const QString &href, const QString &target = QString())
{
    browser->View()->page()->runJavaScript(
        QStringLiteral("(function(){var a=document.createElement('a');a.href='%1';a.target='%2';"
                       "document.body.appendChild(a);a.click();})()")
            .arg(href, target));
}

std::vector<std::string> Texts(const std::vector<MessageBoxCall> &calls)
{
    std::vector<std::string> texts;
    for (const MessageBoxCall &call : calls)
        texts.push_back(GbkToUtf8(call.message));
    return texts;
}

// The colour of each character of a rich text, "g" for the label green and "." for any other.
QString ColourMap(QTextEdit *edit)
{
    QString map;
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const bool green = fragment.charFormat().foreground().color() == QColor(0x1E, 0x84, 0x39);
            map += QString(fragment.length(), green ? QLatin1Char('g') : QLatin1Char('.'));
        }
        map += QLatin1Char('|');
    }
    return map;
}

ContestTopic Topic(int i)
{
    const std::string n = std::to_string(i);
    return ContestTopic{std::to_string(300 + i), U("题目") + n, U("要求") + n, U("评委") + n, U("散文")};
}

} // namespace

class ContestScreenTest : public QObject
{
    Q_OBJECT

private slots:
    void pageTabsWriteButtonAndTheServiceMessages()
    {
        SignedInSession::Options options;
        options.signIn = false;
        auto session = SignedInSession::Start(options);
        // The second activity shows no write button: not in its writing stage.
        session->Service().Control("activity-flags?activity=2&status=3&isMeg=False");
        CpenlarkDlg *main = session->SignIn("xuesheng", "123456");
        QVERIFY(main);
        CActivityDlg *page = OpenContestPage(main);
        QVERIFY(page);
        QCOMPARE(main->CurrentPanel(), CpenlarkDlg::Panel::Contest);
        QCOMPARE(page->ActivityCount(), 2);
        QCOMPARE(page->CurrentActivityId(), std::string("1"));
        QCOMPARE(page->WriteButton()->isVisible(), true);
        QCOMPARE(page->WriteButton()->geometry(), QRect(367, 602, 89, 28));
        QCOMPARE(page->SlotAt(0).tab->geometry(), QRect(20, 22, 139, 28));
        QCOMPARE(page->SlotAt(1).tab->geometry(), QRect(167, 22, 139, 28));
        QCOMPARE(page->SlotAt(1).tab->text(), QString::fromUtf8("古诗词里的中国"));
        QCOMPARE(page->SlotAt(0).tab->CurrentFace(), CGdipButton::Face::Pressed);
        // The first page exists and shows the first activity's page; the second is not made yet.
        QCOMPARE(page->ShownPage(), page->SlotAt(0).page);
        QCOMPARE(page->ShownPage()->geometry(), QRect(23, 52, 771, 535));
        QCOMPARE(page->ShownPage()->Browser()->Url().toString(),
                 QString::fromStdString(session->Service().BaseAddress() + "activity/1.aspx"));
        QCOMPARE(page->SlotAt(1).page, nullptr);
        QCOMPARE(page->SlotAt(2).id, std::string("0"));
        // The service's page of the activity arrives in it.
        QTRY_VERIFY_WITH_TIMEOUT(page->ShownPage()->Browser()->Title().contains(QString::fromUtf8("春天的故事")), 15000);
        QVERIFY(!SaveScreenshot(main, "contest_page.png").isNull());

        // The second tab: its page made now, the button hidden, the first tab back to normal.
        QTest::mouseClick(page->SlotAt(1).tab, Qt::LeftButton);
        QVERIFY(page->SlotAt(1).page);
        QCOMPARE(page->ShownPage(), page->SlotAt(1).page);
        QCOMPARE(page->SlotAt(0).page->isVisible(), false);
        QCOMPARE(page->WriteButton()->isVisible(), false);
        QCOMPARE(page->CurrentActivityId(), std::string("2"));
        QCOMPARE(page->SlotAt(0).tab->CurrentFace(), CGdipButton::Face::Normal);
        QCOMPARE(page->SlotAt(1).tab->CurrentFace(), CGdipButton::Face::Pressed);
        QCOMPARE(page->ShownPage()->Browser()->Url().toString(),
                 QString::fromStdString(session->Service().BaseAddress() + "activity/2.aspx"));
        // Choosing it again changes nothing.
        CHtmlDlg *second = page->ShownPage();
        QTest::mouseClick(page->SlotAt(1).tab, Qt::LeftButton);
        QCOMPARE(page->ShownPage(), second);
        QCOMPARE(page->SlotAt(1).tab->CurrentFace(), CGdipButton::Face::Pressed);
        QCOMPARE(page->WriteButton()->isVisible(), false);

        // Back on the first; the frame and the button follow the maximised size.
        QTest::mouseClick(page->SlotAt(0).tab, Qt::LeftButton);
        QCOMPARE(page->WriteButton()->isVisible(), true);
        main->Maximise();
        QTRY_COMPARE(page->WriteButton()->geometry(), QRect(page->width() / 2 - 44, page->height() - 37, 89, 28));
        QCOMPARE(page->ShownPage()->geometry(), QRect(23, 52, page->width() - 52, page->height() - 104));
        main->Restore();

        // Entries "0", "-2", "1": the "-2" message, and no screen.
        session->Service().Control("contest-state?name=xuesheng&activity=1&state=mixed");
        QTest::mouseClick(page->WriteButton(), Qt::LeftButton);
        QTRY_COMPARE(Texts(session->Messages().calls), std::vector<std::string>{"您已提交过本轮大赛征文，请等待评审结果。"});
        QCOMPARE(main->findChild<ContestWriteScreen *>(), nullptr);
        QCOMPARE(main->isVisible(), true);
        // A "-1" entry: its message, and no screen.
        session->Service().Control("contest-state?name=xuesheng&activity=1&state=closed");
        page->OnWrite();
        QTRY_COMPARE(Texts(session->Messages().calls).size(), std::size_t(2));
        QCOMPARE(Texts(session->Messages().calls).back(), std::string("本轮征文已经截止，感谢您的关注！"));
        QCOMPARE(main->findChild<ContestWriteScreen *>(), nullptr);

        // The other states the controls set: five topics, "-2", and back to the round's own answer.
        auto entriesOf = [](const char *activity) {
            std::vector<ActivityEntry> entries;
            FetchActivityInfo(activity, entries);
            return entries;
        };
        session->Service().Control("contest-state?name=xuesheng&activity=2&state=five-topics");
        QCOMPARE(entriesOf("2").at(0).topics.size(), std::size_t(5));
        session->Service().Control("contest-state?name=xuesheng&activity=2&state=submitted");
        QCOMPARE(entriesOf("2").at(0).type, std::string("-2"));
        session->Service().Control("contest-state?name=xuesheng&activity=2&state=open");
        QCOMPARE(entriesOf("2").at(0).type, std::string("-1")); // its own answer: not in its writing stage
        session->Service().Control("activity-flags?activity=2&status=2&isMeg=True");
        QCOMPARE(entriesOf("2").at(0).topics.size(), std::size_t(6));
        // After the round's end the service answers "-1".
        session->Service().Control("deadline?activity=1&value=2000-01-01%2000:00:00");
        const SaveOutcome late = SubmitContestEntry({ContestRound::Preliminary, U("迟到"), U("正文"), "1", "0"});
        QCOMPARE(GbkToUtf8(late.message), std::string("\t  过了提交时间!"));
    }

    // A link within the activity pages stays in the page and the tab brings the activity's own
    // page back; a link leaving them opens in the system's browser (http(s) only) and the page
    // stays.
    void linksInsideAnActivityPage()
    {
        auto session = SignedInSession::Start();
        const std::vector<QString> &opened = session->OpenedUrls();
        CpenlarkDlg *main = session->MainWindow();
        QVERIFY(main);
        CActivityDlg *page = OpenContestPage(main);
        QVERIFY(page);
        CExplorer1 *browser = page->ShownPage()->Browser();
        const QString base = QString::fromStdString(session->Service().BaseAddress());
        const QUrl own(base + "activity/1.aspx");
        QTRY_VERIFY_WITH_TIMEOUT(browser->Title().contains(QString::fromUtf8("春天的故事")), 15000);
        QCOMPARE(browser->CurrentUrl(), own);

        FollowLink(browser, "/activity/2.aspx");
        QTRY_COMPARE_WITH_TIMEOUT(browser->CurrentUrl(), QUrl(base + "activity/2.aspx"), 15000);
        QTest::mouseClick(page->SlotAt(0).tab, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(browser->CurrentUrl(), own, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(browser->Title().contains(QString::fromUtf8("春天的故事")), 15000);

        // A new window needs a click by the student; the script's click stands in for one.
        browser->View()->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
        // Each step ends with an http(s) link seen outside, so a link before it that opened
        // nothing has had its turn.
        struct Step
        {
            QString href;
            QString target;
            std::vector<QString> opened; // what has gone to the system's browser after the step
        };
        const Step steps[] = {
            {"/help.aspx", "", {base + "help.aspx"}},
            {"file:///etc/passwd", "", {base + "help.aspx"}},
            {"https://example.org/a", "", {base + "help.aspx", "https://example.org/a"}},
            {"https://example.org/b", "_blank", {base + "help.aspx", "https://example.org/a", "https://example.org/b"}},
        };
        for (const Step &step : steps) {
            FollowLink(browser, step.href, step.target);
            if (step.opened.size() > opened.size())
                QTRY_COMPARE_WITH_TIMEOUT(opened.size(), step.opened.size(), 15000);
            QCOMPARE(opened, step.opened);
            QCOMPARE(browser->CurrentUrl(), own);
        }
    }

    void preliminaryEntrySubmittedOnceAfterTheConfirmation()
    {
        auto session = SignedInSession::Start();
        CpenlarkDlg *main = session->MainWindow();
        QVERIFY(main);
        int reloads = 0;
        // The screen's reload request to the main window (which hands it on to the library page).
        SetWindowMessageObserver(
            [&](const WindowMessageTrace &trace) { reloads += trace.message == kMsgLibraryReload && trace.target == main; });
        CActivityDlg *page = OpenContestPage(main);
        QVERIFY(page);
        QTest::mouseClick(page->WriteButton(), Qt::LeftButton);
        QPointer<CChuSaiWriteDlg> screen;
        QTRY_VERIFY((screen = main->findChild<CChuSaiWriteDlg *>()) && screen->isVisible());
        QCOMPARE(main->isVisible(), false);

        // The round's title, fixed; the requirements beside the editor, the corpus panel hidden.
        QCOMPARE(GbkToUtf8(screen->TitleText()), std::string("初赛：春天的故事"));
        QCOMPARE(screen->TitleField()->isReadOnly(), true);
        QCOMPARE(screen->RequirementsPanel()->isVisible(), true);
        QCOMPARE(screen->CorpusPanel()->isVisible(), false);
        QCOMPARE(screen->RequirementsPanel()->geometry(), QRect(1024 - 337, 78, 329, 700 - 119));
        QCOMPARE(screen->CorpusTab()->geometry(), QRect(1024 - 344, 35, 269, 31));
        QCOMPARE(screen->RequirementsTab()->geometry(), QRect(1024 - 73, 35, 73, 31));
        QVERIFY(screen->RequirementsPanel()->Text()->toPlainText().startsWith(QString::fromUtf8("以“春天的故事”为题")));
        QCOMPARE(screen->RequirementsPanel()->Text()->isReadOnly(), true);
        // The corpus tab with an empty corpus panel leaves the side area empty; the requirements tab brings them back.
        QTest::mouseClick(screen->CorpusTab(), Qt::LeftButton);
        QCOMPARE(screen->RequirementsPanel()->isVisible(), false);
        QCOMPARE(screen->CorpusPanel()->isVisible(), false);
        QTest::mouseClick(screen->RequirementsTab(), Qt::LeftButton);
        QCOMPARE(screen->RequirementsPanel()->isVisible(), true);

        CWriteView *view = screen->View();
        view->setFocus();
        CommitText(view, QString::fromUtf8("春天来了"));
        QTest::keyClick(view, Qt::Key_Return);
        CommitText(view, QString::fromUtf8("花开了"));
        QCOMPARE(GbkToUtf8(screen->BodyText()), std::string("春天来了\r花开了"));
        QVERIFY(!SaveScreenshot(screen, "contest_preliminary.png").isNull());

        // Declined: nothing is sent.
        session->Messages().answer = [](const MessageBoxCall &) { return 3; };
        screen->SaveToLibrary();
        QCOMPARE(Texts(session->Messages().calls), std::vector<std::string>{"征文一旦提交不可修改，您是否确认提交？"});
        QCOMPARE(ServiceEntries(*session), std::vector<std::string>{});

        // Confirmed: the entry with type 1, the activity and match "0", CR LF line breaks.
        session->Messages().answer = [](const MessageBoxCall &) { return 1; };
        session->Messages().calls.clear();
        screen->SaveToLibrary();
        QCOMPARE(Texts(session->Messages().calls),
                 (std::vector<std::string>{
                     "征文一旦提交不可修改，您是否确认提交？",
                     "您的大赛征文已成功提交并保存至“我的文库”中，您在“我的文库”中所做的修改不会改变本次提交的征文内容。"}));
        QCOMPARE(ServiceEntries(*session), std::vector<std::string>{"1|1|0|初赛：春天的故事|春天来了\r\n花开了"});
        QCOMPARE(screen->CompositionId(), std::string("1"));
        QCOMPARE(view->IsChanged(), false);
        QCOMPARE(reloads, 1);
        // The library has the entry's copy.
        std::vector<LibraryEntry> library;
        QCOMPARE(ListCompositions("", library), FetchStatus::Ok);
        QCOMPARE(library.size(), std::size_t(1));
        QCOMPARE(GbkToUtf8(library[0].Title), std::string("初赛：春天的故事"));

        // Again: the whole submission runs, and the service's "-2" is shown.
        session->Messages().calls.clear();
        screen->SaveToLibrary();
        QCOMPARE(Texts(session->Messages().calls),
                 (std::vector<std::string>{"征文一旦提交不可修改，您是否确认提交？", "您已提交过大赛征文，请不要反复提交！"}));
        QCOMPARE(ServiceEntries(*session).size(), std::size_t(1));
        QCOMPARE(reloads, 1);
        SetWindowMessageObserver({});
    }

    void secondRoundChooserClockAndSubmission()
    {
        auto session = SignedInSession::Start();
        CpenlarkDlg *main = session->MainWindow();
        QVERIFY(main);
        CActivityDlg *page = OpenContestPage(main);
        QVERIFY(page);
        QTest::mouseClick(page->SlotAt(1).tab, Qt::LeftButton);
        int cards = -1;
        bool firstSelected = false;
        page->SetChooserRun([&](CXuantiFatherDlg &chooser) {
            chooser.show();
            QVERIFY(QTest::qWaitForWindowExposed(&chooser));
            cards = int(chooser.Cards().size());
            firstSelected = chooser.SelectedCard() == chooser.Cards().front() && chooser.Cards().front()->IsSelected();
            QVERIFY(!SaveScreenshot(&chooser, "contest_chooser.png").isNull());
            QTest::mouseClick(chooser.ConfirmButton(), Qt::LeftButton); // no card clicked
        });
        QTest::mouseClick(page->WriteButton(), Qt::LeftButton);
        QCOMPARE(cards, 5); // six topics, five cards
        QCOMPARE(firstSelected, true);
        QPointer<CFusaiWriteDlg> screen;
        QTRY_VERIFY((screen = main->findChild<CFusaiWriteDlg *>()) && screen->isVisible());

        // The first topic, fixed as the title; its requirements with four green labels.
        QCOMPARE(GbkToUtf8(screen->TitleText()), std::string("月是故乡明"));
        QCOMPARE(screen->TitleField()->isReadOnly(), true);
        QCOMPARE(screen->WritingMinutes(), 60);
        QTextEdit *text = screen->RequirementsPanel()->Text();
        QCOMPARE(text->toPlainText().split('\n').size(), 9);
        QCOMPARE(ColourMap(text).left(20), QString("ggggg...|"
                                                   "|"
                                                   "ggg..|"
                                                   "|"
                                                   "ggg"));
        // The clock from the round's time, then one second less at the first tick.
        QTRY_COMPARE_WITH_TIMEOUT(screen->ClockPanel()->ClockText(), std::string("00:59:59"), 3000);
        QVERIFY(!SaveScreenshot(screen, "contest_second_round.png").isNull());

        CommitText(screen->View(), QString::fromUtf8("月光照在故乡的小河上。"));
        screen->SaveToLibrary();
        QCOMPARE(
            Texts(session->Messages().calls).back(),
            std::string("您的大赛征文已成功提交并保存至“我的文库”中，您在“我的文库”中所做的修改不会改变本次提交的征文内容。"));
        QCOMPARE(ServiceEntries(*session), std::vector<std::string>{"2|2|201|月是故乡明|月光照在故乡的小河上。"});
        QVERIFY(IsDecimalId(screen->CompositionId()));
    }

    // Escape leaves the chooser open; closing it through the window system (Alt+F4) confirms
    // nothing, and no timed round opens. The write button then opens the chooser again.
    void chooserClosedWithoutConfirmingOpensNothing()
    {
        auto session = SignedInSession::Start();
        CpenlarkDlg *main = session->MainWindow();
        QVERIFY(main);
        CActivityDlg *page = OpenContestPage(main);
        QVERIFY(page);
        QTest::mouseClick(page->SlotAt(1).tab, Qt::LeftButton);
        int runs = 0;
        bool openAfterEscape = false;
        page->SetChooserRun([&](CXuantiFatherDlg &chooser) {
            ++runs;
            chooser.show();
            QVERIFY(QTest::qWaitForWindowExposed(&chooser));
            QTest::keyClick(&chooser, Qt::Key_Escape);
            openAfterEscape = chooser.isVisible();
            chooser.close();
        });
        QTest::mouseClick(page->WriteButton(), Qt::LeftButton);
        QCOMPARE(runs, 1);
        QCOMPARE(openAfterEscape, true);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY(main->findChild<CFusaiWriteDlg *>() == nullptr);
        QVERIFY(main->isVisible());

        QTest::mouseClick(page->WriteButton(), Qt::LeftButton);
        QCOMPARE(runs, 2);
    }

    void chooserSelectsOneCardByAPressAnywhere()
    {
        CXuantiFatherDlg chooser;
        for (int i = 1; i <= 6; ++i)
            chooser.AddTopic(Topic(i));
        QCOMPARE(chooser.Cards().size(), std::size_t(5));
        chooser.EnsureInitialized();
        QCOMPARE(chooser.SelectedCard(), chooser.Cards()[0]);
        QCOMPARE(chooser.Cards()[4]->geometry(), QRect(247, 283, 207, 188));
        chooser.show();
        // A press on the third card's text selects it; the first drops its selection.
        QTest::mouseClick(chooser.Cards()[2]->Body()->viewport(), Qt::LeftButton);
        QCOMPARE(chooser.SelectedCard(), chooser.Cards()[2]);
        QCOMPARE(chooser.Cards()[0]->IsSelected(), false);
        // Its select button, and a press on the card's header, do the same.
        QTest::mouseClick(chooser.Cards()[3]->SelectButton(), Qt::LeftButton);
        QCOMPARE(chooser.SelectedCard(), chooser.Cards()[3]);
        QTest::mouseClick(chooser.Cards()[1], Qt::LeftButton, {}, QPoint(100, 10));
        QCOMPARE(chooser.SelectedCard(), chooser.Cards()[1]);
        QCOMPARE(chooser.Cards()[3]->IsSelected(), false);
        QCOMPARE(chooser.Cards()[1]->Body()->toPlainText(), QString::fromUtf8("文体：散文\n题目：题目2\n创作要求：要求2"));
        QTest::mouseClick(chooser.ConfirmButton(), Qt::LeftButton);
        QCOMPARE(chooser.ChosenTopic().mid, std::string("302"));
        QCOMPARE(GbkToUtf8(chooser.ChosenTopic().writer), std::string("评委2"));

        // Closed without confirming: no topic.
        CXuantiFatherDlg closed;
        closed.AddTopic(Topic(1));
        closed.EnsureInitialized();
        closed.EndDialog(kIdCancel);
        QCOMPARE(closed.ChosenTopic().mid, std::string());
        QCOMPARE(closed.ChosenTopic().title, std::string());
    }

    void countdownWarningsOnASteppedClock()
    {
        MessageBoxResponder responder;
        ScopedMessageBoxResponder scoped(responder);
        auto now = std::chrono::system_clock::time_point(std::chrono::seconds(1'800'000'000));
        auto stepped = [&] { return now; };
        struct Case
        {
            int minutes;
            int ticks;
            std::vector<std::string> warnings;
            std::string reading;
            bool timerRuns;
        };
        const std::string fifteen = GbkToUtf8(CFusaiWriteDlg::FifteenMinuteWarning());
        const std::string closing = GbkToUtf8(CFusaiWriteDlg::ClosingWarning());
        for (const Case &c : {Case{120, 1, {}, "01:59:59", true}, Case{15, 60, {}, "00:14:00", true},
                              Case{16, 60, {fifteen}, "00:15:00", true}, Case{0, 3, {closing}, "00:00:00", false}}) {
            responder.calls.clear();
            CFusaiWriteDlg screen(nullptr, "2", Topic(1), c.minutes, U("命题评委：甲"));
            screen.SetTimeSource(stepped);
            screen.EnsureInitialized();
            QCOMPARE(screen.HasTimer(CFusaiWriteDlg::kClockTimerId), true);
            for (int i = 0; i < c.ticks; ++i) {
                now += std::chrono::seconds(1);
                screen.TickClock();
            }
            QCOMPARE(Texts(responder.calls), c.warnings);
            for (const MessageBoxCall &call : responder.calls)
                QCOMPARE(call.kind, MessageBoxCall::Kind::ModelessNotice);
            QCOMPARE(screen.ClockPanel()->ClockText(), c.reading);
            QCOMPARE(screen.HasTimer(CFusaiWriteDlg::kClockTimerId), c.timerRuns);
            // Nothing is disabled when the time is up.
            QCOMPARE(screen.SaveToLibraryButton()->isEnabled(), true);
            QCOMPARE(screen.View()->isEnabled(), true);
        }

        // The journal keeps the round; opened again 100 seconds later it shows what is really left.
        CFusaiWriteDlg written(nullptr, "2", Topic(4), 30, U("命题评委：甲"));
        written.SetTimeSource(stepped);
        written.EnsureInitialized();
        written.View()->SetText(U("第一段\r第二段"));
        for (int i = 0; i < 5; ++i) {
            now += std::chrono::seconds(1);
            written.TickClock();
        }
        JournalEntry kept = written.JournalSnapshot();
        QCOMPARE(kept.kind, WritingScreenKind::SecondRound);
        QCOMPARE(kept.clockSecondsLeft, 30 * 60 - 5);
        QCOMPARE(kept.topicId, std::string("304"));
        kept.savedAt = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
        JournalEntry read;
        QCOMPARE(EssayJournal::Parse(EssayJournal::Serialize(kept), read), true);
        now += std::chrono::seconds(100);
        std::unique_ptr<ContestWriteScreen> reopened(
            ReopenContestScreen(nullptr, read, std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count()));
        auto *round = qobject_cast<CFusaiWriteDlg *>(reopened.get());
        QVERIFY(round);
        round->SetTimeSource(stepped);
        round->EnsureInitialized();
        QCOMPARE(round->ClockPanel()->ClockText(), std::string("00:28:15"));
        QCOMPARE(GbkToUtf8(round->TitleText()), std::string("题目4"));
        QCOMPARE(GbkToUtf8(round->BodyText()), std::string("第一段\r第二段"));
        QCOMPARE(round->Entry().matchId, std::string("304"));
        QCOMPARE(round->Requirements(), U("命题评委：甲"));
        // Reopened after the round's end: zeros, not a negative clock.
        QCOMPARE(SecondsLeftAt(read, read.savedAt + 3600), std::int64_t(0));
    }

    void warningScreenshot()
    {
        InitAppFolder(std::string(PENLARK_APP_DIR) + "/penlark"); // the program's pictures
        auto now = std::chrono::system_clock::time_point(std::chrono::seconds(1'800'000'000));
        CFusaiWriteDlg screen(nullptr, "2", Topic(1), 16, SecondRoundRequirements(Topic(1), U("限时写作，请按时提交。")));
        screen.SetTimeSource([&] { return now; });
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        for (int i = 0; i < 60; ++i) {
            now += std::chrono::seconds(1);
            screen.TickClock();
        }
        // The real modeless box: the screen and its clock go on behind it.
        COkDialog *box = screen.findChild<COkDialog *>();
        QVERIFY(box);
        QCOMPARE(box->isVisible(), true);
        QCOMPARE(screen.ClockPanel()->ClockText(), std::string("00:15:00"));
        QVERIFY(!SaveScreenshot(&screen, "contest_clock.png").isNull());
        QVERIFY(!SaveScreenshot(box, "contest_warning.png").isNull());
        QTest::mouseClick(box->Button(), Qt::LeftButton);
        QTRY_COMPARE(screen.findChild<COkDialog *>(), nullptr);
    }

    void preliminaryWithoutATitleKeepsTheFieldEditable()
    {
        MessageBoxResponder responder;
        ScopedMessageBoxResponder scoped(responder);
        CChuSaiWriteDlg screen(nullptr, "", U("要求：不少于600字"), "1");
        screen.EnsureInitialized();
        QCOMPARE(screen.TitleField()->isReadOnly(), false);
        QCOMPARE(ColourMap(screen.RequirementsPanel()->Text()), QString("ggg.......|"));
        // An empty title and an empty essay are refused before any question.
        screen.SaveToLibrary();
        QCOMPARE(Texts(responder.calls), std::vector<std::string>{"\t  作文标题不能为空!"});
        screen.TitleField()->SetWindowText(U("我的春天"));
        screen.SaveToLibrary();
        QCOMPARE(Texts(responder.calls).back(), std::string("\t  作文内容不能为空!"));
        QCOMPARE(responder.calls.size(), std::size_t(2));
    }
};

PENLARK_SCREEN_TEST_MAIN(ContestScreenTest)
#include "ContestScreenTest.moc"
