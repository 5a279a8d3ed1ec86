// Animated picture control driven by the frames' own delays.
#include "GIFControl.h"

#include <QPainter>
#include <QTimerEvent>

namespace {
// A zero delay would spin; it plays as 100 ms, the way viewers treat it.
constexpr int kZeroDelayMs = 100;
} // namespace

CGIFControl::CGIFControl(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

bool CGIFControl::Load(const std::string &path)
{
    m_current = m_next = 0;
    return m_image.load(path);
}

void CGIFControl::StartFrameTimer(size_t frame)
{
    const int delay = m_image.FrameDelay(frame) * 10;
    m_interval = delay > 0 ? delay : kZeroDelayMs;
    m_timer.start(m_interval, this);
}

void CGIFControl::Play()
{
    if (m_playing || m_image.FrameCount() == 0)
        return;
    m_current = 0;
    StartFrameTimer(0);
    m_next = 1 % m_image.FrameCount();
    repaint();
    m_playing = true;
}

void CGIFControl::Stop()
{
    m_timer.stop();
    m_playing = false;
}

void CGIFControl::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId())
        return QWidget::timerEvent(event);
    m_timer.stop();
    m_current = m_next;
    StartFrameTimer(m_current);
    m_next = (m_next + 1) % m_image.FrameCount();
    repaint();
}

void CGIFControl::paintEvent(QPaintEvent *)
{
    if (m_image.FrameCount() == 0)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), m_image.Frame(m_current, devicePixelRatioF()));
}
