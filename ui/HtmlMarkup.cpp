// The item markup: which tags it knows, how a text is broken into lines, how it is drawn.
#include "HtmlMarkup.h"

#include "GbkText.h"
#include "QtText.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cctype>

namespace {

struct TagName
{
    const char *name;
    MarkupTag tag;
};

constexpr TagName kTagNames[] = {
    {"b", MarkupTag::Bold},      {"strong", MarkupTag::Bold}, {"i", MarkupTag::Italic}, {"em", MarkupTag::Italic},
    {"u", MarkupTag::Underline}, {"sub", MarkupTag::Sub},     {"sup", MarkupTag::Sup},  {"br", MarkupTag::Break},
    {"p", MarkupTag::Paragraph}, {"font", MarkupTag::Font},
};

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::optional<MarkupTag> TagOfName(std::string_view name)
{
    for (const TagName &entry : kTagNames) {
        const std::string_view known(entry.name);
        if (known.size() == name.size() && std::equal(known.begin(), known.end(), name.begin(), [](char a, char b) {
                return a == std::tolower(static_cast<unsigned char>(b));
            }))
            return entry.tag;
    }
    return std::nullopt;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "#RRGGBB", nothing else.
std::optional<QRgb> ParseColour(std::string_view value)
{
    if (value.size() != 7 || value[0] != '#')
        return std::nullopt;
    QRgb rgb = 0;
    for (std::size_t i = 1; i < 7; ++i) {
        const int digit = HexDigit(value[i]);
        if (digit < 0)
            return std::nullopt;
        rgb = rgb * 16 + static_cast<QRgb>(digit);
    }
    return qRgb(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

// The value of attribute color= inside a font tag's attribute text, with or without quotes.
std::optional<QRgb> FontColour(std::string_view attributes)
{
    std::size_t pos = 0;
    while (pos < attributes.size()) {
        while (pos < attributes.size() && !IsAsciiLetter(attributes[pos]))
            ++pos;
        const std::size_t nameStart = pos;
        while (pos < attributes.size() && IsAsciiLetter(attributes[pos]))
            ++pos;
        std::string name(attributes.substr(nameStart, pos - nameStart));
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        while (pos < attributes.size() && IsBlank(attributes[pos]))
            ++pos;
        if (pos >= attributes.size() || attributes[pos] != '=')
            continue;
        ++pos;
        while (pos < attributes.size() && IsBlank(attributes[pos]))
            ++pos;
        std::string_view value;
        if (pos < attributes.size() && (attributes[pos] == '"' || attributes[pos] == '\'')) {
            const char quote = attributes[pos++];
            const std::size_t end = attributes.find(quote, pos);
            if (end == std::string_view::npos)
                return std::nullopt; // an unterminated value: no colour
            value = attributes.substr(pos, end - pos);
            pos = end + 1;
        } else {
            const std::size_t start = pos;
            while (pos < attributes.size() && !IsBlank(attributes[pos]))
                ++pos;
            value = attributes.substr(start, pos - start);
        }
        if (name == "color")
            return ParseColour(value);
    }
    return std::nullopt;
}

} // namespace

std::size_t MarkupCharLength(std::string_view text, std::size_t pos)
{
    return IsGbkLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

std::optional<MarkupTagInfo> ReadMarkupTag(std::string_view text, std::size_t pos)
{
    if (pos >= text.size() || text[pos] != '<')
        return std::nullopt;
    // The tag ends at the first '>' before any other '<', within the bound.
    const std::size_t limit = std::min(text.size(), pos + kMarkupMaxTagBytes);
    std::size_t end = pos + 1;
    while (end < limit && text[end] != '>' && text[end] != '<')
        ++end;
    if (end >= limit || text[end] != '>')
        return std::nullopt;

    std::size_t cursor = pos + 1;
    MarkupTagInfo info{};
    if (text[cursor] == '/') {
        info.closing = true;
        ++cursor;
    }
    const std::size_t nameStart = cursor;
    while (cursor < end && IsAsciiLetter(text[cursor]))
        ++cursor;
    const auto tag = TagOfName(text.substr(nameStart, cursor - nameStart));
    if (!tag)
        return std::nullopt;
    const std::string_view rest = text.substr(cursor, end - cursor);
    if (!rest.empty() && !IsBlank(rest[0]) && rest != "/")
        return std::nullopt; // "<bx>", "<b-x>": another name
    info.tag = *tag;
    info.length = end - pos + 1;
    if (*tag == MarkupTag::Font && !info.closing)
        info.colour = FontColour(rest);
    return info;
}

namespace {

// The style in force at a point of the text.
struct MarkupStyle
{
    int bold = 0, italic = 0, underline = 0, sub = 0, sup = 0;
    QColor colour;
};

struct Piece
{
    std::string gbk;
    MarkupStyle style;
};

class MarkupLayouter
{
public:
    MarkupLayouter(const QFont &baseFont, const QColor &baseColour, int width)
        : m_base(baseFont), m_width(std::max(1, width)),
          m_baseHeight(baseFont.pixelSize() > 0 ? baseFont.pixelSize() : QFontMetrics(baseFont).height())
    {
        m_style.colour = baseColour;
    }

    MarkupLayout Run(std::string_view text)
    {
        std::size_t pos = 0;
        while (pos < text.size()) {
            const char c = text[pos];
            if (c == '<') {
                if (const auto tag = ReadMarkupTag(text, pos)) {
                    ApplyTag(*tag);
                    pos += tag->length;
                    continue;
                }
            }
            if (IsBlank(c)) {
                FlushWord();
                m_pendingSpace = true;
                ++pos;
                continue;
            }
            const std::size_t length = MarkupCharLength(text, pos);
            AppendToWord(text.substr(pos, length));
            pos += length;
        }
        FlushWord();
        if (!m_line.empty())
            FinishLine();
        return std::move(m_layout);
    }

private:
    QFont FontOf(const MarkupStyle &style) const
    {
        QFont font = m_base;
        if (style.bold > 0)
            font.setWeight(QFont::Bold);
        font.setItalic(style.italic > 0);
        font.setUnderline(style.underline > 0);
        if (style.sub > 0 || style.sup > 0)
            font.setPixelSize(std::max(1, m_baseHeight * 7 / 10));
        return font;
    }

    // How far the run's baseline lies below the line's baseline (negative: raised).
    int BaselineShift(const MarkupStyle &style) const
    {
        if (style.sup > 0)
            return -m_baseHeight / 3;
        if (style.sub > 0)
            return m_baseHeight / 3;
        return 0;
    }

    void ApplyTag(const MarkupTagInfo &tag)
    {
        auto step = [&](int &depth) { depth = tag.closing ? std::max(0, depth - 1) : depth + 1; };
        switch (tag.tag) {
        case MarkupTag::Bold:
            step(m_style.bold);
            break;
        case MarkupTag::Italic:
            step(m_style.italic);
            break;
        case MarkupTag::Underline:
            step(m_style.underline);
            break;
        case MarkupTag::Sub:
            step(m_style.sub);
            break;
        case MarkupTag::Sup:
            step(m_style.sup);
            break;
        case MarkupTag::Break:
            if (!tag.closing)
                BreakLine(false);
            break;
        case MarkupTag::Paragraph:
            if (!tag.closing)
                BreakLine(true);
            break;
        case MarkupTag::Font:
            ApplyFontTag(tag);
            break;
        }
    }

    // Each font tag keeps the colour before it so its closing tag can restore it. Tags nested
    // deeper than the stack are left without effect, and so are their closing tags, so every
    // level that was applied is restored exactly.
    void ApplyFontTag(const MarkupTagInfo &tag)
    {
        if (tag.closing) {
            if (m_colourOverflow > 0) {
                --m_colourOverflow;
            } else if (!m_colours.empty()) {
                m_style.colour = m_colours.back();
                m_colours.pop_back();
            }
            return;
        }
        if (m_colours.size() >= std::size_t(kMarkupColourDepth)) {
            ++m_colourOverflow;
            return;
        }
        m_colours.push_back(m_style.colour);
        if (tag.colour)
            m_style.colour = QColor(*tag.colour);
    }

    void AppendToWord(std::string_view bytes)
    {
        if (!m_word.empty() && m_word.back().style.bold == m_style.bold && m_word.back().style.italic == m_style.italic &&
            m_word.back().style.underline == m_style.underline && m_word.back().style.sub == m_style.sub &&
            m_word.back().style.sup == m_style.sup && m_word.back().style.colour == m_style.colour) {
            m_word.back().gbk.append(bytes);
            return;
        }
        m_word.push_back({std::string(bytes), m_style});
    }

    void FlushWord()
    {
        if (m_word.empty())
            return;
        std::vector<std::pair<QString, MarkupStyle>> pieces;
        int width = 0;
        for (const Piece &piece : m_word) {
            pieces.emplace_back(GbkToQString(piece.gbk), piece.style);
            width += QFontMetrics(FontOf(piece.style)).horizontalAdvance(pieces.back().first);
        }
        m_word.clear();
        const int space =
            m_line.empty() || !m_pendingSpace ? 0 : QFontMetrics(FontOf(pieces.front().second)).horizontalAdvance(QChar(' '));
        m_pendingSpace = false;
        if (!m_line.empty() && m_x + space + width > m_width) {
            FinishLine();
        } else {
            m_x += space;
        }
        if (width <= m_width - m_x) {
            for (const auto &[text, style] : pieces)
                Place(text, style);
            return;
        }
        // Wider than the whole line: broken between characters.
        for (const auto &[text, style] : pieces) {
            const QFontMetrics metrics(FontOf(style));
            for (const QChar ch : text) {
                const int advance = metrics.horizontalAdvance(ch);
                if (!m_line.empty() && m_x + advance > m_width)
                    FinishLine();
                Place(QString(ch), style);
            }
        }
    }

    void Place(const QString &text, const MarkupStyle &style)
    {
        const QFont font = FontOf(style);
        const QFontMetrics metrics(font);
        MarkupRun run;
        run.text = text;
        run.font = font;
        run.colour = style.colour;
        run.x = m_x;
        const int shift = BaselineShift(style);
        run.baseline = shift; // relative to the line's baseline until the line is finished
        m_above = std::max(m_above, metrics.ascent() - shift);
        m_below = std::max(m_below, metrics.descent() + shift);
        m_x += metrics.horizontalAdvance(text);
        // Runs of one style next to each other on one line are drawn as one.
        const bool adjoins = !m_line.empty() && m_lastRunEnd == run.x;
        m_lastRunEnd = m_x;
        if (adjoins && m_line.back().font == run.font && m_line.back().colour == run.colour &&
            m_line.back().baseline == run.baseline) {
            m_line.back().text += text;
            return;
        }
        m_line.push_back(std::move(run));
    }

    void FinishLine()
    {
        const QFontMetrics baseMetrics(m_base);
        if (m_line.empty()) {
            m_above = baseMetrics.ascent();
            m_below = baseMetrics.descent();
        }
        const int baseline = m_layout.height + m_above;
        for (MarkupRun &run : m_line) {
            run.baseline += baseline;
            run.top = run.baseline - QFontMetrics(run.font).ascent();
            m_layout.runs.push_back(std::move(run));
        }
        m_layout.height += m_above + m_below;
        ++m_layout.lines;
        m_line.clear();
        m_x = 0;
        m_above = m_below = 0;
    }

    // br ends the line (an empty line when nothing is on it); p does the same and adds half a
    // line, except at the very start. A break after the last text adds no empty line.
    void BreakLine(bool paragraph)
    {
        FlushWord();
        m_pendingSpace = false;
        const bool atStart = m_layout.lines == 0 && m_line.empty();
        if (paragraph) {
            if (atStart)
                return;
            if (!m_line.empty())
                FinishLine();
            m_layout.height += QFontMetrics(m_base).height() / 2;
            return;
        }
        FinishLine();
    }

    QFont m_base;
    int m_width;
    int m_baseHeight;
    MarkupStyle m_style;
    std::vector<QColor> m_colours;
    int m_colourOverflow = 0;
    std::vector<Piece> m_word;
    bool m_pendingSpace = false;
    std::vector<MarkupRun> m_line;
    int m_x = 0;
    int m_lastRunEnd = -1; // where the line's last run ends
    int m_above = 0, m_below = 0;
    MarkupLayout m_layout;
};

} // namespace

MarkupLayout LayoutMarkup(const std::string &gbk, const QFont &baseFont, const QColor &baseColour, int width)
{
    return MarkupLayouter(baseFont, baseColour, width).Run(gbk);
}

void DrawMarkup(QPainter &painter, const MarkupLayout &layout, QPoint origin)
{
    for (const MarkupRun &run : layout.runs) {
        painter.setFont(run.font);
        painter.setPen(run.colour);
        painter.drawText(QPoint(origin.x() + run.x, origin.y() + run.baseline), run.text);
    }
}
