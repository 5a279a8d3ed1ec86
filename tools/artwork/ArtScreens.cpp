// Backgrounds, panels, dialogs and decorations of the artwork, and the animated loading bar.
#include "ArtPainter.h"
#include "GifWriter.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdlib>

QString OutputPath(const QString &relative); // defined by the generator's main

namespace art {
namespace {

QString U(const char *s)
{
    return QString::fromUtf8(s);
}

// Layered hills in the palette's greens, fading into the cream sky.
void Hills(QPainter &p, int w, int baseY, int layers, unsigned seed)
{
    for (int layer = 0; layer < layers; ++layer) {
        QPainterPath path(QPointF(0, baseY + 200));
        const qreal amp = 38 - layer * 6, y0 = baseY + layer * 34;
        path.lineTo(0, y0);
        for (int x = 0; x <= w; x += 16) {
            const qreal t = x / 160.0 + layer * 1.7 + seed;
            path.lineTo(x, y0 - amp * (0.6 * std::sin(t) + 0.4 * std::sin(t * 2.3 + 1.1)));
        }
        path.lineTo(w, baseY + 400);
        path.lineTo(0, baseY + 400);
        path.closeSubpath();
        QColor c = layer == 0 ? kPale : layer == 1 ? QColor(0x6F, 0xC2, 0x7C) : layer == 2 ? kGreenMid : kGreenDark;
        c.setAlpha(layer == 0 ? 160 : 220);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawPath(path);
    }
}

// The product's seal: a rounded green square with the name in serif.
void Seal(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(kGreenDark, r.width() * 0.05));
    p.setBrush(kGreen);
    p.drawRoundedRect(r, r.width() * 0.16, r.width() * 0.16);
    p.setPen(Qt::white);
    p.setFont(SerifFont(int(r.width() * 0.62), true));
    p.drawText(r, Qt::AlignCenter, U("墨"));
}

void StartPage()
{
    QImage img = Canvas(1024, 700, kCream);
    QPainter p;
    BeginPainter(p, img);
    QLinearGradient sky(0, 0, 0, 700);
    sky.setColorAt(0, QColor(0xFB, 0xFC, 0xF0));
    sky.setColorAt(1, kCream);
    p.fillRect(img.rect(), sky);
    QRadialGradient sun(QPointF(800, 150), 90);
    sun.setColorAt(0, QColor(0xFF, 0xE8, 0xA8));
    sun.setColorAt(1, QColor(0xFF, 0xE8, 0xA8, 0));
    p.setBrush(sun);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(800, 150), 90, 90);
    Hills(p, 1024, 330, 4, 3);
    // Lower cream band that holds the enter button and the check box.
    p.setBrush(QColor(0xF6, 0xF8, 0xE3, 235));
    p.drawRoundedRect(QRectF(312, 540, 400, 118), 16, 16);
    Seal(p, QRectF(298, 118, 86, 86));
    p.setFont(SerifFont(64, true));
    p.setPen(kGreenDark);
    p.drawText(QRectF(398, 96, 520, 90), Qt::AlignLeft | Qt::AlignVCenter, U("墨韵阁"));
    p.setFont(SerifFont(28));
    p.setPen(kInk);
    p.drawText(QRectF(400, 184, 520, 40), Qt::AlignLeft | Qt::AlignVCenter, U("中文写作平台"));
    p.setFont(SansFont(18));
    p.setPen(kGreenDeep);
    p.drawText(QRectF(0, 250, 1024, 30), Qt::AlignCenter, U("积累  ·  写作  ·  分享  ·  成长"));
    p.setFont(SansFont(15));
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 470, 1024, 30), Qt::AlignCenter, U("在这里写下你的每一篇作文，让好词好句伴你成长"));
    p.end();
    Save(img, "img/startpage.jpg");
}

