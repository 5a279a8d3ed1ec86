// Button faces of the artwork: title-bar buttons, navigation column, action buttons and tabs.
#include "ArtPainter.h"

#include <QLinearGradient>
#include <QPainterPath>

namespace art {
namespace {

// Title-bar buttons sit on the grey band; the hover face lights up behind the glyph.
QImage TitleButton(int w, int h, const IconFn &icon, bool lit, bool danger)
{
    QImage img = Canvas(w, h);
    QPainter p;
    BeginPainter(p, img);
    if (lit) {
        p.setPen(Qt::NoPen);
        p.setBrush(danger ? QColor(0xD9, 0x4A, 0x3A) : kGreen);
        p.drawRoundedRect(QRectF(1, 1, w - 2, h - 1), 4, 4);
    }
    const qreal s = 15;
    icon(p, QRectF((w - s) / 2, (h - s) / 2 + 1, s, s), Qt::white);
    p.end();
    return img;
}

QImage BackButton(bool lit)
{
    const int w = 73, h = 28;
    QImage img = Canvas(w, h);
    QPainter p;
    BeginPainter(p, img);
    p.setPen(QPen(lit ? kGreenDark : QColor(255, 255, 255, 220), 1));
    p.setBrush(lit ? QBrush(kGreen) : QBrush(QColor(255, 255, 255, 40)));
    p.drawRoundedRect(QRectF(0.5, 2.5, w - 1, h - 5), 11, 11);
    IconBack(p, QRectF(10, 7, 14, 14), Qt::white);
    p.setFont(SansFont(14, true));
    p.setPen(Qt::white);
    p.drawText(QRectF(27, 0, 40, h), Qt::AlignCenter, QString::fromUtf8("返回"));
    p.end();
    return img;
}

// Small arrow buttons on the green band of the writing screen.
QImage BandIcon(int w, int h, const IconFn &icon, bool lit)
{
    QImage img = Canvas(w, h);
    QPainter p;
    BeginPainter(p, img);
    if (lit) {
        p.setPen(Qt::NoPen);
        p.setBrush(kGreenDark);
        p.drawRoundedRect(QRectF(0, 0, w, h), 4, 4);
    }
    icon(p, QRectF((w - 14) / 2.0, (h - 14) / 2.0, 14, 14), Qt::white);
    p.end();
    return img;
}

// Navigation column entry (202 x 45): light normal face, green selected face.
QImage NavFace(const QString &caption, const IconFn &icon, bool selected)
{
    const int w = 202, h = 45;
    QImage img = Canvas(w, h, QColor(238, 238, 238));
    QPainter p;
    BeginPainter(p, img);
    if (selected) {
        QLinearGradient g(0, 0, w, 0);
        g.setColorAt(0, kGreenDark);
        g.setColorAt(1, kGreen);
        p.fillRect(QRectF(0, 1, w, h - 2), g);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xF6, 0xF8, 0xE3));
        p.drawPolygon(QPolygonF{QPointF(w, h / 2.0 - 8), QPointF(w - 9, h / 2.0), QPointF(w, h / 2.0 + 8)});
        p.fillRect(QRectF(0, 1, 5, h - 2), kPale);
    } else {
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, QColor(0xF4, 0xF4, 0xF2));
        g.setColorAt(1, QColor(0xE6, 0xE8, 0xE0));
        p.fillRect(QRectF(0, 1, w, h - 2), g);
        p.setPen(QColor(0xD4, 0xD8, 0xCC));
        p.drawLine(0, h - 1, w, h - 1);
        p.setPen(Qt::white);
        p.drawLine(0, 0, w, 0);
    }
    const QColor fg = selected ? Qt::white : kInk;
    if (!selected) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xDD, 0xEE, 0xD8));
        p.drawEllipse(QRectF(38, 7, 31, 31));
    }
    icon(p, QRectF(44, 13, 19, 19), selected ? Qt::white : kGreenDeep);
    p.setFont(SansFont(17, true));
    p.setPen(fg);
    p.drawText(QRectF(82, 0, 110, h), Qt::AlignVCenter | Qt::AlignLeft, caption);
    p.end();
    return img;
}

// A small text link drawn as a picture (help, feedback, usage report, score report).
QImage TextLink(int w, int h, const QString &caption, const QColor &colour, bool underline, const IconFn &icon)
{
    QImage img = Canvas(w, h);
    QPainter p;
    BeginPainter(p, img);
    QFont f = SansFont(h >= 13 ? 12 : 11);
    f.setUnderline(underline);
    qreal x = 0;
    if (icon) {
        icon(p, QRectF(0, (h - 11) / 2.0, 11, 11), colour);
        x = 14;
    }
    p.setFont(f);
    p.setPen(colour);
    p.drawText(QRectF(x, -2, w - x, h + 4), Qt::AlignVCenter | Qt::AlignLeft, caption);
    p.end();
    return img;
}

