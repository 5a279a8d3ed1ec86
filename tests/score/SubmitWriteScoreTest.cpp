// The score report against the real reference service: what is sent, what is refused before
// sending, what each result shows and whether the dialog stays open; run modally over its cover.
#include "AppFolder.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "OkDialog.h"
#include "OperationsAccount.h"
#include "QtText.h"
#include "ServiceHooks.h"
#include "ProcessService.h"
#include "SubmitWriteScoreDlg.h"
#include "ToumingDlg.h"

#include <QLineEdit>
#include <QTimer>
#include <QtTest>
#include <sqlite3.h>

namespace {

ServiceProcess &Service()
{
    return ProcessService();
}

std::string ServiceHost()
{
    return Service().BaseAddress().substr(7, Service().BaseAddress().size() - 8);
}

// Rows of the service's score table: (count, newest score as stored).
std::pair<int, std::string> Scores()
{
    sqlite3 *db = nullptr;
    std::pair<int, std::string> result{-1, {}};
    if (sqlite3_open_v2(Service().DatabasePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT COUNT(*), (SELECT score FROM scores ORDER BY id DESC LIMIT 1) FROM scores", -1,
                               &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            result.first = sqlite3_column_int(statement, 0);
            const unsigned char *text = sqlite3_column_text(statement, 1);
            result.second = text ? reinterpret_cast<const char *>(text) : "";
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return result;
}

// What one modal run saw: the field after typing, whether the dialog was still up after the
// submit, and whether the cover lay over the window meanwhile.
struct Run
{
    QString field;
    bool openAfterSubmit = false;
    bool covered = false;
    int result = 0;
};

Run TypeAndSubmit(const QString &keys)
{
    QWidget mainWindow;
    mainWindow.setGeometry(100, 50, 1024, 700);
    mainWindow.show();
    CSubmitWriteScoreDlg dialog(&mainWindow);
    Run run;
    QTimer::singleShot(0, &dialog, [&] {
        for (CToumingDlg *cover : mainWindow.findChildren<CToumingDlg *>())
            run.covered = run.covered || (cover->isVisible() && cover->geometry() == mainWindow.rect());
        QTest::keyClicks(dialog.ScoreField(), keys);
        run.field = dialog.ScoreField()->text();
        QTest::mouseClick(dialog.SubmitButton(), Qt::LeftButton, {}, QPoint(30, 11));
        run.openAfterSubmit = dialog.isVisible();
        if (run.openAfterSubmit)
            QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton, {}, QPoint(30, 11));
    });
    run.result = CToumingDlg::RunCovered(&mainWindow, dialog);
    return run;
}

} // namespace

class SubmitWriteScoreTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitAppFolder(std::string(PENLARK_APP_DIR) + "/penlark");
        Service();
        ServiceContext.DeviceCode = "4748494a4b4c4d4e4f5051525354";
        GetServiceHooks().isMessageBoxOpen = [] { return COkDialog::IsOpen(); };
        QCOMPARE(SignIn("xuesheng", "123456", nullptr).status, SignInStatus::Success);
    }

    void cleanupTestCase() { GetServiceHooks() = ServiceHooks{}; }

    void shownMonth_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::newRow("december") << QDate(2026, 12, 10) << 2027 << 1;
        QTest::newRow("new year's eve") << QDate(2026, 12, 31) << 2027 << 1;
        QTest::newRow("january") << QDate(2027, 1, 1) << 2027 << 1;
        QTest::newRow("november") << QDate(2026, 11, 30) << 2026 << 11;
    }
    void shownMonth()
    {
        QFETCH(QDate, today);
        QFETCH(int, year);
        QFETCH(int, month);
        CSubmitWriteScoreDlg dialog(nullptr, today);
        QCOMPARE(dialog.Shown().year, year);
        QCOMPARE(dialog.Shown().month, month);
    }

    void laysOutOnItsPicture()
    {
        QWidget mainWindow;
        mainWindow.setGeometry(100, 50, 1024, 700);
        CSubmitWriteScoreDlg dialog(&mainWindow);
        dialog.EnsureInitialized();
        QCOMPARE(dialog.geometry(), QRect(100 + (1024 - 313) / 2, 50 + (700 - 172) / 2, 313, 172));
        QCOMPARE(dialog.ScoreField()->geometry(), QRect(176, 50, 30, 12));
        QCOMPARE(dialog.SubmitButton()->geometry(), QRect(81, 142, 63, 23));
        QCOMPARE(dialog.CancelButton()->geometry(), QRect(178, 142, 63, 23));
    }

    void submit_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("staysOpen");
        QTest::addColumn<QString>("stored"); // the newest stored score; empty when nothing is stored
        const QString sent = QString::fromUtf8("\t  作文分数提交成功！");
        const QString tooHigh = QString::fromUtf8("\t  作文分数不能大于100");
        QTest::newRow("100") << "100"
                             << "100" << sent << false << "100";
        QTest::newRow("0") << "0"
                           << "0" << sent << false << "0";
        QTest::newRow("101") << "101"
                             << "101" << tooHigh << true << "";
        QTest::newRow("too many digits to hold") << "99999999999"
                                                 << "99999999999" << tooHigh << true << "";
        QTest::newRow("empty") << ""
                               << "" << QString::fromUtf8("\t  请填写作文分数") << true << "";
        QTest::newRow("letters are not taken") << "9a-8b"
                                               << "98" << sent << false << "98";
        // Worth 100 here, but the service takes at most three digits: its "0" keeps the dialog up.
        QTest::newRow("refused by the service") << "0100"
                                                << "0100" << QString::fromUtf8("\t  作文分数提交失败！") << true << "";
    }
    void submit()
    {
        QFETCH(QString, keys);
        QFETCH(QString, field);
        QFETCH(QString, message);
        QFETCH(bool, staysOpen);
        QFETCH(QString, stored);
        const auto before = Scores();
        MessageBoxResponder responder;
        Run run;
        {
            ScopedMessageBoxResponder scoped(responder);
            run = TypeAndSubmit(keys);
        }
        const auto after = Scores();
        QCOMPARE(run.covered, true);
        QCOMPARE(run.field, field);
        QCOMPARE(responder.calls.size(), size_t(1));
        QCOMPARE(GbkToQString(responder.calls[0].message), message);
        QCOMPARE(GbkToQString(responder.calls[0].captions.at(0)), QString::fromUtf8("确 定"));
        QCOMPARE(run.openAfterSubmit, staysOpen);
        QCOMPARE(run.result, staysOpen ? CSubmitWriteScoreDlg::kCancelId : CSubmitWriteScoreDlg::kSubmitId);
        QCOMPARE(after.first - before.first, stored.isEmpty() ? 0 : 1);
        if (!stored.isEmpty())
            QCOMPARE(QString::fromStdString(after.second), stored);
    }

    void noReplyClosesWithoutAWord()
    {
        Service();
        InitServiceAddresses("127.0.0.1:1"); // nothing listens there
        MessageBoxResponder responder;
        Run run;
        {
            ScopedMessageBoxResponder scoped(responder);
            run = TypeAndSubmit("88");
        }
        InitServiceAddresses(ServiceHost());
        SetSignedInAddress(Service().BaseAddress());
        QCOMPARE(responder.calls.size(), size_t(0));
        QCOMPARE(run.openAfterSubmit, false);
        QCOMPARE(run.result, CSubmitWriteScoreDlg::kCancelId);
    }
};

QTEST_MAIN(SubmitWriteScoreTest)
#include "SubmitWriteScoreTest.moc"
