// The window base on real widgets (offscreen): numbered messages between two windows, timers
// by id, the modal run, dragging, off-screen painting, fonts and the replaceable browser opener.
#include "Dialog.h"
#include "Fonts.h"
#include "OpenUrl.h"
#include "QtText.h"
#include "WindowMessage.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <vector>

namespace {

struct Received
{
    int message;
    intptr_t wParam;
    intptr_t lParam;
    bool operator==(const Received &other) const
    {
        return message == other.message && wParam == other.wParam && lParam == other.lParam;
    }
};

class RecordingDialog : public CDialog
{
public:
    using CDialog::CDialog;
    std::vector<Received> messages;
    std::vector<int> ticks;
    int initCount = 0;
    int endOnMessage = 0;

protected:
    void OnInitDialog() override { ++initCount; }
    intptr_t OnWindowMessage(int message, intptr_t wParam, intptr_t lParam) override
    {
        messages.push_back({message, wParam, lParam});
        if (message == endOnMessage)
            EndDialog(static_cast<int>(wParam));
        return wParam * 10 + lParam;
    }
    void OnTimer(int id) override { ticks.push_back(id); }
    void OnPaint(QPainter &painter) override { painter.fillRect(QRect(10, 10, 20, 20), QColor(200, 0, 0)); }
};

QMouseEvent MouseEvent(QEvent::Type type, QWidget *widget, QPoint local, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    return QMouseEvent(type, QPointF(local), QPointF(widget->mapToGlobal(local)), button, buttons, Qt::NoModifier);
}

// Press at `from` on the widget, move by `delta`, release.
void Drag(QWidget *widget, QPoint from, QPoint delta)
{
    QMouseEvent press = MouseEvent(QEvent::MouseButtonPress, widget, from, Qt::LeftButton);
    QApplication::sendEvent(widget, &press);
    const QPoint globalFrom = widget->mapToGlobal(from);
    QMouseEvent move(QEvent::MouseMove, QPointF(from + delta), QPointF(globalFrom + delta), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(from + delta), QPointF(globalFrom + delta),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

private slots:
    void postedAndSentMessagesBetweenTwoWindows()
    {
        RecordingDialog sender;
        RecordingDialog receiver;
        std::vector<WindowMessageTrace> traced;
        SetWindowMessageObserver([&](const WindowMessageTrace &trace) { traced.push_back(trace); });

        QVERIFY(PostWindowMessage(&receiver, kMsgShowMainWindow, 1, 0));
        QCOMPARE(receiver.messages.size(), size_t(0)); // posted: not yet delivered
        QCOMPARE(SendWindowMessage(&receiver, kMsgWordCount, 42, 3), intptr_t(423));
        QCOMPARE(receiver.messages.size(), size_t(1));
        QCoreApplication::processEvents();
        const std::vector<Received> expected = {{kMsgWordCount, 42, 3}, {kMsgShowMainWindow, 1, 0}};
        QCOMPARE(receiver.messages, expected);
        QCOMPARE(sender.messages.size(), size_t(0));

        QCOMPARE(traced.size(), size_t(2));
        QCOMPARE(traced[0].target, static_cast<QObject *>(&receiver));
        QCOMPARE(traced[0].message, kMsgShowMainWindow);
        QCOMPARE(traced[0].posted, true);
        QCOMPARE(traced[1].message, kMsgWordCount);
        QCOMPARE(traced[1].posted, false);
        SetWindowMessageObserver({});

        QCOMPARE(SendWindowMessage(nullptr, kMsgWordCount, 1, 1), intptr_t(0));
        QCOMPARE(PostWindowMessage(nullptr, kMsgWordCount), false);
        // A plain QObject does not understand the message: the sender gets 0.
        QObject plain;
        QCOMPARE(SendWindowMessage(&plain, kMsgKeywordPick, 5, 1), intptr_t(0));
    }

    void timersFireByIdUntilKilled()
    {
        RecordingDialog dialog;
        auto ticksOf = [&](int id) { return std::count(dialog.ticks.begin(), dialog.ticks.end(), id); };
        dialog.SetTimer(7, 10);
        dialog.SetTimer(9, 10);
        dialog.SetTimer(9, 10); // setting an id again replaces its timer
        QTRY_VERIFY(ticksOf(7) >= 3 && ticksOf(9) >= 3);

        dialog.KillTimer(7);
        QCOMPARE(dialog.HasTimer(7), false);
        QCOMPARE(dialog.HasTimer(9), true);
        const auto sevens = ticksOf(7);
        const auto nines = ticksOf(9);
        QTRY_VERIFY(ticksOf(9) >= nines + 3); // id 9 goes on
        QCOMPARE(ticksOf(7), sevens);

        // One KillTimer stops id 9 entirely: the replaced timer did not live on beside it.
        dialog.KillTimer(9);
        const auto ninesAtKill = ticksOf(9);
        QTest::qWait(50);
        QCOMPARE(ticksOf(9), ninesAtKill);
    }

    void modalRunEndsWithTheGivenResultAndKeepsDeliveringMessages()
    {
        RecordingDialog dialog;
        dialog.resize(100, 80);
        dialog.endOnMessage = kMsgLibraryReload;
        bool timerRanInside = false;
        QTimer::singleShot(0, [&] {
            timerRanInside = dialog.IsModalRunning() && dialog.isVisible();
            PostWindowMessage(&dialog, kMsgLibraryReload, 3, 0);
        });
        QCOMPARE(dialog.DoModal(), 3);
        QCOMPARE(timerRanInside, true);
        QCOMPARE(dialog.isVisible(), false);
        QCOMPARE(dialog.IsModalRunning(), false);

        QTimer::singleShot(0, [&] { dialog.EndDialog(kIdOk); });
        QCOMPARE(dialog.DoModal(), kIdOk);
        QCOMPARE(dialog.initCount, 1); // set-up runs once, before the first show

        // A child window gets its set-up when its parent is shown.
        QWidget parent;
        auto *child = new RecordingDialog(&parent, DialogKind::Child);
        QCOMPARE(child->initCount, 0);
        parent.show();
        QCOMPARE(child->initCount, 1);
        QCOMPARE(child->isVisible(), true);
    }

    void framelessWindowDragsFromFreePointsOnly()
    {
        RecordingDialog dialog;
        dialog.resize(200, 150);
        dialog.move(100, 100);
        auto *button = new QPushButton("x", &dialog);
        button->setGeometry(150, 110, 40, 30);
        auto *label = new QLabel("text", &dialog);
        label->setGeometry(10, 50, 100, 30);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint start = dialog.pos();

        Drag(&dialog, QPoint(5, 5), QPoint(30, 20));
        QCOMPARE(dialog.pos(), start + QPoint(30, 20));

        Drag(label, QPoint(5, 5), QPoint(-10, 5)); // a label lets the press through
        QCOMPARE(dialog.pos(), start + QPoint(20, 25));

        Drag(button, QPoint(5, 5), QPoint(40, 40)); // a control keeps its press
        QCOMPARE(dialog.pos(), start + QPoint(20, 25));

        dialog.SetDraggable(false);
        Drag(&dialog, QPoint(5, 5), QPoint(30, 20));
        QCOMPARE(dialog.pos(), start + QPoint(20, 25));
        QCOMPARE(CDialog(nullptr, DialogKind::FramedWindow).IsDraggable(), false);
    }

    void paintGoesThroughTheOffscreenImage()
    {
        RecordingDialog dialog;
        dialog.resize(60, 60);
        const QImage image = dialog.grab().toImage();
        QCOMPARE(image.pixelColor(15, 15), QColor(200, 0, 0));
        QCOMPARE(image.pixelColor(50, 50) == QColor(200, 0, 0), false);
        QCOMPARE(dialog.initCount, 0); // grabbing does not show the window
    }

    void fontsSubstituteTheDesignedFaces()
    {
        struct Case
        {
            QString face;
            QString family;
        };
        const Case cases[] = {{QString::fromUtf8("宋体"), "Noto Serif CJK SC"},
                              {QString::fromUtf8("微软雅黑"), "Noto Sans CJK SC"},
                              {"Tahoma", "DejaVu Sans"}};
        for (const Case &c : cases) {
            const QFont font = MakeFont(c.face, 12);
            QCOMPARE(QFontInfo(font).family(), c.family);
            QCOMPARE(QFontInfo(font).pixelSize(), 12);
        }
        QCOMPARE(MakeFont("Tahoma", 14, kFontWeightBold).weight(), QFont::Bold);
        // The CJK substitute counts in half-width cells like the designed face; a Latin face
        // keeps its own average.
        QCOMPARE(AverageCharWidth(MakeFont(QString::fromUtf8("宋体"), 12)), 6);
        QCOMPARE(AverageCharWidth(MakeFont(QString::fromUtf8("宋体"), 16)), 8);
        const QFont tahoma = MakeFont("Tahoma", 12);
        QCOMPARE(AverageCharWidth(tahoma), QFontMetrics(tahoma).averageCharWidth());
    }

    void textConvertsBetweenGbkAndQString()
    {
        const std::string gbk = "\xd6\xd0\xce\xc4 ok";
        QCOMPARE(GbkToQString(gbk), QString::fromUtf8("中文 ok"));
        QCOMPARE(QStringToGbk(GbkToQString(gbk)), gbk);
    }

    void browserOpenerCanBeReplaced()
    {
        QStringList opened;
        SetUrlOpener([&](const QString &url) {
            opened << url;
            return true;
        });
        QCOMPARE(OpenUrl(QString("http://127.0.0.1:8080/help")), true);
        QCOMPARE(OpenUrl(std::string("http://127.0.0.1/a?t=\xd6\xd0")), true);
        QCOMPARE(OpenUrl(QString("  ")), false);
        QCOMPARE(opened, QStringList({"http://127.0.0.1:8080/help", QString::fromUtf8("http://127.0.0.1/a?t=中")}));
        SetUrlOpener({});
    }

    void browserIsStartedThroughTheDesktopsOpener()
    {
        // A stand-in xdg-open first on the PATH records the address it is asked to open.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString record = dir.filePath("opened.txt");
        QFile script(dir.filePath("xdg-open"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QString("#!/bin/sh\nprintf '%s' \"$1\" > '%1.tmp' && mv '%1.tmp' '%1'\n").arg(record).toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", dir.path().toUtf8() + ":" + path);

        const bool started = OpenUrl(QString("http://127.0.0.1:8089/help.htm"));
        qputenv("PATH", path);
        QCOMPARE(started, true);
        QTRY_VERIFY(QFile::exists(record));
        QFile opened(record);
        QVERIFY(opened.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(opened.readAll()), QString("http://127.0.0.1:8089/help.htm"));
    }
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
