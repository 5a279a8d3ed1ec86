// The writing screen offscreen: its layout table, the validation before a save, the count, the
// questions of back and close, the size toggles and Enter. No service answers here: the
// addresses point at a closed port, so a request that should not be made shows up as missing
// messages rather than as a save.
#include "AppFolder.h"
#include "DlgTWriter.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "MyEdit.h"
#include "MyHtmlListCtrl.h"
#include "OkDialog.h"
#include "SaveFileChooser.h"
#include "Screen.h"
#include "ServiceCallCounter.h"
#include "ServiceContext.h"
#include "WindowMessage.h"
#include "WordExport.h"
#include "WriteView.h"
#include "ZiYouWriter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

std::string U(const char *utf8)
{
    return Utf8ToGbk(utf8);
}

QString Q(const std::string &gbk)
{
    return QString::fromStdString(GbkToUtf8(gbk));
}

// A parent standing in for the main window, and the messages sent to it.
struct Opener
{
    QWidget window;
    std::vector<WindowMessageTrace> messages;

    Opener()
    {
        window.setGeometry(100, 50, 1024, 700);
        SetWindowMessageObserver([this](const WindowMessageTrace &trace) {
            if (trace.target == &window)
                messages.push_back(trace);
        });
    }
    ~Opener() { SetWindowMessageObserver({}); }

    int Count(int message) const
    {
        return int(std::count_if(messages.begin(), messages.end(), [&](const auto &m) { return m.message == message; }));
    }
};

CZiYouWriter *OpenScreen(QWidget *parent)
{
    auto *screen = new CZiYouWriter(parent);
    screen->EnsureInitialized();
    screen->show();
    return screen;
}

} // namespace

class WriteScreenTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dataHome;

