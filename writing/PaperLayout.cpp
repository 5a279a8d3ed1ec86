// Composition paper layout: tokens (what may share a cell, what may not start or end a row),
// then rows, then pages and count marks.
#include "PaperLayout.h"

#include <algorithm>

namespace {

constexpr int kParagraphIndent = 2;
constexpr int kCellsPerCountMark = 100;
constexpr char32_t kReplacement = 0xFFFD;

bool IsAnyOf(char32_t c, std::u32string_view set) { return set.find(c) != std::u32string_view::npos; }

// Marks that end a pause; they never start a row.
bool IsPauseMark(char32_t c) { return IsAnyOf(c, U"，。、；：？！"); }
bool IsClosingMark(char32_t c) { return IsAnyOf(c, U"”’）》」』】〉"); }
bool IsOpeningMark(char32_t c) { return IsAnyOf(c, U"“‘（《「『【〈"); }
bool IsClosingQuote(char32_t c) { return IsAnyOf(c, U"”’」』"); }
bool IsOpeningQuote(char32_t c) { return IsAnyOf(c, U"“‘「『"); }
// The dash —— and the ellipsis …… are written as two of these, one in each of two cells.
bool IsTwoCellHalf(char32_t c) { return c == U'—' || c == U'―' || c == U'…'; }
bool IsHalfWidth(char32_t c) { return c >= 0x20 && c <= 0x7E; }
bool IsParagraphMark(char32_t c) { return c == U'\r' || c == U'\n'; }
bool IsControl(char32_t c) { return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0); }
bool IsBlank(char32_t c) { return c == U' ' || c == U'\t' || c == U'　'; }

// What one step of the layout places: one cell, or the two cells of a dash or an ellipsis.
struct Token
{
    std::vector<std::u32string> cells;
    bool mayNotStartRow = false;
    bool mayNotEndRow = false;
    // A colon or comma sharing its cell with an opening quote: at the end of a row the two part,
    // the mark ending the row and the quote opening the next, as a hand would write them.
    bool partsAtRowEnd = false;
};

void AppendHalfWidthRun(std::u32string_view text, std::size_t &i, std::vector<Token> &tokens)
{
    std::u32string run;
    while (i < text.size() && (IsHalfWidth(text[i]) || text[i] == U'\t')) {
        run += text[i] == U'\t' ? U' ' : text[i];
        ++i;
    }
    for (std::size_t k = 0; k < run.size(); k += 2)
        tokens.push_back(Token{{run.substr(k, 2)}});
}

std::vector<Token> Tokenise(std::u32string_view text)
{
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = text[i];
        const char32_t next = i + 1 < text.size() ? text[i + 1] : 0;
        if (IsHalfWidth(c) || c == U'\t') {
            AppendHalfWidthRun(text, i, tokens);
            continue;
        }
        if (IsControl(c)) {
            ++i;
            continue;
        }
        if (IsTwoCellHalf(c) && next == c) {
            tokens.push_back(Token{{std::u32string(1, c), std::u32string(1, c)}});
            i += 2;
            continue;
        }
        if (IsPauseMark(c) && IsClosingQuote(next)) {
            tokens.push_back(Token{{std::u32string{c, next}}, true});
            i += 2;
            continue;
        }
        if ((c == U'：' || c == U'，') && IsOpeningQuote(next)) {
            tokens.push_back(Token{{std::u32string{c, next}}, true, false, true});
            i += 2;
            continue;
        }
        tokens.push_back(Token{{std::u32string(1, c)}, IsPauseMark(c) || IsClosingMark(c), IsOpeningMark(c)});
        ++i;
    }
    return tokens;
}

// Places tokens into rows of a fixed width. A row is created only when something goes into it,
// so a mark that may not start a row can still join the full row before.
class RowFiller
{
public:
    RowFiller(int columns, std::vector<PaperRow> &rows) : m_columns(columns), m_rows(rows) {}

    void StartRow(int firstColumn)
    {
        m_rows.emplace_back(static_cast<std::size_t>(m_columns));
        m_column = firstColumn;
    }

