// CXHyperLink: a text link with normal, visited and hover colours, underline on hover, a 100 ms
// hover check, auto-size, a tooltip with its address, and opening through the platform.
#pragma once
#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

class CXHyperLink : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kHoverTimerId = 100;
    static constexpr int kHoverCheckMs = 100;

    explicit CXHyperLink(QWidget *parent = nullptr);

    // Text and address are GBK. An empty address takes the text, an empty text shows the address.
    void SetWindowText(const std::string &gbk);
    void SetURL(const std::string &gbk);
    const std::string &URL() const { return m_url; }
    std::string WindowText() const { return m_text; }
    void SetColours(const QColor &normal, const QColor &visited, const QColor &hover);
    void SetBackgroundColour(const QColor &fill);
    void EnableToolTip(bool on);
    bool IsToolTipOn() const { return m_toolTip; }
    void SetAutoSize(bool on);
    // Keeps the left edge, the right edge or the centre when resizing to the text.
    void SetAlignment(Qt::Alignment alignment);
    void SetVisited(bool visited);

    bool IsVisited() const { return m_visited; }
    bool IsHovering() const { return m_hover; }
    bool IsHoverTimerActive() const { return m_hoverTimer.isActive(); }
    QColor CurrentColour() const;
    QFont CurrentFont() const { return m_hoveredOnce ? m_current : font(); }

    // Opens the address; the default goes through the platform (desktop, then xdg-open).
    static void SetOpener(std::function<bool(const std::string &gbkUrl)> opener);
    // Opens the address as a click does: visited on success, a beep on failure.
    bool Open();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    void FitToText();
    void UpdateToolTip();

    std::string m_text;
    std::string m_url;
    QColor m_normal{0x00, 0x00, 0xEE};
    QColor m_visitedColour{0x55, 0x1A, 0x8B};
    QColor m_hoverColour{0xFF, 0x00, 0x00};
    std::optional<QColor> m_fill;
    QFont m_plain, m_underlined, m_current;
    bool m_hover = false;
    bool m_visited = false;
    bool m_toolTip = true;
    bool m_autoSize = true;
    bool m_hoveredOnce = false; // the screen's font until the pointer first comes over the link
    Qt::Alignment m_alignment = Qt::AlignLeft;
    QBasicTimer m_hoverTimer;
};
