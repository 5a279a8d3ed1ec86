// Base of the program's windows: numbered messages, window timers by id, a frameless surface
// that drags from any free point, off-screen painting, a set-up hook and a modal run returning
// an int, in the manner of the original window framework but over Qt widgets.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <map>
#include <set>

class QEventLoop;
class QPainter;

// Results of a modal run, numbered as the original framework numbers its buttons.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

enum class DialogKind
{
    FramelessWindow, // a top-level window without frame or caption (owned by the parent, if any)
    FramedWindow,    // a top-level window with the window system's frame
    Child,           // a child widget inside its parent
};

class CDialog : public QWidget
{
    Q_OBJECT

public:
    explicit CDialog(QWidget *parent = nullptr, DialogKind kind = DialogKind::FramelessWindow);
    ~CDialog() override;

    // Shows the window modally (the rest of the program's windows stop taking input) and runs
    // a local event loop until EndDialog; returns EndDialog's value. Messages, timers and
    // painting go on meanwhile.
    int DoModal();
    // Ends a modal run with this result and hides the window; on a modeless window it only hides.
    void EndDialog(int result);
    bool IsModalRunning() const { return m_loop != nullptr; }

    // Runs OnInitDialog now if it has not run yet; showing the window does the same.
    void EnsureInitialized();

    // Window timers: each id has at most one timer; setting an id again restarts it with the new
    // period. OnTimer(id) is called every ms milliseconds until KillTimer(id).
    void SetTimer(int id, int milliseconds);
    // The same, for a timer whose ticks only change what the window shows (a clock): they go on
    // while a service call is in flight instead of waiting for its end, so its OnTimer must not
    // call the service.
    void SetDisplayTimer(int id, int milliseconds);
    void KillTimer(int id);
    bool HasTimer(int id) const { return m_timers.count(id) != 0; }

    // A press on the window's own surface (or on a child that lets presses through, such as a
    // label) and a drag move the window. On by default for frameless windows.
    void SetDraggable(bool draggable) { m_draggable = draggable; }
    bool IsDraggable() const { return m_draggable; }

    void setVisible(bool visible) override;

protected:
    // Called once, before the window is first shown (or by EnsureInitialized).
    virtual void OnInitDialog() {}
    // A numbered message (posted or sent); the return value is the sender's result.
    virtual intptr_t OnWindowMessage(int message, intptr_t wParam, intptr_t lParam);
    virtual void OnTimer(int id);
    // Paints the window onto an off-screen image of the window's size (transparent at start),
    // which is then copied to the window in one step. Child widgets paint over it.
    virtual void OnPaint(QPainter &painter);

    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    // Subclasses that override these call the base so the window still drags.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // Closing a modal window through the window system ends the run with kIdCancel.
    void closeEvent(QCloseEvent *event) override;
    // A child shown along with its parent gets its set-up here at the latest.
    void showEvent(QShowEvent *event) override;

private:
    void DeferTimer(int id);

    std::map<int, int> m_timers; // window timer id -> QObject timer id
    std::set<int> m_deferredTimers; // ticks that arrived during a blocking call, one per id
    std::set<int> m_displayTimers;  // timers that tick during a blocking call too
    QEventLoop *m_loop = nullptr;
    QImage m_backBuffer;
    QPoint m_dragStartGlobal;
    QPoint m_dragStartPos;
    int m_result = 0;
    bool m_initialized = false;
    bool m_endRequested = false;
    bool m_draggable;
    bool m_dragging = false;
};
