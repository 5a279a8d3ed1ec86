// Editing, wrapping, counting and snapshots of the essay body.
#include "WriteDoc.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

namespace {

std::size_t RowWidth(std::int32_t width)
{
    return static_cast<std::size_t>(std::max(width, CWriteDoc::kMinRowWidth));
}

// Where a row of more than width bytes is cut: at width, or one byte earlier so that a
// double-byte character is not divided.
std::size_t CutColumn(std::string_view row, std::size_t width)
{
    return ClassifyByte(row, static_cast<std::ptrdiff_t>(width) - 1) == ByteClass::FirstByte ? width - 1
                                                                                                : width;
}

std::string ExpandTabs(std::string_view row)
{
    std::string out;
    out.reserve(row.size());
    for (char byte : row) {
        if (byte == '\t')
            out.append(CWriteDoc::kTabSpaces, ' ');
        else
            out.push_back(byte);
    }
    return out;
}

// The caret never stands inside a double-byte character nor after a paragraph mark.
std::int32_t AdjustResultColumn(std::string_view row, std::int32_t column)
{
    if (ClassifyByte(row, column - 1) == ByteClass::FirstByte)
        ++column;
    const auto length = static_cast<std::int32_t>(row.size());
    column = std::min(column, length);
    if (column == length && !row.empty() && row.back() == CWriteDoc::kParagraphMark)
        --column;
    return std::max(column, 0);
}

} // namespace

void AppendParagraphRows(std::string_view paragraph, std::size_t width, std::vector<std::string> &rows)
{
    while (paragraph.size() > width) {
        const std::size_t cut = CutColumn(paragraph, width);
        rows.emplace_back(paragraph.substr(0, cut));
        paragraph.remove_prefix(cut);
    }
    rows.emplace_back(paragraph);
}

CWriteDoc::CWriteDoc() : m_rows(1) {}

DocPosition CWriteDoc::NearestValidPosition(std::int32_t row, std::int32_t column) const
{
    row = std::clamp(row, 0, RowCount() - 1);
    const std::string &text = m_rows[static_cast<std::size_t>(row)];
    column = std::clamp(column, 0, static_cast<std::int32_t>(text.size()));
    if (ClassifyByte(text, column) == ByteClass::SecondByte)
        --column;
    return {row, column};
}

DocPosition CWriteDoc::InsertText(std::int32_t row, std::int32_t column, std::string_view text, std::int32_t width)
{
    const std::size_t w = RowWidth(width);
    const DocPosition at = NearestValidPosition(row, column);
    // The rows from the insertion point on are rebuilt aside, so a failure leaves them intact.
    std::vector<std::string> work(m_rows.begin() + at.row, m_rows.end());
    std::string pending(text);
    std::size_t caretOffset = pending.size();
    std::size_t insertColumn = static_cast<std::size_t>(at.column);
    std::optional<DocPosition> result;
    std::size_t j = 0;
    for (; !pending.empty(); ++j, insertColumn = 0) {
        if (j == work.size())
            work.emplace_back();
        std::string &current = work[j];
        current.insert(insertColumn, pending);
        pending.clear();
        const std::size_t mark = current.find(kParagraphMark);
        bool cut = true;
        if (mark != std::string::npos && mark + 1 <= w) {
            // The paragraph ends in this row; what follows the mark starts the next row.
            pending = current.substr(mark + 1);
            current.resize(mark + 1);
        } else if (current.size() > w) {
            const std::size_t cutAt = CutColumn(current, w);
            pending = current.substr(cutAt);
            current.resize(cutAt);
        } else {
            cut = false;
        }
        if (result)
            continue;
        // The caret is counted against the bytes the row really kept: a row cut one byte short
        // of W to keep a character whole would otherwise leave the caret a byte behind for each
        // such row it passes.
        const std::size_t kept = current.size();
        const std::size_t target = caretOffset + insertColumn;
        if (!cut || target <= kept)
            result = DocPosition{at.row + static_cast<std::int32_t>(j), static_cast<std::int32_t>(target)};
        else
            caretOffset = target - kept;
    }
    if (!result) {
        // Empty text, or the caret ran past the last row touched: it ends at that row's end.
        const std::size_t last = j == 0 ? 0 : j - 1;
        result = DocPosition{at.row + static_cast<std::int32_t>(last),
                             j == 0 ? at.column : static_cast<std::int32_t>(work[last].size())};
    }
    m_rows.reserve(static_cast<std::size_t>(at.row) + work.size());
    m_rows.resize(static_cast<std::size_t>(at.row));
    std::move(work.begin(), work.end(), std::back_inserter(m_rows));
    result->column = AdjustResultColumn(m_rows[static_cast<std::size_t>(result->row)], result->column);
    return *result;
}

