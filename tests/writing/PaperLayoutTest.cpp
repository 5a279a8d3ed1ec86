// Composition paper layout: each rule as a table of short texts and the exact cells they give.
#include "PaperLayout.h"

#include "GbkText.h"
#include "WriteDoc.h"

#include <gtest/gtest.h>

namespace {

struct ShapeCase
{
    const char *name;
    const char *title;
    const char *body;
    PaperGrid grid;
    const char *rows; // DumpPaperRows: "_" an empty cell, "+" before a squeezed mark, "==" a page break
};

constexpr PaperGrid kSix{6, 4};

const ShapeCase kShapeCases[] = {
    {"paragraph starts two cells in and fills its rows", "", "一二三四五六七", kSix,
     "_|_|一|二|三|四\n五|六|七|_|_|_\n"},
    {"pause mark at a row start is squeezed into the row before", "", "一二三四，五", kSix,
     "_|_|一|二|三|四+，\n五|_|_|_|_|_\n"},
    {"closing mark at a row start is squeezed into the row before", "", "一二三四》五", kSix,
     "_|_|一|二|三|四+》\n五|_|_|_|_|_\n"},
    {"two marks in a row both join the full row", "", "一二三四？！五", kSix,
     "_|_|一|二|三|四+？！\n五|_|_|_|_|_\n"},
    {"pause mark inside a row keeps its own cell", "", "一，二", kSix, "_|_|一|，|二|_\n"},
    {"opening mark never ends a row", "", "一二三《五》", kSix, "_|_|一|二|三|_\n《|五|》|_|_|_\n"},
    {"opening mark on the first cell stays", "", "一二三四《五》", kSix, "_|_|一|二|三|四\n《|五|》|_|_|_\n"},
    {"dash with one cell left starts the next row", "", "一二三——四", kSix,
     "_|_|一|二|三|_\n—|—|四|_|_|_\n"},
    {"ellipsis that fits ends the row", "", "一二……", kSix, "_|_|一|二|…|…\n"},
    {"a lone dash takes one cell", "", "一—二", kSix, "_|_|一|—|二|_\n"},
    {"full stop and closing quote share a cell", "", "一。”二", kSix, "_|_|一|。”|二|_\n"},
    {"a shared cell at a row start joins the row before", "", "一二三四。”五", kSix,
     "_|_|一|二|三|四+。”\n五|_|_|_|_|_\n"},
    {"colon and opening quote share a cell", "", "说：“好", kSix, "_|_|说|：“|好|_\n"},
    {"colon and quote part at the row end", "", "一二三：“好”", kSix, "_|_|一|二|三|：\n“|好|”|_|_|_\n"},
    {"comma joins a full row, its quote opens the next", "", "一二三四，“好", kSix,
     "_|_|一|二|三|四+，\n“|好|_|_|_|_\n"},
    {"letters and digits two to a cell", "", "ab12中", kSix, "_|_|ab|12|中|_\n"},
    {"an odd last letter stands alone", "", "abc中", kSix, "_|_|ab|c|中|_\n"},
    {"a half-width blank takes half a cell", "", "ab c中", kSix, "_|_|ab| c|中|_\n"},
    {"a lone blank between characters", "", "中 文", kSix, "_|_|中| |文|_\n"},
    {"blank paragraphs are kept as empty rows", "", "一\n\n二", kSix,
     "_|_|一|_|_|_\n_|_|_|_|_|_\n_|_|二|_|_|_\n"},
    {"CR LF and CR end paragraphs; a final mark opens none", "", "一\r\n二\r", kSix,
     "_|_|一|_|_|_\n_|_|二|_|_|_\n"},
    {"the student's own indent is replaced by the paper's", "", "　　一  二", kSix, "_|_|一|  |二|_\n"},
    {"title centred, then an empty row", "春天", "一", kSix, "_|_|春|天|_|_\n_|_|_|_|_|_\n_|_|一|_|_|_\n"},
    {"a long title continues centred on the next row", "一二三四五六七", "八", kSix,
     "一|二|三|四|五|六\n_|_|七|_|_|_\n_|_|_|_|_|_\n_|_|八|_|_|_\n"},
    {"page break in the middle of a paragraph", "", "一二三四五六七八九十甲乙", PaperGrid{6, 2},
     "_|_|一|二|三|四\n五|六|七|八|九|十\n==\n甲|乙|_|_|_|_\n"},
    {"a pause mark at the top of a page joins the page before", "", "一二三四五六七八九十，甲", PaperGrid{6, 2},
     "_|_|一|二|三|四\n五|六|七|八|九|十+，\n==\n甲|_|_|_|_|_\n"},
};

TEST(PaperLayout, RulesGiveTheseCells)
{
    for (const ShapeCase &c : kShapeCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DumpPaperRows(LayOutPaper(c.title, c.body, c.grid)), c.rows);
    }
}

