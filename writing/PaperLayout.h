// Composition paper: the essay laid out on a grid of square cells, one character to a cell, by
// the rules students follow when they write an essay by hand. A pure function; the preview, the
// PDF and the printer all draw what it returns.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct PaperGrid
{
    int columns = 20; // cells in a row
    int rows = 20;    // rows on a page
    bool operator==(const PaperGrid &) const = default;
};

// The sheets students buy: 20 x 20 (400 a page, the default), 20 x 15 and 24 x 25.
const std::vector<PaperGrid> &CommonPaperGrids();

// One square: empty, one character, two half-width characters, or a character with a
// punctuation mark squeezed in beside it (a mark that may not start the next row).
struct PaperCell
{
    std::u32string text;
    std::u32string squeezed;
    bool empty() const { return text.empty() && squeezed.empty(); }
    bool operator==(const PaperCell &) const = default;
};

using PaperRow = std::vector<PaperCell>; // always grid.columns cells

// A count mark (100, 200, ...): after every hundred cells of the grid, counted from the first
// cell of the body. atRowEnd: the hundredth cell ends its row, so the number stands in the right
// margin; otherwise it stands small under that cell.
struct PaperCountMark
{
    int count = 0;
    int page = 0; // 0-based
    int row = 0;  // row on the page, 0-based
    int column = 0;
    bool atRowEnd = false;
    bool operator==(const PaperCountMark &) const = default;
};

struct PaperPage
{
    std::vector<PaperRow> rows; // always grid.rows rows
};

struct PaperLayout
{
    PaperGrid grid;
    std::vector<PaperPage> pages; // at least one
    std::vector<PaperCountMark> countMarks;
    int characterCount = 0; // the body's characters, counted as the writing screen counts them
};

// Lays out a title and a body (both UTF-8; the body's paragraphs end with CR, CR LF or LF). A
// grid narrower than 4 cells or with no rows is taken as the default grid.
PaperLayout LayOutPaper(std::string_view titleUtf8, std::string_view bodyUtf8, PaperGrid grid = {});

// The characters counted as the writing screen's count button counts them: every character but
// the paragraph marks.
int CountPaperCharacters(std::u32string_view body);

// UTF-8 to code points; a byte that does not start a well-formed sequence becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view text);
std::string EncodeUtf8(std::u32string_view text);

// The rows of a layout as text, one line a row, cells separated by "|", squeezed marks after a
// "+": the shape tests compare and essay-tool prints.
std::string DumpPaperRows(const PaperLayout &layout);
