// The personal centre: layout from the width, painting from the profile at every paint, and the
// two links to the web site.
#include "CenterDlg.h"

#include "AppFolder.h"
#include "Fonts.h"
#include "GdipButton.h"
#include "OpenUrl.h"
#include "OperationsAccount.h"
#include "QtText.h"
#include "ServiceContext.h"

#include <QPainter>
#include <QResizeEvent>
#include <cctype>

namespace {

const QColor kBackground(0xF6, 0xF8, 0xE3);
const QColor kGreenText(0x29, 0x9F, 0x3A);
const QColor kRule(0x1C, 0xAA, 0x38);
const QColor kDash(0x7B, 0x7B, 0x7B);
const QSize kButtonSize(96, 26);
constexpr int kContentWidth = 725;
// Values stop short of the divider, so a long address never runs across it.
constexpr int kValueRightMargin = 10;

QFont SongFont(int pixels, bool bold = false)
{
    return MakeFont(QString::fromUtf8("宋体"), pixels, bold ? kFontWeightBold : kFontWeightNormal);
}

// Text whose top-left corner is at the point, on one line, as plain text.
void DrawAt(QPainter &painter, const QPoint &at, const QString &text)
{
    const QFontMetrics metrics(painter.font());
    painter.drawText(QRect(at, QSize(metrics.horizontalAdvance(text) + 1, metrics.height())),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, text);
}

// A value from the service: one line, cut with an ellipsis where the room ends.
QString OneLine(const std::string &gbk, const QFontMetrics &metrics, int width)
{
    QString text = GbkToQString(gbk);
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return metrics.elidedText(text, Qt::ElideRight, width);
}

std::string EscapeQueryValue(const std::string &value)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : value) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

bool StartsWithNoCase(const std::string &text, size_t at, const char *prefix)
{
    for (size_t i = 0; prefix[i]; ++i) {
        if (at + i >= text.size() || std::tolower(static_cast<unsigned char>(text[at + i])) != prefix[i])
            return false;
    }
    return true;
}

} // namespace

CenterLayout LayOutCenter(int width)
{
    CenterLayout l;
    l.x0 = (width - kContentWidth) / 2;
    const int x0 = l.x0;
    l.name = QPoint(x0 - 20, 58);
    l.welcome = QPoint(x0 - 20, 100);
    l.heading = QPoint(x0 - 20, 240);
    l.headingRule = QLine(x0 - 22, 260, x0 + 302, 260);
    l.labelX = x0 - 20;
    l.valueX = x0 + 48;
    const int rows[5] = {266, 296, 330, 370, 400};
    std::copy(std::begin(rows), std::end(rows), l.rowY);
    l.schoolLabelY[0] = 324;
    l.schoolLabelY[1] = 339;
    l.schoolColon = QPoint(x0 + 35, 330);
    l.profileButton = QRect(QPoint(x0 + 40, 465), kButtonSize);
    l.passwordButton = QRect(QPoint(x0 + 160, 465), kButtonSize);
    l.dashLine = QLine(x0 + 380, 120, x0 + 380, 595);
    return l;
}

CenterLinks MakeCenterLinks(const std::string &siteBase, const std::string &userNo)
{
    std::string base = siteBase;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    const size_t scheme = base.find("://");
    const size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
    std::string bare = base;
    if (StartsWithNoCase(base, hostStart, "www."))
        bare.erase(hostStart, 4);
    const std::string no = EscapeQueryValue(userNo);
    return {base + "/user/info.aspx?no=" + no, bare + "/user/mima.aspx?no=" + no};
}

CCenterDlg::CCenterDlg(QWidget *parent) : CDialog(parent, DialogKind::Child)
{
    m_profile = new CGdipButton(this);
    m_profile->LoadImages(AppPath("\\img\\PersonInfo\\xiugaigeren1.png"), AppPath("\\img\\PersonInfo\\xiugaigeren2.png"),
                          AppPath("\\img\\PersonInfo\\xiugaigeren3.png"));
    m_password = new CGdipButton(this);
    m_password->LoadImages(AppPath("\\img\\PersonInfo\\xiugaimima1.png"), AppPath("\\img\\PersonInfo\\xiugaimima2.png"),
                           AppPath("\\img\\PersonInfo\\xiugaimima3.png"));
    connect(m_profile, &CGdipButton::clicked, this, &CCenterDlg::OnChangeProfile);
    connect(m_password, &CGdipButton::clicked, this, &CCenterDlg::OnChangePassword);
    PlaceButtons();
}

CenterLinks CCenterDlg::Links() const
{
    return MakeCenterLinks(m_site.empty() ? ServiceContext.DefaultBaseAddress : m_site, ServiceContext.UserNo);
}

void CCenterDlg::OnChangeProfile()
{
    OpenUrl(Links().profile);
}

void CCenterDlg::OnChangePassword()
{
    OpenUrl(Links().password);
}

void CCenterDlg::PlaceButtons()
{
    const CenterLayout l = LayOutCenter(width());
    m_profile->setGeometry(l.profileButton);
    m_password->setGeometry(l.passwordButton);
}

void CCenterDlg::resizeEvent(QResizeEvent *event)
{
    PlaceButtons();
    CDialog::resizeEvent(event);
}

void CCenterDlg::OnPaint(QPainter &painter)
{
    const CenterLayout l = LayOutCenter(width());
    painter.fillRect(rect(), kBackground);

    painter.setPen(Qt::black);
    painter.setFont(SongFont(20));
    DrawAt(painter, l.name, OneLine(UserInfo.TrueName, painter.fontMetrics(), l.dashLine.x1() - l.name.x()));

    painter.setPen(kGreenText);
    painter.setFont(SongFont(12));
    DrawAt(painter, l.welcome, QString::fromUtf8("欢迎使用墨韵阁中文写作平台"));
    painter.setFont(SongFont(13, true));
    DrawAt(painter, l.heading, QString::fromUtf8("个人信息"));
    painter.setPen(QPen(kRule, 2));
    painter.drawLine(l.headingRule);

    painter.setPen(Qt::black);
    painter.setFont(SongFont(13));
    const char *labels[5] = {"姓    名：", "电子邮箱：", nullptr, "用户类别：", "电    话："};
    const std::string *values[5] = {&UserInfo.TrueName, &UserInfo.Email, &UserInfo.School, &UserInfo.UT, &UserInfo.Phone};
    const int valueWidth = l.dashLine.x1() - kValueRightMargin - l.valueX;
    for (int i = 0; i < 5; ++i) {
        if (labels[i])
            DrawAt(painter, QPoint(l.labelX, l.rowY[i]), QString::fromUtf8(labels[i]));
        DrawAt(painter, QPoint(l.valueX, l.rowY[i]), OneLine(*values[i], painter.fontMetrics(), valueWidth));
    }
    DrawAt(painter, QPoint(l.labelX, l.schoolLabelY[0]), QString::fromUtf8("所属学校"));
    DrawAt(painter, QPoint(l.labelX, l.schoolLabelY[1]), QString::fromUtf8("或 机 构"));
    DrawAt(painter, l.schoolColon, QString::fromUtf8("："));

    QPen dash(kDash, 1, Qt::DashLine);
    painter.setPen(dash);
    painter.drawLine(l.dashLine);
}
