// Tests of what a real X display shows: a main that reports a skip to ctest when there is no such
// display, and one way to save a window's picture on any platform.
#pragma once

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>
#include <QtTest>
#include <cstdio>

// The exit status ctest counts as a skip (SKIP_RETURN_CODE of the tests using the main below).
constexpr int kDisplayTestSkipped = 77;

inline bool OnRealDisplay()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// The window's picture, saved as `dir/name`. On a real X display it is what the screen shows in
// the window's frame (a shaped window's cut corners show the desktop behind); on other platforms,
// which have no screen to read back, the window's own rendering. The window is painted first, so
// the picture never shows a frame that has not been drawn yet.
inline QImage SaveWindowShot(QWidget *window, const QString &dir, const char *name)
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
    QDir().mkpath(dir);
    if (!shot.isNull() && !shot.save(dir + "/" + name))
        shot = QImage();
    return shot;
}

// The main of a program whose checks need a real X display: without one (no DISPLAY, or another
// platform chosen) it says why and exits with kDisplayTestSkipped, which ctest reports as skipped.
#define PENLARK_DISPLAY_TEST_MAIN(TestClass)                                                                                     \
    int main(int argc, char **argv)                                                                                              \
    {                                                                                                                            \
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                            \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                                             \
        if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))                                                           \
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");                                                 \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                                              \
        QApplication app(argc, argv);                                                                                            \
        if (!OnRealDisplay()) {                                                                                                  \
            std::fprintf(stderr, "skipped: %s needs a real X display (xvfb-run); the platform is %s\n", #TestClass,             \
                         qPrintable(QGuiApplication::platformName()));                                                           \
            return kDisplayTestSkipped;                                                                                          \
        }                                                                                                                        \
        TestClass test;                                                                                                          \
        return QTest::qExec(&test, argc, argv);                                                                                  \
    }
