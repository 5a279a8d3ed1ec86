// CStartupScreenDlg: the full-size start-up picture with an enter button and a "do not show
// again" check box, laid out from the skin, closing itself after ten seconds.
#pragma once
#include "Dialog.h"
#include "xImage.h"

#include <string>

class CGdipButton;
class CYStatic;

class CStartupScreenDlg : public CDialog
{
    Q_OBJECT

public:
    static constexpr int kCloseTimerId = 1;
    static constexpr int kCloseAfterMs = 10000;

    explicit CStartupScreenDlg(QWidget *parent = nullptr);

    // [StartPage] Show of config.ini is not 0 (a missing key counts as 1).
    static bool ShouldShow(const std::string &configPath);
    // Shows the screen modally when the settings ask for it, at most once per process; returns
    // whether it was shown.
    static bool ShowIfWanted(QWidget *parent = nullptr);

    bool IsChecked() const { return m_checked; }
    void ToggleCheck();
    void Enter();

    CGdipButton *EnterButton() const { return m_enter; }
    CGdipButton *CheckButton() const { return m_check; }
    CYStatic *Label() const { return m_label; }

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter &painter) override;
    void OnTimer(int id) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ApplySkin();

    CGdipButton *m_enter = nullptr;
    CGdipButton *m_check = nullptr;
    CYStatic *m_label = nullptr;
    CxImage m_background;
    bool m_checked = false;
};
