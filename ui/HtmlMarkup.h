// The small markup language of the list items: tag recognition, layout (the measuring mode) and
// drawing. Item texts come from the service, so anything that is not one of the known tags is
// drawn as text and nothing reads past the end of the text.
#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QPainter;

enum class MarkupTag
{
    Bold,      // b, strong
    Italic,    // i, em
    Underline, // u
    Sub,       // sub
    Sup,       // sup
    Break,     // br
    Paragraph, // p
    Font,      // font color=#RRGGBB
};

struct MarkupTagInfo
{
    MarkupTag tag;
    bool closing = false;
    std::optional<QRgb> colour; // a font tag's colour, when it is a valid #RRGGBB
    std::size_t length = 0;     // bytes from '<' to '>' inclusive
};

// The colour stack of font tags holds at most this many earlier colours.
constexpr int kMarkupColourDepth = 8;
// A tag longer than this is not a tag (its '<' is drawn as text).
constexpr std::size_t kMarkupMaxTagBytes = 256;

// The known tag that begins at text[pos] (which must be '<'), or nothing: then the '<' is text.
std::optional<MarkupTagInfo> ReadMarkupTag(std::string_view text, std::size_t pos);

// Number of bytes of the GBK character at text[pos]: 2 for a lead byte with a byte after it.
std::size_t MarkupCharLength(std::string_view text, std::size_t pos);

// One piece of text in one style at its place; x and baseline relative to the layout's origin.
struct MarkupRun
{
    QString text;
    QFont font;
    QColor colour;
    int x = 0;
    int baseline = 0;
    int top = 0; // top of the run's own glyph box (baseline - its ascent)
};

struct MarkupLayout
{
    std::vector<MarkupRun> runs;
    int height = 0; // the measured height of all lines
    int lines = 0;
};

// Lays out GBK markup in a width with a base font and colour. Words are separated by white space
// and drawn one space apart; a word that does not fit the rest of the line starts a new one, and
// a word wider than the whole width is broken between characters. sub and sup text is 7/10 of the
// base height, lowered or raised by a third of it.
MarkupLayout LayoutMarkup(const std::string &gbk, const QFont &baseFont, const QColor &baseColour, int width);

// Draws a layout with its top-left corner at origin.
void DrawMarkup(QPainter &painter, const MarkupLayout &layout, QPoint origin);
