// MyThread: the main window's own modal run. The design gives the main window a second interface
// thread; here every window lives on the one GUI thread, so the main window runs in its own
// modal event loop, started from the sign-in window through the event queue. The sign-in window
// stays the application's main window throughout.
#pragma once

class QWidget;
class CpenlarkDlg;

// The sign-in window, as the application's main window.
QWidget *ApplicationMainWindow();
void SetApplicationMainWindow(QWidget *window);

// The process-wide main-window handle: set when the main window has started, cleared when it ends.
CpenlarkDlg *CurrentMainWindow();
void SetCurrentMainWindow(CpenlarkDlg *window);

struct MainWindowOptions
{
    int pollPeriodMs = 300000; // the server poll's period
    // The program runs the main window modally inside the sign-in window's run. Tests that drive
    // the windows from outside turn this off: the window is then shown and ends by itself.
    bool modalRun = true;
};

class MyThread
{
public:
    // Creates a new main window and runs it; in the modal run returns when it has ended.
    static void Run();
    // The main window has ended outside a modal run: it is destroyed from the event queue.
    static void Ended(CpenlarkDlg *window);

    static MainWindowOptions &Options();
};
