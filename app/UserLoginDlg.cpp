// The sign-in screen: set-up, remembered values, the sign-in and its results.
#include "UserLoginDlg.h"

#include "AboutDlg.h"
#include "AppFolder.h"
#include "AppSettings.h"
#include "DeviceCode.h"
#include "Fonts.h"
#include "GIFControl.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "MyEdit.h"
#include "MyThread.h"
#include "OkDialog.h"
#include "OpenUrl.h"
#include "QtText.h"
#include "Screen.h"
#include "ServiceContext.h"
#include "SiteAddress.h"
#include "SkinLayout.h"
#include "SkinReader.h"
#include "StartupScreenDlg.h"
#include "WindowMessage.h"
#include "XHyperLink.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kHintGrey(150, 150, 150);
const QColor kSayNameColour(26, 158, 150);

QString Song()
{
    return QString::fromUtf8("宋体");
}

void Notice(const char *utf8Message)
{
    COkDialog::ShowMessage(Utf8ToGbk(utf8Message));
}

// The designed check box: the pressed face while ticked, the normal face while cleared.
void ShowBoxFace(CGdipButton *box, bool ticked)
{
    box->SetKeepFace(ticked);
    if (ticked)
        box->ShowFace(CGdipButton::Face::Pressed);
    else
        box->ResetFace();
}

// Labels show their text as plain characters: service texts are never read as markup.
QLabel *MakePlainLabel(QWidget *parent, const QFont &font, const QColor &colour)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLabel *MakeLabel(QWidget *parent, const char *utf8Text, const QFont &font)
{
    QLabel *label = MakePlainLabel(parent, font, kWhite);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setText(QString::fromUtf8(utf8Text));
    return label;
}

// The field's text unless it still shows its hint.
std::string TypedText(const CMyEdit *edit)
{
    return edit->IsShowingHint() ? std::string() : edit->WindowText();
}

} // namespace

CUserLoginDlg::CUserLoginDlg(QWidget *parent) : CDialog(parent, DialogKind::FramelessWindow)
{
    SetApplicationMainWindow(this);
}

CUserLoginDlg::~CUserLoginDlg()
{
    if (ApplicationMainWindow() == this)
        SetApplicationMainWindow(nullptr);
}

void CUserLoginDlg::OnInitDialog()
{
    setWindowTitle(QStringLiteral("penlark"));
    ServiceContext.DeviceCode = ProcessDeviceCode();
    CStartupScreenDlg::ShowIfWanted();

    const QSize size = loginlayout::kWindowSize;
    setGeometry(QRect(loginlayout::WindowPosition(ScreenSize(), WorkArea()), size));
    CreateControls();
    CSkinReader skin;
    skin.Load(SkinPath(AppFolder()));
    ApplySkin(skin);
    LoadPictures(skin);
    LoadSayTexts();
    ShowSayTexts();
    SetTimer(kRotateTimerId, kRotateMs);
    RestoreRemembered();
    if (AppSettings().ShowVerifyCode() != 0)
        TurnVerificationOn();
    m_login->setFocus();
}

