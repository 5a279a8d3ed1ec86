// Start-up and end of the program.
#include "PenlarkApp.h"

#include "AppFolder.h"
#include "AppSettings.h"
#include "BlockingCall.h"
#include "DeviceCode.h"
#include "MyThread.h"
#include "OkDialog.h"
#include "PenlarkDlg.h"
#include "ShareGateway.h"
#include "ServiceContext.h"
#include "ServiceHooks.h"
#include "ServiceProxy.h"
#include "UserLoginDlg.h"
#include "WebEngineSetup.h"
#include "WindowMessage.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Qt attributes that must be set before the application object exists: pages with an embedded
// web view share one graphics context.
std::unique_ptr<QApplication> CreateQtApplication(int &argc, char **argv)
{
    PrepareWebEngineEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    auto app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("penlark"));
    InstallToolkitTranslations();
    return app;
}

} // namespace

bool InstallToolkitTranslations()
{
    // "qt" names the toolkit's catalogue of catalogues (its widgets, dialogs and printing); the
    // web engine's menus have their own. Both are owned by the application once installed.
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool loaded = true;
    for (const char *catalogue : {"qt", "qtwebengine"}) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QString::fromLatin1(catalogue),
                             QStringLiteral("_"), folder) &&
            QCoreApplication::installTranslator(translator)) {
            continue;
        }
        delete translator;
        loaded = false;
    }
    return loaded;
}

void RegisterServiceHooks()
{
    ServiceHooks &hooks = GetServiceHooks();
    hooks.isMessageBoxOpen = [] { return COkDialog::IsOpen(); };
    hooks.showMessage = [](const std::string &gbkMessage) { COkDialog::ShowMessage(gbkMessage); };
    // A refused renewal closes the main window, if one is open, and brings the sign-in back.
    hooks.onReLoginRefused = [] {
        if (CpenlarkDlg *mainWindow = CurrentMainWindow())
            mainWindow->CloseForSignIn();
    };
    // Service calls wait on a worker thread while the windows keep painting.
    hooks.runBlockingCall = [](const std::function<void()> &exchange) { RunBlockingCall(exchange); };
}

void ApplyServiceSettings(const AppSettings &settings)
{
    const std::string host = settings.ServiceHost();
    InitServiceAddresses(host.empty() ? kBuiltInServiceHost : host);
    SetServiceCAFile(settings.ServiceCAFile());
    SetShareGateway(settings.ShareHost(), settings.ServiceSite());
}

void ClearServiceHooks()
{
    GetServiceHooks() = ServiceHooks{};
}

CpenlarkApp::CpenlarkApp(int &argc, char **argv) : m_qt(CreateQtApplication(argc, argv))
{
}

CpenlarkApp::~CpenlarkApp() = default;

int CpenlarkApp::Run()
{
    InitInstance();
    return ExitInstance();
}

// The designed start-up initialises the common controls, COM and OLE with control hosting, a
// registry key name, GDI+ and the rich-edit libraries before anything else. Here the
// QApplication created with this object stands for all of them: widgets, painting with alpha,
// images and text editing need no start of their own, web pages are Qt web views, and the
// program keeps no settings outside config.ini. What remains is the program's own start-up.
bool CpenlarkApp::InitInstance()
{
    // The program folder, from the executable's path.
    InitAppFolder(QCoreApplication::applicationFilePath().toStdString());
    // Installed, the program folder is not the user's to write: settings and the local database
    // are the user's own copies, made from the shipped ones on the first start. A failure shows
    // later, where the program opens them.
    SeedDataFolder();
    RegisterWindowMessages();

    ApplyServiceSettings(AppSettings());
    ServiceContext.DeviceCode = ProcessDeviceCode();

    RegisterServiceHooks();

    // The sign-in window runs here, modally, for the life of the process; the main window runs
    // inside its run. There is no message loop of the program's own.
    {
        CUserLoginDlg signIn;
        signIn.DoModal();
    }
    return false;
}

int CpenlarkApp::ExitInstance()
{
    ClearServiceHooks();
    return 0;
}
