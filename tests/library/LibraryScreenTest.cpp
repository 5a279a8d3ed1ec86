// The library end to end: real windows of the signed-in main window against the reference
// service. Essays saved appear with their item text, searching, showing an essay once, deleting
// checked essays, continue writing through the main window and saving an essay locally.
#include "DlgTWriter.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "HTMLListCtrlOrg.h"
#include "MsgDlg.h"
#include "MySpaceDlg.h"
#include "NoMarkDlg.h"
#include "OperationCommon.h"
#include "OperationsComposition.h"
#include "PenlarkDlg.h"
#include "SaveFileChooser.h"
#include "ScreenKit.h"
#include "ServiceCallCounter.h"
#include "ServiceHooks.h"
#include "SignedInSession.h"
#include "ViewZuowenDlg.h"
#include "ZiYouWriter.h"
#include "WindowMessage.h"
#include "WordExport.h"
#include "WriteView.h"

#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <sstream>

namespace {

std::string U(const char *utf8)
{
    return Utf8ToGbk(utf8);
}

std::string ReadBytes(const QString &path)
{
    std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
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

QPoint TextPoint(CHTMLListCtrlOrg *list, int index)
{
    const QRect rect = list->ItemRect(index);
    return QPoint(rect.left() + 60, rect.center().y());
}

} // namespace

class LibraryScreenTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SignedInSession> m_session;
    CpenlarkDlg *m_main = nullptr;
    CMySpaceDlg *m_library = nullptr;

    // Saves essays as the writing screen does and tells the main window, as it does after a save.
    std::vector<std::string> SaveEssays(const std::vector<std::string> &titles, const std::string &content)
    {
        std::vector<std::string> ids;
        for (const std::string &title : titles) {
            const SaveOutcome saved = SaveComposition("0", title, content);
            if (saved.status != SaveStatus::Saved)
                return {};
            ids.push_back(saved.essayId);
        }
        SendWindowMessage(m_main, kMsgLibraryReload);
        return ids;
    }
    int ServiceEssayCount()
    {
        const std::string counts = m_session->Service().Control("counts?name=xuesheng");
        const std::size_t key = counts.find("\"compositions\"");
        return key == std::string::npos ? -1 : LeadingNumber(counts.substr(counts.find('"', key + 15) + 1));
    }
    void ClickItem(int index) { QTest::mouseClick(m_library->List(), Qt::LeftButton, {}, TextPoint(m_library->List(), index)); }

private slots:
    void init()
    {
        m_session.reset(); // one session at a time, also after a failed test
        m_session = SignedInSession::Start();
        m_main = m_session->MainWindow();
        QVERIFY(m_main != nullptr);
        m_library = qobject_cast<CMySpaceDlg *>(m_main->PanelWidget(CpenlarkDlg::Panel::Library));
        QVERIFY(m_library != nullptr);
        QTest::mouseClick(m_main->NavButton(mainlayout::kNavLibrary), Qt::LeftButton);
        QTRY_COMPARE(m_main->CurrentPanel(), CpenlarkDlg::Panel::Library);
    }
    void cleanup()
    {
        CNoMarkDlg::SetFreeWritingFactory({});
        m_library = nullptr;
        m_main = nullptr;
        m_session.reset();
    }

    void savedEssaysAppearAndSearchFindsThem()
    {
        QCOMPARE(m_library->List()->GetItemCount(), 0);
        QVERIFY(!SaveScreenshot(m_main, "library-empty.png").isNull());

        const std::vector<std::string> titles{U("我的家乡"), U("春天来了"), U("一次难忘的旅行")};
        const std::vector<std::string> ids = SaveEssays(titles, U("第一段") + "\r" + U("第二段"));
        QCOMPARE(ids.size(), std::size_t(3));
        std::vector<LibraryEntry> entries;
        QCOMPARE(ListCompositions("", entries), FetchStatus::Ok);
        QCOMPARE(entries.size(), std::size_t(3));
        std::vector<std::string> expected;
        for (const LibraryEntry &entry : entries) {
            QCOMPARE(entry.CreateTime.find(' '), std::size_t(10)); // a date, a blank and a time
            expected.push_back(entry.CreateTime.substr(0, 10) + "   " + entry.Title);
        }
        QCOMPARE(ItemTexts(m_library->List()), expected);
        QVERIFY(!SaveScreenshot(m_main, "library-essays.png").isNull());

        m_library->SearchBox()->setText(QString::fromUtf8("家乡"));
        QTest::mouseClick(m_library->SearchButton(), Qt::LeftButton, {}, QPoint(16, 9));
        QCOMPARE(ItemTexts(m_library->List()).size(), std::size_t(1));
        QCOMPARE(ItemTexts(m_library->List())[0].substr(13), titles[0]);

        m_library->SearchBox()->setText(QStringLiteral("   "));
        QTest::mouseClick(m_library->SearchButton(), Qt::LeftButton, {}, QPoint(16, 9));
        QCOMPARE(ItemTexts(m_library->List()).size(), std::size_t(3));

        m_library->SearchBox()->setText(QString::fromUtf8("旅行"));
        QTest::mouseClick(m_library->SearchButton(), Qt::LeftButton, {}, QPoint(16, 9));
        QCOMPARE(ItemTexts(m_library->List()).size(), std::size_t(1));
        QTest::keyClick(m_library->SearchBox(), Qt::Key_End);
        QTest::keyClick(m_library->SearchBox(), Qt::Key_Backspace);
        QCOMPARE(ItemTexts(m_library->List()).size(), std::size_t(1)); // not empty yet
        QTest::keyClick(m_library->SearchBox(), Qt::Key_Backspace);
        QCOMPARE(ItemTexts(m_library->List()).size(), std::size_t(3)); // emptied: everything
    }