void CUserLoginDlg::CreateControls()
{
    const QFont small = MakeFont(Song(), 12);
    const QFont link = MakeFont(Song(), 10);
    auto button = [this] { return new CGdipButton(this); };
    m_userSay = button();
    m_mediaSay = button();
    m_login = button();
    m_register = button();
    m_min = button();
    m_max = button();
    m_close = button();
    m_cbName = button();
    m_cbPwd = button();
    m_cbLogin = button();

    m_userName = new CMyEdit(this);
    m_userName->SetHint(Utf8ToGbk(" 请输入账号"));
    m_password = new CMyEdit(this);
    m_password->SetHint(Utf8ToGbk(" 请输入密码"));
    m_password->SetPassword(true);
    m_verifyCode = new CMyEdit(this);
    for (CMyEdit *edit : {m_userName, m_password, m_verifyCode}) {
        edit->setFont(small);
        edit->setFrame(false);
        // The hint reads in grey until the user types.
        auto recolour = [edit] { edit->SetColors(edit->IsShowingHint() ? kHintGrey : QColor(Qt::black), Qt::white); };
        connect(edit, &QLineEdit::textChanged, edit, recolour);
        recolour();
    }

    m_forget = new CXHyperLink(this);
    m_forget->setFont(link);
    m_forget->SetWindowText(Utf8ToGbk("忘记密码?"));
    m_forget->SetURL(SitePage("/user/forgetpw.aspx"));
    m_forget->SetColours(kWhite, kWhite, kWhite);
    m_forget->EnableToolTip(true);

    m_codeLabel = MakeLabel(this, "验证码", link);
    QFont underlined = link;
    underlined.setUnderline(true);
    m_nextCode = MakeLabel(this, "看不清,换一张", underlined);
    m_nextCode->setCursor(Qt::PointingHandCursor);
    m_textName = MakeLabel(this, "记住用户名", link);
    m_textPwd = MakeLabel(this, "记住密码", link);
    m_textLogin = MakeLabel(this, "自动登录", link);
    for (QWidget *label :
         {static_cast<QWidget *>(m_nextCode), static_cast<QWidget *>(m_textName), static_cast<QWidget *>(m_textPwd)})
        label->installEventFilter(this);

    m_loading = new CGIFControl(this);
    m_loading->setGeometry(loginlayout::kLoadingAnimation);
    m_loading->Load(AppPath("img\\login.gif"));
    m_loading->hide();

    const QFont sayName = MakeFont(Song(), 15, kFontWeightBold);
    const QFont sayClass = MakeFont(Song(), 12, 500);
    for (std::size_t i = 0; i < m_say.size(); ++i) {
        const loginlayout::SayEntryRects &rects = loginlayout::SayEntries()[i];
        const std::array<std::pair<QRect, QFont>, 3> parts{
            {{rects.name, sayName}, {rects.cls, sayClass}, {rects.content, small}}};
        for (std::size_t part = 0; part < parts.size(); ++part) {
            QLabel *label = MakePlainLabel(this, parts[part].second, part == 0 ? kSayNameColour : QColor(Qt::black));
            label->setGeometry(parts[part].first);
            label->setWordWrap(part == 2);
            label->setAttribute(Qt::WA_TransparentForMouseEvents); // the window drags from here too
            m_say[i][part] = label;
        }
    }

    connect(m_login, &CGdipButton::clicked, this, &CUserLoginDlg::OnSignIn);
    connect(m_register, &CGdipButton::clicked, this, &CUserLoginDlg::OnRegister);
    connect(m_min, &CGdipButton::clicked, this, &QWidget::showMinimized);
    connect(m_close, &CGdipButton::clicked, this, &QWidget::close);
    connect(m_cbName, &CGdipButton::clicked, this, [this] { OnRememberUserName(false); });
    connect(m_cbPwd, &CGdipButton::clicked, this, [this] { OnRememberPassword(false); });
}

void CUserLoginDlg::ApplySkin(const CSkinReader &skin)
{
    const std::string folder = AppFolder();
    // Each control carries its skin element's name, so that the layout can be checked against
    // the skin from outside (findChild by name).
    auto place = [&](QWidget *control, const char *element) {
        control->setObjectName(element);
        control->setGeometry(loginlayout::DefaultControlRect(element));
        if (skin.IsLoaded())
            ApplySkinPosition(control, skin.LoadPageChild(element));
    };
    auto skinButton = [&](CGdipButton *control, const char *element) {
        control->setObjectName(element);
        control->setGeometry(loginlayout::DefaultControlRect(element));
        if (skin.IsLoaded())
            ApplySkinButton(control, skin.LoadPageChild(element), folder);
    };
    skinButton(m_userSay, "Pic_UserSay");
    skinButton(m_mediaSay, "Pic_MediaSay");
    skinButton(m_login, "Button_Login");
    skinButton(m_register, "Button_Register");
    skinButton(m_min, "Button_Min");
    skinButton(m_max, "Button_Max");
    skinButton(m_close, "Button_Close");
    skinButton(m_cbName, "CB_Name");
    skinButton(m_cbPwd, "CB_Pwd");
    skinButton(m_cbLogin, "CB_Login");
    place(m_userName, "Edit_UserName");
    place(m_password, "Edit_Pwd");
    place(m_forget, "Text_ForgetPwd");
    place(m_codeLabel, "Text_VCode");
    place(m_nextCode, "Text_NextVCode");
    place(m_verifyCode, "Edit_VCode");
    place(m_textName, "Text_Name");
    place(m_textPwd, "Text_Pwd");
    place(m_textLogin, "Text_Login");
    // "自动登录" is part of the layout but never offered.
    m_cbLogin->hide();
    m_textLogin->hide();
    ShowVerificationRow(false);
}