void SignInBackground()
{
    QImage img = Canvas(1024, 700, kCream);
    QPainter p;
    BeginPainter(p, img);
    p.fillRect(QRect(0, 0, 1024, 35), kGrey);
    Seal(p, QRectF(14, 5, 25, 25));
    p.setFont(SerifFont(17, true));
    p.setPen(Qt::white);
    p.drawText(QRectF(48, 0, 400, 35), Qt::AlignVCenter | Qt::AlignLeft, U("墨韵阁中文写作平台"));
    // Banner strip with hills.
    QImage banner = Canvas(1024, 150, QColor(0xEE, 0xF5, 0xDA));
    {
        QPainter b;
        BeginPainter(b, banner);
        Hills(b, 1024, 90, 3, 7);
        b.setFont(SerifFont(30, true));
        b.setPen(kGreenDark);
        b.drawText(QRectF(70, 20, 600, 50), Qt::AlignLeft | Qt::AlignVCenter, U("用心写好每一篇作文"));
        b.setFont(SansFont(15));
        b.setPen(kInk);
        b.drawText(QRectF(72, 66, 600, 26), Qt::AlignLeft | Qt::AlignVCenter,
                   U("关键词随写随现 · 海量语料即点即看 · 作品云端保存"));
        b.end();
    }
    p.drawImage(0, 35, banner);
    // Card behind the two columns of rotating comments.
    p.setPen(QPen(QColor(0xD3, 0xE4, 0xC4), 1));
    p.setBrush(QColor(0xFD, 0xFE, 0xF6));
    p.drawRoundedRect(QRectF(60.5, 196.5, 540, 404), 12, 12);
    p.setPen(QPen(QColor(0xD3, 0xE4, 0xC4), 1, Qt::DashLine));
    p.drawLine(QPointF(330.5, 210), QPointF(330.5, 588));
    // Footer holding the version line and contact icons.
    p.fillRect(QRect(0, 622, 1024, 78), QColor(0xEC, 0xEF, 0xDA));
    p.fillRect(QRect(0, 622, 1024, 2), kPale);
    p.fillRect(QRect(0, 690, 1024, 10), kGreen);
    p.end();
    Save(img, "img/login_bg.jpg");
}

// Field frame painted into the sign-in panel (the edit itself lies inside it).
void FieldFrame(QPainter &p, const QRectF &r, const IconFn &icon)
{
    p.setPen(QPen(QColor(0x0A, 0x5E, 0x2B), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, 4, 4);
    if (icon) {
        p.fillRect(QRectF(r.left() + 1, r.top() + 1, 30, r.height() - 1), QColor(0xE6, 0xF4, 0xE4));
        icon(p, QRectF(r.left() + 7, r.top() + (r.height() - 17) / 2, 17, 17), kGreenDeep);
    }
}

void SignInPanel()
{
    const int w = 330, h = 392; // drawn at (639, 200)
    QImage img = Canvas(w, h);
    QPainter p;
    BeginPainter(p, img);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, kGreen);
    g.setColorAt(1, kGreenDark);
    p.setPen(QPen(kGreenDeep, 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 12, 12);
    p.setFont(SerifFont(22, true));
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 12, w, 36), Qt::AlignCenter, U("用 户 登 录"));
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.drawLine(QPointF(30, 52.5), QPointF(w - 30, 52.5));
    // Frames around the account and password edits (edits at (689,262) and (689,306), 240 x 26).
    FieldFrame(p, QRectF(18.5, 59.5, 292, 32), IconUser);
    FieldFrame(p, QRectF(18.5, 103.5, 292, 32), IconLock);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1, Qt::DotLine));
    p.drawLine(QPointF(18, 230.5), QPointF(w - 18, 230.5));
    p.setFont(SansFont(12));
    p.setPen(QColor(255, 255, 255, 200));
    p.drawText(QRectF(0, h - 34, w, 20), Qt::AlignCenter, U("还没有账号？点击“注册”免费加入"));
    p.end();
    Save(img, "img/login.png");
}

