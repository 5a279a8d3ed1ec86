// The main window: start-up, panels, title-bar buttons, messages and the poll.
#include "PenlarkDlg.h"

#include "ActivityDlg.h"
#include "AppFolder.h"
#include "CallBackDlg.h"
#include "CenterDlg.h"
#include "DlgWrite.h"
#include "FatherDlg.h"
#include "Fonts.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "MainStartup.h"
#include "MySpaceDlg.h"
#include "MyThread.h"
#include "OkDialog.h"
#include "OpenUrl.h"
#include "QtText.h"
#include "ServiceContext.h"
#include "SiteAddress.h"
#include "SubmitWriteScoreDlg.h"
#include "TaskbarNotifier.h"
#include "UserLoginDlg.h"
#include "WelcomeDlg.h"
#include "ZiYouWriter.h"
#include "LeftEssayReopen.h"
#include "WindowMessage.h"
#include "YijianFankuiDlg.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

using namespace mainlayout;

namespace {

const QColor kLeftColumnFill(238, 238, 238);
const QColor kTopStripFill(158, 158, 160);

// The main window's buttons show their normal picture on hover too.
CGdipButton *MakeButton(QWidget *parent, const char *normal, const char *pressed)
{
    return MakeImageButton(parent, normal, normal, pressed);
}

// A link drawn as text in the colours of the pictured links beside it (help): green, a darker
// green while pressed.
class TextLink : public QAbstractButton
{
public:
    TextLink(const QString &text, QWidget *parent) : QAbstractButton(parent)
    {
        setText(text);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        static const QColor kNormal(33, 132, 57);
        static const QColor kPressed(14, 128, 59);
        QPainter painter(this);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setFont(MakeFont(QString::fromUtf8("宋体"), 12));
        painter.setPen(isDown() ? kPressed : kNormal);
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
    }
};

} // namespace

CpenlarkDlg::CpenlarkDlg(QWidget *parent, int pollPeriodMs)
    : CDialog(parent, DialogKind::FramelessWindow), m_pollPeriodMs(pollPeriodMs),
      m_poll([this](const PollMessage &message) { ShowPollMessage(message); })
{
    setWindowTitle(QStringLiteral("penlark"));
}

CpenlarkDlg::~CpenlarkDlg()
{
    if (CurrentMainWindow() == this)
        SetCurrentMainWindow(nullptr);
}

void CpenlarkDlg::Open()
{
    EnsureInitialized();
    if (!m_ended)
        show();
}

void CpenlarkDlg::End(int result)
{
    if (m_ended)
        return;
    m_ended = true;
    KillTimer(kPollTimerId);
    if (CurrentMainWindow() == this)
        SetCurrentMainWindow(nullptr);
    const bool modal = IsModalRunning();
    EndDialog(result);
    if (!modal)
        MyThread::Ended(this);
}

// ---- start-up ----

// The start-up work itself (MainStartup.h) knows no widget: the window gives it the steps that
// build and show this window, and acts on how the start-up ended.
void CpenlarkDlg::OnInitDialog()
{
    QWidget *signIn = ApplicationMainWindow();
    switch (RunMainStartup(AppPath("\\write.dll"), StartupSteps(signIn))) {
    case MainStartupOutcome::NotSynchronised:
        SendWindowMessage(signIn, kMsgLoginIdle);
        End(kIdCancel);
        return;
    case MainStartupOutcome::SessionEnded:
        // A refused renewal (or a sign-in elsewhere) ended this window and showed the sign-in
        // window again: nothing more is done here (no further notices, the sign-in window neither
        // hidden nor closed), and the sign-in window leaves its waiting state.
        if (signIn)
            SendWindowMessage(signIn, kMsgLoginIdle);
        return;
    case MainStartupOutcome::ProfileFailed:
        COkDialog::ShowMessage(Utf8ToGbk("获取用户信息失败，软件将自动退出!"));
        CloseProgram();
        return;
    case MainStartupOutcome::Started:
        m_startedUp = true;
        OfferLeftEssaysAfterSignIn(this);
        return;
    }
}

