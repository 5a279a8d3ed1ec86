// Drawing primitives of the artwork generator: fonts, faces, icons and file output.
#include "ArtPainter.h"

#include <QDir>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainterPath>
#include <cstdio>
#include <cstdlib>

namespace art {
namespace {
QString g_root;
int g_saved = 0;
int g_scale = 1;

QPen RoundPen(const QColor &c, qreal w)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}
} // namespace

QFont SansFont(int pixelSize, bool bold)
{
    QFont f("Noto Sans CJK SC");
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

QFont SerifFont(int pixelSize, bool bold)
{
    QFont f("Noto Serif CJK SC");
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

void SetScale(int scale)
{
    g_scale = scale;
}
int Scale()
{
    return g_scale;
}

QImage Canvas(int w, int h, QImage::Format format, const QColor &fill)
{
    QImage img(w * g_scale, h * g_scale, format);
    img.setDevicePixelRatio(g_scale);
    img.fill(fill);
    return img;
}

QImage Canvas(int w, int h, const QColor &fill)
{
    return Canvas(w, h, QImage::Format_ARGB32_Premultiplied, fill);
}

QString ScaledName(const QString &relative)
{
    if (g_scale == 1)
        return relative;
    const int dot = relative.lastIndexOf('.');
    const QString suffix = QString("@%1x").arg(g_scale);
    return dot < 0 ? relative + suffix : relative.left(dot) + suffix + relative.mid(dot);
}

void BeginPainter(QPainter &p, QImage &img)
{
    p.begin(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

void SetOutputRoot(const QString &root)
{
    g_root = root;
}
int SavedCount()
{
    return g_saved;
}

void Save(const QImage &img, const QString &relative)
{
    const QString path = g_root + "/" + ScaledName(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString ext = QFileInfo(relative).suffix().toLower();
    bool ok = false;
    if (ext == "png") {
        ok = img.convertToFormat(QImage::Format_ARGB32).save(path, "PNG");
    } else if (ext == "jpg") {
        QImage flat(img.size(), QImage::Format_RGB32);
        flat.setDevicePixelRatio(img.devicePixelRatio());
        flat.fill(kCream);
        QPainter p(&flat);
        p.drawImage(0, 0, img);
        p.end();
        ok = flat.save(path, "JPEG", 94);
    } else if (ext == "bmp") {
        ok = img.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
    }
    if (!ok) {
        std::fprintf(stderr, "artwork: cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    ++g_saved;
}

void DrawCentredText(QPainter &p, const QRectF &r, const QString &text, const QFont &f, const QColor &c)
{
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

QImage PillFace(int w, int h, const QString &caption, Face face, Tone tone, const IconFn &icon, int radius)
{
    QImage img = Canvas(w, h);
    QPainter p;
    BeginPainter(p, img);
    const qreal rad = radius >= 0 ? radius : qMin(h / 2.0 - 1, 6.0);
    QRectF r(0.5, 0.5, w - 1, h - 1);
    QColor top, bottom, border, text;
    if (tone == Tone::Green) {
        switch (face) {
        case Face::Normal:
            top = QColor(0x34, 0xB8, 0x4A);
            bottom = kGreenDeep;
            border = kGreenDark;
            break;
        case Face::Hover:
            top = QColor(0x5C, 0xD0, 0x6E);
            bottom = kGreen;
            border = kGreenDeep;
            break;
        case Face::Pressed:
            top = kGreenDark;
            bottom = QColor(0x0A, 0x5E, 0x2B);
            border = QColor(0x08, 0x4A, 0x22);
            break;
        case Face::Disabled:
            top = QColor(0xC8, 0xC8, 0xC8);
            bottom = QColor(0xA8, 0xA8, 0xAA);
            border = kGrey;
            break;
        }
        text = face == Face::Disabled ? QColor(0xEE, 0xEE, 0xEE) : Qt::white;
    } else {
        switch (face) {
        case Face::Normal:
            top = Qt::white;
            bottom = QColor(0xEC, 0xF1, 0xD6);
            border = kGreenMid;
            text = kGreenDark;
            break;
        case Face::Hover:
            top = QColor(0xF1, 0xFB, 0xEC);
            bottom = QColor(0xD6, 0xF0, 0xD0);
            border = kGreen;
            text = kGreenDark;
            break;
        case Face::Pressed:
            top = QColor(0xC4, 0xE4, 0xC0);
            bottom = QColor(0xE4, 0xF2, 0xDC);
            border = kGreenDark;
            text = QColor(0x0A, 0x5E, 0x2B);
            break;
        case Face::Disabled:
            top = QColor(0xF0, 0xF0, 0xF0);
            bottom = QColor(0xE0, 0xE0, 0xE0);
            border = kGrey;
            text = kGrey;
            break;
        }
    }
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(border, 1));
    p.setBrush(g);
    p.drawRoundedRect(r, rad, rad);
    if (face == Face::Pressed) { // inner shadow along the top edge
        p.setPen(QPen(QColor(0, 0, 0, 60), 1.5));
        p.drawLine(QPointF(rad, 1.8), QPointF(w - rad, 1.8));
    } else if (face != Face::Disabled) { // gloss
        p.setPen(QPen(QColor(255, 255, 255, tone == Tone::Green ? 90 : 200), 1));
        p.drawLine(QPointF(rad, 1.5), QPointF(w - rad, 1.5));
    }
    const qreal shift = face == Face::Pressed ? 1 : 0;
    const int fontPx = qBound(10, h * 13 / 28 + (h >= 26 ? 1 : 0), 18);
    QFont f = SansFont(fontPx, true);
    const qreal textW = caption.isEmpty() ? 0 : QFontMetricsF(f).horizontalAdvance(caption);
    const qreal iconSize = icon ? qMin<qreal>(h - 8, 18) : 0;
    const qreal gap = icon && !caption.isEmpty() ? 5 : 0;
    qreal x = (w - (iconSize + gap + textW)) / 2 + shift;
    if (icon) {
        icon(p, QRectF(x, (h - iconSize) / 2 + shift, iconSize, iconSize), text);
        x += iconSize + gap;
    }
    if (!caption.isEmpty()) {
        p.setFont(f);
        p.setPen(text);
        p.drawText(QRectF(x, shift, textW + 2, h), Qt::AlignVCenter | Qt::AlignLeft, caption);
    }
    p.end();
    return img;
}

void PillSet(int w, int h, const QString &caption, const QStringList &names, Tone tone, const IconFn &icon,
             const QColor &jpegBack)
{
    const Face faces[] = {Face::Normal, Face::Hover, Face::Pressed, Face::Disabled};
    for (int i = 0; i < names.size() && i < 4; ++i) {
        if (names[i].isEmpty())
            continue;
        QImage face = PillFace(w, h, caption, faces[i], tone, icon);
        if (names[i].endsWith(".jpg", Qt::CaseInsensitive)) {
            QImage flat = Canvas(w, h, jpegBack);
            QPainter p(&flat);
            p.drawImage(0, 0, face);
            p.end();
            face = flat;
        }
        Save(face, names[i]);
    }
}

// ---- icons: every icon is drawn in a unit square mapped onto r ----

namespace {
struct Unit
{
    QPainter &p;
    QRectF r;
    QPointF P(qreal x, qreal y) const { return {r.left() + x * r.width(), r.top() + y * r.height()}; }
    qreal S(qreal v) const { return v * r.width(); }
};
} // namespace

void IconMinimise(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.14)));
    p.drawLine(u.P(0.2, 0.62), u.P(0.8, 0.62));
}

void IconMaximise(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.1)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(u.P(0.22, 0.25), u.P(0.78, 0.75)));
    p.setPen(RoundPen(c, u.S(0.18)));
    p.drawLine(u.P(0.22, 0.28), u.P(0.78, 0.28));
}

void IconRestore(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.09)));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{u.P(0.36, 0.3), u.P(0.36, 0.2), u.P(0.8, 0.2), u.P(0.8, 0.58), u.P(0.68, 0.58)});
    p.drawRect(QRectF(u.P(0.2, 0.36), u.P(0.64, 0.78)));
}

