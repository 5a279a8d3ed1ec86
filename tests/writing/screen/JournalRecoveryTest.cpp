// No essay lost: a writing screen in a child process is killed while the student types, a
// session is forced out, and a save meets a service that is down; each time the next sign-in
// offers the essay back and "确定" reopens it with what was on screen.
#include "ChuSaiWriteDlg.h"
#include "DlgWrite.h"
#include "FusaiWriteDlg.h"
#include "EssayJournal.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "LeftEssayOffer.h"
#include "MainLayout.h"
#include "MyEdit.h"
#include "PenlarkDlg.h"
#include "ScreenKit.h"
#include "ServiceContext.h"
#include "ServiceProcess.h"
#include "SignedInSession.h"
#include "WriteView.h"
#include "ZiYouWriter.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <cstdlib>

namespace {

const char *const kTypistFlag = "--typist";
const char *const kServiceVariable = "JOURNAL_TEST_SERVICE";

QString Q(const std::string &gbk)
{
    return QString::fromStdString(GbkToUtf8(gbk));
}

const QString &EssayTitle()
{
    static const QString title = QString::fromUtf8("春日随笔");
    return title;
}

// What the typist types, one character at a time: Chinese, punctuation and ASCII.
const QString &EssayText()
{
    static const QString text = [] {
        const QString line = QString::fromUtf8("春风又绿江南岸，明月何时照我还？Spring 2026 我们去公园放风筝。");
        QString all;
        while (all.size() < 600)
            all += line;
        return all;
    }();
    return text;
}

CZiYouWriter *OpenFreeWriting(CpenlarkDlg *main)
{
    main->NavButton(mainlayout::kNavFreeWriting)->click();
    return main->findChild<CZiYouWriter *>();
}

void TypeTitle(CDlgWrite *screen, const QString &title)
{
    // The hint leaves the field when it takes the focus, which needs the window active. A window
    // manager may keep the activation from a program that is not in front (or take its time on a
    // busy machine): the field is then given the focus-in the window system would deliver.
    screen->activateWindow();
    (void)QTest::qWaitFor([screen] { return screen->isActiveWindow(); }, 2000);
    screen->TitleField()->setFocus();
    if (!screen->TitleField()->hasFocus()) {
        QFocusEvent focusIn(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(screen->TitleField(), &focusIn);
    }
    CommitText(screen->TitleField(), title);
}

// The child: signs in against the parent's service, types the essay and reports after each
// character how many bytes of body are on screen, until it is killed.
int RunTypist()
{
    SignedInSession::Options options;
    options.serviceAddress = std::getenv(kServiceVariable) ? std::getenv(kServiceVariable) : "";
    options.dataFolder = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    auto session = SignedInSession::Start(options);
    CZiYouWriter *screen = OpenFreeWriting(session->MainWindow());
    if (!screen)
        return 2;
    TypeTitle(screen, EssayTitle());
    screen->View()->setFocus();
    for (const QChar c : EssayText()) {
        CommitText(screen->View(), QString(c));
        std::printf("typed %zu\n", screen->BodyText().size());
        std::fflush(stdout);
        QTest::qWait(25);
    }
    QTest::qWait(60000);
    return 0;
}

struct KilledTypist
{
    std::size_t bytesSecondBeforeKill = 0;
    std::size_t bytesLastReported = 0;
};

} // namespace

class JournalRecoveryTest : public QObject
{
    Q_OBJECT

private:
    // Runs a typist, kills it after delayMs of typing and returns what it had on screen.
    static KilledTypist TypeAndKill(const std::string &serviceAddress, const QString &dataFolder, int delayMs)
    {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", dataFolder);
        environment.insert(kServiceVariable, QString::fromStdString(serviceAddress));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {kTypistFlag});
        if (!child.waitForStarted(10000))
            return {};

