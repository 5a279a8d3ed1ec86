// The window base: modal run, messages, timers, drag and off-screen painting.
#include "Dialog.h"

#include "BlockingCall.h"
#include "WindowMessage.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimerEvent>

namespace {

Qt::WindowFlags FlagsFor(DialogKind kind)
{
    switch (kind) {
    case DialogKind::FramelessWindow:
        return Qt::Window | Qt::FramelessWindowHint;
    case DialogKind::FramedWindow:
        return Qt::Window;
    case DialogKind::Child:
        break;
    }
    return Qt::Widget;
}

} // namespace

CDialog::CDialog(QWidget *parent, DialogKind kind)
    : QWidget(parent, FlagsFor(kind)), m_draggable(kind == DialogKind::FramelessWindow)
{
    RegisterWindowMessages();
}

CDialog::~CDialog()
{
    if (m_loop)
        m_loop->exit(kIdCancel);
}

void CDialog::EnsureInitialized()
{
    if (m_initialized)
        return;
    m_initialized = true;
    OnInitDialog();
}

void CDialog::setVisible(bool visible)
{
    if (visible)
        EnsureInitialized();
    QWidget::setVisible(visible);
}

int CDialog::DoModal()
{
    m_endRequested = false;
    m_result = 0;
    EnsureInitialized();
    if (m_endRequested) // EndDialog during set-up: the window is never shown
        return m_result;

    QPointer<CDialog> alive(this);
    if (isWindow())
        setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();

    QEventLoop loop;
    m_loop = &loop;
    const int loopResult = loop.exec(QEventLoop::DialogExec);
    if (!alive) // destroyed while running: the destructor ended the loop
        return loopResult;
    m_loop = nullptr;
    hide();
    if (isWindow())
        setWindowModality(Qt::NonModal);
    return m_result;
}

void CDialog::EndDialog(int result)
{
    m_result = result;
    m_endRequested = true;
    if (m_loop)
        m_loop->exit(result);
    hide();
}

void CDialog::SetTimer(int id, int milliseconds)
{
    KillTimer(id);
    const int timerId = startTimer(milliseconds, Qt::PreciseTimer);
    if (timerId != 0)
        m_timers[id] = timerId;
}

void CDialog::SetDisplayTimer(int id, int milliseconds)
{
    SetTimer(id, milliseconds);
    if (HasTimer(id))
        m_displayTimers.insert(id);
}

void CDialog::KillTimer(int id)
{
    m_displayTimers.erase(id);
    const auto it = m_timers.find(id);
    if (it == m_timers.end())
        return;
    killTimer(it->second);
    m_timers.erase(it);
}

// Ticks do not pile up: one tick per timer waits for the call in flight and runs after it.
void CDialog::DeferTimer(int id)
{
    if (!m_deferredTimers.insert(id).second)
        return;
    AfterBlockingCall(this, [this, id] {
        m_deferredTimers.erase(id);
        if (HasTimer(id))
            OnTimer(id);
    });
}

intptr_t CDialog::OnWindowMessage(int, intptr_t, intptr_t)
{
    return 0;
}

void CDialog::OnTimer(int)
{
}

void CDialog::OnPaint(QPainter &)
{
}

bool CDialog::event(QEvent *event)
{
    if (IsWindowMessage(event)) {
        auto *message = static_cast<WindowMessageEvent *>(event);
        // A message that arrives while a service call is in flight is acted on after it, in
        // order, as if the window's thread had been blocked by the call.
        if (IsBlockingCallRunning()) {
            const int number = message->Message();
            const intptr_t wParam = message->WParam(), lParam = message->LParam();
            AfterBlockingCall(this, [this, number, wParam, lParam] {
                WindowMessageEvent later(number, wParam, lParam);
                QCoreApplication::sendEvent(this, &later);
            });
            return true;
        }
        message->SetResult(OnWindowMessage(message->Message(), message->WParam(), message->LParam()));
        return true;
    }
    return QWidget::event(event);
}

void CDialog::timerEvent(QTimerEvent *event)
{
    for (const auto &[id, timerId] : m_timers) {
        if (timerId == event->timerId()) {
            if (IsBlockingCallRunning() && m_displayTimers.count(id) == 0)
                DeferTimer(id);
            else
                OnTimer(id);
            return;
        }
    }
    QWidget::timerEvent(event);
}

void CDialog::paintEvent(QPaintEvent *)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (pixels.isEmpty())
        return;
    if (m_backBuffer.size() != pixels)
        m_backBuffer = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_backBuffer.setDevicePixelRatio(ratio);
    m_backBuffer.fill(Qt::transparent);
    {
        QPainter offscreen(&m_backBuffer);
        OnPaint(offscreen);
    }
    QPainter screen(this);
    screen.drawImage(0, 0, m_backBuffer);
}

void CDialog::mousePressEvent(QMouseEvent *event)
{
    if (m_draggable && event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragStartGlobal = event->globalPosition().toPoint();
        m_dragStartPos = pos();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CDialog::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(m_dragStartPos + event->globalPosition().toPoint() - m_dragStartGlobal);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void CDialog::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void CDialog::showEvent(QShowEvent *event)
{
    EnsureInitialized();
    QWidget::showEvent(event);
}

void CDialog::closeEvent(QCloseEvent *event)
{
    if (m_loop)
        EndDialog(kIdCancel);
    event->accept();
}