    void Place(const Token &token)
    {
        const int width = static_cast<int>(token.cells.size());
        if (token.mayNotStartRow && m_column >= m_columns && !m_rows.empty()) {
            if (!token.partsAtRowEnd) {
                Squeeze(token.cells.front());
                return;
            }
            // The mark joins the full row; its opening quote still opens the next one.
            Squeeze(token.cells.front().substr(0, 1));
            StartRow(0);
            Put({token.cells.front().substr(1)});
            return;
        }
        if (token.partsAtRowEnd && m_column == m_columns - 1) {
            const std::u32string &pair = token.cells.front();
            Put({pair.substr(0, 1)});
            StartRow(0);
            Put({pair.substr(1)});
            return;
        }
        const bool doesNotFit = m_column + width > m_columns;
        const bool wouldEndRow = token.mayNotEndRow && m_column == m_columns - 1;
        if (doesNotFit || wouldEndRow)
            StartRow(0);
        Put(token.cells);
    }

private:
    void Put(const std::vector<std::u32string> &cells)
    {
        for (const std::u32string &text : cells)
            m_rows.back()[static_cast<std::size_t>(m_column++)].text = text;
    }

    // Into the last cell of the full row, beside its character; a last cell left empty (an
    // opening mark moved on) simply takes the mark.
    void Squeeze(const std::u32string &mark)
    {
        PaperCell &last = m_rows.back().back();
        if (last.empty())
            last.text = mark;
        else
            last.squeezed += mark;
    }

    int m_columns;
    std::vector<PaperRow> &m_rows;
    int m_column = 0;
};

std::vector<std::u32string> SplitParagraphs(std::u32string_view body)
{
    std::vector<std::u32string> paragraphs;
    std::u32string current;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (!IsParagraphMark(body[i])) {
            current += body[i];
            continue;
        }
        if (body[i] == U'\r' && i + 1 < body.size() && body[i + 1] == U'\n')
            ++i;
        paragraphs.push_back(std::move(current));
        current.clear();
    }
    // A mark at the very end closes the last paragraph; it does not open an empty one.
    if (!current.empty())
        paragraphs.push_back(std::move(current));
    return paragraphs;
}

std::u32string_view WithoutLeadingBlanks(std::u32string_view text)
{
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start]))
        ++start;
    return text.substr(start);
}

std::u32string_view Trimmed(std::u32string_view text)
{
    text = WithoutLeadingBlanks(text);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

int UsedCells(const PaperRow &row)
{
    int used = 0;
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (!row[i].empty())
            used = static_cast<int>(i) + 1;
    }
    return used;
}

void Centre(PaperRow &row)
{
    const int used = UsedCells(row);
    const int shift = (static_cast<int>(row.size()) - used) / 2;
    if (shift <= 0)
        return;
    std::rotate(row.rbegin(), row.rbegin() + shift, row.rend());
}

// The title's rows, each centred, then one empty row; nothing for an empty title.
void LayOutTitle(std::u32string_view title, int columns, std::vector<PaperRow> &rows)
{
    const std::vector<Token> tokens = Tokenise(Trimmed(title));
    if (tokens.empty())
        return;
    const std::size_t first = rows.size();
    RowFiller filler(columns, rows);
    filler.StartRow(0);
    for (const Token &token : tokens)
        filler.Place(token);
    for (std::size_t r = first; r < rows.size(); ++r)
        Centre(rows[r]);
    rows.emplace_back(static_cast<std::size_t>(columns));
}

void LayOutBody(std::u32string_view body, int columns, std::vector<PaperRow> &rows)
{
    RowFiller filler(columns, rows);
    for (const std::u32string &paragraph : SplitParagraphs(body)) {
        const std::vector<Token> tokens = Tokenise(WithoutLeadingBlanks(paragraph));
        if (tokens.empty()) {
            filler.StartRow(columns); // kept as an empty row
            continue;
        }
        filler.StartRow(kParagraphIndent);
        for (const Token &token : tokens)
            filler.Place(token);
    }
}

