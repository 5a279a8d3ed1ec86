// The notification popup: placement from the work area, the slide timers, the shaped skin and
// the clicks on its message and close corner.
#include "TaskbarNotifier.h"

#include "Fonts.h"
#include "OpenUrl.h"
#include "QtText.h"
#include "WindowMessage.h"
#include "xImage.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTextLayout>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace {

// The title's place on the skin, beside the skin's own icon.
const QRect kTitleRect(QPoint(25, 2), QPoint(99, 19));
const QColor kMagenta(255, 0, 255);
// Points to pixels on the designed 96-dot screen.
constexpr int kDotsPerInch = 96;
constexpr int kPointsPerInch = 72;

// Shown at most 500 ms / (travel / 2) steps apart. A skin narrower than a step would divide by
// zero, and a skin over 1000 pixels would ask for a 0 ms timer: both get one millisecond.
int StepInterval(int travel)
{
    const int steps = std::max(1, travel / 2);
    return std::max(1, CTaskbarNotifier::kShowTimeMs / steps);
}

QFont FontWithStyle(const std::string &face, int pointSize, int style)
{
    const int pixels = (pointSize * kDotsPerInch + kPointsPerInch / 2) / kPointsPerInch;
    QFont font =
        MakeFont(GbkToQString(face), pixels, (style & CTaskbarNotifier::kStyleBold) ? kFontWeightBold : kFontWeightNormal);
    font.setItalic((style & CTaskbarNotifier::kStyleItalic) != 0);
    font.setUnderline((style & CTaskbarNotifier::kStyleUnderline) != 0);
    return font;
}

// Draws the lines of FitNotifierText centred down the rectangle, centred across or from the left.
void DrawWrapped(QPainter &painter, const QRect &rect, const QString &text, bool centred)
{
    const QStringList lines = FitNotifierText(text, painter.font(), rect.size());
    const int lineHeight = NotifierLinePitch(painter.font());
    int y = rect.top() + (rect.height() - int(lines.size()) * lineHeight) / 2;
    for (const QString &line : lines) {
        const QRect lineRect(rect.left(), y, rect.width(), lineHeight);
        painter.drawText(lineRect, (centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextDontClip, line);
        y += lineHeight;
    }
}

} // namespace

NotifierPlacement PlaceNotifier(const QRect &screen, const QRect &workArea, const QSize &popupSize)
{
    const int left = workArea.x();
    const int top = workArea.y();
    // Right and bottom as the platform counts them: one past the last pixel of the work area.
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    const int w = popupSize.width();
    const int h = popupSize.height();

    NotifierPlacement p;
    if (workArea.width() < screen.width()) {
        if (left == screen.x()) { // taskbar on the right
            p.direction = NotifierDirection::FromRight;
            p.start = QPoint(right, bottom - h);
            p.shown = QPoint(right - w, bottom - h);
        } else { // taskbar on the left
            p.direction = NotifierDirection::FromLeft;
            p.start = QPoint(left - w, bottom - h);
            p.shown = QPoint(left, bottom - h);
        }
        p.travel = w;
    } else {
        if (workArea.height() < screen.height() && top != screen.y()) { // taskbar at the top
            p.direction = NotifierDirection::FromTop;
            p.start = QPoint(right - w, top - h);
            p.shown = QPoint(right - w, top);
        } else { // taskbar at the bottom
            p.direction = NotifierDirection::FromBottom;
            p.start = QPoint(right - w, bottom);
            p.shown = QPoint(right - w, bottom - h);
        }
        p.travel = h;
    }
    p.stepIntervalMs = StepInterval(p.travel);
    return p;
}

int NotifierLinePitch(const QFont &font)
{
    // Chinese characters come from a fallback font, often taller than the face asked for.
    QTextLayout probe(QString::fromUtf8("字"), font);
    probe.beginLayout();
    QTextLine line = probe.createLine();
    int height = 0;
    if (line.isValid()) {
        line.setLineWidth(1000);
        height = int(std::ceil(line.height()));
    }
    probe.endLayout();
    return std::max(QFontMetrics(font).lineSpacing(), height);
}