void SayFrames()
{
    // Pieces meet edge to edge: one-pixel borders on rows 0 and 122 in every piece.
    const QColor border(0x80, 0xC5, 0x86);
    QImage left = Canvas(7, 123);
    {
        QPainter p;
        BeginPainter(p, left);
        p.setPen(QPen(border, 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(0.5, 0.5, 20, 122), 3, 3);
        p.end();
    }
    Save(left, "img/say_left.png");
    QImage mid = Canvas(4, 123, Qt::white);
    {
        // Filled rows rather than lines: a hairline pen would sit half a pixel off at 2×.
        QPainter p(&mid);
        p.fillRect(QRect(0, 0, 4, 1), border);
        p.fillRect(QRect(0, 122, 4, 1), border);
        p.end();
    }
    Save(mid, "img/say_mid.png");
    QImage right = Canvas(30, 123);
    {
        QPainter p;
        BeginPainter(p, right);
        p.setPen(QPen(border, 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(-14.5, 0.5, 44, 122), 3, 3);
        // Quotation mark in the corner.
        p.setFont(SerifFont(26, true));
        p.setPen(kPale);
        p.drawText(QRectF(4, 86, 24, 34), Qt::AlignCenter, U("”"));
        p.end();
    }
    Save(right, "img/say_right.png");
    QImage dash = Canvas(230, 2);
    {
        QPainter p(&dash);
        for (int x = 0; x < 230; x += 6)
            p.fillRect(QRect(x, 0, 3, 1), kGrey);
        p.end();
    }
    Save(dash, "img/dashline.png");
}

void SmallIcons()
{
    QImage tel = Canvas(16, 16);
    {
        QPainter p;
        BeginPainter(p, tel);
        IconPhone(p, QRectF(0, 0, 16, 16), kGreenDeep);
        p.end();
    }
    Save(tel, "img/tel.png");
    QImage mail = Canvas(16, 12);
    {
        QPainter p;
        BeginPainter(p, mail);
        IconMail(p, QRectF(0, -2, 16, 16), kGreenDeep);
        p.end();
    }
    Save(mail, "img/mail.png");
    QImage verify = Canvas(80, 26);
    {
        QPainter p;
        BeginPainter(p, verify);
        p.setPen(QPen(QColor(0x0A, 0x5E, 0x2B), 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(0.5, 0.5, 79, 25), 4, 4);
        p.end();
    }
    Save(verify, "img/verify.png");
    QImage dot = Canvas(7, 7);
    {
        QPainter p;
        BeginPainter(p, dot);
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawEllipse(QRectF(0, 0, 7, 7));
        p.end();
    }
    Save(dot, "img/dot.png");
    for (int i = 1; i <= 2; ++i) {
        QImage arrow = Canvas(8, 12);
        QPainter p;
        BeginPainter(p, arrow);
        IconChevron(p, QRectF(0, 0, 8, 12), i == 1 ? kPale : kGreen);
        p.end();
        Save(arrow, QString("img/jiantou%1.png").arg(i));
    }
}

// Loading animation: a bead of light running along a rounded track (157 x 15, 12 frames of 100 ms).
void LoadingGif()
{
    std::vector<GifFrame> frames;
    const int w = 157, h = 15, count = 12;
    for (int f = 0; f < count; ++f) {
        QImage img = Canvas(w, h, kGreenDark);
        QPainter p(&img); // no antialiasing: a small exact palette keeps the GIF crisp
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x0A, 0x5E, 0x2B));
        p.drawRect(2, 4, w - 4, 7);
        for (int k = 0; k < 4; ++k) {
            const int x = ((f * 14 + k * 9) % (w - 4)) + 2;
            static const QColor shades[] = {QColor(0xA3, 0xD3, 0xAB), QColor(0x6F, 0xC2, 0x7C), kGreen, kGreenMid};
            p.setBrush(shades[k]);
            p.drawRect(x, 4, std::min(8, w - 2 - x), 7);
        }
        p.end();
        frames.push_back({img, 10});
    }
    if (!WriteAnimatedGif(::OutputPath(ScaledName("img/login.gif")), frames))
        std::exit(1);
}

// Dialog card: green header band with icon and title, cream body, used by the message box and score dialog.
QImage DialogCard(int w, int h, const QString &title, const IconFn &icon)
{
    QImage img = Canvas(w, h);
    QPainter p;
    BeginPainter(p, img);
    p.setPen(QPen(kGreenDeep, 2));
    p.setBrush(kCream);
    p.drawRoundedRect(QRectF(1, 1, w - 2, h - 2), 8, 8);
    QPainterPath head;
    head.addRoundedRect(QRectF(2, 2, w - 4, 32), 7, 7);
    head.addRect(QRectF(2, 20, w - 4, 14));
    head.setFillRule(Qt::WindingFill);
    QLinearGradient g(0, 0, 0, 34);
    g.setColorAt(0, kGreen);
    g.setColorAt(1, kGreenDeep);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(head.simplified());
    icon(p, QRectF(12, 9, 17, 17), Qt::white);
    p.setFont(SansFont(14, true));
    p.setPen(Qt::white);
    p.drawText(QRectF(36, 2, w - 60, 32), Qt::AlignVCenter | Qt::AlignLeft, title);
    p.fillRect(QRectF(3, h - 36, w - 6, 1), QColor(0xD8, 0xE4, 0xC6));
    p.end();
    return img;
}

void Dialogs()
{
    Save(DialogCard(312, 170, U("温馨提示"), IconInfo), "img/hint.png");
    QImage score = DialogCard(313, 172, U("提交作文成绩"), IconStar);
    QPainter p;
    BeginPainter(p, score);
    p.setFont(SansFont(13, true));
    p.setPen(kInk);
    p.drawText(QRectF(30, 44, 146, 24), Qt::AlignVCenter | Qt::AlignRight, U("本次作文成绩："));
    p.setPen(QPen(kGreenMid, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(174.5, 47.5, 33, 16));
    p.setPen(kInk);
    p.drawText(QRectF(212, 44, 30, 24), Qt::AlignVCenter | Qt::AlignLeft, U("分"));
    p.drawText(QRectF(20, 77, 43, 20), Qt::AlignVCenter | Qt::AlignLeft, U("时间"));
    p.drawText(QRectF(94, 77, 20, 20), Qt::AlignVCenter | Qt::AlignLeft, U("年"));
    p.drawText(QRectF(131, 77, 160, 20), Qt::AlignVCenter | Qt::AlignLeft, U("月的作文考试"));
    p.setFont(SansFont(12));
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawText(QRectF(20, 104, 280, 20), Qt::AlignVCenter | Qt::AlignLeft, U("请如实填写 0 到 100 之间的分数"));
    p.end();
    Save(score, "img/hostimg/1.png");
}

// Notifier skin: a 24-bit BMP whose magenta pixels are cut out of the window's shape. The
// shape is read in rows of the width rounded down to a multiple of 4, so the width is one.
void NotifierSkin()
{
    const int w = 252, h = 160;
    QImage img = Canvas(w, h, QImage::Format_RGB32, QColor(255, 0, 255));
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    // Body and header as hard-edged shapes so the magenta corners stay exact.
    QPainterPath body;
    body.addRoundedRect(QRectF(0, 0, w, h), 8, 8);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillPath(body, kCream);
    QPainterPath header;
    header.addRoundedRect(QRectF(0, 0, w, 26), 8, 8);
    header.addRect(QRectF(0, 12, w, 14));
    header.setFillRule(Qt::WindingFill);
    QLinearGradient g(0, 0, 0, 26);
    g.setColorAt(0, kGreen);
    g.setColorAt(1, kGreenDeep);
    p.fillPath(header.simplified(), g);
    p.fillRect(QRect(0, h - 26, w, 26), QColor(0xEC, 0xF1, 0xD6));
    p.fillRect(QRect(0, h - 27, w, 1), kPale);
    p.setRenderHint(QPainter::Antialiasing, true);
    IconInfo(p, QRectF(6, 5, 15, 15), Qt::white);
    IconClose(p, QRectF(w - 30, 3, 18, 18), Qt::white);
    p.setFont(SansFont(11));
    p.setPen(kGreenDeep);
    p.drawText(QRectF(0, h - 26, w - 10, 26), Qt::AlignVCenter | Qt::AlignRight, U("墨韵阁中文写作平台"));
    p.end();
    // Re-cut the corners after antialiased drawing so only exact magenta or skin colours remain there.
    QImage mask = Canvas(w, h, QImage::Format_RGB32, Qt::black);
    QPainter m(&mask);
    m.fillPath(body, Qt::white);
    m.end();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (mask.pixel(x, y) != qRgb(255, 255, 255))
                img.setPixel(x, y, qRgb(255, 0, 255));
    Save(img, "img/information_background.bmp");
}

// Share popup: six targets in fixed click areas over an off-white card (pure white is the colour key).
void SharePopup()
{
    const int w = 207, h = 60;
    QImage img = Canvas(w, h, Qt::white);
    QPainter p;
    BeginPainter(p, img);
    p.setPen(QPen(kGreenMid, 1));
    p.setBrush(QColor(0xFB, 0xFC, 0xF3));
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, 49), 5, 5);
    QPolygonF tail{QPointF(96, 49.5), QPointF(104, 59), QPointF(112, 49.5)};
    p.drawPolygon(tail);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(97, 48.5, 14, 2));
    struct Target
    {
        QRect area;
        const char *caption;
        QColor colour;
        IconFn icon;
    };
    const Target targets[] = {{QRect(2, 8, 67, 15), "微博", QColor(0xD9, 0x4A, 0x3A), IconStar},
                              {QRect(75, 8, 55, 15), "开心", QColor(0xE0, 0x8A, 0x1E), IconHome},
                              {QRect(136, 8, 66, 15), "空间", QColor(0xE8, 0xB0, 0x1E), IconStar},
                              {QRect(2, 29, 68, 14), "微说", QColor(0x2A, 0x8F, 0xD0), IconMail},
                              {QRect(75, 29, 57, 14), "同学", QColor(0x2E, 0x6C, 0xC4), IconUser},
                              {QRect(136, 29, 66, 15), "博客", QColor(0xC8, 0x3A, 0x3A), IconPen}};
    for (const Target &t : targets) {
        const QRectF icon(t.area.left() + 3, t.area.top() + 0.5, 14, 14);
        p.setPen(Qt::NoPen);
        p.setBrush(t.colour);
        p.drawEllipse(icon);
        t.icon(p, icon.adjusted(3, 3, -3, -3), Qt::white);
        p.setFont(SansFont(12));
        p.setPen(kInk);
        p.drawText(QRectF(t.area.left() + 20, t.area.top() - 2, t.area.width() - 18, t.area.height() + 4),
                   Qt::AlignVCenter | Qt::AlignLeft, U(t.caption));
    }
    p.end();
    Save(img, "img/hostimg/fenxiang.png");
}