void IconClose(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.13)));
    p.drawLine(u.P(0.26, 0.26), u.P(0.74, 0.74));
    p.drawLine(u.P(0.74, 0.26), u.P(0.26, 0.74));
}

void IconBack(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.14)));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{u.P(0.55, 0.2), u.P(0.25, 0.5), u.P(0.55, 0.8)});
    p.drawLine(u.P(0.27, 0.5), u.P(0.82, 0.5));
}

static void CurvedArrow(QPainter &p, const QRectF &r, const QColor &c, bool mirror)
{
    Unit u{p, r};
    p.save();
    if (mirror) {
        p.translate(r.center());
        p.scale(-1, 1);
        p.translate(-r.center());
    }
    QPainterPath path(u.P(0.3, 0.42));
    path.cubicTo(u.P(0.55, 0.2), u.P(0.95, 0.35), u.P(0.82, 0.68));
    path.cubicTo(u.P(0.76, 0.8), u.P(0.62, 0.84), u.P(0.5, 0.84));
    p.setPen(RoundPen(c, u.S(0.13)));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    QPolygonF head{u.P(0.12, 0.34), u.P(0.42, 0.18), u.P(0.4, 0.56)};
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(head);
    p.restore();
}
void IconUndo(QPainter &p, const QRectF &r, const QColor &c)
{
    CurvedArrow(p, r, c, false);
}
void IconRedo(QPainter &p, const QRectF &r, const QColor &c)
{
    CurvedArrow(p, r, c, true);
}

