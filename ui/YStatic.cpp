// Wrapping label and colour block.
#include "YStatic.h"

#include "Fonts.h"
#include "QtText.h"

#include <QFontMetrics>
#include <QPainter>

namespace {
bool HighBit(char byte)
{
    return (static_cast<unsigned char>(byte) & 0x80) != 0;
}
} // namespace

std::vector<StaticGlyph> LayoutStaticText(const std::string &gbk, int fontHeight, int averageWidth, int width, int lineHeight)
{
    std::vector<StaticGlyph> glyphs;
    const int rightLimit = width - 2 * averageWidth;
    int x = 0, top = fontHeight / 2;
    for (size_t i = 0; i < gbk.size(); ++i) {
        const char byte = gbk[i];
        if (byte == '\r' || byte == '\n') {
            if (byte == '\r' && i + 1 < gbk.size() && gbk[i + 1] == '\n')
                ++i;
            x = 0;
            top += lineHeight;
            continue;
        }
        if (byte == '\t') {
            x += 4 * 2 * averageWidth;
        } else if (HighBit(byte) && i + 1 < gbk.size() && HighBit(gbk[i + 1])) {
            glyphs.push_back({i, 2, x, top});
            x += 2 * averageWidth;
            ++i;
        } else {
            glyphs.push_back({i, 1, x, top});
            x += averageWidth;
        }
        if (x > rightLimit) {
            x = 0;
            top += lineHeight;
        }
    }
    return glyphs;
}

CYStatic::CYStatic(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    setFont(MakeFont(QString::fromUtf8("宋体"), 12));
}

void CYStatic::SetWindowText(const std::string &gbk)
{
    m_text = gbk;
    repaint();
}

void CYStatic::SetTextColor(const QColor &colour)
{
    m_colour = colour;
    update();
}

void CYStatic::SetLineHeight(int pixels)
{
    m_lineHeight = pixels;
    update();
}

std::vector<StaticGlyph> CYStatic::Layout() const
{
    const QFont f = font();
    const int height = f.pixelSize() > 0 ? f.pixelSize() : QFontMetrics(f).height();
    return LayoutStaticText(m_text, height, AverageCharWidth(f), width(), m_lineHeight);
}

void CYStatic::paintEvent(QPaintEvent *)
{
    // Child widgets are composed over their parent, so old text never piles up under new text.
    QPainter p(this);
    p.setFont(font());
    p.setPen(m_colour);
    const QFontMetrics metrics(font());
    for (const StaticGlyph &g : Layout())
        p.drawText(g.x, g.top + metrics.ascent(), GbkToQString(m_text.substr(g.offset, g.length)));
}

CColorStatic::CColorStatic(QWidget *parent, const QColor &colour) : QWidget(parent), m_colour(colour) {}

void CColorStatic::SetColor(const QColor &colour)
{
    m_colour = colour;
    update();
}

void CColorStatic::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_colour);
}