void CUserLoginDlg::LoadPictures(const CSkinReader &skin)
{
    const std::optional<SkinElement> page = skin.IsLoaded() ? skin.RootChild("LoadPage") : std::nullopt;
    if (page && !page->img.empty())
        m_background.load(AppPath("\\img\\" + page->img));
    m_panel.load(AppPath("\\img\\login.png"));
    m_tel.load(AppPath("\\img\\tel.png"));
    m_mail.load(AppPath("\\img\\mail.png"));
    m_sayLeft.load(AppPath("\\img\\say_left.png"));
    m_sayMid.load(AppPath("\\img\\say_mid.png"));
    m_sayRight.load(AppPath("\\img\\say_right.png"));
    m_verifyFrame.load(AppPath("\\img\\verify.png"));
    m_dashLine.load(AppPath("\\img\\dashline.png"));
    // The link erases with the panel's own colour under it, so it reads as text on the panel.
    const QPoint underLink = m_forget->geometry().center() - loginlayout::kLoginPanel;
    if (m_panel.IsValid() && QRect(QPoint(0, 0), m_panel.Frame(0).size()).contains(underLink))
        m_forget->SetBackgroundColour(m_panel.Frame(0).pixelColor(underLink));
}

void CUserLoginDlg::LoadSayTexts()
{
    CMsgDBManager store;
    if (store.openDatabase(AppPath("\\write.dll")))
        store.loadMainPageItems(m_list1, m_list2);
    store.closeDatabase();
}

std::array<std::string, 3> CUserLoginDlg::SayEntryTexts(int entry) const
{
    std::array<std::string, 3> texts;
    for (std::size_t part = 0; part < texts.size(); ++part)
        texts[part] = QStringToGbk(m_say.at(static_cast<std::size_t>(entry))[part]->text());
    return texts;
}

// The service's texts are drawn as plain characters by the labels, never read as markup.
void CUserLoginDlg::ShowSayTexts()
{
    if (m_list1.size() < 2 || m_list2.size() < 2)
        return;
    auto show = [this](std::size_t entry, const MainPageItem &item) {
        m_say[entry][0]->setText(GbkToQString(item.sourceName));
        m_say[entry][1]->setText(GbkToQString(item.sourceClass));
        m_say[entry][2]->setText(GbkToQString(item.sourceContent));
    };
    show(0, m_list2[m_leftPair.first]);
    show(1, m_list2[m_leftPair.second]);
    show(2, m_list1[m_rightPair.first]);
    show(3, m_list1[m_rightPair.second]);
}

void CUserLoginDlg::OnTimer(int id)
{
    if (id == kRotateTimerId)
        RotateSayTexts();
}

void CUserLoginDlg::RotateSayTexts()
{
    if (!SayTextsRotate(m_list1.size(), m_list2.size()))
        return;
    m_leftPair = AdvanceSayPair(m_leftPair, m_list2.size());
    m_rightPair = AdvanceSayPair(m_rightPair, m_list1.size());
    ShowSayTexts();
}

void CUserLoginDlg::RestoreRemembered()
{
    std::string version;
    {
        CMsgDBManager store;
        if (store.openDatabase(AppPath("\\write.dll")))
            store.readConfig("Version", version);
        store.closeDatabase();
    }
    m_versionLine = Utf8ToGbk("版本号:v") + version;

    const AppSettings settings;
    const std::string user = settings.User();
    std::string password;
    bool known = false;
    {
        CMsgDBManager store;
        if (store.openDatabase(AppPath("\\write.dll")))
            known = store.readPassword(user, password);
        store.closeDatabase();
    }
    if (settings.RememberPassword() != 0 && known && !password.empty()) {
        m_userName->SetWindowText(user);
        m_password->SetWindowText(password);
        m_password->SetPassword(true);
        ApplyBoxes({true, true});
    } else if (settings.RememberUserName() != 0 && known) {
        m_userName->SetWindowText(user);
        ServiceContext.UserName = user;
        ApplyBoxes({true, false});
    }
}

// ---- the remember boxes ----

void CUserLoginDlg::ApplyBoxes(const RememberBoxes &boxes)
{
    m_boxes = boxes;
    ShowBoxFace(m_cbName, boxes.userName);
    ShowBoxFace(m_cbPwd, boxes.password);
}

