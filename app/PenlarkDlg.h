// CpenlarkDlg: the main window, the signed-in home of the program. It synchronises with the
// service at start, loads the profile and the keywords (the work in MainStartup.h), hosts the
// programme panels in its content area, opens screens in its own place and polls the service
// every five minutes.
#pragma once

#include "Dialog.h"
#include "MainLayout.h"
#include "ServerPoll.h"
#include "WindowFrame.h"
#include "xImage.h"

#include <array>
#include <map>
#include <memory>
#include <string>

class CDlgWrite;
class CGdipButton;
class QAbstractButton;
class CTaskbarNotifier;
class CWelcomeDlg;
struct MainStartupSteps;

class CpenlarkDlg : public CDialog
{
    Q_OBJECT

public:
    static constexpr int kPollTimerId = 1;

    enum class Panel
    {
        None,
        Welcome,
        Centre,
        Library,
        Contest,
        Party,
    };

    explicit CpenlarkDlg(QWidget *parent = nullptr, int pollPeriodMs = CServerPoll::kDefaultPeriodMs);
    ~CpenlarkDlg() override;

    // Outside a modal run (tests): sets the window up and shows it.
    void Open();
    // Ends the main window (its modal run, or the window itself outside one).
    void End(int result);

    // The title-bar and side buttons.
    void Maximise();
    void Restore();
    void ToggleMaximised();
    void CloseProgram();   // close: the main window and the sign-in window, so the program ends
    void SwitchAccount();  // the main window ends, the sign-in window shows again
    void CloseForSignIn(); // a refused renewal: the same, from the service client's handler
    void OnHelp();
    void ShowPartyPage();
    // Buttons whose screens come from other subsystems; each opens its screen with OpenScreen.
    void OnFreeWriting();
    void OnFeedback();
    void OnUsageReport();
    void OnScoreReport();

    // Opens a screen in the main window's place: hides this window; the screen takes its
    // rectangle and maximised state and hands the window back with message 1037 or 1029.
    void OpenScreen(CDialog *screen);

    // Switches the content area to a panel (the navigation group's message does this).
    void ShowPanel(Panel panel);
    // A panel built elsewhere, hosted in the content area (created with this window as parent).
    void SetPanel(Panel panel, QWidget *widget);
    Panel CurrentPanel() const { return m_current; }
    QWidget *PanelWidget(Panel panel) const;

    // One poll tick now (timer 1 does the same).
    void PollNow();
    const PollMessage &LastPollMessage() const { return m_lastPoll; }
    int PollPeriod() const { return m_pollPeriodMs; }

    bool IsMaximised() const { return m_frame.IsMaximised(); }
    bool StartedUp() const { return m_startedUp; }
    const std::string &GreetingName() const { return m_greeting; }
    CGdipButton *NavButton(mainlayout::NavButton which) const { return m_nav[which]; }
    CGdipButton *CloseButton() const { return m_close; }
    CGdipButton *MaximiseButton() const { return m_maximise; }
    CGdipButton *RestoreButton() const { return m_restore; }
    CGdipButton *PartyButton() const { return m_party; }
    CGdipButton *HelpButton() const { return m_help; }
    QAbstractButton *SwitchAccountLink() const { return m_switchAccount; }
    CTaskbarNotifier *Notifier() const { return m_notifier; }

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter &painter) override;
    void OnTimer(int id) override;
    intptr_t OnWindowMessage(int message, intptr_t wParam, intptr_t lParam) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // What the start-up work (MainStartup.h) asks of this window.
    MainStartupSteps StartupSteps(QWidget *signIn);
    void CreateControls();
    void CreatePanels();
    void CreateNotifier();
    void PlaceControls();
    void SelectNavButton(CGdipButton *button);
    void ShowPollMessage(const PollMessage &message);
    void OpenWritingScreen(CDlgWrite *screen);

    int m_pollPeriodMs;
    CServerPoll m_poll;
    PollMessage m_lastPoll;
    std::string m_greeting;
    std::array<CGdipButton *, mainlayout::kNavCount> m_nav{};
    CGdipButton *m_minimise = nullptr;
    CGdipButton *m_maximise = nullptr;
    CGdipButton *m_restore = nullptr;
    CGdipButton *m_close = nullptr;
    CGdipButton *m_help = nullptr;
    QAbstractButton *m_switchAccount = nullptr;
    CGdipButton *m_party = nullptr;
    CGdipButton *m_feedback = nullptr;
    CGdipButton *m_usageReport = nullptr;
    CGdipButton *m_scoreReport = nullptr;
    CTaskbarNotifier *m_notifier = nullptr;
    std::map<Panel, QWidget *> m_panels;
    Panel m_current = Panel::None;
    CxImage m_rightBottom, m_partyBackground, m_logo, m_tel, m_mail;
    WindowFrame m_frame{this, mainlayout::kRestoredSize, WindowFrame::MaximisedArea::WorkArea};
    bool m_startedUp = false;
    bool m_ended = false;
};