    void clickShowsAnEssayOnceAndAgainAfterASearch()
    {
        const std::string content = U("第一段") + "\r" + U("第二段");
        const std::vector<std::string> ids = SaveEssays({U("春天来了"), U("秋天")}, content);
        QCOMPARE(ids.size(), std::size_t(2));
        ServiceCallCounter calls;
        ClickItem(0);
        QCOMPARE(calls.Take(), 1);
        const EssayToContinue shown = m_library->Panel()->Essay();
        QCOMPARE(shown.id, std::to_string(m_library->List()->GetItemData(0)));
        QCOMPARE(shown.content, content);
        QCOMPARE(m_library->Panel()->Viewer()->Editor()->View()->GetText(), content);
        QCOMPARE(m_library->Panel()->Viewer()->Editor()->View()->IsReadOnly(), true);
        QVERIFY(!SaveScreenshot(m_main, "library-shown.png").isNull());

        ClickItem(0);
        QCOMPARE(calls.Take(), 0);

        QTest::mouseClick(m_library->SearchButton(), Qt::LeftButton, {}, QPoint(16, 9));
        QCOMPARE(m_library->Panel()->Essay().id, std::string());
        calls.Take();
        ClickItem(0);
        QCOMPARE(calls.Take(), 1);
        QCOMPARE(m_library->Panel()->Essay().id, shown.id);
    }

    void deletingCheckedEssaysAfterTheConfirmation()
    {
        std::vector<std::string> titles;
        for (int i = 1; i <= 7; ++i)
            titles.push_back(U("作文") + std::to_string(i));
        QCOMPARE(SaveEssays(titles, U("内容")).size(), std::size_t(7));
        CHTMLListCtrlOrg *list = m_library->List();
        QCOMPARE(list->GetItemCount(), 7);
        for (int index : {1, 4})
            QTest::mouseClick(list, Qt::LeftButton, {}, list->CheckBoxRect(list->ItemRect(index)).center());
        const std::int32_t second = list->GetItemData(1), fifth = list->GetItemData(4);

        // Cancelled: everything stays. The question is the library's own, with its two answers; a
        // box made from it is pictured over the library as the student sees it.
        std::vector<MessageBoxCall> asked;
        m_session->Messages().answer = [&](const MessageBoxCall &call) {
            asked.push_back(call);
            if (call.captions.size() == 3) {
                CMsgDlg box(call.message, call.captions[0], call.captions[1], call.captions[2], m_main);
                box.show();
                if (QTest::qWaitForWindowExposed(&box)) {
                    QImage shot = m_main->grab().toImage();
                    QPainter painter(&shot);
                    painter.drawImage(box.mapToGlobal(QPoint(0, 0)) - m_main->mapToGlobal(QPoint(0, 0)), box.grab().toImage());
                    painter.end();
                    shot.save(ScreenshotPath("library-confirm.png"));
                }
            }
            return 3;
        };
        QTest::mouseClick(m_library->DeleteButton(), Qt::LeftButton, {}, QPoint(30, 12));
        QCOMPARE(asked.size(), std::size_t(1));
        QCOMPARE(int(asked[0].kind), int(MessageBoxCall::Kind::Question));
        QCOMPARE(GbkToUtf8(asked[0].message), std::string("文章删除后无法恢复，您是否确定删除？"));
        QCOMPARE(asked[0].captions, (std::vector<std::string>{U("确定"), "", U("取消")}));
        QCOMPARE(list->GetItemCount(), 7);
        QCOMPARE(list->GetItemCheck(1), true);
        QCOMPARE(ServiceEssayCount(), 7);

        m_session->Messages().answer = [](const MessageBoxCall &) { return 1; };
        QTest::mouseClick(m_library->DeleteButton(), Qt::LeftButton, {}, QPoint(30, 12));
        QCOMPARE(m_session->MessageTexts().back(), std::string("\t  删除成功!"));
        QCOMPARE(list->GetItemCount(), 5);
        QCOMPARE(ServiceEssayCount(), 5);
        std::vector<LibraryEntry> entries;
        QCOMPARE(ListCompositions("", entries), FetchStatus::Ok);
        for (const LibraryEntry &entry : entries) {
            QVERIFY(LeadingNumber(entry.ID) != second);
            QVERIFY(LeadingNumber(entry.ID) != fifth);
        }
    }

