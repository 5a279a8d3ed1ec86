// Test support for every screen's end-to-end test: a fresh reference service, a program folder
// of its own (pictures, skin, an empty local database, config.ini pointing at the service) and
// the real windows, signed in with the demo account.
//
//   auto session = SignedInSession::Start();            // signs in as xuesheng / 123456
//   CpenlarkDlg *main = session->MainWindow();          // the open main window
//   session->Messages().calls                           // every message box, answered "确 定"
//   session->OpenedUrls()                               // every address the program opened
//
// The main window runs without its own modal loop here (MyThread::Options().modalRun is off),
// so the test drives it from outside; everything else is as in the program.
#pragma once

#include "OkDialog.h"
#include "ServiceProcess.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

class CUserLoginDlg;
class CpenlarkDlg;

class SignedInSession
{
public:
    struct Options
    {
        std::vector<std::string> serviceArgs; // extra arguments of platform-service
        int pollPeriodMs = 300000;            // the main window's poll period
        bool signIn = true;                   // false: stop at the open sign-in window
        std::string user = "xuesheng";
        std::string password = "123456";
        std::string configIni; // extra lines for config.ini ([Login] values...)
        // The base address of a service already running (shared by several processes); ""
        // starts a fresh one for the session.
        std::string serviceAddress;
        // The user's data folder (XDG_DATA_HOME: the essay journal lives there); "" gives the
        // session one of its own, so no test sees essays another left.
        std::string dataFolder;
    };

    // Throws std::runtime_error when the service, the folder or the sign-in fails.
    static std::unique_ptr<SignedInSession> Start(const Options &options);
    static std::unique_ptr<SignedInSession> Start() { return Start(Options{}); }
    ~SignedInSession();
    SignedInSession(const SignedInSession &) = delete;
    SignedInSession &operator=(const SignedInSession &) = delete;

    // The service the session started (not there with Options::serviceAddress).
    ServiceProcess &Service() { return *m_service; }
    const std::string &BaseAddress() const { return m_baseAddress; }
    const std::string &DataFolder() const { return m_dataFolder; }
    // The program folder, ending with '/': config.ini, write.dll and img/ are in it.
    const std::string &Folder() const { return m_folder; }
    std::string ConfigPath() const { return m_folder + "config.ini"; }
    std::string DatabasePath() const { return m_folder + "write.dll"; }

    CUserLoginDlg *SignInWindow() const { return m_signIn.get(); }
    // The open main window, or nullptr (not signed in, or it has ended).
    CpenlarkDlg *MainWindow() const;

    // Opens a new sign-in window as the program does at start (closing any previous one).
    CUserLoginDlg *OpenSignInWindow();
    // Types the account and password, presses the sign-in button and waits (at most 30 s) for
    // the main window to have started; nullptr when it did not.
    CpenlarkDlg *SignIn(const std::string &user, const std::string &password);

    MessageBoxResponder &Messages() { return m_messages; }
    // The messages shown so far, in UTF-8, for comparisons in tests.
    std::vector<std::string> MessageTexts() const;
    const std::vector<QString> &OpenedUrls() const { return m_urls; }

private:
    SignedInSession() = default;
    void PrepareFolder(const Options &options);
    void UseDataFolder(const std::string &folder);

    std::unique_ptr<ServiceProcess> m_service;
    std::string m_baseAddress;
    std::string m_dataFolder;
    std::string m_savedDataHome;
    bool m_hadDataHome = false;
    QTemporaryDir m_dir;
    std::string m_folder;
    MessageBoxResponder m_messages;
    std::unique_ptr<ScopedMessageBoxResponder> m_responder;
    std::vector<QString> m_urls;
    std::unique_ptr<CUserLoginDlg> m_signIn;
};

// The main() of a screen test: the web view's environment and shared graphics contexts are
// prepared before the application object exists, as the program does.
void PrepareScreenTestApplication();
#define PENLARK_SCREEN_TEST_MAIN(TestClass)                                                                                      \
    int main(int argc, char **argv)                                                                                              \
    {                                                                                                                            \
        PrepareScreenTestApplication();                                                                                          \
        QApplication app(argc, argv);                                                                                            \
        TestClass test;                                                                                                          \
        return QTest::qExec(&test, argc, argv);                                                                                  \
    }