// Green tab header of the side panel, caption and optional icon in white.
QImage SideTab(int w, int h, const QString &caption, const IconFn &icon, const QString &note)
{
    QImage img = Canvas(w, h);
    QPainter p;
    BeginPainter(p, img);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, kGreenMid);
    g.setColorAt(1, kGreenDark);
    p.fillRect(img.rect(), g);
    p.fillRect(QRect(0, 0, 1, h), QColor(255, 255, 255, 80));
    qreal x = 12;
    if (icon) {
        icon(p, QRectF(x, (h - 17) / 2.0, 17, 17), Qt::white);
        x += 23;
    }
    p.setFont(SansFont(15, true));
    p.setPen(Qt::white);
    if (!icon && note.isEmpty()) {
        p.drawText(QRectF(0, 0, w, h), Qt::AlignCenter, caption);
    } else {
        p.drawText(QRectF(x, 0, w - x, h), Qt::AlignVCenter | Qt::AlignLeft, caption);
        p.setFont(SansFont(12));
        p.setPen(QColor(255, 255, 255, 210));
        p.drawText(QRectF(0, 0, w - 10, h), Qt::AlignVCenter | Qt::AlignRight, note);
    }
    p.end();
    return img;
}

void WritingPictures()
{
    Save(SideTab(344, 31, U("语料阁"), IconBook, U("点击文中绿色关键词查看语料")), "img/hostimg/changyunge.png");
    Save(SideTab(269, 31, U("语料阁"), IconBook, U("好词好句随点随看")), "img/hostimg/yunyunge1.PNG");
    Save(SideTab(73, 31, U("要求"), nullptr, QString()), "img/hostimg/wenyaoqiu1.PNG");
    // Watermark logo shown in the side panel.
    QImage logo = Canvas(160, 190);
    {
        QPainter p;
        BeginPainter(p, logo);
        p.setOpacity(0.85);
        Seal(p, QRectF(40, 4, 80, 80));
        p.setFont(SerifFont(34, true));
        p.setPen(kGreenDark);
        p.drawText(QRectF(0, 92, 160, 48), Qt::AlignCenter, U("墨韵阁"));
        p.setFont(SansFont(14));
        p.setPen(kGrey);
        p.drawText(QRectF(0, 140, 160, 24), Qt::AlignCenter, U("中文写作平台"));
        p.end();
    }
    Save(logo, "img/hostimg/moyunge.PNG");
    QImage title = Canvas(72, 30);
    {
        QPainter p;
        BeginPainter(p, title);
        IconPen(p, QRectF(2, 7, 16, 16), kGreenDeep);
        p.setFont(SansFont(15, true));
        p.setPen(kGreenDeep);
        p.drawText(QRectF(21, 0, 51, 30), Qt::AlignVCenter | Qt::AlignLeft, U("题目："));
        p.end();
    }
    Save(title, "img/hostimg/xiezuobiaoti.PNG");
    QImage count = PillFace(129, 27, QString(), Face::Normal);
    {
        QPainter p;
        BeginPainter(p, count);
        IconPen(p, QRectF(8, 6, 15, 15), QColor(255, 255, 255, 200));
        p.end();
    }
    Save(count, "img/hostimg/wordcount.png");
    QImage clock = Canvas(178, 70);
    {
        QPainter p;
        BeginPainter(p, clock);
        p.setPen(QPen(kGreenDeep, 3));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(1.5, 1.5, 175, 67), 10, 10);
        p.setPen(QPen(kPale, 1));
        p.drawRoundedRect(QRectF(6.5, 6.5, 165, 57), 7, 7);
        IconClock(p, QRectF(10, 10, 14, 14), kGreenMid);
        p.end();
    }
    Save(clock, "img/hostimg/time1.PNG");
}