MainStartupSteps CpenlarkDlg::StartupSteps(QWidget *signIn)
{
    MainStartupSteps steps;
    steps.showSyncNotice = [](const SyncOutcome &sync) {
        const int answer = COkDialog::Show(Utf8ToGbk("确 定"), sync.message);
        if (sync.openHomePage && answer == kIdOk)
            OpenUrl(SiteHomePage());
    };
    steps.build = [this] {
        SetCurrentMainWindow(this);
        m_frame.PlaceOnOpen();
        CreateControls();
        CreatePanels();
    };
    steps.layOut = [this] {
        PlaceControls();
        CreateNotifier();
    };
    steps.greet = [this](const std::string &trueName) { m_greeting = trueName; };
    steps.open = [this, signIn] {
        SelectNavButton(m_nav[kNavWelcome]);
        SetTimer(kPollTimerId, m_pollPeriodMs);
        if (signIn) {
            signIn->hide();
            SendWindowMessage(signIn, kMsgLoginIdle);
        }
    };
    steps.ended = [this] { return m_ended; };
    return steps;
}

void CpenlarkDlg::CreateControls()
{
    const std::array<std::pair<const char *, const char *>, kNavCount> navPictures{{
        {"\\img\\w.jpg", "\\img\\w_down.png"},
        {"\\img\\p.jpg", "\\img\\p_down.png"},
        {"\\img\\l.jpg", "\\img\\l_down.jpg"},
        {"\\img\\c.jpg", "\\img\\c_down.jpg"},
        {"\\img\\a.jpg", "\\img\\a_down.jpg"},
        {"\\img\\f.jpg", "\\img\\f_down.jpg"},
    }};
    for (std::size_t i = 0; i < m_nav.size(); ++i) {
        m_nav[i] = MakeButton(this, navPictures[i].first, navPictures[i].second);
        if (i != kNavFreeWriting) {
            m_nav[i]->SetGroup(true);
            CGdipButton::AddToGroup(m_nav[i]);
        }
    }
    m_nav[kNavHidden]->hide();
    connect(m_nav[kNavFreeWriting], &CGdipButton::clicked, this, &CpenlarkDlg::OnFreeWriting);

    const TitleBarButtons bar = MakeTitleBarButtons(this, kMainWindowFaces);
    m_minimise = bar.minimise;
    m_maximise = bar.maximise;
    m_restore = bar.restore;
    m_close = bar.close;
    m_frame.SetButtons(m_maximise, m_restore);
    m_help = MakeButton(this, "img\\help.png", "img\\help_down.png");
    m_party = MakeButton(this, "\\img\\party.png", "\\img\\party_down.png");
    m_feedback = MakeButton(this, "img\\callback.png", "img\\callback_down.png");
    m_usageReport = MakeButton(this, "\\img\\shiyongxinde.png", "\\img\\shiyongxinde.png");
    m_scoreReport = MakeButton(this, "\\img\\zuowenchengji.png", "\\img\\zuowenchengji.png");
    for (CGdipButton *link : {m_help, m_party, m_feedback, m_usageReport, m_scoreReport})
        link->setCursor(Qt::PointingHandCursor);
    m_switchAccount = new TextLink(QString::fromUtf8("切换账号"), this);

    connect(m_minimise, &CGdipButton::clicked, this, &QWidget::showMinimized);
    connect(m_close, &CGdipButton::clicked, this, &CpenlarkDlg::CloseProgram);
    connect(m_help, &CGdipButton::clicked, this, &CpenlarkDlg::OnHelp);
    connect(m_switchAccount, &QAbstractButton::clicked, this, &CpenlarkDlg::SwitchAccount);
    connect(m_party, &CGdipButton::clicked, this, &CpenlarkDlg::ShowPartyPage);
    connect(m_feedback, &CGdipButton::clicked, this, &CpenlarkDlg::OnFeedback);
    connect(m_usageReport, &CGdipButton::clicked, this, &CpenlarkDlg::OnUsageReport);
    connect(m_scoreReport, &CGdipButton::clicked, this, &CpenlarkDlg::OnScoreReport);

    m_rightBottom.load(AppPath("\\img\\right_bottom.png"));
    m_partyBackground.load(AppPath("\\img\\party_bg.png"));
    m_logo.load(AppPath("\\img\\logo.png"));
    m_tel.load(AppPath("\\img\\tel.png"));
    m_mail.load(AppPath("\\img\\mail.png"));
}