private slots:
    void initTestCase()
    {
        InitAppFolder(std::string(PENLARK_APP_DIR) + "/penlark");
        InitServiceAddresses("127.0.0.1:1");
        // The screens keep their essays' journals in the user's data folder: a scratch one here.
        QVERIFY(m_dataHome.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome.path()));
    }

    void layoutTable_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QRect>("secondBand");
        QTest::addColumn<QRect>("eyeHint");
        QTest::addColumn<QRect>("close");
        QTest::addColumn<QRect>("writingFrame");
        QTest::addColumn<QRect>("editorHost");
        QTest::addColumn<QRect>("corpusPanel");
        QTest::addColumn<QRect>("saveToLibrary");
        QTest::addColumn<QPoint>("logo");
        QTest::newRow("normal 1024 x 700") << QSize(1024, 700) << QRect(0, 35, 678, 31) << QRect(317, 40, 308, 17)
                                           << QRect(971, -1, 43, 28) << QRect(23, 87, 629, 542) << QRect(36, 132, 604, 452)
                                           << QRect(687, 78, 329, 581) << QRect(414, 631, 133, 28) << QPoint(844, 182);
        QTest::newRow("maximised 1920 x 1050") << QSize(1920, 1050) << QRect(0, 35, 1574, 31) << QRect(1213, 40, 308, 17)
                                               << QRect(1867, -1, 43, 28) << QRect(23, 87, 1525, 892) << QRect(36, 132, 1500, 802)
                                               << QRect(1583, 78, 329, 931) << QRect(1310, 981, 133, 28) << QPoint(1740, 357);
    }

    void layoutTable()
    {
        QFETCH(QSize, client);
        const WriteScreenLayout l = WriteLayout(client);
        QTEST(l.secondBand, "secondBand");
        QTEST(l.eyeHint, "eyeHint");
        QTEST(l.close, "close");
        QTEST(l.writingFrame, "writingFrame");
        QTEST(l.editorHost, "editorHost");
        QTEST(l.corpusPanel, "corpusPanel");
        QTEST(l.saveToLibrary, "saveToLibrary");
        QTEST(l.logo, "logo");
    }

    // The controls sit where the table says, at the normal size and maximised.
    void controlsFollowTheSize()
    {
        QWidget parent;
        QPointer<CZiYouWriter> screen = OpenScreen(&parent);
        QCOMPARE(screen->size(), QSize(1024, 700));
        QCOMPARE(screen->IsNormalSize(), true);
        QCOMPARE(screen->IsDraggable(), true);
        for (bool maximised : {false, true}) {
            if (maximised)
                screen->MaximiseButton()->click();
            const WriteScreenLayout l = WriteLayout(screen->size());
            QCOMPARE(screen->BackButton()->geometry(), l.back);
            QCOMPARE(screen->UndoButton()->geometry(), l.undo);
            QCOMPARE(screen->RedoButton()->geometry(), l.redo);
            QCOMPARE(screen->TitleField()->geometry(), l.titleField);
            QCOMPARE(screen->EditorHost()->geometry(), l.editorHost);
            QCOMPARE(screen->CorpusPanel()->geometry(), l.corpusPanel);
            QCOMPARE(screen->CorpusButton()->geometry(), l.corpusButton);
            QCOMPARE(screen->CountButton()->geometry(), l.countButton);
            QCOMPARE(screen->SaveAsWordButton()->geometry(), l.saveAsWord);
            QCOMPARE(screen->SaveToLibraryButton()->geometry(), l.saveToLibrary);
            QCOMPARE(screen->CloseButton()->geometry(), l.close);
        }
        QCOMPARE(screen->geometry(), WorkArea());
        QCOMPARE(screen->IsNormalSize(), false);
        QCOMPARE(screen->IsDraggable(), false);
        QCOMPARE(screen->MaximiseButton()->isVisible(), false);
        QCOMPARE(screen->RestoreButton()->isVisible(), true);
        screen->RestoreButton()->click();
        QCOMPARE(screen->size(), QSize(1024, 700));
        QCOMPARE(screen->IsNormalSize(), true);
        QCOMPARE(screen->MaximiseButton()->isVisible(), true);
        // A double click on a free point toggles as the buttons do.
        QTest::mouseDClick(screen, Qt::LeftButton, {}, QPoint(600, 20));
        QCOMPARE(screen->IsNormalSize(), false);
        QTest::mouseDClick(screen, Qt::LeftButton, {}, QPoint(600, 20));
        QCOMPARE(screen->IsNormalSize(), true);
    }

    void validationMessages_data()
    {
        QTest::addColumn<QString>("title"); // "<hint>": the field untouched
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("message");
        const QString noTitle = QString::fromUtf8("\t  作文标题不能为空!");
        const QString noBody = QString::fromUtf8("\t  作文内容不能为空!");
        QTest::newRow("untouched hint") << "<hint>" << QString::fromUtf8("春天来了") << noTitle;
        QTest::newRow("spaces only") << "   " << QString::fromUtf8("春天来了") << noTitle;
        QTest::newRow("full-width spaces") << QString::fromUtf8("\u3000 \u3000") << QString::fromUtf8("春天来了") << noTitle;
        QTest::newRow("empty body") << QString::fromUtf8("春") << "" << noBody;
        QTest::newRow("placeholder body") << QString::fromUtf8("春") << QString::fromUtf8("请在此输入内容") << noBody;
        QTest::newRow("hint and empty body") << "<hint>"
                                             << "" << noTitle;
    }

    void validationMessages()
    {
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(QString, message);
        MessageBoxResponder responder;
        ScopedMessageBoxResponder scoped(responder);
        QWidget parent;
        auto *screen = OpenScreen(&parent);
        QCOMPARE(Q(screen->TitleAsShown()), Q(CDlgWrite::TitleHint()));
        if (title != "<hint>")
            screen->TitleField()->setText(title);
        screen->View()->SetText(QStringToGbkForTest(body));
        screen->SaveToLibraryButton()->click();
        QCOMPARE(responder.calls.size(), std::size_t(1));
        QCOMPARE(Q(responder.calls[0].message), message);
        QCOMPARE(screen->CompositionId(), std::string());
    }

    void anEssayOpenedAgainShowsItsCountAtOnce()
    {
        QWidget parent;
        auto *screen = new CZiYouWriter(&parent);
        screen->SetEssay(U("春天"), U("春风又绿江南岸") + "\r" + U("明月"), "12");
        screen->EnsureInitialized();
        QCOMPARE(Q(screen->CountText()), QString::fromUtf8("9个 "));
    }

    void countButtonShowsTheEditorsCount()
    {
        QWidget parent;
        auto *screen = OpenScreen(&parent);
        QCOMPARE(screen->CountText(), std::string()); // nothing until the editor counts
        screen->View()->TypeText(QString::fromUtf8("春风, 又绿"));
        QTRY_COMPARE(Q(screen->CountText()), QString::fromUtf8("6个 "));
        screen->View()->SetText(U("\xe4\xb8\x80\r\xe4\xba\x8c")); // SetText posts no count
        screen->CountButton()->click();
        QCOMPARE(Q(screen->CountText()), QString::fromUtf8("2个 "));
        screen->UndoButton()->click();
        QTRY_COMPARE(screen->View()->CanRedo(), true);
        screen->RedoButton()->click();
        QCOMPARE(screen->View()->CanRedo(), false);
    }

    void backAsksOnlyAfterAnEdit()
    {
        MessageBoxResponder responder;
        ScopedMessageBoxResponder scoped(responder);
        Opener opener;
        QPointer<CZiYouWriter> screen = OpenScreen(&opener.window);
        screen->View()->TypeText("a");
        responder.answer = [](const MessageBoxCall &) { return 2; }; // 取消
        screen->BackButton()->click();
        QCOMPARE(responder.calls.size(), std::size_t(1));
        QCOMPARE(responder.calls[0].kind, MessageBoxCall::Kind::Question);
        QCOMPARE(Q(responder.calls[0].message), QString::fromUtf8("您还没有保存，是否要返回主界面？"));
        QCOMPARE(screen->isVisible(), true);
        QCOMPARE(opener.Count(kMsgScreenClosed), 0);

        screen->View()->SetChanged(false);
        screen->BackButton()->click();
        QCOMPARE(responder.calls.size(), std::size_t(1));
        QCOMPARE(opener.Count(kMsgScreenClosed), 1);
        QTRY_VERIFY(screen.isNull());
    }

    // Back from a maximised screen opened over a restored window toggles the window (a
    // caption double click) and hands it the screen's rectangle.
    void backHandsTheStateAndRectangle()
    {
        Opener opener;
        QRect handed;
        bool toggled = false;
        SetWindowMessageObserver([&](const WindowMessageTrace &trace) {
            if (trace.target == &opener.window && trace.message == kMsgScreenClosed)
                handed = *reinterpret_cast<const QRect *>(trace.wParam);
        });
        struct Watch : QObject
        {
            bool *toggled;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::MouseButtonDblClick)
                    *toggled = true;
                return false;
            }
        } watch;
        watch.toggled = &toggled;
        opener.window.installEventFilter(&watch);
        auto *screen = OpenScreen(&opener.window);
        screen->SetOpenerRestored(true);
        screen->Maximise();
        screen->Back();
        QCOMPARE(toggled, true);
        QCOMPARE(handed, WorkArea());
    }

    void closeAsksAndEndsThroughTheMainWindow()
    {
        MessageBoxResponder responder;
        ScopedMessageBoxResponder scoped(responder);
        QWidget main;
        main.show();
        QPointer<CZiYouWriter> screen = OpenScreen(&main);
        screen->View()->TypeText("a");
        responder.answer = [](const MessageBoxCall &) { return 2; };
        screen->CloseButton()->click();
        QCOMPARE(responder.calls.size(), std::size_t(1));
        QCOMPARE(Q(responder.calls[0].message), QString::fromUtf8("您还没有保存，是否要关闭程序？"));
        QCOMPARE(screen->isVisible(), true);
        QCOMPARE(main.isVisible(), true);

        responder.answer = [](const MessageBoxCall &) { return 1; }; // 确定
        screen->CloseButton()->click();
        QTRY_COMPARE(main.isVisible(), false); // the close request went to the main window
        QTRY_VERIFY(screen.isNull());
    }

    // The window system's close request (Alt+F4, a taskbar's close) is the close button: the
    // unsaved-essay question, then the same way out; never a hidden screen with nothing shown.
    void windowSystemCloseActsAsTheCloseButton()
    {
        MessageBoxResponder responder;
        ScopedMessageBoxResponder scoped(responder);
        QWidget main;
        main.show();
        QPointer<CZiYouWriter> screen = OpenScreen(&main);
        screen->View()->TypeText("a");
        responder.answer = [](const MessageBoxCall &) { return 2; }; // 取消
        screen->close();
        QTRY_COMPARE(responder.calls.size(), std::size_t(1));
        QCOMPARE(Q(responder.calls[0].message), QString::fromUtf8("您还没有保存，是否要关闭程序？"));
        QCOMPARE(screen->isVisible(), true);
        QCOMPARE(main.isVisible(), true);

        responder.answer = [](const MessageBoxCall &) { return 1; }; // 确定
        screen->close();
        QTRY_COMPARE(main.isVisible(), false);
        QTRY_VERIFY(screen.isNull());

        // Nothing typed: no question, and the same way out.
        responder.calls.clear();
        main.show();
        QPointer<CZiYouWriter> untouched = OpenScreen(&main);
        untouched->close();
        QTRY_COMPARE(main.isVisible(), false);
        QTRY_VERIFY(untouched.isNull());
        QCOMPARE(responder.calls.size(), std::size_t(0));
    }

    void enterNeverClosesTheScreen()
    {
        QWidget parent;
        auto *screen = OpenScreen(&parent);
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(screen, Qt::Key(key));
        QCOMPARE(screen->isVisible(), true);
        // In the editor Enter is a paragraph mark.
        screen->View()->setFocus();
        QTest::keyClicks(screen->View(), "ab");
        QTest::keyClick(screen->View(), Qt::Key_Return);
        QTest::keyClicks(screen->View(), "c");
        QCOMPARE(screen->BodyText(), std::string("ab\rc"));
    }

    void essayHandedInIsShown()
    {
        QWidget parent;
        QWidget viewer;
        viewer.show();
        auto *screen = new CZiYouWriter(&parent);
        screen->SetEssay(U("春天"), U("第一段\r第二段"), "42");
        screen->SetOpener(&viewer);
        screen->EnsureInitialized();
        QCOMPARE(Q(screen->TitleText()), QString::fromUtf8("春天"));
        QCOMPARE(Q(screen->BodyText()), QString::fromUtf8("第一段\r第二段"));
        QCOMPARE(screen->CompositionId(), std::string("42"));
        QCOMPARE(screen->IsChanged(), false);
        QCOMPARE(viewer.isVisible(), false); // the opener is hidden while the screen is open
        screen->Back();
        QCOMPARE(viewer.isVisible(), true);
    }

    // The save-as-Word button: the title exactly as shown (the hint when untouched) suggests the
    // file name and heads the document; an empty body gives its notice and no dialog.
    void saveAsWord_data()
    {
        QTest::addColumn<QString>("title"); // "<hint>": the field untouched
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("suggested"); // "": no dialog
        QTest::addColumn<QString>("notice");
        QTest::newRow("untouched title") << "<hint>" << QString::fromUtf8("春天\r来了")
                                         << QString::fromUtf8(" 请输入写作题目.doc") << "";
        QTest::newRow("title as typed") << QString::fromUtf8(" 春日 ") << QString::fromUtf8("春天")
                                        << QString::fromUtf8(" 春日 .doc") << "";
        QTest::newRow("empty body") << QString::fromUtf8("春日") << ""
                                    << "" << QString::fromUtf8("\t  正文内容不能为空！");
    }

    void saveAsWord()
    {
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(QString, suggested);
        QFETCH(QString, notice);
        MessageBoxResponder responder;
        ScopedMessageBoxResponder scoped(responder);
        QTemporaryDir dir;
        const QString path = dir.filePath("essay.doc");
        QStringList asked;
        ScopedSaveFileChooser chooser([&](QWidget *, const SaveFileRequest &request) -> std::optional<QString> {
            asked << request.suggestedName;
            return path;
        });
        QWidget parent;
        auto *screen = OpenScreen(&parent);
        if (title != "<hint>")
            screen->TitleField()->setText(title);
        screen->View()->SetText(QStringToGbkForTest(body));
        screen->SaveAsWordButton()->click();
        QCOMPARE(asked, suggested.isEmpty() ? QStringList() : QStringList{suggested});
        QCOMPARE(responder.calls.size(), std::size_t(1));
        if (!notice.isEmpty()) {
            QCOMPARE(Q(responder.calls[0].message), notice);
            QCOMPARE(QFile::exists(path), false);
            return;
        }
        QCOMPARE(Q(responder.calls[0].message), QString::fromUtf8("作文已保存为 essay.doc"));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const std::string expected = BuildWordDocument(screen->TitleAsShown() + "\r\n" + screen->BodyText());
        QCOMPARE(written.readAll().toStdString(), expected);
    }

    // A pick whose request fails leaves the panel as it was: shown, with the keyword and the
    // excerpts it had. The request went out (the one call) and found no service.
    void failedCorpusRequestLeavesThePanel()
    {
        QWidget parent;
        auto *screen = OpenScreen(&parent);
        CMyHtmlListCtrl *panel = screen->CorpusPanel();
        const std::vector<CorpusBrief> shown{{7, U("春风又绿江南岸")}, {8, U("春风得意马蹄疾")}};
        QCOMPARE(panel->ShowKeywordCorpus(2, U("春风"), FetchStatus::Ok, shown), true);
        panel->show();
        QCOMPARE(panel->GetItemCount(), 3); // the heading and the two excerpts

        ServiceCallCounter calls;
        SendWindowMessage(screen, kMsgKeywordPick, 1, 1);
        QCOMPARE(calls.Take(), 1);
        QCOMPARE(panel->isVisible(), true);
        QCOMPARE(panel->CurrentKeywordId(), 2);
        QCOMPARE(panel->CurrentKeywordText(), U("春风"));
        QCOMPARE(panel->GetItemCount(), 3);
        QVERIFY(panel->Record(7));
        QVERIFY(panel->Record(8));
    }

    // The screen's own corpus panel separates its entries with a green line under each one.
    void corpusPanelDrawsSeparatorLines()
    {
        QWidget parent;
        auto *screen = OpenScreen(&parent);
        CMyHtmlListCtrl *panel = screen->CorpusPanel();
        QCOMPARE(panel->GetExtendedStyle() & kListGridLines, kListGridLines);
        const std::vector<CorpusBrief> shown{{7, U("春风又绿江南岸")}, {8, U("春风得意马蹄疾")}};
        QCOMPARE(panel->ShowKeywordCorpus(2, U("春风"), FetchStatus::Ok, shown), true);
        panel->show();
        const QImage shot = panel->grab().toImage();
        QDir().mkpath(PENLARK_SCREENSHOT_DIR);
        QVERIFY(shot.save(QString(PENLARK_SCREENSHOT_DIR) + "/corpus_panel_lines.png"));
        const QColor line(14, 128, 59);
        for (int index = 0; index < panel->GetItemCount(); ++index) {
            const QRect item = panel->ItemRect(index);
            int green = 0;
            for (int x = item.left() + 2; x <= item.right() - 2; ++x)
                green += shot.pixelColor(x, item.bottom() - 1) == line ? 1 : 0;
            QCOMPARE(green, item.width() - 4);
        }
    }

private:
    static std::string QStringToGbkForTest(const QString &text) { return Utf8ToGbk(text.toStdString()); }
};

QTEST_MAIN(WriteScreenTest)
#include "WriteScreenTest.moc"
