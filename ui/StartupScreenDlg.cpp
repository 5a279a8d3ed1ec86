// Start-up screen: skin layout, the check box written to config.ini at each click, the timer.
#include "StartupScreenDlg.h"

#include "AppFolder.h"
#include "Fonts.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "ProfileFile.h"
#include "Screen.h"
#include "SkinLayout.h"
#include "YStatic.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
// Places of the controls when the skin does not give them.
const QRect kEnterRect(437, 556, 150, 44);
const QRect kCheckRect(466, 624, 14, 14);
const QRect kLabelRect(485, 623, 80, 16);

std::string ConfigPath()
{
    return AppPath("\\config.ini");
}
} // namespace

CStartupScreenDlg::CStartupScreenDlg(QWidget *parent) : CDialog(parent, DialogKind::FramelessWindow) {}

bool CStartupScreenDlg::ShouldShow(const std::string &configPath)
{
    return GetProfileInt("StartPage", "Show", 1, configPath) != 0;
}

bool CStartupScreenDlg::ShowIfWanted(QWidget *parent)
{
    static bool shownOnce = false; // at most once per process
    if (shownOnce || !ShouldShow(ConfigPath()))
        return false;
    shownOnce = true;
    CStartupScreenDlg screen(parent);
    screen.DoModal();
    return true;
}

void CStartupScreenDlg::OnInitDialog()
{
    raise();
    activateWindow();
    setGeometry(PlaceWindow(QSize(1024, 700), ScreenSize(), WorkArea(), false).rect);
    m_enter = new CGdipButton(this);
    m_enter->setGeometry(kEnterRect);
    m_check = new CGdipButton(this);
    m_check->setGeometry(kCheckRect);
    m_check->SetKeepFace(false);
    m_label = new CYStatic(this);
    m_label->setGeometry(kLabelRect);
    m_label->setFont(MakeFont(QString::fromUtf8("宋体"), 10));
    m_label->SetLineHeight(16);
    m_label->SetWindowText(Utf8ToGbk("下次不再显示"));
    m_label->setCursor(Qt::PointingHandCursor);
    m_label->installEventFilter(this);
    ApplySkin();
    connect(m_enter, &CGdipButton::clicked, this, &CStartupScreenDlg::Enter);
    connect(m_check, &CGdipButton::clicked, this, &CStartupScreenDlg::ToggleCheck);
    m_background.load(AppPath("img\\startpage.jpg"));
    SetTimer(kCloseTimerId, kCloseAfterMs);
}

void CStartupScreenDlg::ApplySkin()
{
    CSkinReader skin;
    if (!skin.Load(SkinPath(AppFolder())))
        return; // the controls keep their own places
    ApplySkinButton(m_enter, skin.StartEnterButton(), AppFolder());
    ApplySkinButton(m_check, skin.StartCheckBox(), AppFolder());
    ApplySkinPosition(m_label, skin.StartText());
}

void CStartupScreenDlg::OnPaint(QPainter &painter)
{
    m_background.draw(&painter, 0, 0);
}

void CStartupScreenDlg::ToggleCheck()
{
    m_checked = !m_checked;
    // A ticked box keeps its pressed face; a cleared one goes back to normal.
    m_check->SetKeepFace(m_checked);
    if (m_checked)
        m_check->ShowFace(CGdipButton::Face::Pressed);
    else
        m_check->ResetFace();
    WriteProfileString("StartPage", "Show", m_checked ? "0" : "1", ConfigPath());
}

void CStartupScreenDlg::Enter()
{
    KillTimer(kCloseTimerId);
    EndDialog(kIdOk);
}

void CStartupScreenDlg::OnTimer(int id)
{
    if (id != kCloseTimerId)
        return;
    KillTimer(kCloseTimerId);
    EndDialog(kIdOk);
}

bool CStartupScreenDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_label && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        ToggleCheck();
        return true;
    }
    return CDialog::eventFilter(watched, event);
}