void CpenlarkDlg::CreatePanels()
{
    auto webPage = [this](const char *page) {
        auto *panel = new CWelcomeDlg(this);
        panel->SetAddress(AppPath(page));
        panel->hide();
        return panel;
    };
    SetPanel(Panel::Welcome, webPage("img\\welcome.htm"));
    SetPanel(Panel::Party, webPage("img\\party.htm"));
    auto *centre = new CCenterDlg(this);
    centre->SetSite(SiteHomePage());
    centre->hide();
    SetPanel(Panel::Centre, centre);
    // The library lists the essays at once, before the student first opens it.
    auto *library = new CMySpaceDlg(this);
    library->hide();
    SetPanel(Panel::Library, library);
    library->Reload();
    // The contest page reads the activity list now, once, as the main window opens.
    auto *contest = new CActivityDlg(this, this);
    contest->hide();
    SetPanel(Panel::Contest, contest);
    contest->EnsureInitialized();
}

void CpenlarkDlg::CreateNotifier()
{
    m_notifier = new CTaskbarNotifier();
    m_notifier->Create(this);
    m_notifier->SetSkin(AppPath("\\img\\information_background.bmp"));
    m_notifier->SetTextFont("Tahoma", 9, CTaskbarNotifier::kStyleNormal,
                            CTaskbarNotifier::kStyleBold | CTaskbarNotifier::kStyleUnderline);
    m_notifier->SetTextColor(QColor(10, 10, 10), QColor(0, 0, 200));
    const QSize skin = m_notifier->SkinSize();
    m_notifier->SetTextRect(QRect(5, 35, skin.width() - 10, skin.height() - 65));
}

void CpenlarkDlg::SetPanel(Panel panel, QWidget *widget)
{
    m_panels[panel] = widget;
    if (!widget)
        return;
    widget->setParent(this);
    widget->setGeometry(ComputeMainLayout(size()).content);
    widget->setVisible(panel == m_current);
}

QWidget *CpenlarkDlg::PanelWidget(Panel panel) const
{
    const auto it = m_panels.find(panel);
    return it == m_panels.end() ? nullptr : it->second;
}

void CpenlarkDlg::PlaceControls()
{
    const MainLayout layout = ComputeMainLayout(size());
    for (std::size_t i = 0; i < m_nav.size(); ++i)
        if (m_nav[i])
            m_nav[i]->setGeometry(layout.nav[i]);
    if (!m_close)
        return;
    m_minimise->setGeometry(layout.minimise);
    m_maximise->setGeometry(layout.maximise);
    m_restore->setGeometry(layout.maximise);
    m_close->setGeometry(layout.close);
    m_help->setGeometry(layout.help);
    m_switchAccount->setGeometry(layout.switchAccount);
    m_party->setGeometry(layout.party);
    m_feedback->setGeometry(layout.feedback);
    m_usageReport->setGeometry(layout.usageReport);
    m_scoreReport->setGeometry(layout.scoreReport);
    for (const auto &[panel, widget] : m_panels)
        if (widget)
            widget->setGeometry(layout.content);
}

void CpenlarkDlg::resizeEvent(QResizeEvent *event)
{
    CDialog::resizeEvent(event);
    PlaceControls();
}

// ---- navigation ----

void CpenlarkDlg::SelectNavButton(CGdipButton *button)
{
    // The first selection is named by the window; later ones move with the presses.
    if (CGdipButton *previous = CGdipButton::GroupSelection(); previous && previous != button)
        previous->ResetFace();
    CGdipButton::SetGroupSelection(button);
    button->ShowFace(CGdipButton::Face::Pressed);
    SendWindowMessage(this, kMsgNavSelected, reinterpret_cast<intptr_t>(button));
}