void MainWindowPictures()
{
    QImage logo = Canvas(150, 34);
    {
        QPainter p;
        BeginPainter(p, logo);
        Seal(p, QRectF(2, 3, 28, 28));
        p.setFont(SerifFont(20, true));
        p.setPen(kGreenDark);
        p.drawText(QRectF(36, 0, 114, 34), Qt::AlignVCenter | Qt::AlignLeft, U("墨韵阁"));
        p.end();
    }
    Save(logo, "img/logo.png");
    QImage bottom = Canvas(823, 26);
    {
        QPainter p;
        BeginPainter(p, bottom);
        QLinearGradient g(0, 0, 0, 26);
        g.setColorAt(0, kPale);
        g.setColorAt(0.2, kGreen);
        g.setColorAt(1, kGreenDeep);
        p.fillRect(bottom.rect(), g);
        p.setFont(SansFont(12));
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 3, 810, 23), Qt::AlignVCenter | Qt::AlignRight, U("墨韵阁中文写作平台 · 用心写好每一篇作文"));
        p.end();
    }
    Save(bottom, "img/right_bottom.png");
    QImage partyBg = Canvas(147, 45);
    {
        QPainter p;
        BeginPainter(p, partyBg);
        p.setPen(QPen(QColor(0xD3, 0xE4, 0xC4), 1));
        p.setBrush(QColor(0xFD, 0xFE, 0xF6));
        p.drawRoundedRect(QRectF(0.5, 0.5, 146, 44), 8, 8);
        IconStar(p, QRectF(4, 4, 9, 9), kPale);
        IconStar(p, QRectF(133, 31, 9, 9), kPale);
        p.end();
    }
    Save(partyBg, "img/party_bg.png");
    // Illustration beside the feedback screen's product note: an open book with a pen.
    QImage body = Canvas(76, 150);
    {
        QPainter p;
        BeginPainter(p, body);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xE4, 0xF2, 0xDC));
        p.drawRoundedRect(QRectF(2, 2, 72, 146), 14, 14);
        IconBook(p, QRectF(10, 22, 56, 56), kGreenDeep);
        IconPen(p, QRectF(22, 86, 32, 32), kGreen);
        p.setFont(SerifFont(13, true));
        p.setPen(kGreenDark);
        p.drawText(QRectF(0, 120, 76, 24), Qt::AlignCenter, U("墨韵"));
        p.end();
    }
    Save(body, "img/body.png");
}

} // namespace

// The program's icon for the desktop's menu: the seal on its own, at the icon theme's usual
// sizes up to 512 (what a 200 % desktop asks of a 256 icon), into icons/hicolor beside img/
// (the package installs that folder as it is). Painted at scale 1: each size is its own file.
void ProgramIcons()
{
    for (int size : {16, 32, 48, 64, 128, 256, 512}) {
        QImage icon = Canvas(size, size);
        QPainter p;
        BeginPainter(p, icon);
        const qreal margin = size * 0.06;
        Seal(p, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
        p.end();
        Save(icon, QString("icons/hicolor/%1x%1/apps/penlark.png").arg(size));
    }
}

void PaintScreens()
{
    StartPage();
    SignInBackground();
    SignInPanel();
    SayFrames();
    SmallIcons();
    LoadingGif();
    Dialogs();
    NotifierSkin();
    SharePopup();
    WritingPictures();
    MainWindowPictures();
}

} // namespace art