        struct Report
        {
            qint64 at;
            std::size_t bytes;
        };
        std::vector<Report> reports;
        QElapsedTimer clock;
        clock.start();
        qint64 typingStarted = -1;
        auto readReports = [&] {
            while (child.canReadLine()) {
                const QByteArray line = child.readLine().trimmed();
                if (!line.startsWith("typed "))
                    continue;
                reports.push_back({clock.elapsed(), std::size_t(line.mid(6).toULongLong())});
                if (typingStarted < 0)
                    typingStarted = clock.elapsed();
            }
        };
        while (clock.elapsed() < 60000 && (typingStarted < 0 || clock.elapsed() - typingStarted < delayMs)) {
            child.waitForReadyRead(20);
            readReports();
        }
        child.kill(); // SIGKILL
        const qint64 killedAt = clock.elapsed();
        child.waitForFinished(10000);

        // The writer keeps its one-second promise with a timer, which a machine running other tests
        // at the same time may fire a little late: what was on screen a second and that allowance
        // before the kill must be kept.
        constexpr qint64 kTimerAllowanceMs = 250;
        KilledTypist result;
        for (const Report &report : reports) {
            if (report.at <= killedAt - 1000 - kTimerAllowanceMs)
                result.bytesSecondBeforeKill = report.bytes;
            result.bytesLastReported = report.bytes;
        }
        return result;
    }

    // Signs in, takes the offer with "确定" and returns the reopened screen.
    static CZiYouWriter *ReopenOffered(SignedInSession &session)
    {
        CpenlarkDlg *main = session.MainWindow();
        if (!main)
            return nullptr;
        if (!QTest::qWaitFor([main] { return main->findChild<CZiYouWriter *>() != nullptr; }, 10000))
            return nullptr;
        return main->findChild<CZiYouWriter *>();
    }

    static std::vector<std::string> Questions(SignedInSession &session)
    {
        std::vector<std::string> questions;
        for (const MessageBoxCall &call : session.Messages().calls)
            if (call.kind == MessageBoxCall::Kind::Question)
                questions.push_back(call.message);
        return questions;
    }

private slots:
    void killedWhileTypingKeepsWhatWasOnScreen()
    {
        auto service = ServiceProcess::Start();
        QTemporaryDir data;
        QVERIFY(data.isValid());
        const std::string fullBody = Utf8ToGbk(EssayText().toStdString());
        JournalEntry titled;
        titled.title = Utf8ToGbk(EssayTitle().toStdString());

        // Each round is killed more than a second after its first character, so something is owed
        // in every round; the delays spread the kill over different moments of the writer's second.
        const int delaysMs[] = {1300, 1650, 2000, 2350, 2700};
        for (int round = 0; round < 5; ++round) {
            const KilledTypist killed = TypeAndKill(service->BaseAddress(), data.path(), delaysMs[round]);
            QVERIFY2(killed.bytesSecondBeforeKill > 0, "the typist typed nothing a second before the kill");

            SignedInSession::Options options;
            options.serviceAddress = service->BaseAddress();
            options.dataFolder = data.path().toStdString();
            auto session = SignedInSession::Start(options);
            QPointer<CZiYouWriter> screen = ReopenOffered(*session);
            QVERIFY2(screen, qPrintable(QString("round %1: %2 questions; journal: %3")
                                            .arg(round)
                                            .arg(Questions(*session).size())
                                            .arg(QDir(data.path() + "/penlark").entryList(QDir::Files).join(' '))));
            QCOMPARE(Questions(*session), std::vector<std::string>{LeftEssayQuestion(titled)});

            // Everything on screen a second before the kill, and nothing that was not typed.
            const std::string body = screen->BodyText();
            QVERIFY2(body.size() >= killed.bytesSecondBeforeKill,
                     qPrintable(QString("round %1: %2 bytes recovered, %3 on screen a second before the kill")
                                    .arg(round)
                                    .arg(body.size())
                                    .arg(killed.bytesSecondBeforeKill)));
            QVERIFY(body.size() <= killed.bytesLastReported);
            QCOMPARE(Q(body), Q(fullBody.substr(0, body.size())));
            QCOMPARE(Q(screen->TitleText()), EssayTitle());
            QCOMPARE(screen->CompositionId(), std::string());

            // Recovered text counts as unsaved; dropping it on Back retires the entry.
            const std::string user = SignedInAccount();
            screen->Back();
            QCOMPARE(session->Messages().calls.back().message, CDlgWrite::BackQuestion());
            QCOMPARE(EssayJournal(EssayJournal::DefaultFolder()).LeftEntries(user).size(), std::size_t(0));
        }
    }