std::vector<PaperPage> CutIntoPages(std::vector<PaperRow> rows, PaperGrid grid)
{
    std::vector<PaperPage> pages;
    for (std::size_t r = 0; r < rows.size() || pages.empty(); r += static_cast<std::size_t>(grid.rows)) {
        PaperPage page;
        for (std::size_t k = r; k < r + static_cast<std::size_t>(grid.rows); ++k)
            page.rows.push_back(k < rows.size() ? std::move(rows[k]) : PaperRow(static_cast<std::size_t>(grid.columns)));
        pages.push_back(std::move(page));
    }
    return pages;
}

std::vector<PaperCountMark> PlaceCountMarks(int bodyFirstRow, int pageCount, PaperGrid grid)
{
    std::vector<PaperCountMark> marks;
    const long long cells = (static_cast<long long>(pageCount) * grid.rows - bodyFirstRow) * grid.columns;
    for (long long count = kCellsPerCountMark; count <= cells; count += kCellsPerCountMark) {
        const long long index = count - 1;
        const long long row = bodyFirstRow + index / grid.columns;
        PaperCountMark mark;
        mark.count = static_cast<int>(count);
        mark.page = static_cast<int>(row / grid.rows);
        mark.row = static_cast<int>(row % grid.rows);
        mark.column = static_cast<int>(index % grid.columns);
        mark.atRowEnd = mark.column == grid.columns - 1;
        marks.push_back(mark);
    }
    return marks;
}

} // namespace

const std::vector<PaperGrid> &CommonPaperGrids()
{
    static const std::vector<PaperGrid> grids{{20, 20}, {20, 15}, {24, 25}};
    return grids;
}

int CountPaperCharacters(std::u32string_view body)
{
    return static_cast<int>(std::count_if(body.begin(), body.end(), [](char32_t c) { return !IsParagraphMark(c); }));
}

PaperLayout LayOutPaper(std::string_view titleUtf8, std::string_view bodyUtf8, PaperGrid grid)
{
    if (grid.columns < 4 || grid.rows < 1 || grid.columns > 100 || grid.rows > 100)
        grid = PaperGrid{};
    const std::u32string body = DecodeUtf8(bodyUtf8);
    std::vector<PaperRow> rows;
    LayOutTitle(DecodeUtf8(titleUtf8), grid.columns, rows);
    const int bodyFirstRow = static_cast<int>(rows.size());
    LayOutBody(body, grid.columns, rows);

    PaperLayout layout;
    layout.grid = grid;
    layout.pages = CutIntoPages(std::move(rows), grid);
    layout.countMarks = PlaceCountMarks(bodyFirstRow, static_cast<int>(layout.pages.size()), grid);
    layout.characterCount = CountPaperCharacters(body);
    return layout;
}

std::u32string DecodeUtf8(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            length = 1;
            c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            c = lead & 0x07;
        }
        bool wellFormed = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; wellFormed && k < length; ++k) {
            const auto trail = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            wellFormed = (trail & 0xC0) == 0x80;
            c = (c << 6) | (trail & 0x3F);
        }
        const bool overlongOrOutside = (length == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) ||
                                       (length == 4 && (c < 0x10000 || c > 0x10FFFF));
        if (!wellFormed || overlongOrOutside) {
            out += kReplacement;
            ++i;
            continue;
        }
        out += c;
        i += static_cast<std::size_t>(length);
    }
    return out;
}

std::string EncodeUtf8(std::u32string_view text)
{
    std::string out;
    for (char32_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string DumpPaperRows(const PaperLayout &layout)
{
    std::string out;
    for (std::size_t p = 0; p < layout.pages.size(); ++p) {
        const std::vector<PaperRow> &rows = layout.pages[p].rows;
        std::size_t shown = rows.size();
        if (p + 1 == layout.pages.size()) {
            while (shown > 0 && UsedCells(rows[shown - 1]) == 0)
                --shown;
        }
        if (p > 0)
            out += "==\n";
        for (std::size_t r = 0; r < shown; ++r) {
            for (std::size_t c = 0; c < rows[r].size(); ++c) {
                const PaperCell &cell = rows[r][c];
                if (c > 0)
                    out += '|';
                out += cell.text.empty() ? std::string("_") : EncodeUtf8(cell.text);
                if (!cell.squeezed.empty()) {
                    out += '+';
                    out += EncodeUtf8(cell.squeezed);
                }
            }
            out += '\n';
        }
    }
    return out;
}
