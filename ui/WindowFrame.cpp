// The frameless windows' maximise, restore and title-bar buttons, kept in step with the window manager.
#include "WindowFrame.h"

#include "AppFolder.h"
#include "Dialog.h"
#include "GdipButton.h"
#include "Screen.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWindowStateChangeEvent>

namespace {

// A title-bar button's lit and plain pictures.
struct TitleBarPictures
{
    const char *lit;
    const char *plain;
};
constexpr TitleBarPictures kMinimisePictures{"\\img\\hostimg\\hiddenbutton1.png", "\\img\\hostimg\\hiddenbutton2.png"};
constexpr TitleBarPictures kMaximisePictures{"\\img\\hostimg\\maxmizebutton1.png", "\\img\\hostimg\\maxmizebutton2.png"};
constexpr TitleBarPictures kRestorePictures{"\\img\\hostimg\\return_up.png", "\\img\\hostimg\\return_normal.png"};
constexpr TitleBarPictures kClosePictures{"\\img\\hostimg\\closebutton1.png", "\\img\\hostimg\\closebutton2.png"};

CGdipButton *MakeTitleBarButton(QWidget *parent, const TitleBarPictures &pictures, const TitleBarFaces &faces)
{
    const auto pick = [&pictures](bool lit) { return lit ? pictures.lit : pictures.plain; };
    return MakeImageButton(parent, pick(faces.normalLit), pick(faces.hoverLit), pick(faces.pressedLit));
}

} // namespace

TitleBarButtons MakeTitleBarButtons(QWidget *parent, const TitleBarFaces &faces)
{
    TitleBarButtons bar;
    bar.minimise = MakeTitleBarButton(parent, kMinimisePictures, faces);
    bar.maximise = MakeTitleBarButton(parent, kMaximisePictures, faces);
    bar.restore = MakeTitleBarButton(parent, kRestorePictures, faces);
    bar.close = MakeTitleBarButton(parent, kClosePictures, faces);
    bar.restore->hide();
    return bar;
}

QRect WindowFrame::CentredRect(const QSize &size)
{
    return PlaceWindow(size, ScreenSize(), WorkArea(), false).rect;
}

void WindowFrame::PlaceOnOpen()
{
    if (PlaceWindow(m_normalSize, ScreenSize(), WorkArea(), true).maximised)
        Maximise();
    else
        m_window->setGeometry(NormalRect());
}

WindowFrame::WindowFrame(CDialog *window, const QSize &normalSize, MaximisedArea area)
    : m_window(window), m_normalSize(normalSize), m_area(area)
{
    m_window->installEventFilter(this);
}

void WindowFrame::SetButtons(CGdipButton *maximise, CGdipButton *restore)
{
    m_maximiseButton = maximise;
    m_restoreButton = restore;
    connect(maximise, &CGdipButton::clicked, this, &WindowFrame::Maximise);
    connect(restore, &CGdipButton::clicked, this, &WindowFrame::Restore);
    SetMaximised(m_maximised);
}

QRect WindowFrame::MaximisedRect() const
{
    if (m_area == MaximisedArea::WorkArea)
        return WorkArea();
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(QPoint(0, 0), ScreenSize());
}

void WindowFrame::Maximise()
{
    m_window->setGeometry(MaximisedRect());
    SetMaximised(true);
}

void WindowFrame::Restore()
{
    SetMaximised(false);
    ClearWindowManagerMaximised();
    m_window->setGeometry(NormalRect());
}

void WindowFrame::Toggle()
{
    if (m_maximised)
        Restore();
    else
        Maximise();
}

void WindowFrame::ShowAgain()
{
    // Showing, raising and activating leave a minimised window minimised: the state goes first.
    if (m_window->isMinimized())
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    // The maximised size is the program's own geometry (the window manager is not asked to
    // maximise), so the program's Restore is all it takes to come back to the normal size.
    if (m_maximised && !(m_window->windowState() & Qt::WindowMaximized))
        m_window->setGeometry(MaximisedRect());
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

// The flag, the dragging and the buttons go together: a maximised window does not drag, and only
// the button that changes the state is shown (each with its normal face, so the one that was under
// the pointer does not come back lit).
void WindowFrame::SetMaximised(bool maximised)
{
    m_maximised = maximised;
    m_window->SetDraggable(!maximised);
    for (auto [button, shown] : {std::pair{m_maximiseButton, !maximised}, std::pair{m_restoreButton, maximised}}) {
        if (!button)
            continue;
        button->setVisible(shown);
        button->setEnabled(shown);
        button->ResetFace();
    }
    m_window->update();
}

// A window the window manager maximised (a key, a pager) leaves that state before the program
// places it, or the window manager would keep it at the maximised size.
void WindowFrame::ClearWindowManagerMaximised()
{
    if (m_window->windowState() & Qt::WindowMaximized)
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMaximized);
}

bool WindowFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || event->type() != QEvent::WindowStateChange)
        return false;
    const Qt::WindowStates now = m_window->windowState();
    const Qt::WindowStates was = static_cast<QWindowStateChangeEvent *>(event)->oldState();
    if (now & Qt::WindowMinimized)
        return false; // it comes back in the state it had
    const bool managerMaximised = now & Qt::WindowMaximized;
    if (managerMaximised && !m_maximised)
        SetMaximised(true); // the window manager has given it the maximised size
    else if (!managerMaximised && (was & Qt::WindowMaximized) && m_maximised)
        Restore();
    return false;
}
