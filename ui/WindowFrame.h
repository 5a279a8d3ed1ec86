// WindowFrame: the maximised and normal states of a frameless window that draws its own title bar,
// and the factory of that title bar's minimise, maximise, restore and close buttons.
//
// Use by a window:
//   m_frame(this, normalSize, WindowFrame::MaximisedArea::WorkArea)  // in the constructor
//   m_frame.PlaceOnOpen();                                            // at set-up
//   const TitleBarButtons bar = MakeTitleBarButtons(this, kMainWindowFaces);
//   m_frame.SetButtons(bar.maximise, bar.restore);                    // their clicks maximise and restore
// The window connects minimise and close itself: what they do differs from window to window.
#pragma once

#include <QObject>
#include <QRect>
#include <QSize>

class CDialog;
class CGdipButton;
class QWidget;

// Which of a title-bar button's two pictures each face shows: the lit one ("hiddenbutton1.png",
// "return_up.png", ...) or the plain one ("hiddenbutton2.png", "return_normal.png", ...). The
// windows were drawn with different pairings and keep them.
struct TitleBarFaces
{
    bool normalLit;
    bool hoverLit;
    bool pressedLit;
};
inline constexpr TitleBarFaces kProgrammeScreenFaces{false, true, true};
inline constexpr TitleBarFaces kMainWindowFaces{true, true, false};
inline constexpr TitleBarFaces kWritingScreenFaces{true, false, false};

struct TitleBarButtons
{
    CGdipButton *minimise = nullptr;
    CGdipButton *maximise = nullptr;
    CGdipButton *restore = nullptr; // hidden until the window is maximised
    CGdipButton *close = nullptr;
};

// The four title-bar buttons as children of parent, with their pictures from the program folder;
// nothing is connected and nothing placed.
TitleBarButtons MakeTitleBarButtons(QWidget *parent, const TitleBarFaces &faces);

class WindowFrame : public QObject
{
    Q_OBJECT

public:
    // What a maximised window covers: the work area (the screen less panels and task bars), or
    // the whole primary screen.
    enum class MaximisedArea
    {
        WorkArea,
        WholeScreen,
    };

    // The normal rectangle of a window of this size: centred across the screen and down the work
    // area (left = screen width / 2 - width / 2, top = work-area height / 2 - height / 2), moved
    // inside the work area.
    static QRect CentredRect(const QSize &size);
    // The first placement: the normal rectangle, or maximised when the work area is smaller than
    // the normal size (a 150 % laptop screen), so no part of the window is out of reach.
    void PlaceOnOpen();

    WindowFrame(CDialog *window, const QSize &normalSize, MaximisedArea area);

    // The two buttons that take turns in the title bar; their clicks maximise and restore.
    void SetButtons(CGdipButton *maximise, CGdipButton *restore);

    // The rectangle Restore brings back: the normal size centred, worked out from the screen as it
    // is now (a window dragged away comes back to the centre, as the student first saw it).
    QRect NormalRect() const { return CentredRect(m_normalSize); }
    QRect MaximisedRect() const;
    bool IsMaximised() const { return m_maximised; }

    void Maximise();
    void Restore();
    void Toggle();
    // Back on screen and in front, out of the minimised state, in the state the student left it.
    void ShowAgain();

protected:
    // Follows the window manager: a window it maximises counts as maximised, one it restores from
    // maximised as restored; minimising keeps the state the window comes back in.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetMaximised(bool maximised);
    void ClearWindowManagerMaximised();

    CDialog *m_window;
    QSize m_normalSize;
    MaximisedArea m_area;
    CGdipButton *m_maximiseButton = nullptr;
    CGdipButton *m_restoreButton = nullptr;
    bool m_maximised = false;
};
