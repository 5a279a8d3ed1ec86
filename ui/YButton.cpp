// Picture button whose press goes to itself as message 1090 and on to its parent unchanged.
#include "YButton.h"

#include "WindowMessage.h"

#include <QMouseEvent>
#include <QPainter>

CYButton::CYButton(QWidget *parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void CYButton::LoadImages(const std::string &hover, const std::string &normal, const std::string &pressed,
                          const std::string &released)
{
    m_hoverImage.load(hover);
    m_normalImage.load(normal);
    m_pressedImage.load(pressed);
    m_releasedImage.load(released);
    m_disabledImage.load(std::string()); // always empty
    m_releasedIsNormal = normal == released;
    m_face = isEnabled() ? Face::Normal : Face::Disabled;
    update();
}

const CxImage &CYButton::FaceImage(Face face) const
{
    switch (face) {
    case Face::Hover:
        return m_hoverImage;
    case Face::Normal:
        return m_normalImage;
    case Face::Pressed:
        return m_pressedImage;
    case Face::Released:
        return m_releasedImage;
    case Face::Disabled:
        break;
    }
    return m_disabledImage;
}

void CYButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    FaceImage(m_face).draw(&p, 0, 0);
}

void CYButton::enterEvent(QEnterEvent *)
{
    m_hover = true;
    if (m_face == Face::Released && !m_releasedIsNormal)
        return; // the released face stays
    m_face = Face::Hover;
    update();
}

void CYButton::leaveEvent(QEvent *)
{
    m_hover = false;
    m_face = Face::Normal;
    update();
}

void CYButton::Press()
{
    m_face = Face::Pressed;
    m_pressed = true;
    if (parentWidget())
        parentWidget()->update(geometry());
    update();
    SendWindowMessage(this, kMsgYButtonPressed, reinterpret_cast<intptr_t>(this));
}

void CYButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Press();
}

void CYButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Press();
}

void CYButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasPressed = m_pressed;
    m_face = Face::Released;
    m_pressed = false;
    update();
    if (wasPressed && rect().contains(event->position().toPoint()))
        emit clicked();
}

bool CYButton::event(QEvent *event)
{
    if (IsWindowMessage(event)) {
        auto *message = static_cast<WindowMessageEvent *>(event);
        if (message->Message() == kMsgYButtonPressed) { // passed on to the parent unchanged
            SendWindowMessage(parentWidget(), kMsgYButtonPressed, message->WParam(), message->LParam());
            return true;
        }
        if (message->Message() == kMsgYButtonReset) {
            m_face = Face::Normal;
            update();
            return true;
        }
    }
    return QAbstractButton::event(event);
}
