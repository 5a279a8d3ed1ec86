// The editor's grid of byte columns and rows: measured once from the essay font, then pure
// arithmetic from sizes and scroll offsets to places, so tests check it without painting.
#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <cstdint>

struct ViewGrid
{
    static constexpr int kMargin = 10;        // left margin before column 0
    static constexpr int kTextTop = 5;        // row r's text starts at r * line height + 5
    static constexpr int kRowSelectZone = 6;  // a press left of this selects the whole row
    static constexpr int kCaretZone = 8;      // a press from here on places the caret
    static constexpr int kEdgeScrollZone = 5; // a drag this near the top or bottom scrolls
    static constexpr int kRowCursorZone = 2;  // the row-selection pointer left of this

    int columnWidth = 10; // width of "8" in the half-width font; one byte is one column
    int lineHeight = 30;  // font height + external leading + 10
    int fontHeight = 20;
    int ascent = 16;

    // Row width W in bytes for a client area this wide: (width - 10) / column width - 1.
    std::int32_t RowWidth(int clientWidth) const;
    // Top left of the cell (row, column) in client coordinates.
    QPoint CellTopLeft(std::int32_t row, std::int32_t column, int scrollX, int scrollY) const;
    // The caret's rectangle: two pixels wide, the font's height high.
    QRect CaretRect(std::int32_t row, std::int32_t column, int scrollX, int scrollY) const;
    // Row and column under a client point (not yet limited to the text).
    std::int32_t RowAt(int y, int scrollY) const;
    std::int32_t ColumnAt(int x, int scrollX) const;
    // Lines scrolled by a page: client height / line height - 1, at least one.
    int PageLines(int clientHeight) const;
};

// "宋体", 20 pixels high, normal weight.
QFont EssayFont();
// The face half-width characters are drawn with: its letters are exactly one column wide.
QFont EssayHalfWidthFont();
// Rows from the essay font; the column is the width of "8" in the half-width font.
ViewGrid MeasureGrid(const QFont &font, const QFont &halfWidthFont);
