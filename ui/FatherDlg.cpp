// Frame and title-bar buttons of the programme screens.
#include "FatherDlg.h"

#include "GdipButton.h"
#include "WindowMessage.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

namespace {
const QColor kBackground(0xF6, 0xF8, 0xE3);
const QColor kTopBand(0x9E, 0x9E, 0xA0);
const QColor kPaleStrip(0xA3, 0xD3, 0xAB);
const QColor kGreenStrip(0x1D, 0xAA, 0x39);
constexpr int kTopBandHeight = 35;
} // namespace

void SendCaptionDoubleClick(QWidget *window)
{
    if (!window)
        return;
    const QPointF at(window->width() / 2.0, 10);
    QMouseEvent click(QEvent::MouseButtonDblClick, at, window->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &click);
}

CFatherDlg::CFatherDlg(QWidget *parent) : CDialog(parent, DialogKind::FramelessWindow) {}

void CFatherDlg::OnInitDialog()
{
    m_frame.PlaceOnOpen();
    m_back = MakeImageButton(this, "\\img\\hostimg\\backbutton1.png", "\\img\\hostimg\\backbutton2.png");
    const TitleBarButtons bar = MakeTitleBarButtons(this, kProgrammeScreenFaces);
    m_minimise = bar.minimise;
    m_maximise = bar.maximise;
    m_restore = bar.restore;
    m_close = bar.close;
    m_frame.SetButtons(m_maximise, m_restore);
    connect(m_back, &CGdipButton::clicked, this, &CFatherDlg::Back);
    connect(m_minimise, &CGdipButton::clicked, this, &CFatherDlg::Minimise);
    connect(m_close, &CGdipButton::clicked, this, &CFatherDlg::CloseScreen);
    PlaceButtons();
    SetUpContent();
    update();
}

void CFatherDlg::PlaceButtons()
{
    if (!m_back)
        return;
    const int w = width();
    m_back->setGeometry(19, 6, 73, 28);
    m_minimise->setGeometry(w - 136, -1, 43, 28);
    m_maximise->setGeometry(w - 93, -1, 40, 28);
    m_restore->setGeometry(w - 93, -1, 40, 28);
    m_close->setGeometry(w - 53, -1, 43, 28);
}

void CFatherDlg::resizeEvent(QResizeEvent *event)
{
    CDialog::resizeEvent(event);
    PlaceButtons();
}

void CFatherDlg::OnPaint(QPainter &p)
{
    const int w = width(), h = height();
    p.fillRect(rect(), kBackground);
    p.fillRect(QRect(0, 0, w, kTopBandHeight), kTopBand);
    p.fillRect(QRect(0, h - 30, w, 5), kPaleStrip);
    p.fillRect(QRect(0, h - 25, w, 25), kGreenStrip);
    PlaceButtons();
    PaintContent(p, rect());
}

void CFatherDlg::PaintContent(QPainter &, const QRect &) {}
void CFatherDlg::SetUpContent() {}

void CFatherDlg::Back()
{
    QWidget *mainWindow = parentWidget();
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); // the close request
    SendWindowMessage(mainWindow, kMsgShowMainWindow, 1);
    // Leave the opener in the same state as this screen.
    if (IsMaximised() == m_openerRestored)
        SendCaptionDoubleClick(mainWindow);
    QRect rect = frameGeometry();
    SendWindowMessage(mainWindow, kMsgScreenClosed, reinterpret_cast<intptr_t>(&rect));
    hide();
    deleteLater();
}

void CFatherDlg::Minimise()
{
    showMinimized();
    SendWindowMessage(parentWidget(), kMsgShowMainWindow, 1);
}

// Closed, the screen goes: each opening makes a new one. It is freed from the event loop once its
// queued close has run, never under a caller that still holds it (a button's click handler).
void CFatherDlg::CloseScreen()
{
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    SendWindowMessage(parentWidget(), kMsgShowMainWindow, 1);
    QMetaObject::invokeMethod(this, &QObject::deleteLater, Qt::QueuedConnection);
}

// The window manager's close (its title-bar button, Alt+F4) is this screen's close button, whatever
// a screen made of that button: accepted as it comes, it would only hide the screen and leave the
// main window hidden behind it, nothing on screen while the program runs on. The program's own
// closes (the close button's) are not from the window system and pass.
void CFatherDlg::closeEvent(QCloseEvent *event)
{
    if (event->spontaneous() && m_close) {
        event->ignore();
        QMetaObject::invokeMethod(m_close, &QAbstractButton::click, Qt::QueuedConnection);
        return;
    }
    CDialog::closeEvent(event);
}

void CFatherDlg::Maximise()
{
    m_frame.Maximise();
}

void CFatherDlg::Restore()
{
    m_frame.Restore();
}

void CFatherDlg::ToggleMaximised()
{
    m_frame.Toggle();
}

void CFatherDlg::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        ToggleMaximised();
}