void IconSearch(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.12)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(u.P(0.14, 0.14), u.P(0.64, 0.64)));
    p.setPen(RoundPen(c, u.S(0.16)));
    p.drawLine(u.P(0.6, 0.6), u.P(0.86, 0.86));
}

void IconTrash(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.09)));
    p.setBrush(Qt::NoBrush);
    p.drawLine(u.P(0.15, 0.25), u.P(0.85, 0.25));
    p.drawLine(u.P(0.4, 0.12), u.P(0.6, 0.12));
    p.drawPolyline(QPolygonF{u.P(0.24, 0.3), u.P(0.3, 0.88), u.P(0.7, 0.88), u.P(0.76, 0.3)});
    p.drawLine(u.P(0.43, 0.42), u.P(0.43, 0.75));
    p.drawLine(u.P(0.57, 0.42), u.P(0.57, 0.75));
}

void IconUp(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.14)));
    p.setBrush(Qt::NoBrush);
    p.drawLine(u.P(0.2, 0.14), u.P(0.8, 0.14));
    p.drawPolyline(QPolygonF{u.P(0.22, 0.56), u.P(0.5, 0.3), u.P(0.78, 0.56)});
    p.drawLine(u.P(0.5, 0.32), u.P(0.5, 0.88));
}

void IconPen(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    QPolygonF body{u.P(0.68, 0.1), u.P(0.9, 0.32), u.P(0.36, 0.86), u.P(0.12, 0.9), u.P(0.16, 0.64)};
    p.setPen(RoundPen(c, u.S(0.08)));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(body);
    p.drawLine(u.P(0.58, 0.2), u.P(0.8, 0.42));
    p.setBrush(c);
    p.drawPolygon(QPolygonF{u.P(0.12, 0.9), u.P(0.15, 0.73), u.P(0.28, 0.86)});
}

void IconBook(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.08)));
    p.setBrush(Qt::NoBrush);
    QPainterPath left(u.P(0.5, 0.3));
    left.cubicTo(u.P(0.38, 0.2), u.P(0.2, 0.2), u.P(0.08, 0.24));
    left.lineTo(u.P(0.08, 0.82));
    left.cubicTo(u.P(0.2, 0.78), u.P(0.38, 0.78), u.P(0.5, 0.88));
    QPainterPath right(u.P(0.5, 0.3));
    right.cubicTo(u.P(0.62, 0.2), u.P(0.8, 0.2), u.P(0.92, 0.24));
    right.lineTo(u.P(0.92, 0.82));
    right.cubicTo(u.P(0.8, 0.78), u.P(0.62, 0.78), u.P(0.5, 0.88));
    p.drawPath(left);
    p.drawPath(right);
    p.drawLine(u.P(0.5, 0.3), u.P(0.5, 0.88));
}

void IconHome(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.09)));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{u.P(0.1, 0.5), u.P(0.5, 0.14), u.P(0.9, 0.5)});
    p.drawPolyline(QPolygonF{u.P(0.22, 0.42), u.P(0.22, 0.88), u.P(0.78, 0.88), u.P(0.78, 0.42)});
    p.drawRect(QRectF(u.P(0.42, 0.62), u.P(0.58, 0.88)));
}

void IconUser(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.09)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(u.P(0.32, 0.1), u.P(0.68, 0.46)));
    QPainterPath body(u.P(0.12, 0.9));
    body.cubicTo(u.P(0.14, 0.6), u.P(0.3, 0.54), u.P(0.5, 0.54));
    body.cubicTo(u.P(0.7, 0.54), u.P(0.86, 0.6), u.P(0.88, 0.9));
    body.closeSubpath();
    p.drawPath(body);
}