void CpenlarkDlg::ShowPanel(Panel panel)
{
    if (panel == m_current)
        return; // choosing the shown panel changes nothing (no reload)
    if (QWidget *shown = PanelWidget(m_current))
        shown->hide();
    m_current = panel;
    if (QWidget *widget = PanelWidget(panel)) {
        widget->setGeometry(ComputeMainLayout(size()).content);
        widget->show();
        widget->raise();
        widget->update(); // pages paint from the profile as it stands now
    }
}

void CpenlarkDlg::ShowPartyPage()
{
    ShowPanel(Panel::Party);
    // Every navigation button back to normal, the hidden one selected: any can be chosen again.
    for (CGdipButton *button : m_nav)
        button->ResetFace();
    CGdipButton::SetGroupSelection(m_nav[kNavHidden]);
}

void CpenlarkDlg::OnHelp()
{
    OpenUrl(SitePage("/help.aspx"));
}

void CpenlarkDlg::OnFreeWriting()
{
    OpenScreen(new CZiYouWriter(this));
}

void CpenlarkDlg::OnFeedback()
{
    auto *screen = new CCallBackDlg(this);
    // Its close button ends the program, which is the sign-in window's to end.
    screen->SetApplicationWindow(ApplicationMainWindow());
    OpenScreen(screen);
}

void CpenlarkDlg::OnUsageReport()
{
    OpenScreen(new CYijianFankuiDlg(this));
}

// The score report stays over this window, behind the cover, rather than in its place.
void CpenlarkDlg::OnScoreReport()
{
    CSubmitWriteScoreDlg::RunOver(this);
}

void CpenlarkDlg::OpenScreen(CDialog *screen)
{
    if (!screen)
        return;
    hide();
    if (screen->parentWidget() != this)
        screen->setParent(this, screen->windowFlags());
    if (auto *writing = qobject_cast<CDlgWrite *>(screen)) {
        OpenWritingScreen(writing);
        return;
    }
    auto *programmeScreen = qobject_cast<CFatherDlg *>(screen);
    // The screen hands this window back in the state it found it: it must know that state.
    if (programmeScreen)
        programmeScreen->SetOpenerRestored(!IsMaximised());
    screen->EnsureInitialized();
    if (programmeScreen && IsMaximised())
        programmeScreen->Maximise();
    else
        screen->setGeometry(geometry());
    screen->show();
    screen->raise();
    screen->activateWindow();
}

// A writing screen hides the window it replaced (this one, or the essay viewer that handed it
// in) and gives it back on Back; it opens maximised when this window is.
void CpenlarkDlg::OpenWritingScreen(CDlgWrite *screen)
{
    if (!screen->Opener())
        screen->SetOpener(this);
    screen->SetOpenerRestored(!IsMaximised());
    screen->EnsureInitialized();
    if (IsMaximised())
        screen->Maximise();
    else
        screen->setGeometry(geometry());
    screen->show();
    screen->raise();
    screen->activateWindow();
}

// ---- window ----

void CpenlarkDlg::Maximise()
{
    m_frame.Maximise();
}

void CpenlarkDlg::Restore()
{
    m_frame.Restore();
}

void CpenlarkDlg::ToggleMaximised()
{
    m_frame.Toggle();
}

void CpenlarkDlg::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && event->position().y() < kTopStripHeight)
        ToggleMaximised();
}

void CpenlarkDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape)
        return; // neither closes the window
    CDialog::keyPressEvent(event);
}

void CpenlarkDlg::closeEvent(QCloseEvent *event)
{
    event->accept();
    CloseProgram();
}

void CpenlarkDlg::CloseProgram()
{
    QWidget *signIn = ApplicationMainWindow();
    End(kIdCancel);
    if (signIn)
        QMetaObject::invokeMethod(signIn, &QWidget::close, Qt::QueuedConnection);
}