TEST(PaperLayout, EveryPageHasTheWholeGrid)
{
    const PaperLayout layout = LayOutPaper("题目", std::string(3000, 'a'), PaperGrid{24, 25});
    ASSERT_FALSE(layout.pages.empty());
    for (const PaperPage &page : layout.pages) {
        ASSERT_EQ(page.rows.size(), 25u);
        for (const PaperRow &row : page.rows)
            EXPECT_EQ(row.size(), 24u);
    }
    // 1500 cells of letter pairs from row 2 of the first page: 1500 / 24 = 62.5 rows + 2 = 3 pages.
    EXPECT_EQ(layout.pages.size(), 3u);
}

TEST(PaperLayout, CountMarksEveryHundredCellsOfTheBody)
{
    struct MarkCase
    {
        const char *name;
        const char *title;
        PaperGrid grid;
        std::size_t index;
        PaperCountMark mark;
    };
    const MarkCase cases[] = {
        // 20 cells a row: the hundredth cell ends the fifth body row, after the title and its empty row.
        {"20 x 20, first mark", "题", {20, 20}, 0, {100, 0, 6, 19, true}},
        {"20 x 20, 400 on the second page", "题", {20, 20}, 3, {400, 1, 1, 19, true}},
        // 24 cells a row and no title: the hundredth cell is the fourth of the fifth row.
        {"24 x 25, the 100th cell inside a row", "", {24, 25}, 0, {100, 0, 4, 3, false}},
        {"24 x 25, the 200th cell", "", {24, 25}, 1, {200, 0, 8, 7, false}},
    };
    for (const MarkCase &c : cases) {
        SCOPED_TRACE(c.name);
        const PaperLayout layout = LayOutPaper(c.title, std::string(1000, 'x'), c.grid);
        ASSERT_GT(layout.countMarks.size(), c.index);
        EXPECT_EQ(layout.countMarks[c.index], c.mark);
    }
    // Marks cover the whole printed grid: 18 body rows of 20 on one page of 20 x 20 = 360 cells.
    EXPECT_EQ(LayOutPaper("题", "一", PaperGrid{20, 20}).countMarks.size(), 3u);
}

TEST(PaperLayout, CharacterCountIsTheWritingScreensCount)
{
    const char *texts[] = {"一二\r\nab c", "", "\r\r\r", "《春》——好……\r\nHello, world!\r"};
    for (const char *text : texts) {
        SCOPED_TRACE(text);
        CWriteDoc doc;
        doc.SetText(Utf8ToGbk(text));
        doc.Reflow(40);
        EXPECT_EQ(LayOutPaper("题目", text).characterCount, doc.CountChars());
    }
}

TEST(PaperLayout, OddInputIsSafe)
{
    // A grid too small to hold the indent falls back to 20 x 20; broken UTF-8 is one replacement
    // character a byte; control characters are dropped.
    const PaperLayout layout = LayOutPaper("", "a\x01\xff", PaperGrid{2, 0});
    EXPECT_EQ(layout.grid, PaperGrid{});
    EXPECT_EQ(layout.pages.size(), 1u);
    EXPECT_EQ(layout.pages[0].rows[0][2].text, U"a");
    EXPECT_EQ(layout.pages[0].rows[0][3].text, U"\uFFFD");
    EXPECT_EQ(DecodeUtf8("\xe4\xb8"), U"\uFFFD\uFFFD");
    EXPECT_EQ(EncodeUtf8(DecodeUtf8("春😀")), "春😀");
}

} // namespace
