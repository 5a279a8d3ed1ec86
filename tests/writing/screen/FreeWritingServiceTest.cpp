// The free-writing screen end to end: signed in against the reference service, opened from the
// main window, an essay typed through the editor's input, a keyword picked into the corpus
// panel, saved to the library and saved again as an edit, and left with and without unsaved
// changes. With a real X display (xvfb-run) it saves screenshots of each state.
#include "CorpusMarkup.h"
#include "DlgShareYuliao.h"
#include "DisplayTest.h"
#include "DlgTWriter.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "MyEdit.h"
#include "MyHtmlListCtrl.h"
#include "OperationsComposition.h"
#include "PenlarkDlg.h"
#include "QtText.h"
#include "ScreenKit.h"
#include "SignedInSession.h"
#include "UserLoginDlg.h"
#include "WindowMessage.h"
#include "WriteView.h"
#include "ZiYouWriter.h"

#include <QDir>
#include <QPointer>
#include <QtTest>

namespace {

constexpr std::int32_t kHeChuId = 1; // "何处" in the seed keywords

std::string U(const char *utf8)
{
    return Utf8ToGbk(utf8);
}

QString Q(const std::string &gbk)
{
    return QString::fromStdString(GbkToUtf8(gbk));
}

// The centre of a character cell on the first row of the view's viewport.
QPoint CellCentre(CWriteView *view, std::int32_t column)
{
    const ViewGrid &grid = view->Grid();
    return grid.CellTopLeft(0, column, 0, view->ScrollOffset()) + QPoint(grid.columnWidth, grid.lineHeight / 2);
}

CZiYouWriter *OpenFreeWriting(CpenlarkDlg *main)
{
    main->NavButton(mainlayout::kNavFreeWriting)->click();
    return main->findChild<CZiYouWriter *>();
}

int CountEntries(const std::vector<LibraryEntry> &entries, const std::string &id)
{
    return int(std::count_if(entries.begin(), entries.end(), [&](const LibraryEntry &e) { return e.ID == id; }));
}

} // namespace

class FreeWritingServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void writePickSaveAndGoBack()
    {
        auto session = SignedInSession::Start();
        CpenlarkDlg *main = session->MainWindow();
        QVERIFY(main);
        std::vector<WindowMessageTrace> reloads;
        SetWindowMessageObserver([&](const WindowMessageTrace &trace) {
            if (trace.message == kMsgLibraryReload)
                reloads.push_back(trace);
        });

        // Opened in the main window's place.
        const QRect mainRect = main->geometry();
        QPointer<CZiYouWriter> screen = OpenFreeWriting(main);
        QVERIFY(screen);
        QCOMPARE(main->isVisible(), false);
        QCOMPARE(screen->isVisible(), true);
        QCOMPARE(screen->geometry(), mainRect);
        QCOMPARE(screen->CorpusPanel()->isVisible(), false);
        QCOMPARE(screen->CorpusButton()->isVisible(), true);
        QVERIFY(!SaveScreenshot(screen, "writing_screen_empty.png").isNull());

        // Title and essay through the inputs.
        screen->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(screen));
        screen->TitleField()->setFocus(); // the hint goes when the field takes the focus
        CommitText(screen->TitleField(), QString::fromUtf8("春日"));
        QCOMPARE(Q(screen->TitleText()), QString::fromUtf8("春日"));
        CWriteView *view = screen->View();
        view->setFocus();
        const QString essay = QString::fromUtf8("春风又绿江南岸，明月何时照我还？何处是归程。");
        CommitText(view, essay);
        QCOMPARE(Q(screen->BodyText()), essay);
        QTRY_COMPARE(Q(screen->CountText()), QString::fromUtf8("22个 "));

        // The keywords are marked once painted: "何处" at its byte column.
        view->RenderImage();
        const std::string gbk = screen->BodyText();
        const std::int32_t heChu = std::int32_t(gbk.find(U("何处")));
        const std::int32_t chunFeng = std::int32_t(gbk.find(U("春风")));
        QCOMPARE(view->Document().Marks().Find(0, heChu).value_or(-1), kHeChuId);
        QCOMPARE(view->Document().Marks().Find(0, chunFeng).value_or(-1), 7);
        QVERIFY(!SaveScreenshot(screen, "writing_screen_essay.png").isNull());

        // A click on the green word fills and shows the corpus panel.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CellCentre(view, heChu));
        CMyHtmlListCtrl *panel = screen->CorpusPanel();
        QTRY_COMPARE(panel->isVisible(), true);
        QCOMPARE(panel->CurrentKeywordId(), kHeChuId);
        QCOMPARE(Q(panel->CurrentKeywordText()), QString::fromUtf8("何处"));
        QVERIFY(panel->GetItemCount() > 1);
        const std::string green = std::string(kKeywordOpenTag) + U("何处") + kKeywordCloseTag;
        QVERIFY2(panel->Item(1)->text.find(green) != std::string::npos, panel->Item(1)->text.c_str());

        // An excerpt opened, liked, its source shown, then the share popup.
        QTest::mouseClick(panel, Qt::LeftButton, {}, panel->ItemRect(1).center());
        QCOMPARE(panel->OpenItem(), 1);
        QCOMPARE(panel->ActionState(), kCorpusItemOpen);
        session->Messages().calls.clear();
        QTest::mouseClick(panel, Qt::LeftButton, {}, panel->ActionRects().like.center());
        QCOMPARE(session->MessageTexts(), std::vector<std::string>{"谢谢你的参与！你的选择会提升这条语料的排名！"});
        QTest::mouseClick(panel, Qt::LeftButton, {}, panel->ActionRects().source.center());
        QCOMPARE(panel->ActionState(), kCorpusSourceShown);
        QVERIFY(!panel->SourceText().empty());
        QVERIFY(!SaveScreenshot(screen, "writing_screen_corpus_source.png").isNull());
        QTest::mouseClick(panel, Qt::LeftButton, {}, panel->ActionRects().share.center());
        QTRY_COMPARE(panel->IsShareShown(), true);
        QVERIFY(!SaveScreenshot(screen, "writing_screen_share.png").isNull());
        panel->HideShare();

        // The first save is a new essay, the second an edit of the same one.
        std::vector<LibraryEntry> before;
        QCOMPARE(ListCompositions("", before), FetchStatus::Ok);
        session->Messages().calls.clear();
        screen->SaveToLibraryButton()->click();
        QCOMPARE(session->MessageTexts(), std::vector<std::string>{"\t  您的文章已成功保存！"});
        const std::string id = screen->CompositionId();
        QVERIFY(!id.empty() && id != "0");
        QCOMPARE(screen->IsChanged(), false);
        QVERIFY(!reloads.empty()); // to the main window, which hands it on to the library page
        QCOMPARE(reloads[0].target, static_cast<QObject *>(main));

        view->setFocus();
        QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Return);
        CommitText(view, QString::fromUtf8("归去来兮"));
        QCOMPARE(screen->IsChanged(), true);
        screen->SaveToLibraryButton()->click();
        QCOMPARE(screen->CompositionId(), id);
        std::vector<LibraryEntry> after;
        QCOMPARE(ListCompositions("", after), FetchStatus::Ok);
        QCOMPARE(after.size(), before.size() + 1);
        QCOMPARE(CountEntries(after, id), 1);
        CompositionText stored;
        QCOMPARE(FetchComposition(std::stoi(id), stored), FetchStatus::Ok);
        QCOMPARE(Q(stored.Title), QString::fromUtf8("春日"));
        QCOMPARE(Q(stored.Content), essay + "\r" + QString::fromUtf8("归去来兮"));

        // Back with an unsaved change asks; 取消 keeps the screen, 确定 goes back.
        CommitText(view, QString::fromUtf8("。"));
        session->Messages().calls.clear();
        session->Messages().answer = [](const MessageBoxCall &) { return 2; };
        screen->BackButton()->click();
        QCOMPARE(session->MessageTexts(), std::vector<std::string>{"您还没有保存，是否要返回主界面？"});
        QCOMPARE(screen->isVisible(), true);
        session->Messages().answer = [](const MessageBoxCall &) { return 1; };
        screen->BackButton()->click();
        QTRY_VERIFY(screen.isNull());
        QCOMPARE(main->isVisible(), true);
        QCOMPARE(main->geometry(), mainRect);

        // Again, maximised, and back without changes: no question, the main window maximised.
        screen = OpenFreeWriting(main);
        QVERIFY(screen);
        screen->MaximiseButton()->click();
        QCOMPARE(screen->IsNormalSize(), false);
        QVERIFY(!SaveScreenshot(screen, "writing_screen_maximised.png").isNull());
        session->Messages().calls.clear();
        screen->BackButton()->click();
        QCOMPARE(session->Messages().calls.size(), std::size_t(0));
        QTRY_VERIFY(screen.isNull());
        QCOMPARE(main->isVisible(), true);
        QCOMPARE(main->IsMaximised(), true);
        SetWindowMessageObserver({});
    }

    // An essay from the library viewer comes with message 2131: the screen shows it, a save is
    // an edit of that essay, and Back shows the viewer again.
    void essayHandedInByMessage()
    {
        auto session = SignedInSession::Start();
        CpenlarkDlg *main = session->MainWindow();
        QVERIFY(main);
        const SaveOutcome first = SaveComposition("0", U("旧题"), U("旧文\r第二段"));
        QCOMPARE(first.status, SaveStatus::Saved);

        QWidget viewer;
        viewer.show();
        auto *screen = new CZiYouWriter;
        screen->SetEssay(U("旧题"), U("旧文\r第二段"), first.essayId);
        screen->SetOpener(&viewer);
        SendWindowMessage(main, kMsgWriteFree, reinterpret_cast<intptr_t>(screen));
        QCOMPARE(screen->isVisible(), true);
        QCOMPARE(viewer.isVisible(), false);
        QCOMPARE(main->isVisible(), false);
        QCOMPARE(Q(screen->TitleText()), QString::fromUtf8("旧题"));
        QCOMPARE(Q(screen->BodyText()), QString::fromUtf8("旧文\r第二段"));

        screen->TitleField()->setText(QString::fromUtf8("新题"));
        screen->SaveToLibraryButton()->click();
        QCOMPARE(screen->CompositionId(), first.essayId);
        CompositionText stored;
        QCOMPARE(FetchComposition(std::stoi(first.essayId), stored), FetchStatus::Ok);
        QCOMPARE(Q(stored.Title), QString::fromUtf8("新题"));

        QPointer<CZiYouWriter> watched = screen;
        screen->BackButton()->click();
        QTRY_VERIFY(watched.isNull());
        QCOMPARE(viewer.isVisible(), true);
        QCOMPARE(main->isVisible(), true);
    }

    // The close button ends the program: after its question when the essay has unsaved changes,
    // the main window ends and the sign-in window closes.
    void closeEndsTheProgram()
    {
        auto session = SignedInSession::Start();
        CpenlarkDlg *main = session->MainWindow();
        QVERIFY(main);
        QPointer<CZiYouWriter> screen = OpenFreeWriting(main);
        QVERIFY(screen);
        struct CloseWatch : QObject
        {
            int closes = 0;
            bool eventFilter(QObject *, QEvent *event) override
            {
                closes += event->type() == QEvent::Close ? 1 : 0;
                return false;
            }
        } signInCloses;
        session->SignInWindow()->installEventFilter(&signInCloses);
        CommitText(screen->View(), QString::fromUtf8("春"));
        session->Messages().answer = [](const MessageBoxCall &) { return 2; };
        screen->CloseButton()->click();
        QCOMPARE(session->MessageTexts(), std::vector<std::string>{"您还没有保存，是否要关闭程序？"});
        QCOMPARE(session->MainWindow(), main);
        QCOMPARE(screen->isVisible(), true);
        QCOMPARE(signInCloses.closes, 0);

        session->Messages().answer = [](const MessageBoxCall &) { return 1; };
        screen->CloseButton()->click();
        QTRY_VERIFY(screen.isNull());
        QTRY_COMPARE(session->MainWindow(), static_cast<CpenlarkDlg *>(nullptr));
        QTRY_COMPARE(signInCloses.closes, 1);
    }
};

PENLARK_SCREEN_TEST_MAIN(FreeWritingServiceTest)
#include "FreeWritingServiceTest.moc"
