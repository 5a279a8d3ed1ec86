// The feedback and usage-report screens against the real reference service: what each submission
// shows, what reaches the service's database, and how the screens open, go back and close.
#include "AppFolder.h"
#include "CallBackDlg.h"
#include "CoolEdit.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "IdeaSubmit.h"
#include "OkDialog.h"
#include "OperationsAccount.h"
#include "QtText.h"
#include "ServiceHooks.h"
#include "ProcessService.h"
#include "WindowMessage.h"
#include "YijianFankuiDlg.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QtTest>
#include <sqlite3.h>

namespace {

ServiceProcess &Service()
{
    return ProcessService();
}

// Rows of the service's feedback table: (count, newest content as stored, UTF-8).
std::pair<int, std::string> Ideas()
{
    sqlite3 *db = nullptr;
    std::pair<int, std::string> result{-1, {}};
    if (sqlite3_open_v2(Service().DatabasePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return result;
    }
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT COUNT(*), (SELECT content FROM ideas ORDER BY id DESC LIMIT 1) FROM ideas", -1, &statement,
                           nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        result.first = sqlite3_column_int(statement, 0);
        const unsigned char *text = sqlite3_column_text(statement, 1);
        result.second = text ? reinterpret_cast<const char *>(text) : "";
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

enum class Screen
{
    Feedback,
    Experience
};

struct OpenScreen
{
    QPointer<CFatherDlg> screen;
    CCoolEdit *field = nullptr;
    CGdipButton *submit = nullptr;
};

OpenScreen Open(Screen kind, QWidget *mainWindow, bool maximised = false)
{
    OpenScreen open;
    if (kind == Screen::Feedback) {
        auto *screen = new CCallBackDlg(mainWindow);
        ShowScreenInPlace(screen, mainWindow, maximised);
        open = {screen, screen->Field(), screen->SubmitButton()};
    } else {
        auto *screen = new CYijianFankuiDlg(mainWindow);
        ShowScreenInPlace(screen, mainWindow, maximised);
        open = {screen, screen->Field(), screen->SubmitButton()};
    }
    return open;
}

// Watches the messages between windows for its lifetime, leaving out the buttons' own presses.
struct MessageWatch
{
    std::vector<WindowMessageTrace> sent;
    QRect closedRect; // what a 1037 pointed at when it was sent
    MessageWatch()
    {
        SetWindowMessageObserver([this](const WindowMessageTrace &t) {
            if (t.message == kMsgImageButtonPressed)
                return;
            sent.push_back(t);
            if (t.message == kMsgScreenClosed)
                closedRect = *reinterpret_cast<const QRect *>(t.wParam);
        });
    }
    ~MessageWatch() { SetWindowMessageObserver({}); }
};

} // namespace

Q_DECLARE_METATYPE(Screen)

class FeedbackScreensTest : public QObject
{
    Q_OBJECT

    std::vector<std::string> m_statusMessages;

private slots:
    void initTestCase()
    {
        InitAppFolder(std::string(PENLARK_APP_DIR) + "/penlark");
        Service();
        ServiceContext.DeviceCode = "4748494a4b4c4d4e4f5051525354";
        ServiceHooks &hooks = GetServiceHooks();
        hooks.isMessageBoxOpen = [] { return COkDialog::IsOpen(); };
        hooks.showMessage = [this](const std::string &message) { m_statusMessages.push_back(message); };
        QCOMPARE(SignIn("xuesheng", "123456", nullptr).status, SignInStatus::Success);
    }

    void cleanupTestCase() { GetServiceHooks() = ServiceHooks{}; }

    void submitShowsTheOutcomeOnce_data()
    {
        QTest::addColumn<Screen>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("lapse");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("stored");
        const QString accepted = QString::fromUtf8("\t提交成功,谢谢您的参与!");
        QTest::newRow("feedback empty") << Screen::Feedback << "" << false << QString::fromUtf8("\t  请输入反馈内容!") << 0;
        QTest::newRow("report empty") << Screen::Experience << "" << false << QString::fromUtf8("\t  请输入心得内容!") << 0;
        QTest::newRow("feedback chinese, two lines")
            << Screen::Feedback << QString::fromUtf8("我喜欢这个平台\r\n语料很有用。") << false << accepted << 1;
        QTest::newRow("report chinese") << Screen::Experience << QString::fromUtf8("每天写一篇日记。") << false << accepted << 1;
        QTest::newRow("feedback refused") << Screen::Feedback << "   " << false << QString::fromUtf8("\t  提交反馈失败!") << 0;
        QTest::newRow("report refused") << Screen::Experience << "   " << false << QString::fromUtf8("\t  提交心得失败!") << 0;
        QTest::newRow("feedback after a lapse")
            << Screen::Feedback << QString::fromUtf8("登录过期后再交") << true << accepted << 1;
        QTest::newRow("report after a lapse")
            << Screen::Experience << QString::fromUtf8("过期以后的心得") << true << accepted << 1;
    }
    void submitShowsTheOutcomeOnce()
    {
        QFETCH(Screen, kind);
        QFETCH(QString, text);
        QFETCH(bool, lapse);
        QFETCH(QString, message);
        QFETCH(int, stored);

        QWidget mainWindow;
        mainWindow.setGeometry(CFatherDlg::RestoredRect());
        mainWindow.show();
        OpenScreen open = Open(kind, &mainWindow);
        QVERIFY(open.field);
        QCOMPARE(open.field->LimitText(), 800);
        open.field->SetWindowText(QStringToGbk(text));
        if (lapse)
            QCOMPARE(Service().Control("lapse?name=xuesheng"), std::string("ok"));

        const auto before = Ideas();
        m_statusMessages.clear();
        MessageBoxResponder responder;
        {
            ScopedMessageBoxResponder scoped(responder);
            QTest::mouseClick(open.submit, Qt::LeftButton, {}, QPoint(30, 14));
        }
        const auto after = Ideas();

        QCOMPARE(responder.calls.size(), size_t(1));
        QCOMPARE(GbkToQString(responder.calls[0].message), message);
        QCOMPARE(GbkToQString(responder.calls[0].captions.at(0)), QString::fromUtf8("确 定"));
        QCOMPARE(m_statusMessages.size(), size_t(0));
        QCOMPARE(after.first - before.first, stored);
        if (stored)
            QCOMPARE(QString::fromStdString(after.second), text); // UTF-8, line breaks as CR LF
        QCOMPARE(GbkToQString(open.field->WindowText()), text);   // the field keeps its text
        delete open.screen;
    }

    void screensLieOverTheMainWindow_data()
    {
        QTest::addColumn<Screen>("kind");
        QTest::addColumn<QRect>("field");
        QTest::addColumn<QRect>("submit");
        QTest::newRow("feedback") << Screen::Feedback << QRect(62, 305, 885, 225) << QRect(782, 530, 75, 28);
        QTest::newRow("report") << Screen::Experience << QRect(64, 123, 896, 386) << QRect(887, 510, 74, 28);
    }
    void screensLieOverTheMainWindow()
    {
        QFETCH(Screen, kind);
        QFETCH(QRect, field);
        QFETCH(QRect, submit);
        QWidget mainWindow;
        mainWindow.setGeometry(CFatherDlg::RestoredRect());
        mainWindow.show();
        OpenScreen open = Open(kind, &mainWindow);
        QCOMPARE(mainWindow.isVisible(), false);
        QCOMPARE(open.screen->geometry(), CFatherDlg::RestoredRect());
        QCOMPARE(open.field->geometry(), field);
        QCOMPARE(open.submit->geometry(), submit);
        if (kind == Screen::Feedback)
            QCOMPARE(static_cast<CCallBackDlg *>(open.screen.data())->CancelButton()->geometry(), QRect(875, 530, 75, 28));
        delete open.screen;

        // Over a maximised main window the screen opens maximised, its parts placed for that size.
        OpenScreen big = Open(kind, &mainWindow, true);
        const QSize screenSize = QGuiApplication::primaryScreen()->geometry().size();
        QCOMPARE(big.screen->IsMaximised(), true);
        QCOMPARE(big.screen->size(), screenSize);
        QCOMPARE(big.submit->geometry().topLeft(),
                 submit.topLeft() + QPoint(screenSize.width() - 1024, screenSize.height() - 700));
        delete big.screen;
    }

    void cancelAndBackShowTheMainWindowAgain()
    {
        QWidget mainWindow;
        mainWindow.show();
        {
            OpenScreen feedback = Open(Screen::Feedback, &mainWindow);
            MessageWatch watch;
            QTest::mouseClick(static_cast<CCallBackDlg *>(feedback.screen.data())->CancelButton(), Qt::LeftButton, {},
                              QPoint(30, 14));
            QCOMPARE(watch.sent.size(), size_t(1));
            QCOMPARE(watch.sent[0].target, static_cast<QObject *>(&mainWindow));
            QCOMPARE(watch.sent[0].message, 1029);
            QCOMPARE(watch.sent[0].wParam, intptr_t(1));
            QTRY_VERIFY(feedback.screen.isNull()); // closed and freed
        }
        {
            OpenScreen report = Open(Screen::Experience, &mainWindow);
            const QRect where = report.screen->frameGeometry();
            MessageWatch watch;
            QTest::mouseClick(report.screen->BackButton(), Qt::LeftButton, {}, QPoint(30, 14));
            QCOMPARE(watch.sent.size(), size_t(2));
            QCOMPARE(watch.sent[0].message, 1029);
            QCOMPARE(watch.sent[1].message, 1037);
            QCOMPARE(watch.sent[1].target, static_cast<QObject *>(&mainWindow));
            QCOMPARE(watch.closedRect, where);
            QTRY_VERIFY(report.screen.isNull()); // deleted itself
        }
    }

    void minimiseTellsTheMainWindowOnlyOnTheReportScreen()
    {
        QWidget mainWindow;
        mainWindow.show();
        for (Screen kind : {Screen::Feedback, Screen::Experience}) {
            OpenScreen open = Open(kind, &mainWindow);
            MessageWatch watch;
            QTest::mouseClick(open.screen->MinimiseButton(), Qt::LeftButton, {}, QPoint(20, 14));
            QTRY_COMPARE(open.screen->isMinimized(), true);
            QCOMPARE(watch.sent.size(), size_t(kind == Screen::Feedback ? 0 : 1));
            delete open.screen;
        }
    }

    void feedbackCloseEndsTheProgram()
    {
        QWidget signIn;
        signIn.show();
        auto *mainWindow = new QWidget(&signIn, Qt::Window);
        mainWindow->show();
        OpenScreen open = Open(Screen::Feedback, mainWindow);
        QTest::mouseClick(open.screen->CloseButton(), Qt::LeftButton, {}, QPoint(20, 14));
        QTRY_COMPARE(signIn.isVisible(), false);
        QCOMPARE(open.screen->isVisible(), false);
    }
};

QTEST_MAIN(FeedbackScreensTest)
#include "FeedbackScreensTest.moc"
