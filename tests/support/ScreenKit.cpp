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
        const QRect r = window->frameGeometry();
        shot = QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
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