void IconTrophy(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.08)));
    p.setBrush(Qt::NoBrush);
    QPainterPath cup(u.P(0.28, 0.12));
    cup.lineTo(u.P(0.72, 0.12));
    cup.cubicTo(u.P(0.72, 0.48), u.P(0.62, 0.58), u.P(0.5, 0.58));
    cup.cubicTo(u.P(0.38, 0.58), u.P(0.28, 0.48), u.P(0.28, 0.12));
    p.drawPath(cup);
    p.drawArc(QRectF(u.P(0.1, 0.16), u.P(0.32, 0.4)), 90 * 16, 180 * 16);
    p.drawArc(QRectF(u.P(0.68, 0.16), u.P(0.9, 0.4)), 270 * 16, 180 * 16);
    p.drawLine(u.P(0.5, 0.58), u.P(0.5, 0.78));
    p.drawLine(u.P(0.3, 0.86), u.P(0.7, 0.86));
}

void IconStar(QPainter &p, const QRectF &r, const QColor &c)
{
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const qreal a = -M_PI / 2 + i * M_PI / 5;
        const qreal rad = (i % 2 ? 0.2 : 0.46) * r.width();
        star << QPointF(r.center().x() + rad * std::cos(a), r.center().y() + 0.04 * r.height() + rad * std::sin(a));
    }
    p.setPen(RoundPen(c, r.width() * 0.06));
    p.setBrush(c);
    p.drawPolygon(star);
}

void IconPhone(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    QPainterPath path(u.P(0.24, 0.1));
    path.lineTo(u.P(0.38, 0.1));
    path.lineTo(u.P(0.46, 0.3));
    path.lineTo(u.P(0.36, 0.4));
    path.cubicTo(u.P(0.42, 0.54), u.P(0.48, 0.6), u.P(0.6, 0.66));
    path.lineTo(u.P(0.7, 0.56));
    path.lineTo(u.P(0.9, 0.64));
    path.lineTo(u.P(0.9, 0.78));
    path.cubicTo(u.P(0.86, 0.9), u.P(0.7, 0.92), u.P(0.56, 0.86));
    path.cubicTo(u.P(0.36, 0.76), u.P(0.22, 0.62), u.P(0.12, 0.42));
    path.cubicTo(u.P(0.08, 0.28), u.P(0.12, 0.14), u.P(0.24, 0.1));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(path);
}

void IconMail(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.09)));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(u.P(0.08, 0.2), u.P(0.92, 0.8)), u.S(0.06), u.S(0.06));
    p.drawPolyline(QPolygonF{u.P(0.1, 0.24), u.P(0.5, 0.54), u.P(0.9, 0.24)});
}

void IconCheck(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.16)));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{u.P(0.18, 0.52), u.P(0.42, 0.74), u.P(0.84, 0.26)});
}

void IconLock(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.09)));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(u.P(0.2, 0.44), u.P(0.8, 0.9)), u.S(0.06), u.S(0.06));
    p.drawArc(QRectF(u.P(0.32, 0.12), u.P(0.68, 0.6)), 0, 180 * 16);
    p.drawLine(u.P(0.32, 0.36), u.P(0.32, 0.44));
    p.drawLine(u.P(0.68, 0.36), u.P(0.68, 0.44));
    p.drawLine(u.P(0.5, 0.6), u.P(0.5, 0.74));
}

void IconDisk(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.08)));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(QPolygonF{u.P(0.12, 0.12), u.P(0.72, 0.12), u.P(0.88, 0.28), u.P(0.88, 0.88), u.P(0.12, 0.88)});
    p.drawRect(QRectF(u.P(0.3, 0.12), u.P(0.66, 0.36)));
    p.drawRect(QRectF(u.P(0.26, 0.56), u.P(0.74, 0.88)));
}

void IconInfo(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.09)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(u.P(0.08, 0.08), u.P(0.92, 0.92)));
    p.setPen(RoundPen(c, u.S(0.12)));
    p.drawLine(u.P(0.5, 0.45), u.P(0.5, 0.72));
    p.drawPoint(u.P(0.5, 0.29));
}

void IconClock(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.09)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(u.P(0.08, 0.08), u.P(0.92, 0.92)));
    p.drawPolyline(QPolygonF{u.P(0.5, 0.24), u.P(0.5, 0.52), u.P(0.7, 0.62)});
}

void IconChevron(QPainter &p, const QRectF &r, const QColor &c)
{
    Unit u{p, r};
    p.setPen(RoundPen(c, u.S(0.22)));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{u.P(0.3, 0.15), u.P(0.7, 0.5), u.P(0.3, 0.85)});
}

} // namespace art