void CWriteDoc::Reflow(std::int32_t width)
{
    const std::size_t w = RowWidth(width);
    const std::string text = GetText();
    std::vector<std::string> rows;
    std::string_view rest(text);
    // Every mark ends a paragraph, also one inside a row that SetText left unwrapped.
    while (!rest.empty()) {
        const std::size_t mark = rest.find(kParagraphMark);
        const std::size_t end = mark == std::string_view::npos ? rest.size() : mark + 1;
        AppendParagraphRows(rest.substr(0, end), w, rows);
        rest.remove_prefix(end);
    }
    if (rows.empty())
        rows.emplace_back();
    m_rows = std::move(rows);
}

void CWriteDoc::SetText(std::string_view text)
{
    std::string body;
    body.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        body.push_back(text[i]);
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;  // CR LF is one paragraph mark
    }
    std::vector<std::string> rows;
    rows.push_back(std::move(body));
    m_rows = std::move(rows);
    m_marks.Clear();
}

std::string CWriteDoc::GetText() const
{
    std::size_t size = 0;
    for (const std::string &row : m_rows)
        size += row.size();
    std::string text;
    text.reserve(size);
    for (const std::string &row : m_rows)
        text += row;
    return text;
}

std::int32_t CWriteDoc::CountChars() const
{
    std::int32_t count = 0;
    for (const std::string &row : m_rows) {
        for (std::size_t i = 0; i < row.size();) {
            const auto byte = static_cast<unsigned char>(row[i]);
            if (byte == static_cast<unsigned char>(kParagraphMark)) {
                ++i;
                continue;
            }
            ++count;
            i += BeginsDoubleByte(byte) ? 2 : 1;
        }
    }
    return count;
}

void CWriteDoc::Clear()
{
    m_rows.assign(1, std::string());
    m_marks.Clear();
}

void CWriteDoc::ReplaceRows(std::int32_t first, std::int32_t count, std::vector<std::string> rows)
{
    first = std::clamp(first, 0, RowCount());
    count = std::clamp(count, 0, RowCount() - first);
    const auto begin = m_rows.begin() + first;
    m_rows.erase(begin, begin + count);
    m_rows.insert(m_rows.begin() + first, std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    if (m_rows.empty())
        m_rows.emplace_back();
    m_marks.Clear();
}

void CWriteDoc::WriteState(UndoSnapshot &snapshot) const
{
    snapshot.caretRow = m_viewState.caretRow;
    snapshot.caretColumn = m_viewState.caretColumn;
    snapshot.scrollOffset = m_viewState.scrollOffset;
    for (const std::string &row : m_rows)
        snapshot.AppendRow(row);
}

void CWriteDoc::ReadState(const UndoSnapshot &snapshot)
{
    std::vector<std::string> rows;
    rows.reserve(snapshot.RowCount());
    for (std::size_t i = 0; i < snapshot.RowCount(); ++i)
        rows.push_back(ExpandTabs(snapshot.Row(i)));
    if (rows.empty())
        rows.emplace_back();
    m_rows = std::move(rows);
    m_marks.Clear();
    m_viewState = {snapshot.caretRow, snapshot.caretColumn, snapshot.scrollOffset};
    if (m_viewStateListener)
        m_viewStateListener(m_viewState);
}