    void saveWhileServiceIsDownKeepsTheEssay()
    {
        QTemporaryDir data;
        QVERIFY(data.isValid());
        SignedInSession::Options options;
        options.dataFolder = data.path().toStdString();
        const QString essay = QString::fromUtf8("服务器停了，我的作文还在。");
        std::string entryId;
        {
            auto session = SignedInSession::Start(options);
            QPointer<CZiYouWriter> screen = OpenFreeWriting(session->MainWindow());
            QVERIFY(screen);
            TypeTitle(screen, QString::fromUtf8("停电"));
            screen->View()->setFocus();
            CommitText(screen->View(), essay);
            entryId = screen->JournalEntryId();
            QVERIFY(!entryId.empty());

            session->Service().Stop();
            session->Messages().calls.clear();
            screen->SaveToLibrary();
            QVERIFY(screen);
            QCOMPARE(screen->IsChanged(), true);
            // The student is told: not saved, kept on this computer.
            QCOMPARE(session->Messages().calls.size(), std::size_t(1));
            QCOMPARE(session->Messages().calls[0].message, CDlgWrite::UnreachableSaveNotice());

            // Written within a second of the edit, and the failed save left it in place.
            const EssayJournal journal(EssayJournal::DefaultFolder());
            JournalEntry written;
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    QFile file(QString::fromStdString(journal.EntryPath(entryId)));
                    return file.open(QIODevice::ReadOnly) && EssayJournal::Parse(file.readAll().toStdString(), written);
                }(),
                1500);
            QCOMPARE(Q(written.body), essay);
            QCOMPARE(Q(written.title), QString::fromUtf8("停电"));
        }
        // The next run, with the service back: offered and reopened.
        auto session = SignedInSession::Start(options);
        QPointer<CZiYouWriter> screen = ReopenOffered(*session);
        QVERIFY(screen);
        QCOMPARE(Q(screen->BodyText()), essay);
        QCOMPARE(Q(screen->TitleText()), QString::fromUtf8("停电"));
        QCOMPARE(screen->JournalEntryId(), entryId);

        // Saved with the service up: the entry is retired.
        screen->SaveToLibrary();
        QCOMPARE(screen->IsChanged(), false);
        QCOMPARE(QFile::exists(QString::fromStdString(EssayJournal(EssayJournal::DefaultFolder()).EntryPath(entryId))), false);
    }

    // A contest entry reopens in its round's screen with its panel text, its ids and, in the
    // second round, the clock it had left less the time since it was written.
    void contestEntriesReopenInTheirRounds()
    {
        QTemporaryDir data;
        QVERIFY(data.isValid());
        SignedInSession::Options options;
        options.dataFolder = data.path().toStdString();
        std::string user;
        {
            auto session = SignedInSession::Start(options);
            user = SignedInAccount();
        }
        ::setenv("XDG_DATA_HOME", options.dataFolder.c_str(), 1);
        const EssayJournal journal(EssayJournal::DefaultFolder());
        const JournalEntry preliminary{.kind = WritingScreenKind::PreliminaryRound,
                                       .user = user,
                                       .title = Utf8ToGbk("我的老师"),
                                       .body = Utf8ToGbk("初赛写了一半。"),
                                       .compositionId = {},
                                       .activityId = std::string("7"),
                                       .roundTitle = Utf8ToGbk("我的老师"),
                                       .topicId = {},
                                       .requirements = Utf8ToGbk("不少于六百字。"),
                                       .writingMinutes = 0,
                                       .clockSecondsLeft = -1,
                                       .savedAt = 0};
        JournalEntry second = preliminary;
        second.kind = WritingScreenKind::SecondRound;
        second.title = Utf8ToGbk("家乡的河");
        second.roundTitle = second.title;
        second.topicId = "12";
        second.writingMinutes = 60;
        second.clockSecondsLeft = 1800;
        const std::string preliminaryId = journal.NewEntryId();
        QCOMPARE(journal.Write(preliminaryId, preliminary), 0);
        QTest::qWait(1100); // offered oldest first, by the second they were written
        const std::string secondId = journal.NewEntryId();
        QCOMPARE(journal.Write(secondId, second), 0);

        auto session = SignedInSession::Start(options);
        CpenlarkDlg *main = session->MainWindow();
        // One screen at a time: the second opens when the first goes back.
        QPointer<CDlgWrite> first;
        QTRY_VERIFY_WITH_TIMEOUT((first = main->findChild<CDlgWrite *>()) != nullptr, 10000);
        QCOMPARE(Questions(*session).size(), std::size_t(2)); // both asked before any opens
        auto *firstRound = qobject_cast<CChuSaiWriteDlg *>(first.data());
        QVERIFY(firstRound);
        QCOMPARE(Q(firstRound->BodyText()), QString::fromUtf8("初赛写了一半。"));
        QCOMPARE(Q(firstRound->Requirements()), QString::fromUtf8("不少于六百字。"));
        QCOMPARE(firstRound->Entry().activityId, std::string("7"));
        QCOMPARE(firstRound->JournalEntryId(), preliminaryId);
        firstRound->Back(); // answered "确定": dropped
        QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 5000);

        CFusaiWriteDlg *secondRound = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((secondRound = main->findChild<CFusaiWriteDlg *>()) != nullptr, 5000);
        QCOMPARE(Q(secondRound->BodyText()), QString::fromUtf8("初赛写了一半。"));
        QCOMPARE(secondRound->Entry().matchId, std::string("12"));
        QCOMPARE(secondRound->JournalEntryId(), secondId);
        const std::int64_t left = secondRound->Clock().SecondsLeft();
        QVERIFY2(left > 1700 && left <= 1800, qPrintable(QString::number(left)));
        QCOMPARE(QFile::exists(QString::fromStdString(journal.EntryPath(preliminaryId))), false);
    }

    // A journal entry goes only with a successful save, or with a drop the student chose while a
    // save was possible. Each row types an essay, does something first, leaves the screen with
    // Back or close (the unsaved question answered "确定") and signs in again.
    void droppedOnlyWhileASaveWasPossible_data()
    {
        QTest::addColumn<QString>("first");  // what happens before the screen is left
        QTest::addColumn<QString>("ending"); // "back" or "close"
        QTest::addColumn<bool>("offered");   // the next sign-in offers the essay
        QTest::newRow("saved, back") << "save" << "back" << false;
        QTest::newRow("dropped on back, service up") << "" << "back" << false;
        QTest::newRow("dropped on close, service up") << "" << "close" << false;
        QTest::newRow("back after a save that found no service") << "unreachable" << "back" << true;
        QTest::newRow("close after a save that found no service") << "unreachable" << "close" << true;
        QTest::newRow("close confirmed as the account is signed in elsewhere") << "displaced" << "close" << true;
        QTest::newRow("back confirmed as the sign-in lapses unrenewed") << "lapsed" << "back" << true;
    }

    void droppedOnlyWhileASaveWasPossible()
    {
        QFETCH(QString, first);
        QFETCH(QString, ending);
        QFETCH(bool, offered);
        QTemporaryDir data;
        QVERIFY(data.isValid());
        SignedInSession::Options options;
        options.dataFolder = data.path().toStdString();
        auto session = SignedInSession::Start(options);
        CpenlarkDlg *main = session->MainWindow();
        QPointer<CZiYouWriter> screen = OpenFreeWriting(main);
        QVERIFY(screen);
        TypeTitle(screen, QString::fromUtf8("去留"));
        screen->View()->setFocus();
        const QString essay = QString::fromUtf8("这篇作文该不该留下？");
        const std::string countBefore = screen->CountText();
        CommitText(screen->View(), essay);
        QTRY_VERIFY(screen->CountText() != countBefore); // the editor has told the screen of the edit

        if (first == "save") {
            screen->SaveToLibrary();
            QCOMPARE(screen->IsChanged(), false);
        } else if (first == "unreachable") {
            // Nothing listens on port 1: the save fails at once, as with the service down, and
            // the service is there again for the next sign-in.
            const ServiceContextValues reachable = ServiceContext;
            ServiceContext.Endpoint = ServiceContext.DefaultEndpoint = "http://127.0.0.1:1/iface/api.asmx";
            screen->SaveToLibrary();
            ServiceContext = reachable;
            QCOMPARE(session->Messages().calls.back().message, CDlgWrite::UnreachableSaveNotice());
        }
        // The session ends while the unsaved question is open (the poll meets it), and the
        // student then answers "确定".
        session->Messages().answer = [&](const MessageBoxCall &call) {
            if (call.kind == MessageBoxCall::Kind::Question && first == "displaced")
                session->Service().Control("displace?name=xuesheng");
            if (call.kind == MessageBoxCall::Kind::Question && first == "lapsed") {
                session->Service().Control("lapse?name=xuesheng");
                session->Service().Control("refuse-relogin?name=xuesheng");
            }
            if (call.kind == MessageBoxCall::Kind::Question && (first == "displaced" || first == "lapsed"))
                main->PollNow();
            return 1;
        };
        session->Messages().calls.clear();
        if (ending == "back")
            screen->BackButton()->click();
        else
            screen->CloseButton()->click();
        QTRY_VERIFY(screen.isNull());
        if (first != "save")
            QCOMPARE(Questions(*session).size(), std::size_t(1)); // the unsaved question was asked
        session->Messages().answer = {};
        if (CpenlarkDlg *still = session->MainWindow())
            still->CloseProgram();
        QTRY_VERIFY(session->MainWindow() == nullptr);

        // What the next sign-in offers; and the offer itself where there is one.
        const std::string user = SignedInAccount();
        QCOMPARE(EssayJournal(EssayJournal::DefaultFolder()).LeftEntries(user).size(), std::size_t(offered ? 1 : 0));
        if (!offered)
            return;
        session->Messages().calls.clear();
        session->OpenSignInWindow();
        QVERIFY(session->SignIn("xuesheng", "123456"));
        QPointer<CZiYouWriter> reopened = ReopenOffered(*session);
        QVERIFY(reopened);
        QCOMPARE(Questions(*session).size(), std::size_t(1));
        QCOMPARE(Q(reopened->BodyText()), essay);
        QCOMPARE(Q(reopened->TitleText()), QString::fromUtf8("去留"));
    }

    void forcedSignOutKeepsTheEssay()
    {
        QTemporaryDir data;
        QVERIFY(data.isValid());
        SignedInSession::Options options;
        options.dataFolder = data.path().toStdString();
        auto session = SignedInSession::Start(options);
        QPointer<CZiYouWriter> screen = OpenFreeWriting(session->MainWindow());
        QVERIFY(screen);
        TypeTitle(screen, QString::fromUtf8("下课"));
        screen->View()->setFocus();
        const QString essay = QString::fromUtf8("会话过期了，作文不能丢。");
        CommitText(screen->View(), essay);

        session->Service().Control("lapse?name=xuesheng");
        session->Service().Control("refuse-relogin?name=xuesheng");
        screen->SaveToLibrary();
        // Signed out: the main window and its screen are gone.
        QTRY_VERIFY_WITH_TIMEOUT(session->MainWindow() == nullptr, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(screen.isNull(), 5000);

        // The next start of the program.
        session->Messages().calls.clear();
        session->OpenSignInWindow();
        QVERIFY(session->SignIn("xuesheng", "123456"));
        QPointer<CZiYouWriter> reopened = ReopenOffered(*session);
        QVERIFY(reopened);
        QCOMPARE(Q(reopened->BodyText()), essay);
        QCOMPARE(Q(reopened->TitleText()), QString::fromUtf8("下课"));
    }
};

int main(int argc, char **argv)
{
    PrepareScreenTestApplication();
    QApplication app(argc, argv);
    if (argc > 1 && std::string(argv[1]) == kTypistFlag)
        return RunTypist();
    JournalRecoveryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "JournalRecoveryTest.moc"