    // The screen made for the shown essay goes to the main window in its message.
    void continueWritingHandsTheEssayToTheMainWindow()
    {
        const std::vector<std::string> ids = SaveEssays({U("我的家乡")}, U("第一段"));
        QCOMPARE(ids.size(), std::size_t(1));
        ClickItem(0);

        std::vector<EssayToContinue> handed;
        std::vector<QWidget *> returnWindows;
        QPointer<CDialog> screen;
        CNoMarkDlg::SetFreeWritingFactory([&](const EssayToContinue &essay, QWidget *returnWindow) {
            handed.push_back(essay);
            returnWindows.push_back(returnWindow);
            screen = new CDialog(nullptr, DialogKind::FramelessWindow);
            return screen.data();
        });
        std::vector<WindowMessageTrace> posted;
        SetWindowMessageObserver([&](const WindowMessageTrace &trace) {
            if (trace.message == kMsgWriteFree)
                posted.push_back(trace);
        });
        QTest::mouseClick(m_library->Panel()->ContinueButton(), Qt::LeftButton, {}, QPoint(40, 13));
        SetWindowMessageObserver({});
        QCOMPARE(handed.size(), std::size_t(1));
        QCOMPARE(handed[0].id, ids[0]);
        QCOMPARE(handed[0].title, U("我的家乡"));
        QCOMPARE(handed[0].content, U("第一段"));
        QCOMPARE(returnWindows[0], static_cast<QWidget *>(m_main));
        QCOMPARE(posted.size(), std::size_t(1));
        QCOMPARE(posted[0].target, static_cast<QObject *>(m_main));
        QCOMPARE(posted[0].posted, true);
        QCOMPARE(posted[0].wParam, reinterpret_cast<intptr_t>(screen.data()));
        QTRY_COMPARE(screen->isVisible(), true); // opened in the main window's place
        QCOMPARE(m_main->isVisible(), false);
        QCOMPARE(screen->geometry(), m_main->geometry());

        delete screen.data();
        SendWindowMessage(m_main, kMsgShowMainWindow, 1); // as the screen does when it closes

        // With no essay shown the screen starts empty, with no identifier.
        QTest::mouseClick(m_library->SearchButton(), Qt::LeftButton, {}, QPoint(16, 9));
        QTest::mouseClick(m_library->Panel()->ContinueButton(), Qt::LeftButton, {}, QPoint(40, 13));
        QCOMPARE(handed.size(), std::size_t(2));
        QCOMPARE(handed[1].id, std::string());
        QCOMPARE(handed[1].title, std::string());
        QCOMPARE(handed[1].content, std::string());
        QTest::qWait(50);
        delete screen.data();
    }

