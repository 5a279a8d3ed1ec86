// Tests of what a real X display shows: a main that reports a skip to ctest when there is no such
// display (the window pictures themselves are saved with ScreenKit.h).
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
