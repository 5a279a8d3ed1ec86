// The application object: the start-up sequence, the process-wide values it sets, and the
// orderly end.
#pragma once

#include <QApplication>
#include <memory>

class AppSettings;

class CpenlarkApp
{
public:
    CpenlarkApp(int &argc, char **argv);
    ~CpenlarkApp();

    // Runs the start-up sequence and then the sign-in window for the life of the process;
    // returns the process's exit code once everything has ended.
    int Run();

private:
    bool InitInstance();
    int ExitInstance();

    std::unique_ptr<QApplication> m_qt;
};

// Loads Qt's own Chinese translations (the standard file and print dialogs, the web pages' menus)
// into the running application; false when the installed catalogue cannot be loaded, and the
// program then goes on with the toolkit's English.
bool InstallToolkitTranslations();

// Connects the service client to the windows: the notice box's open flag, the notice itself
// ("确 定", modal), and what a refused re-sign-in does to the windows.
void RegisterServiceHooks();
// Where the service, the web site and the sharing gateway are: the built-in reference service
// unless config.ini's [Service] section names others.
void ApplyServiceSettings(const AppSettings &settings);
// Takes the hooks away again before the windows go.
void ClearServiceHooks();
