// The screen tests' common moves (see ScreenKit.h).
#include "ScreenKit.h"

#include "DisplayTest.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QtTest>

QString ScreenshotPath(const char *name)
{
    QDir().mkpath(PENLARK_SCREENSHOT_DIR);
    return QString(PENLARK_SCREENSHOT_DIR) + "/" + name;
}

QImage SaveScreenshot(QWidget *window, const char *name)
{
    QImage shot;
    if (!QTest::qWaitForWindowExposed(window))
        return shot;
    window->repaint();
    QCoreApplication::processEvents();
    if (OnRealDisplay()) {
        // The whole screen, cut to the window in device pixels: with a display scale factor, a
        // grab of a rectangle comes back as the 100 % pixels stretched, not what the screen shows.
        QScreen *screen = QGuiApplication::primaryScreen();
        const qreal ratio = screen->devicePixelRatio();
        const QRect r = window->frameGeometry().translated(-screen->geometry().topLeft());
        const QRect device(QPoint(qRound(r.x() * ratio), qRound(r.y() * ratio)),
                           QSize(qRound(r.width() * ratio), qRound(r.height() * ratio)));
        shot = screen->grabWindow(0).toImage().copy(device);
        shot.setDevicePixelRatio(1);
    } else {
        shot = window->grab().toImage();
    }
    if (!shot.isNull() && !shot.save(ScreenshotPath(name)))
        shot = QImage();
    return shot;
}

void CommitText(QWidget *input, const QString &text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(input, &event);
}

std::shared_ptr<bool> WhenReady(QObject *context, std::function<bool()> ready, std::function<void()> act, int timeoutMs)
{
    auto ran = std::make_shared<bool>(false);
    auto *poll = new QTimer(context);
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    QObject::connect(poll, &QTimer::timeout, context, [poll, ran, elapsed, timeoutMs, ready = std::move(ready), act = std::move(act)] {
        if (ready()) {
            poll->stop();
            poll->deleteLater();
            *ran = true;
            act();
        } else if (elapsed->elapsed() > timeoutMs) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(10);
    return ran;
}
