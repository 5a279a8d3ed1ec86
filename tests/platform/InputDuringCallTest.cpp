// What a student's mouse and keyboard do while a blocking call is in flight, on a real X display
// with input from the X server (xdotool): the busy cursor after a short moment, clicks and keys
// dropped rather than replayed after the call, a close request from the window manager acted on
// once the call has ended.
#include "BlockingCall.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpontaneKeyEvent>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QtTest>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr int kSkipped = 77; // ctest's SKIP_RETURN_CODE for this test

void Xdotool(const QStringList &arguments)
{
    QCOMPARE(QProcess::execute("xdotool", arguments), 0);
}

void ClickOnScreen(QWidget *widget)
{
    const QPoint centre = widget->mapToGlobal(widget->rect().center());
    Xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"});
}

// A call to nothing that lasts as long as a slow service's answer.
void SlowCall(int ms)
{
    RunBlockingCall([ms] { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
}

// A window with a button, a line and a second button to tell when input after the call arrives.
struct Form
{
    QWidget window;
    QPushButton *button = new QPushButton("button");
    QLineEdit *line = new QLineEdit;
    QPushButton *marker = new QPushButton("marker");
    int clicks = 0;
    int markerClicks = 0;

    Form()
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(button);
        layout->addWidget(line);
        layout->addWidget(marker);
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
        QObject::connect(marker, &QPushButton::clicked, [this] { ++markerClicks; });
        window.setGeometry(100, 100, 300, 200);
    }
};

} // namespace

class InputDuringCallTest : public QObject
{
    Q_OBJECT

private slots:
    void clicksAndKeysDuringACallAreDroppedAndTheCursorShowsBusy()
    {
        Form form;
        form.window.show();
        form.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form.window));
        form.line->setFocus();
        QTRY_VERIFY(form.line->hasFocus());

        bool busyBeforeTheDelay = true;
        Qt::CursorShape shapeAfterTheDelay = Qt::ArrowCursor;
        QTimer::singleShot(100, [&] {
            busyBeforeTheDelay = QGuiApplication::overrideCursor() != nullptr;
            Xdotool({"type", "--delay", "20", "abc"});
            ClickOnScreen(form.button);
        });
        QTimer::singleShot(kBusyCursorDelayMs + 300, [&] {
            if (QCursor *cursor = QGuiApplication::overrideCursor())
                shapeAfterTheDelay = cursor->shape();
        });
        SlowCall(kBusyCursorDelayMs + 1500);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

        // The X server delivers input in order: once a click made after the call has arrived,
        // anything held from during the call would have arrived before it.
        ClickOnScreen(form.marker);
        QTRY_COMPARE(form.markerClicks, 1);
        QCOMPARE(form.clicks, 0);
        QCOMPARE(form.line->text(), QString());
        QCOMPARE(busyBeforeTheDelay, false);
        QCOMPARE(shapeAfterTheDelay, Qt::WaitCursor);

        // Without a call the same input acts at once.
        ClickOnScreen(form.button);
        QTRY_COMPARE(form.clicks, 1);
    }

    void aCloseRequestDuringACallClosesTheWindowAfterIt()
    {
        Form form;
        form.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form.window));
        QTimer::singleShot(100, [&] {
            // As the window system delivers the window manager's close request.
            QCloseEvent request;
            QSpontaneKeyEvent::setSpontaneous(&request);
            QCoreApplication::instance()->notify(form.window.windowHandle(), &request);
        });
        SlowCall(600);
        QCOMPARE(form.window.isVisible(), true);
        QTRY_COMPARE(form.window.isVisible(), false);
    }
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable("xdotool").isEmpty()) {
        std::fputs("skipped: wants an X display (xvfb-run) and xdotool\n", stderr);
        return kSkipped;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    InputDuringCallTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "InputDuringCallTest.moc"
