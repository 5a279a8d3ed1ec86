// Four-face picture button: face rules, caption drawing, tooltip and the selection group.
#include "GdipButton.h"

#include "AppFolder.h"
#include "QtText.h"
#include "SkinReader.h"
#include "WindowMessage.h"
#include "xImage.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

namespace {
std::vector<CGdipButton *> g_group;
CGdipButton *g_selection = nullptr;

void LoadFace(CxImage &face, const std::string &path)
{
    if (path.empty() || !face.load(path))
        face = CxImage();
}
} // namespace

CGdipButton *MakeImageButton(QWidget *parent, const char *normal, const char *hover, const char *pressed)
{
    auto *button = new CGdipButton(parent);
    button->LoadImages(AppPath(normal), AppPath(hover), AppPath(pressed ? pressed : hover));
    return button;
}

CGdipButton::CGdipButton(QWidget *parent) : QAbstractButton(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover, false);
    m_tipTimer.setSingleShot(true);
    m_tipTimer.setInterval(kToolTipDelayMs);
    connect(&m_tipTimer, &QTimer::timeout, this, &CGdipButton::ShowToolTipNow);
}

CGdipButton::~CGdipButton()
{
    RemoveFromGroup(this);
}

void CGdipButton::LoadImages(const std::string &normal, const std::string &hover, const std::string &pressed,
                             const std::string &disabled)
{
    LoadFace(m_images[0], normal);
    LoadFace(m_images[1], hover);
    LoadFace(m_images[2], pressed);
    LoadFace(m_images[3], disabled);
    m_face = Face::Normal;
    update();
}

void CGdipButton::LoadFromSkin(const SkinElement &e, const std::string &appFolder)
{
    setGeometry(e.x, e.y, e.width, e.height);
    update();
    auto path = [&](const std::string &name) {
        return name.empty() ? std::string() : ResolveAppPath(appFolder, "\\img\\" + name);
    };
    LoadImages(path(e.normal), path(e.up), path(e.down), path(e.disable));
}

void CGdipButton::SetStretch(bool stretch)
{
    m_stretch = stretch;
    update();
}

void CGdipButton::SetDisabledLook(bool disabled)
{
    m_disabledLook = disabled;
    update();
}

void CGdipButton::SetToolTipText(const std::string &gbk)
{
    m_toolTip = gbk;
}

void CGdipButton::SetTextAlignment(int alignment)
{
    m_alignment = alignment;
    update();
}

void CGdipButton::SetWindowText(const std::string &gbk)
{
    setText(GbkToQString(gbk));
    update();
}

const QImage &CGdipButton::FaceImage(Face face) const
{
    return m_images[static_cast<int>(face)].Frame(0);
}

void CGdipButton::ShowFace(Face face)
{
    m_face = face;
    update();
}

void CGdipButton::ResetFace()
{
    m_clickedInside = false;
    ShowFace(Face::Normal);
}

// ---- selection group ----

void CGdipButton::AddToGroup(CGdipButton *button)
{
    if (std::find(g_group.begin(), g_group.end(), button) == g_group.end())
        g_group.push_back(button);
}

void CGdipButton::RemoveFromGroup(CGdipButton *button)
{
    g_group.erase(std::remove(g_group.begin(), g_group.end(), button), g_group.end());
    if (g_selection == button)
        g_selection = nullptr;
}

void CGdipButton::SetGroupSelection(CGdipButton *button)
{
    g_selection = button;
}
CGdipButton *CGdipButton::GroupSelection()
{
    return g_selection;
}
const std::vector<CGdipButton *> &CGdipButton::GroupMembers()
{
    return g_group;
}

bool CGdipButton::InGroup() const
{
    return m_group && std::find(g_group.begin(), g_group.end(), this) != g_group.end();
}

bool CGdipButton::IsGroupSelection() const
{
    return g_selection == this && InGroup();
}

// ---- painting ----

void CGdipButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const CxImage &picture = m_disabledLook ? m_images[3] : m_images[static_cast<int>(m_face)];
    const QImage &face = picture.Frame(0, devicePixelRatioF());
    if (!face.isNull()) {
        // The disabled face is always drawn at its natural size.
        if (m_stretch && !m_disabledLook)
            p.drawImage(rect(), face);
        else
            p.drawImage(0, 0, face);
    }
    if (m_disabledLook || text().isEmpty())
        return;
    p.setFont(font());
    p.setPen(Qt::white);
    const Qt::Alignment horizontal = m_alignment == 0 ? Qt::AlignHCenter : m_alignment == 1 ? Qt::AlignRight : Qt::AlignLeft;
    p.drawText(rect(), horizontal | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

// ---- pointer ----

void CGdipButton::enterEvent(QEnterEvent *)
{
    m_hover = true;
    if (!m_keepFace)
        ShowFace(Face::Hover);
    // The tooltip is made anew on every hover and appears after its delay.
    QToolTip::hideText();
    m_tipTimer.stop();
    if (!m_toolTip.empty())
        m_tipTimer.start();
}

void CGdipButton::leaveEvent(QEvent *)
{
    m_hover = false;
    m_tipTimer.stop();
    // The selected group button shows its hover face like any other while the pointer is over
    // it, and goes back to its pressed face, the mark of the selection, when the pointer leaves.
    if (IsGroupSelection())
        ShowFace(Face::Pressed);
    else if (!m_keepFace)
        ShowFace(Face::Normal);
}

void CGdipButton::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_hover && rect().contains(event->position().toPoint()))
        enterEvent(nullptr);
}

void CGdipButton::ShowToolTipNow()
{
    if (m_hover && !m_toolTip.empty())
        QToolTip::showText(QCursor::pos(), GbkToQString(m_toolTip), this);
}

void CGdipButton::Press()
{
    m_pressed = true;
    ShowFace(Face::Pressed);
    PostWindowMessage(parentWidget(), kMsgImageButtonPressed);
    // The selection moves only from another button: with none yet, the owner names the first.
    if (InGroup() && g_selection && g_selection != this) {
        g_selection->ResetFace();
        PostWindowMessage(parentWidget(), kMsgNavSelected, reinterpret_cast<intptr_t>(this));
        g_selection = this;
    }
}

void CGdipButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    Press();
}

void CGdipButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Press();
}

void CGdipButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool inside = rect().contains(event->position().toPoint());
    const bool wasPressed = m_pressed;
    m_pressed = false;
    if (inside) {
        m_clickedInside = true;
    } else if (!InGroup() && !m_clickedInside) {
        m_face = Face::Normal;
    }
    update();
    if (inside && wasPressed)
        emit clicked();
}

bool CGdipButton::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip)
        return true; // shown by our own delay instead
    return QAbstractButton::event(event);
}