// Tab face for a caption drawn by the button itself (white text): no caption here.
QImage TabFace(int w, int h, bool active)
{
    QImage img = Canvas(w, h);
    QPainter p;
    BeginPainter(p, img);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, active ? QColor(0x3C, 0xC0, 0x52) : QColor(0x9C, 0xC8, 0xA2));
    g.setColorAt(1, active ? kGreenDark : QColor(0x78, 0xA8, 0x80));
    QPainterPath path;
    path.moveTo(0, h);
    path.lineTo(0, 6);
    path.quadTo(0, 0, 6, 0);
    path.lineTo(w - 6, 0);
    path.quadTo(w, 0, w, 6);
    path.lineTo(w, h);
    path.closeSubpath();
    p.setPen(QPen(active ? kGreenDark : QColor(0x6C, 0x9A, 0x74), 1));
    p.setBrush(g);
    p.drawPath(path);
    if (active)
        p.fillRect(QRectF(8, h - 3, w - 16, 2), QColor(0xF6, 0xF8, 0xE3, 180));
    p.end();
    return img;
}

QImage CheckBoxFace(Face face)
{
    const int s = 14;
    QImage img = Canvas(s, s);
    QPainter p;
    BeginPainter(p, img);
    const QColor border = face == Face::Disabled ? kGrey : face == Face::Hover ? kGreen : kGreenDeep;
    p.setPen(QPen(border, 1.2));
    p.setBrush(face == Face::Disabled ? QColor(0xD0, 0xD0, 0xD0) : QColor(Qt::white));
    p.drawRoundedRect(QRectF(0.6, 0.6, s - 1.2, s - 1.2), 2.5, 2.5);
    if (face == Face::Pressed)
        IconCheck(p, QRectF(1, 1, s - 2, s - 2), kGreen);
    if (face == Face::Hover) {
        p.setPen(QPen(kPale, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(2.5, 2.5, s - 5, s - 5), 1.5, 1.5);
    }
    p.end();
    return img;
}

void TitleSet(const QString &dir)
{
    Save(TitleButton(43, 28, IconMinimise, false, false), dir + "hiddenbutton2.png");
    Save(TitleButton(43, 28, IconMinimise, true, false), dir + "hiddenbutton1.png");
    Save(TitleButton(40, 28, IconMaximise, false, false), dir + "maxmizebutton2.png");
    Save(TitleButton(40, 28, IconMaximise, true, false), dir + "maxmizebutton1.png");
    Save(TitleButton(40, 28, IconRestore, false, false), dir + "return_normal.png");
    Save(TitleButton(40, 28, IconRestore, true, false), dir + "return_up.png");
    Save(TitleButton(43, 28, IconClose, false, true), dir + "closebutton2.png");
    Save(TitleButton(43, 28, IconClose, true, true), dir + "closebutton1.png");
}

} // namespace

