// A fresh service, a program folder and the signed-in windows for end-to-end tests.
#include "SignedInSession.h"

#include "AppFolder.h"
#include "DlgWrite.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "MyEdit.h"
#include "MyThread.h"
#include "OpenUrl.h"
#include "PenlarkApp.h"
#include "PenlarkDlg.h"
#include "ServiceContext.h"
#include "UserLoginDlg.h"
#include "WebEngineSetup.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace {

void CopyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    const QDir source(from);
    for (const QString &name : source.entryList(QDir::Files))
        QFile::copy(from + "/" + name, to + "/" + name);
    for (const QString &name : source.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        CopyFolder(from + "/" + name, to + "/" + name);
}

// "http://127.0.0.1:PORT/" -> "127.0.0.1:PORT"
std::string HostOf(const std::string &baseAddress)
{
    std::string host = baseAddress.substr(std::string("http://").size());
    if (!host.empty() && host.back() == '/')
        host.pop_back();
    return host;
}

} // namespace

std::unique_ptr<SignedInSession> SignedInSession::Start(const Options &options)
{
    std::unique_ptr<SignedInSession> session(new SignedInSession());
    if (options.serviceAddress.empty()) {
        session->m_service = ServiceProcess::Start(options.serviceArgs);
        session->m_baseAddress = session->m_service->BaseAddress();
    } else {
        session->m_baseAddress = options.serviceAddress;
    }
    session->PrepareFolder(options);
    session->UseDataFolder(options.dataFolder.empty() ? session->m_folder + "data" : options.dataFolder);

    InitAppFolder(session->m_folder + "penlark");
    InitServiceAddresses(HostOf(session->m_baseAddress));
    RegisterServiceHooks();
    session->m_responder = std::make_unique<ScopedMessageBoxResponder>(session->m_messages);
    SetUrlOpener([s = session.get()](const QString &url) {
        s->m_urls.push_back(url);
        return true;
    });
    MyThread::Options().modalRun = false;
    MyThread::Options().pollPeriodMs = options.pollPeriodMs;

    session->OpenSignInWindow();
    if (options.signIn && !session->SignIn(options.user, options.password))
        throw std::runtime_error("the demo account did not reach the main window");
    return session;
}

void SignedInSession::PrepareFolder(const Options &options)
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    m_folder = m_dir.path().toStdString() + "/";
    const QString app = QString::fromUtf8(PENLARK_APP_DIR);
    CopyFolder(app + "/img", m_dir.path() + "/img");
    if (!QFile::copy(app + "/write.dll", m_dir.path() + "/write.dll"))
        throw std::runtime_error("no write.dll in the program folder of the build");
    QFile::setPermissions(m_dir.path() + "/write.dll", QFile::ReadOwner | QFile::WriteOwner);
    std::ofstream config(m_folder + "config.ini");
    config << "[StartPage]\nShow=0\n[Service]\nHost=" << HostOf(m_baseAddress) << "\nSite=" << m_baseAddress << "\n"
           << options.configIni;
}

void SignedInSession::UseDataFolder(const std::string &folder)
{
    if (const char *current = std::getenv("XDG_DATA_HOME")) {
        m_hadDataHome = true;
        m_savedDataHome = current;
    }
    m_dataFolder = folder;
    ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
}

SignedInSession::~SignedInSession()
{
    if (CpenlarkDlg *main = MainWindow())
        main->End(0);
    m_signIn.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    MyThread::Options() = MainWindowOptions{};
    SetUrlOpener({});
    ClearServiceHooks();
    m_responder.reset();
    if (m_hadDataHome)
        ::setenv("XDG_DATA_HOME", m_savedDataHome.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

CpenlarkDlg *SignedInSession::MainWindow() const
{
    return CurrentMainWindow();
}

CUserLoginDlg *SignedInSession::OpenSignInWindow()
{
    m_signIn.reset();
    m_signIn = std::make_unique<CUserLoginDlg>();
    m_signIn->show();
    return m_signIn.get();
}

CpenlarkDlg *SignedInSession::SignIn(const std::string &user, const std::string &password)
{
    CUserLoginDlg *window = m_signIn.get();
    if (!window)
        return nullptr;
    window->UserNameEdit()->SetWindowText(user);
    window->PasswordEdit()->SetWindowText(password);
    QTest::mouseClick(window->LoginButton(), Qt::LeftButton);
    for (int waited = 0; waited < 30000; waited += 20) {
        // A writing screen an essay left in the journal may already stand in its place.
        if (CpenlarkDlg *main = MainWindow(); main && main->StartedUp() && (main->isVisible() || main->findChild<CDlgWrite *>()))
            return main;
        if (window->IsIdle() && waited > 200)
            return nullptr; // the sign-in or the start-up failed
        QTest::qWait(20);
    }
    return nullptr;
}

std::vector<std::string> SignedInSession::MessageTexts() const
{
    std::vector<std::string> texts;
    for (const MessageBoxCall &call : m_messages.calls)
        texts.push_back(GbkToUtf8(call.message));
    return texts;
}

void PrepareScreenTestApplication()
{
    PrepareWebEngineEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
