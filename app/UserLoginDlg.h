// CUserLoginDlg: the sign-in screen, the program's first and longest-lived window. Laid out from
// img/skin.xml, it offers the remembered account, signs in with WsAutoLogin or WsLogin, and on
// success runs the main window (MyThread); it is hidden while the main window is open.
#pragma once

#include "Dialog.h"
#include "MsgDBManager.h"
#include "UserLoginLayout.h"
#include "xImage.h"

#include <array>
#include <string>
#include <vector>

class CGdipButton;
class CGIFControl;
class CMyEdit;
class CXHyperLink;
class QLabel;
class CSkinReader;

class CUserLoginDlg : public CDialog
{
    Q_OBJECT

public:
    static constexpr int kRotateTimerId = 1;
    static constexpr int kRotateMs = 4000;

    explicit CUserLoginDlg(QWidget *parent = nullptr);
    ~CUserLoginDlg() override;

    // The sign-in button (or Enter): validates, signs in and acts on the result.
    void OnSignIn();
    // Fetches a new verification picture ("看不清,换一张").
    void FetchVerifyPicture();
    // A click on a remember box or on its label.
    void OnRememberUserName(bool onLabel);
    void OnRememberPassword(bool onLabel);
    void OnForgetPassword();
    void OnRegister();
    void ShowAboutBox();
    // Buttons visible, loading animation hidden and stopped (message 1025 does the same).
    void ResetToIdle();
    // When the next pupil signs in on a shared computer (switch account): the password typed for
    // the last sign-in leaves the field, unless the student asked for it to be remembered.
    void ForgetPasswordUnlessRemembered();
    // One tick of the text rotation (timer 1).
    void RotateSayTexts();

    bool InVerificationMode() const { return m_verification; }
    bool IsIdle() const;
    const RememberBoxes &Boxes() const { return m_boxes; }
    const CxImage &VerifyPicture() const { return m_verifyPicture; }
    const SayPair &LeftPair() const { return m_leftPair; }
    const SayPair &RightPair() const { return m_rightPair; }
    const std::string &VersionLine() const { return m_versionLine; }
    // The text shown in one of the four rotating entries (0, 1 left; 2, 3 right): name, class, content.
    std::array<std::string, 3> SayEntryTexts(int entry) const;

    CMyEdit *UserNameEdit() const { return m_userName; }
    CMyEdit *PasswordEdit() const { return m_password; }
    CMyEdit *VerifyCodeEdit() const { return m_verifyCode; }
    CGdipButton *LoginButton() const { return m_login; }
    CGdipButton *RegisterButton() const { return m_register; }
    CGdipButton *UserNameBox() const { return m_cbName; }
    CGdipButton *PasswordBox() const { return m_cbPwd; }
    CGdipButton *AutoLoginBox() const { return m_cbLogin; }
    QLabel *UserNameLabel() const { return m_textName; }
    QLabel *PasswordLabel() const { return m_textPwd; }
    QLabel *NextVerifyCodeLink() const { return m_nextCode; }
    QLabel *VerifyCodeLabel() const { return m_codeLabel; }
    CGIFControl *LoadingAnimation() const { return m_loading; }

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter &painter) override;
    void OnTimer(int id) override;
    intptr_t OnWindowMessage(int message, intptr_t wParam, intptr_t lParam) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void CreateControls();
    void ApplySkin(const CSkinReader &skin);
    void LoadPictures(const CSkinReader &skin);
    void LoadSayTexts();
    void ShowSayTexts();
    void RestoreRemembered();
    bool ValidateFields(std::string &account, std::string &password, std::string &code);
    void StoreRememberChoices(const std::string &account, const std::string &password);
    void ActOnSignIn(SignInStatus status, const std::string &message);
    void TurnVerificationOn();
    void ShowVerificationRow(bool show);
    void ApplyBoxes(const RememberBoxes &boxes);
    void ShowStoredBoxes();
    void ApplyRememberWrite(RememberWrite write);
    void RunMainWindow();

    CGdipButton *m_userSay = nullptr;
    CGdipButton *m_mediaSay = nullptr;
    CGdipButton *m_login = nullptr;
    CGdipButton *m_register = nullptr;
    CGdipButton *m_min = nullptr;
    CGdipButton *m_max = nullptr;
    CGdipButton *m_close = nullptr;
    CGdipButton *m_cbName = nullptr;
    CGdipButton *m_cbPwd = nullptr;
    CGdipButton *m_cbLogin = nullptr;
    CMyEdit *m_userName = nullptr;
    CMyEdit *m_password = nullptr;
    CMyEdit *m_verifyCode = nullptr;
    CXHyperLink *m_forget = nullptr;
    QLabel *m_codeLabel = nullptr;
    QLabel *m_nextCode = nullptr;
    QLabel *m_textName = nullptr;
    QLabel *m_textPwd = nullptr;
    QLabel *m_textLogin = nullptr;
    CGIFControl *m_loading = nullptr;
    std::array<std::array<QLabel *, 3>, 4> m_say{};

    CxImage m_background, m_panel, m_tel, m_mail, m_sayLeft, m_sayMid, m_sayRight, m_verifyFrame, m_dashLine;
    CxImage m_verifyPicture;

    std::vector<MainPageItem> m_list1, m_list2;
    SayPair m_leftPair, m_rightPair;
    RememberBoxes m_boxes;
    bool m_verification = false;
    std::string m_versionLine;
};