// Open writing screens go with this window; their essays stay in the journal for this account's
// next sign-in.
void CpenlarkDlg::SwitchAccount()
{
    NoteSignedInSessionEnded();
    End(kIdCancel);
    QWidget *signIn = ApplicationMainWindow();
    if (auto *signInWindow = dynamic_cast<CUserLoginDlg *>(signIn))
        signInWindow->ForgetPasswordUnlessRemembered();
    if (signIn)
        signIn->show();
}

void CpenlarkDlg::CloseForSignIn()
{
    SwitchAccount();
}

intptr_t CpenlarkDlg::OnWindowMessage(int message, intptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case kMsgNavSelected: {
        auto *button = reinterpret_cast<CGdipButton *>(wParam);
        static const std::map<int, Panel> panels{{kNavWelcome, Panel::Welcome},
                                                 {kNavCentre, Panel::Centre},
                                                 {kNavLibrary, Panel::Library},
                                                 {kNavContest, Panel::Contest}};
        for (const auto &[index, panel] : panels)
            if (m_nav[static_cast<std::size_t>(index)] == button)
                ShowPanel(panel);
        return 0;
    }
    case kMsgShowMainWindow:
        setVisible(wParam == 1);
        return 0;
    case kMsgImageButtonPressed:
        return 0;
    case kMsgMainWindowAgain:
        m_frame.ShowAgain();
        return 0;
    case kMsgScreenClosed:
        if (const auto *rect = reinterpret_cast<const QRect *>(wParam))
            setGeometry(*rect);
        show();
        return 0;
    case kMsgLibraryReload:
        // The writing screens are opened in this window's place and tell it; the page reloads.
        return SendWindowMessage(PanelWidget(Panel::Library), kMsgLibraryReload, wParam, lParam);
    case kMsgWriteSecondRound:
    case kMsgWritePreliminary:
    case kMsgWriteFree:
        OpenScreen(reinterpret_cast<CDialog *>(wParam));
        return 0;
    default:
        return CDialog::OnWindowMessage(message, wParam, lParam);
    }
}

// ---- poll ----

void CpenlarkDlg::OnTimer(int id)
{
    if (id == kPollTimerId)
        PollNow();
}

void CpenlarkDlg::PollNow()
{
    m_poll.Tick();
}

void CpenlarkDlg::ShowPollMessage(const PollMessage &message)
{
    m_lastPoll = message;
    if (!m_notifier)
        return;
    m_notifier->SetTitle(std::string());
    m_notifier->SetLink(message.url);
    m_notifier->Show(message.content);
}

// ---- painting ----

void CpenlarkDlg::OnPaint(QPainter &painter)
{
    const MainLayout layout = ComputeMainLayout(size());
    painter.fillRect(layout.leftColumn, kLeftColumnFill);
    painter.fillRect(layout.topStrip, kTopStripFill);
    m_rightBottom.draw(&painter, layout.rightBottom.x(), layout.rightBottom.y(), layout.rightBottom.width(),
                       layout.rightBottom.height());
    m_logo.draw(&painter, layout.logo.x(), layout.logo.y());
    m_partyBackground.draw(&painter, layout.partyBackground.x(), layout.partyBackground.y());

    // The greeting is the service's text, drawn as plain characters.
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::black);
    painter.setFont(MakeFont(QString::fromUtf8("宋体"), 16));
    painter.drawText(kGreeting.x(), kGreeting.y() + painter.fontMetrics().ascent(), GbkToQString(m_greeting));

    m_tel.draw(&painter, layout.tel.x(), layout.tel.y());
    m_mail.draw(&painter, layout.mail.x(), layout.mail.y());
    painter.setFont(MakeFont(QString::fromUtf8("宋体"), 12));
    const int ascent = painter.fontMetrics().ascent();
    painter.drawText(layout.tel.x() + 20, layout.tel.y() + ascent + 1, GbkToQString(PublisherContactPhone()));
    painter.drawText(layout.mail.x() + 20, layout.mail.y() + ascent - 1, GbkToQString(PublisherContactMail()));

    // The panels follow maximise and restore.
    for (const auto &[panel, widget] : m_panels)
        if (widget && widget->geometry() != layout.content)
            widget->setGeometry(layout.content);
}