void PaintFaces()
{
    const auto u = [](const char *s) { return QString::fromUtf8(s); };
    // Title bars of every full-size screen.
    TitleSet("img/hostimg/");
    Save(BackButton(false), "img/hostimg/backbutton1.png");
    Save(BackButton(true), "img/hostimg/backbutton2.png");
    Save(BandIcon(20, 19, IconUndo, false), "img/hostimg/arrowsbackbutton1.png");
    Save(BandIcon(20, 19, IconUndo, true), "img/hostimg/arrowsbackbutton2.png");
    Save(BandIcon(20, 19, IconRedo, false), "img/hostimg/arrowsrepeatbutton1.png");
    Save(BandIcon(20, 19, IconRedo, true), "img/hostimg/arrowsrepeatbutton2.png");

    // Navigation column of the main window.
    struct Nav
    {
        const char *stem;
        const char *caption;
        IconFn icon;
        bool downPng;
    };
    const Nav navs[] = {{"w", "欢迎页面", IconHome, true},    {"p", "个人中心", IconUser, true},
                        {"l", "自由写作", IconPen, false},    {"c", "我的文库", IconBook, false},
                        {"a", "写作大赛", IconTrophy, false}, {"f", "精彩活动", IconStar, false}};
    for (const Nav &n : navs) {
        Save(NavFace(u(n.caption), n.icon, false), QString("img/%1.jpg").arg(n.stem));
        Save(NavFace(u(n.caption), n.icon, true), QString("img/%1_down.%2").arg(n.stem, n.downPng ? "png" : "jpg"));
    }

    // Small links of the main window.
    Save(TextLink(29, 13, u("帮助"), kGreenDeep, false, nullptr), "img/help.png");
    Save(TextLink(29, 13, u("帮助"), kGreenDark, true, nullptr), "img/help_down.png");
    Save(TextLink(50, 12, u("意见反馈"), kGreenDeep, false, nullptr), "img/callback.png");
    Save(TextLink(50, 12, u("意见反馈"), kGreenDark, true, nullptr), "img/callback_down.png");
    Save(TextLink(70, 13, u("使用心得"), kGreenDeep, false, IconPen), "img/shiyongxinde.png");
    Save(TextLink(70, 13, u("作文成绩"), kGreenDeep, false, IconStar), "img/zuowenchengji.png");
    PillSet(111, 31, u("精彩活动"), {"img/party.png", "", "img/party_down.png"}, Tone::Green, IconStar);

    // Message boxes and dialogs.
    Save(PillFace(75, 25, QString(), Face::Normal), "img/msgbt.png");
    PillSet(64, 24, u("确 定"), {"img/ok1.png", "img/ok2.png", "img/ok3.png"});
    PillSet(41, 20, u("选择"), {"img/xuan1.png", "img/xuan2.png", "img/xuan3.png"});
    PillSet(110, 32, u("开始写作"), {"img/write.png"}, Tone::Green, IconPen);
    PillSet(89, 28, u("我要参赛"), {"img/write3.png", "img/write2.png", "img/write1.png"}, Tone::Green, IconPen);
    PillSet(75, 28, u("提 交"), {"img/submit.png", "img/submit_up.png", "img/submit_down.png"});
    PillSet(75, 28, u("取 消"), {"img/cancel.png", "img/cancel_up.png", "img/cancel_down.png"}, Tone::Light);
    PillSet(63, 23, u("提 交"), {"img/hostimg/tijiao.JPG"});
    PillSet(63, 23, u("取 消"), {"img/hostimg/quxiao.JPG"}, Tone::Light);
    Save(TabFace(139, 28, false), "img/match_down.png");
    Save(TabFace(139, 28, true), "img/match_up.png");

    // Writing screens.
    PillSet(133, 28, u("保存到文库"),
            {"img/hostimg/savetozone1.jpg", "img/hostimg/savetozone2.jpg", "img/hostimg/savetozone3.jpg"}, Tone::Green, IconBook);
    PillSet(133, 28, u("提交征文"),
            {"img/hostimg/dasaizhenwen1.png", "img/hostimg/dasaizhenwen2.png", "img/hostimg/dasaizhenwen3.png"}, Tone::Green,
            IconTrophy);
    PillSet(86, 26, u("存到本地"), {"img/MySpace/savebendi1.png", "img/MySpace/savebendi2.png", "img/MySpace/savebendi3.png"},
            Tone::Light, IconDisk);
    PillSet(86, 26, u("稿 纸"), {"img/MySpace/gaozhi1.png", "img/MySpace/gaozhi2.png", "img/MySpace/gaozhi3.png"},
            Tone::Light, IconBook);
    PillSet(79, 26, u("继续写作"), {"img/MySpace/jixuxie1.png", "img/MySpace/jixuxie2.png", "img/MySpace/jixuxie13.png"},
            Tone::Green, IconPen);

    // Library page.
    PillSet(63, 25, u("删除"), {"img/MySpace/del1.png", "img/MySpace/del2.png", "img/MySpace/del3.png"}, Tone::Light, IconTrash);
    PillSet(30, 25, QString(), {"img/MySpace/top1.png", "img/MySpace/top2.png", "img/MySpace/top3.png"}, Tone::Light, IconUp);
    PillSet(33, 18, QString(), {"img/MySpace/sou1.png", "img/MySpace/sou2.png"}, Tone::Green, IconSearch);

    // Personal centre.
    PillSet(96, 26, u("修改资料"),
            {"img/PersonInfo/xiugaigeren1.png", "img/PersonInfo/xiugaigeren2.png", "img/PersonInfo/xiugaigeren3.png"},
            Tone::Green, IconUser);
    PillSet(96, 26, u("修改密码"),
            {"img/PersonInfo/xiugaimima1.png", "img/PersonInfo/xiugaimima2.png", "img/PersonInfo/xiugaimima3.png"}, Tone::Light,
            IconLock);

    // Start-up and sign-in screens (names chosen by skin.xml).
    PillSet(150, 44, u("进入平台"), {"img/enter.png", "img/enter_up.png", "img/enter_down.png", "img/enter_disable.png"},
            Tone::Green, IconChevron);
    PillSet(157, 40, u("登 录"), {"img/loginbtn.png", "img/loginbtn_up.png", "img/loginbtn_down.png", "img/loginbtn_disable.png"},
            Tone::Light, IconUser);
    PillSet(80, 28, u("注 册"),
            {"img/registerbtn.png", "img/registerbtn_up.png", "img/registerbtn_down.png", "img/registerbtn_disable.png"},
            Tone::Green, nullptr);
    PillSet(140, 32, u("媒体评价"),
            {"img/mediasay.png", "img/mediasay_up.png", "img/mediasay_down.png", "img/mediasay_disable.png"}, Tone::Green,
            IconBook);
    PillSet(140, 32, u("用户心声"), {"img/usersay.png", "img/usersay_up.png", "img/usersay_down.png", "img/usersay_disable.png"},
            Tone::Green, IconUser);
    Save(CheckBoxFace(Face::Normal), "img/checkbox.png");
    Save(CheckBoxFace(Face::Hover), "img/checkbox_up.png");
    Save(CheckBoxFace(Face::Pressed), "img/checkbox_down.png");
    Save(CheckBoxFace(Face::Disabled), "img/checkbox_disable.png");
}

} // namespace art
