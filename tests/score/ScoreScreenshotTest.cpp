// Shows the score report over its translucent cover on the real X display and saves a screenshot.
#include "AppFolder.h"
#include "DisplayTest.h"
#include "SubmitWriteScoreDlg.h"
#include "ToumingDlg.h"

#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QtTest>

namespace {

// A stand-in for the main window: cream page, grey band and a green strip, as the screens look.
class Backdrop : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(0xF6, 0xF8, 0xE3));
        p.fillRect(0, 0, width(), 35, QColor(0x9E, 0x9E, 0xA0));
        p.fillRect(0, height() - 25, width(), 25, QColor(0x1D, 0xAA, 0x39));
    }
};

} // namespace

class ScoreScreenshotTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitAppFolder(std::string(PENLARK_APP_DIR) + "/penlark");
    }

    void scoreReportOverItsCover()
    {
        Backdrop mainWindow;
        mainWindow.setGeometry(0, 0, 1024, 700);
        mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
        CSubmitWriteScoreDlg dialog(&mainWindow, QDate(2026, 12, 10));
        QImage shot;
        QTimer::singleShot(0, &dialog, [&] {
            QTest::keyClicks(dialog.ScoreField(), "95");
            QTest::qWait(300);
            shot = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 1024, 700).toImage();
            dialog.OnCancel();
        });
        CToumingDlg::RunCovered(&mainWindow, dialog);
        QDir().mkpath(PENLARK_SCREENSHOT_DIR);
        QVERIFY(shot.save(QString(PENLARK_SCREENSHOT_DIR) + "/score_report.png"));
        // The cover darkens the page around the dialog.
        const QColor covered = shot.pixelColor(50, 300);
        QVERIFY2(covered.lightness() < 120, "the page is darkened by the cover");
    }
};

PENLARK_DISPLAY_TEST_MAIN(ScoreScreenshotTest)
#include "ScoreScreenshotTest.moc"
