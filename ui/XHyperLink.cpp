// Text link: colours by state, hover font and check timer, auto-size and opening.
#include "XHyperLink.h"

#include "Fonts.h"
#include "OpenUrl.h"
#include "QtText.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

namespace {
std::function<bool(const std::string &)> g_opener;
}

CXHyperLink::CXHyperLink(QWidget *parent) : QWidget(parent)
{
    m_plain = MakeFont(QString::fromUtf8("宋体"), 10);
    m_underlined = m_plain;
    m_underlined.setUnderline(true);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
}

void CXHyperLink::SetWindowText(const std::string &gbk)
{
    m_text = gbk.empty() ? m_url : gbk;
    if (m_url.empty())
        m_url = m_text;
    FitToText();
    UpdateToolTip();
    update();
}

void CXHyperLink::SetURL(const std::string &gbk)
{
    m_url = gbk;
    if (m_text.empty())
        m_text = m_url;
    FitToText();
    UpdateToolTip();
    update();
}

void CXHyperLink::SetColours(const QColor &normal, const QColor &visited, const QColor &hover)
{
    m_normal = normal;
    m_visitedColour = visited;
    m_hoverColour = hover;
    update();
}

void CXHyperLink::SetBackgroundColour(const QColor &fill)
{
    m_fill = fill;
    update();
}

void CXHyperLink::EnableToolTip(bool on)
{
    m_toolTip = on;
    UpdateToolTip();
}

void CXHyperLink::SetAutoSize(bool on)
{
    m_autoSize = on;
    FitToText();
}

void CXHyperLink::SetAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    FitToText();
}

void CXHyperLink::SetVisited(bool visited)
{
    m_visited = visited;
    update();
}

void CXHyperLink::UpdateToolTip()
{
    setToolTip(m_toolTip ? GbkToQString(m_url) : QString());
}

void CXHyperLink::FitToText()
{
    if (!m_autoSize || m_text.empty())
        return;
    const QFontMetrics metrics(m_underlined);
    const QSize size(metrics.horizontalAdvance(GbkToQString(m_text)) + 1, metrics.height());
    QRect r = geometry();
    int left = r.left();
    if (m_alignment & Qt::AlignRight)
        left = r.right() + 1 - size.width();
    if (m_alignment & Qt::AlignHCenter)
        left = r.left() + (r.width() - size.width()) / 2;
    int top = r.top();
    if (m_alignment & Qt::AlignVCenter)
        top = r.top() + (r.height() - size.height()) / 2;
    setGeometry(left, top, size.width(), size.height());
}

QColor CXHyperLink::CurrentColour() const
{
    if (m_hover)
        return m_hoverColour;
    return m_visited ? m_visitedColour : m_normal;
}

void CXHyperLink::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    // Erasing: the fill colour, or the system's button face when none is set.
    p.fillRect(rect(), m_fill ? *m_fill : palette().color(QPalette::Button));
    p.setFont(CurrentFont());
    p.setPen(CurrentColour());
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, GbkToQString(m_text));
}

void CXHyperLink::mouseMoveEvent(QMouseEvent *)
{
    if (m_hover)
        return;
    m_hover = true;
    m_hoveredOnce = true;
    m_current = m_underlined;
    update();
    m_hoverTimer.start(kHoverCheckMs, this);
}

void CXHyperLink::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_hoverTimer.timerId())
        return QWidget::timerEvent(event);
    if (rect().contains(mapFromGlobal(QCursor::pos())))
        return;
    m_hover = false;
    m_hoverTimer.stop();
    m_current = m_plain;
    update();
}

void CXHyperLink::SetOpener(std::function<bool(const std::string &)> opener)
{
    g_opener = std::move(opener);
}

bool CXHyperLink::Open()
{
    bool ok = true; // an empty address opens nothing and counts as opened
    if (!m_url.empty())
        ok = g_opener ? g_opener(m_url) : OpenUrl(m_url);
    if (ok) {
        SetVisited(true);
    } else {
        QApplication::beep();
    }
    return ok;
}

void CXHyperLink::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Open();
}