// The boxes as config.ini holds them, once the program has changed what it holds.
void CUserLoginDlg::ShowStoredBoxes()
{
    const AppSettings settings;
    ApplyBoxes({settings.RememberUserName() != 0, settings.RememberPassword() != 0});
}

void CUserLoginDlg::ApplyRememberWrite(RememberWrite write)
{
    AppSettings settings;
    if (write == RememberWrite::UserNameOff)
        settings.SetRememberUserName(false);
    else if (write == RememberWrite::PasswordOff)
        settings.SetRememberPassword(false);
}

void CUserLoginDlg::OnRememberUserName(bool onLabel)
{
    const RememberClick click = ClickRememberUserName(m_boxes, onLabel);
    ApplyBoxes(click.boxes);
    ApplyRememberWrite(click.write);
}

void CUserLoginDlg::OnRememberPassword(bool onLabel)
{
    const RememberClick click = ClickRememberPassword(m_boxes, onLabel);
    ApplyBoxes(click.boxes);
    ApplyRememberWrite(click.write);
}

// ---- verification ----

void CUserLoginDlg::ShowVerificationRow(bool show)
{
    m_codeLabel->setVisible(show);
    m_nextCode->setVisible(show);
    m_verifyCode->setVisible(show);
}

void CUserLoginDlg::TurnVerificationOn()
{
    m_verification = true;
    FetchVerifyPicture();
    ShowVerificationRow(true);
    update();
}

void CUserLoginDlg::FetchVerifyPicture()
{
    std::vector<unsigned char> gif;
    if (!FetchVerifyImage(gif) || gif.empty())
        return; // the previous picture stays
    CxImage picture;
    if (!picture.decodeFromMemory(gif.data(), gif.size(), CxImage::kFormatGif))
        return;
    m_verifyPicture.copyFrom(picture);
    update(loginlayout::kVerifyPictureArea);
}

// ---- signing in ----

bool CUserLoginDlg::IsIdle() const
{
    return !m_login->isHidden() && m_loading->isHidden();
}

void CUserLoginDlg::ResetToIdle()
{
    m_login->show();
    m_register->show();
    m_loading->Stop();
    m_loading->hide();
}

void CUserLoginDlg::ForgetPasswordUnlessRemembered()
{
    if (m_boxes.password)
        return;
    m_password->SetWindowText("");
    m_password->SetHint(m_password->Hint());
}

bool CUserLoginDlg::ValidateFields(std::string &account, std::string &password, std::string &code)
{
    account = TypedText(m_userName);
    password = TypedText(m_password);
    code = m_verifyCode->WindowText();
    if (account.empty()) {
        Notice("\t    请填写用户名!");
        return false;
    }
    if (password.empty()) {
        Notice("\t   请填写密码!");
        return false;
    }
    if (m_verification && code.empty()) {
        Notice("        请填写验证码!");
        return false;
    }
    return true;
}

void CUserLoginDlg::StoreRememberChoices(const std::string &account, const std::string &password)
{
    AppSettings settings;
    settings.SetRememberUserName(m_boxes.userName);
    settings.SetRememberPassword(m_boxes.password);
    settings.SetUser(account);
    if (!m_boxes.password && !m_boxes.userName)
        return;
    // The remembered password stays in the program's own database, which only its owner reads.
    CMsgDBManager store;
    if (store.openDatabase(AppPath("\\write.dll")))
        store.saveUser(account, m_boxes.password ? password : std::string());
    store.closeDatabase();
}

void CUserLoginDlg::OnSignIn()
{
    if (!IsIdle())
        return;
    std::string account, password, code;
    if (!ValidateFields(account, password, code))
        return;
    m_login->hide();
    m_register->hide();
    m_loading->show();
    m_loading->Play();
    StoreRememberChoices(account, password);
    const SignInOutcome outcome = SignIn(account, password, m_verification ? &code : nullptr);
    ActOnSignIn(outcome.status, outcome.message);
}