QStringList FitNotifierText(const QString &text, const QFont &font, const QSize &box)
{
    if (box.width() <= 0 || box.height() <= 0 || text.isEmpty())
        return {};
    const QFontMetrics metrics(font);
    const int maxLines = std::max(1, box.height() / NotifierLinePitch(font));

    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    int lastStart = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(box.width());
        if (lines.size() == maxLines) {
            // The rest does not fit: the last line shows what it can of it and an ellipsis.
            QString rest = text.mid(lastStart);
            rest.replace(QLatin1Char('\n'), QLatin1Char(' '));
            lines.back() = metrics.elidedText(rest, Qt::ElideRight, box.width());
            break;
        }
        lastStart = line.textStart();
        lines.append(text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

bool IsWebAddress(const QString &url)
{
    const QUrl parsed(url.trimmed(), QUrl::StrictMode);
    if (!parsed.isValid())
        return false;
    const QString scheme = parsed.scheme().toLower();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !parsed.host().isEmpty();
}

CTaskbarNotifier::CTaskbarNotifier() : CDialog(nullptr, DialogKind::FramelessWindow)
{
    m_title = QString::fromUtf8("消息通知");
    SetDraggable(false);
    SetTextFont("Tahoma", 9, kStyleNormal, kStyleBold | kStyleUnderline);
}

bool CTaskbarNotifier::Create(QWidget *parent)
{
    m_parent = parent;
    // A top-level window owned by the parent: topmost, without frame, never taking the focus.
    setParent(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
    setAutoFillBackground(false);
    hide();
    return true;
}

bool CTaskbarNotifier::SetSkin(const std::string &bmpPath)
{
    CxImage picture;
    if (!picture.load(bmpPath, CxImage::kFormatBmp) || !picture.IsValid())
        return false;
    m_skin = picture.Frame(0).convertToFormat(QImage::Format_RGB32);
    m_skinPainted = picture.Frame(0, devicePixelRatioF()).convertToFormat(QImage::Format_RGB32);
    m_textRect = QRect(QPoint(0, 0), m_skin.size());
    // Every magenta pixel is cut out of the window, so it neither shows nor takes clicks.
    const QImage shape = m_skin.createMaskFromColor(kMagenta.rgb(), Qt::MaskInColor);
    setMask(QBitmap::fromImage(shape));
    if (m_state != kHidden)
        resize(m_skin.size());
    update();
    return true;
}

void CTaskbarNotifier::SetTextFont(const std::string &face, int pointSize, int normalStyle, int hoverStyle)
{
    SetTextFont(FontWithStyle(face, pointSize, normalStyle), FontWithStyle(face, pointSize, hoverStyle));
}

void CTaskbarNotifier::SetTextFont(const QFont &normal, const QFont &hover)
{
    m_normalFont = normal;
    m_hoverFont = hover;
    update();
}

void CTaskbarNotifier::SetTextColor(const QColor &normal, const QColor &hover)
{
    m_normalColour = normal;
    m_hoverColour = hover;
    update();
}

void CTaskbarNotifier::SetTextRect(const QRect &rect)
{
    m_textRect = rect;
    update();
}

void CTaskbarNotifier::SetTextRect(int left, int top, int right, int bottom)
{
    SetTextRect(QRect(left, top, right - left, bottom - top));
}

void CTaskbarNotifier::SetTitle(const std::string &gbk)
{
    m_title = GbkToQString(gbk);
    update();
}

void CTaskbarNotifier::SetLink(const std::string &gbk)
{
    m_link = gbk;
}

void CTaskbarNotifier::SetDesktop(const QRect &screen, const QRect &workArea)
{
    m_screen = screen;
    m_workArea = workArea;
}

int CTaskbarNotifier::TimerPeriod(int id) const
{
    return (id >= kTimerAppear && id <= kTimerDisappear && HasTimer(id)) ? m_periods[id] : 0;
}

void CTaskbarNotifier::StartTimer(int id, int milliseconds)
{
    m_periods[id] = milliseconds;
    SetTimer(id, milliseconds);
}

void CTaskbarNotifier::StopTimer(int id)
{
    KillTimer(id);
    m_periods[id] = 0;
}

void CTaskbarNotifier::PlaceAt(int travelled)
{
    m_travelled = std::clamp(travelled, 0, m_placement.travel);
    const QPoint step = m_placement.shown - m_placement.start;
    const QPoint offset = m_placement.travel > 0 ? step * m_travelled / m_placement.travel : QPoint();
    // Stays on top by its window flags; a move never activates it.
    setGeometry(QRect(m_placement.start + offset, m_skin.size()));
}

void CTaskbarNotifier::Show(const std::string &gbkMessage)
{
    m_message = GbkToQString(gbkMessage);
    switch (m_state) {
    case kHidden: {
        const QScreen *screen = m_parent ? m_parent->screen() : QGuiApplication::primaryScreen();
        const QRect screenRect = m_screen ? *m_screen : (screen ? screen->geometry() : QRect(0, 0, 1024, 768));
        const QRect workArea = m_workArea ? *m_workArea : (screen ? screen->availableGeometry() : screenRect);
        m_placement = PlaceNotifier(screenRect, workArea, m_skin.size());
        m_hover = false;
        PlaceAt(0);
        show();
        raise();
        m_state = kAppearing;
        StartTimer(kTimerAppear, m_placement.stepIntervalMs);
        break;
    }
    case kAppearing:
        update();
        break;
    case kShowing:
        update();
        StartTimer(kTimerStay, kStayTimeMs);
        break;
    case kDisappearing:
        // A new message while sinking: straight back up, with a fresh stay.
        StopTimer(kTimerDisappear);
        StartTimer(kTimerStay, kStayTimeMs);
        m_state = kShowing;
        PlaceAt(m_placement.travel);
        update();
        break;
    }
}

void CTaskbarNotifier::Hide()
{
    StopTimer(kTimerAppear);
    StopTimer(kTimerStay);
    StopTimer(kTimerDisappear);
    hide();
    setGeometry(0, 0, 0, 0);
    m_state = kHidden;
    m_hover = false;
}

void CTaskbarNotifier::OnTimer(int id)
{
    switch (id) {
    case kTimerAppear:
        if (m_state != kAppearing)
            return;
        PlaceAt(m_travelled + kStepPixels);
        if (m_travelled >= m_placement.travel) {
            StopTimer(kTimerAppear);
            StartTimer(kTimerStay, kStayTimeMs);
            m_state = kShowing;
        }
        break;
    case kTimerStay:
        StopTimer(kTimerStay);
        StartTimer(kTimerDisappear, m_placement.stepIntervalMs);
        m_state = kDisappearing;
        break;
    case kTimerDisappear:
        if (m_state != kDisappearing)
            return;
        PlaceAt(m_travelled - kStepPixels);
        if (m_travelled <= 0) {
            StopTimer(kTimerDisappear);
            Hide();
        }
        break;
    default:
        break;
    }
}

int CTaskbarNotifier::PointerArea(const QPoint &pos) const
{
    const QRect closeArea(width() - kCloseWidth, 0, kCloseWidth, kCloseHeight);
    if (closeArea.contains(pos))
        return 1;
    if (m_textRect.contains(pos))
        return 2;
    return 0;
}

void CTaskbarNotifier::OnPaint(QPainter &painter)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(0, 0, m_skinPainted);
    painter.setPen(Qt::white);
    painter.setFont(m_normalFont);
    DrawWrapped(painter, kTitleRect, m_title, false);
    painter.setPen(m_hover ? m_hoverColour : m_normalColour);
    painter.setFont(m_hover ? m_hoverFont : m_normalFont);
    DrawWrapped(painter, m_textRect, m_message, true);
}

void CTaskbarNotifier::mouseMoveEvent(QMouseEvent *event)
{
    const int area = PointerArea(event->position().toPoint());
    setCursor(area != 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    // The hover look comes on over the corner or the message and stays until the pointer leaves.
    if (!m_hover && area != 0) {
        m_hover = true;
        update();
    }
    event->accept();
}

void CTaskbarNotifier::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    CDialog::leaveEvent(event);
}

void CTaskbarNotifier::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const int area = PointerArea(event->position().toPoint());
    if (area == 1) {
        Hide();
    } else if (area == 2) {
        Hide();
        Notify();
    }
    event->accept();
}

void CTaskbarNotifier::Notify()
{
    PostWindowMessage(m_parent, kMsgCommand, 1, reinterpret_cast<intptr_t>(this));
    if (m_link.empty()) {
        PostWindowMessage(m_parent, kMsgMainWindowAgain);
        return;
    }
    // Only a web address goes to the browser: a server message must never start a local file
    // or another program's handler.
    const QString link = GbkToQString(m_link);
    if (IsWebAddress(link))
        OpenUrl(link);
}
