// Runs the corpus panel's widget tests in one program, offscreen.
#include "AppFolder.h"

#include <QApplication>
#include <QtTest>

int RunMarkupTests(int argc, char **argv);
int RunListCtrlTests(int argc, char **argv);
int RunShareTests(int argc, char **argv);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    InitAppFolder(std::string(PENLARK_APP_DIR) + "/penlark");
    int failures = 0;
    failures += RunMarkupTests(argc, argv);
    failures += RunListCtrlTests(argc, argv);
    failures += RunShareTests(argc, argv);
    return failures;
}
