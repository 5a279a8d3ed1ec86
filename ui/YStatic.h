// CYStatic: transparent label that wraps GBK text between any two characters, with its own line
// height; CColorStatic: a block of one colour.
#pragma once
#include <QColor>
#include <QWidget>
#include <string>
#include <vector>

// One character placed by the label's wrapping rule.
struct StaticGlyph
{
    size_t offset;
    size_t length; // 1, or 2 for a double-byte character
    int x;
    int top;
};

// Lays out GBK text in a width: first line top at fontHeight / 2; a tab advances 8a; CR (with a
// following LF), or LF, starts a new line; a double-byte character advances 2a, any other byte a;
// once the pen has passed width - 2a the next character starts a new line lineHeight lower.
std::vector<StaticGlyph> LayoutStaticText(const std::string &gbk, int fontHeight, int averageWidth, int width, int lineHeight);

class CYStatic : public QWidget
{
    Q_OBJECT

public:
    explicit CYStatic(QWidget *parent = nullptr);

    // Setting the text repaints at once.
    void SetWindowText(const std::string &gbk);
    const std::string &WindowText() const { return m_text; }
    void SetTextColor(const QColor &colour);
    void SetLineHeight(int pixels);
    int LineHeight() const { return m_lineHeight; }
    std::vector<StaticGlyph> Layout() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::string m_text;
    QColor m_colour = Qt::black;
    int m_lineHeight = 18;
};

class CColorStatic : public QWidget
{
    Q_OBJECT

public:
    explicit CColorStatic(QWidget *parent = nullptr, const QColor &colour = Qt::white);
    void SetColor(const QColor &colour);
    QColor Color() const { return m_colour; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_colour;
};
