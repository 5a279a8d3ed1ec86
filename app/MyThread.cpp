// The main window's run.
#include "MyThread.h"

#include "PenlarkDlg.h"

#include <QPointer>

namespace {
QPointer<QWidget> g_appMainWindow;
QPointer<CpenlarkDlg> g_mainWindow;
} // namespace

QWidget *ApplicationMainWindow()
{
    return g_appMainWindow.data();
}

void SetApplicationMainWindow(QWidget *window)
{
    g_appMainWindow = window;
}

CpenlarkDlg *CurrentMainWindow()
{
    return g_mainWindow.data();
}

void SetCurrentMainWindow(CpenlarkDlg *window)
{
    g_mainWindow = window;
}

MainWindowOptions &MyThread::Options()
{
    static MainWindowOptions options;
    return options;
}

void MyThread::Run()
{
    auto *window = new CpenlarkDlg(nullptr, Options().pollPeriodMs);
    if (!Options().modalRun) {
        window->Open();
        return;
    }
    QPointer<CpenlarkDlg> alive(window);
    window->DoModal();
    if (alive) {
        if (CurrentMainWindow() == window)
            SetCurrentMainWindow(nullptr);
        delete window;
    }
}

void MyThread::Ended(CpenlarkDlg *window)
{
    if (CurrentMainWindow() == window)
        SetCurrentMainWindow(nullptr);
    window->deleteLater();
}