    // The free-writing screen opens with the shown essay; its save edits that library essay.
    void continueWritingEditsTheSameEssay()
    {
        const std::vector<std::string> ids = SaveEssays({U("我的家乡")}, U("第一段"));
        QCOMPARE(ids.size(), std::size_t(1));
        ClickItem(0);
        QTest::mouseClick(m_library->Panel()->ContinueButton(), Qt::LeftButton, {}, QPoint(40, 13));
        QTRY_VERIFY(m_main->findChild<CZiYouWriter *>() != nullptr);
        CZiYouWriter *screen = m_main->findChild<CZiYouWriter *>();
        QTRY_COMPARE(screen->isVisible(), true);
        QCOMPARE(m_main->isVisible(), false);
        QCOMPARE(screen->CompositionId(), ids[0]);
        QCOMPARE(screen->TitleText(), U("我的家乡"));
        QCOMPARE(screen->BodyText(), U("第一段"));

        QTest::keyClick(screen->View(), Qt::Key_End, Qt::ControlModifier);
        screen->View()->OnChar(13);
        screen->View()->TypeText(QString::fromUtf8("第二段"));
        QCOMPARE(screen->BodyText(), U("第一段") + "\r" + U("第二段"));
        screen->SaveToLibrary();
        QCOMPARE(m_session->MessageTexts().back(), std::string("\t  您的文章已成功保存！"));
        QCOMPARE(screen->CompositionId(), ids[0]);
        QCOMPARE(ServiceEssayCount(), 1);
        QCOMPARE(m_library->List()->GetItemCount(), 1); // reloaded by the screen's message

        QTest::mouseClick(m_library->SearchButton(), Qt::LeftButton, {}, QPoint(16, 9)); // clears the viewer
        ClickItem(0);
        QCOMPARE(m_library->Panel()->Essay().id, ids[0]);
        QCOMPARE(m_library->Panel()->Essay().content, U("第一段") + "\r" + U("第二段"));
    }

    // After a save from "继续写作" the viewer shows the saved text without a click, so a second
    // "继续写作" goes on from the newer text and its save keeps it.
    void continueWritingTwiceKeepsTheNewerText()
    {
        const std::vector<std::string> ids = SaveEssays({U("春游")}, U("旧的"));
        QCOMPARE(ids.size(), std::size_t(1));
        ClickItem(0);
        QTest::mouseClick(m_library->Panel()->ContinueButton(), Qt::LeftButton, {}, QPoint(40, 13));
        QPointer<CZiYouWriter> screen;
        QTRY_VERIFY((screen = m_main->findChild<CZiYouWriter *>()) && screen->isVisible());
        QTest::keyClick(screen->View(), Qt::Key_End, Qt::ControlModifier);
        screen->View()->TypeText(QString::fromUtf8("新的"));
        screen->SaveToLibrary();
        QCOMPARE(m_library->ShownId(), std::atoi(ids[0].c_str()));
        QCOMPARE(m_library->Panel()->Essay().content, U("旧的新的"));

        QTest::mouseClick(screen->BackButton(), Qt::LeftButton, {}, QPoint(30, 14));
        QTRY_VERIFY(screen.isNull() || !screen->isVisible());
        QTRY_VERIFY(m_main->isVisible());
        QTest::mouseClick(m_library->Panel()->ContinueButton(), Qt::LeftButton, {}, QPoint(40, 13));
        QPointer<CZiYouWriter> second;
        QTRY_VERIFY((second = m_main->findChild<CZiYouWriter *>()) && second->isVisible());
        QCOMPARE(second->BodyText(), U("旧的新的"));
        QCOMPARE(second->CompositionId(), ids[0]);
    }

    void saveLocallyWritesTheEssayAsADocument()
    {
        std::vector<SaveFileRequest> requests;
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("essay.doc"));
        ScopedSaveFileChooser chooser([&](QWidget *, const SaveFileRequest &request) -> std::optional<QString> {
            requests.push_back(request);
            return path;
        });

        // Nothing shown: the empty-content notice and no dialog.
        QTest::mouseClick(m_library->Panel()->SaveButton(), Qt::LeftButton, {}, QPoint(40, 13));
        QCOMPARE(requests.size(), std::size_t(0));
        QCOMPARE(m_session->MessageTexts().back(), std::string("\t  正文内容不能为空！"));

        const std::string content = U("第一段") + "\r" + U("第二段");
        QCOMPARE(SaveEssays({U("春天来了")}, content).size(), std::size_t(1));
        ClickItem(0);
        QTest::mouseClick(m_library->Panel()->SaveButton(), Qt::LeftButton, {}, QPoint(40, 13));
        QCOMPARE(requests.size(), std::size_t(1));
        QCOMPARE(requests[0].suggestedName, QString::fromUtf8("春天来了.doc"));
        QCOMPARE(m_session->MessageTexts().back(), std::string("作文已保存为 essay.doc"));
        const std::string document = ReadBytes(path);
        QCOMPARE(document, BuildWordDocument(U("春天来了") + "\r\n" + content));
        // The title is the document's first paragraph, ahead of the essay.
        const std::string titleOnly = BuildWordDocument(U("春天来了"));
        const std::size_t end = titleOnly.rfind('}');
        QCOMPARE(document.substr(0, end), titleOnly.substr(0, end));
    }
};

PENLARK_SCREEN_TEST_MAIN(LibraryScreenTest)
#include "LibraryScreenTest.moc"
