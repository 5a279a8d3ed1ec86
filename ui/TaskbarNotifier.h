// CTaskbarNotifier: the skinned popup that slides out from the taskbar side of the screen with a
// message from the server, stays a few seconds and slides back; its message works as a link.
#pragma once
#include "Dialog.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

// Which way the popup comes out: from the top, left, right or bottom edge of the work area.
enum class NotifierDirection
{
    FromTop = 1,
    FromLeft = 2,
    FromRight = 3,
    FromBottom = 4,
};

// Where a popup of this size starts (hidden just outside the work area) and where it stands when
// fully shown, decided from where the work area leaves room for the taskbar on the screen.
struct NotifierPlacement
{
    NotifierDirection direction = NotifierDirection::FromBottom;
    QPoint start;
    QPoint shown;
    int travel = 0;         // pixels between start and shown: the popup's height or width
    int stepIntervalMs = 1; // for one 2-pixel step, showing and hiding alike
};
NotifierPlacement PlaceNotifier(const QRect &screen, const QRect &workArea, const QSize &popupSize);

class CTaskbarNotifier : public CDialog
{
    Q_OBJECT

public:
    enum State
    {
        kHidden = 0,
        kAppearing = 1,
        kShowing = 2,
        kDisappearing = 3,
    };
    // Window timers.
    static constexpr int kTimerAppear = 1;
    static constexpr int kTimerStay = 2;
    static constexpr int kTimerDisappear = 3;

    static constexpr int kShowTimeMs = 500;
    static constexpr int kStayTimeMs = 5000;
    static constexpr int kHideTimeMs = 500;
    static constexpr int kStepPixels = 2;
    // The close corner: the top-right 50 x 20 pixels.
    static constexpr int kCloseWidth = 50;
    static constexpr int kCloseHeight = 20;
    // Font styles for SetTextFont, combined with |.
    static constexpr int kStyleNormal = 0;
    static constexpr int kStyleBold = 1;
    static constexpr int kStyleItalic = 2;
    static constexpr int kStyleUnderline = 4;

    CTaskbarNotifier();

    // Makes the hidden popup window, owned by the parent, which receives its notifications.
    bool Create(QWidget *parent);
    // Loads the skin (a BMP file): the popup's size, the message rectangle (the whole skin) and
    // the window's shape (every pixel except the magenta ones). False when it cannot be read.
    bool SetSkin(const std::string &bmpPath);
    // Face name and size in points; the styles of the normal and the hover font.
    void SetTextFont(const std::string &face, int pointSize, int normalStyle, int hoverStyle);
    void SetTextFont(const QFont &normal, const QFont &hover);
    void SetTextColor(const QColor &normal, const QColor &hover);
    // The message rectangle in popup coordinates.
    void SetTextRect(const QRect &rect);
    // The same from edges as the platform gives them: right and bottom one past the last pixel,
    // so (5, 35, width - 5, height - 30) leaves five pixels free on the right.
    void SetTextRect(int left, int top, int right, int bottom);
    void SetTitle(const std::string &gbk);
    // Opened when the message is clicked; with no link the parent is told to show itself.
    void SetLink(const std::string &gbk);

    void Show(const std::string &gbkMessage);
    void Hide();

    // The desktop the popup slides on; by default the parent's screen (or the primary screen)
    // and its work area. Tests put in their own.
    void SetDesktop(const QRect &screen, const QRect &workArea);

    // One tick of a window timer (the timers call it; tests step the clock with it).
    void OnTimer(int id) override;

    State AnimationState() const { return m_state; }
    const NotifierPlacement &Placement() const { return m_placement; }
    int TimerPeriod(int id) const;
    QSize SkinSize() const { return m_skin.size(); }
    const QRect &TextRect() const { return m_textRect; }
    const QString &Title() const { return m_title; }
    const QString &Message() const { return m_message; }
    bool IsHovering() const { return m_hover; }
    // 0 none, 1 the close corner, 2 the message rectangle.
    int PointerArea(const QPoint &pos) const;

protected:
    void OnPaint(QPainter &painter) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void StartTimer(int id, int milliseconds);
    void StopTimer(int id);
    void PlaceAt(int travelled);
    void Notify();

    QPointer<QWidget> m_parent;
    QString m_title;
    QString m_message;
    std::string m_link;
    QImage m_skin;             // 1×: the window's shape and size in logical pixels
    QImage m_skinPainted;      // what is drawn: the 2× skin on screens above 100 % when there is one
    QRect m_textRect;
    QColor m_normalColour = QColor(0, 0, 0);
    QColor m_hoverColour = QColor(0, 0, 0xC8);
    QFont m_normalFont;
    QFont m_hoverFont;
    std::optional<QRect> m_screen;
    std::optional<QRect> m_workArea;
    NotifierPlacement m_placement;
    int m_travelled = 0;
    int m_periods[4] = {0, 0, 0, 0};
    State m_state = kHidden;
    bool m_hover = false;
};

// The text broken into the lines that fit the box's width (at word boundaries where there are
// any, anywhere else); when they do not all fit its height, the last line that fits shows what it
// can of the rest and ends with an ellipsis. Lines are NotifierLinePitch apart.
QStringList FitNotifierText(const QString &text, const QFont &font, const QSize &box);
// The distance between two lines of the popup's text: enough for Chinese characters too.
int NotifierLinePitch(const QFont &font);

// True for an address the popup may hand to the browser: http or https with a host.
bool IsWebAddress(const QString &url);