void CUserLoginDlg::ActOnSignIn(SignInStatus status, const std::string &message)
{
    const SignInEffects effects = EffectsOfSignIn(status);
    AppSettings settings;
    if (effects.success) {
        settings.SetShowVerifyCode(false);
        // The main window runs from the event queue, so this handler has returned first.
        QMetaObject::invokeMethod(this, &CUserLoginDlg::RunMainWindow, Qt::QueuedConnection);
        return;
    }
    ResetToIdle();
    if (effects.clearPassword) {
        // The emptied field shows its hint, as at the start: the focus leaves it for the sign-in
        // button (the notice box gives it back there), so the hint is not wiped at once.
        m_password->clear();
        m_login->setFocus();
        if (!m_password->hasFocus())
            m_password->SetWindowText(m_password->Hint());
    }
    if (effects.writeShowVerifyCode)
        settings.SetShowVerifyCode(true);
    if (!message.empty())
        COkDialog::ShowMessage(message);
    if (effects.writeRememberPasswordOff) {
        settings.SetRememberPassword(false);
        ShowStoredBoxes();
    }
    if (effects.verificationOn)
        TurnVerificationOn();
}

void CUserLoginDlg::RunMainWindow()
{
    MyThread::Run();
}

intptr_t CUserLoginDlg::OnWindowMessage(int message, intptr_t wParam, intptr_t lParam)
{
    if (message == kMsgLoginIdle) {
        ResetToIdle();
        return 0;
    }
    return CDialog::OnWindowMessage(message, wParam, lParam);
}

// ---- links, about, keys ----

void CUserLoginDlg::OnForgetPassword()
{
    m_forget->Open();
}

void CUserLoginDlg::OnRegister()
{
    OpenUrl(SitePage("/user/register.aspx"));
}

void CUserLoginDlg::ShowAboutBox()
{
    CAboutDlg about(this);
    about.DoModal();
}

void CUserLoginDlg::contextMenuEvent(QContextMenuEvent *event)
{
    // The window menu: its standard items, then the about box after a separator.
    QMenu menu(this);
    menu.addAction(QString::fromUtf8("最小化"), this, &QWidget::showMinimized);
    menu.addAction(QString::fromUtf8("关闭"), this, &QWidget::close);
    menu.addSeparator();
    menu.addAction(QStringLiteral("&About penlark..."), this, &CUserLoginDlg::ShowAboutBox);
    menu.exec(event->globalPos());
}

void CUserLoginDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OnSignIn();
        return;
    }
    if (event->key() == Qt::Key_Escape)
        return; // Escape does not end the program
    CDialog::keyPressEvent(event);
}

bool CUserLoginDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == m_textName) {
            OnRememberUserName(true);
            return true;
        }
        if (watched == m_textPwd) {
            OnRememberPassword(true);
            return true;
        }
        if (watched == m_nextCode) {
            FetchVerifyPicture();
            return true;
        }
    }
    return CDialog::eventFilter(watched, event);
}

// ---- painting ----

void CUserLoginDlg::OnPaint(QPainter &painter)
{
    using namespace loginlayout;
    m_background.draw(&painter, 0, 0);
    m_panel.draw(&painter, kLoginPanel.x(), kLoginPanel.y());
    m_tel.draw(&painter, kTel.x(), kTel.y());
    m_mail.draw(&painter, kMail.x(), kMail.y());

    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(MakeFont(Song(), 12));
    painter.setPen(Qt::black);
    const int line = painter.fontMetrics().ascent();
    painter.drawText(kVersionLine.x(), kVersionLine.y() + line, GbkToQString(m_versionLine));
    painter.drawText(kTel.x() + 18, kVersionLine.y() + line, GbkToQString(PublisherContactPhone()));
    painter.drawText(kMail.x() + 18, kVersionLine.y() + line, GbkToQString(PublisherContactMail()));
    painter.drawText(kUpdateNotice.x(), kUpdateNotice.y() + line, QString::fromUtf8("新版本发布后，登录时会提示您更新。"));

    if (m_verification) {
        m_verifyPicture.draw(&painter, kVerifyPicture.x(), kVerifyPicture.y());
        m_verifyFrame.draw(&painter, kVerifyFrame.x(), kVerifyFrame.y());
    }
    for (int y : kSayY) {
        for (std::size_t column = 0; column < 2; ++column) {
            m_sayLeft.draw(&painter, kSayLeftX[column], y);
            m_sayMid.draw(&painter, kSayMidX[column], y, kSayMidSize.width(), kSayMidSize.height());
            m_sayRight.draw(&painter, kSayRightX[column], y);
        }
    }
    for (const QPoint &at : kDashLine)
        m_dashLine.draw(&painter, at.x(), at.y());
}
