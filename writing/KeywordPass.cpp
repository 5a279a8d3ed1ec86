// Paragraph buffers of the marking pass and the direct, keyword-by-keyword matcher.
#include "KeywordPass.h"

#include <algorithm>
#include <string_view>

#include "DoubleByte.h"

namespace {

constexpr char kParagraphMark = '\r';

struct RowPosition
{
    std::int32_t row;
    std::size_t column;
};

// Row and column of a buffer offset, walking down from the buffer's first row while the
// offset is greater than the row's length.
RowPosition LocateOffset(const std::vector<std::string> &rows, std::int32_t firstRow, std::size_t offset)
{
    std::int32_t row = firstRow;
    while (offset > rows[static_cast<std::size_t>(row)].size()) {
        offset -= rows[static_cast<std::size_t>(row)].size();
        ++row;
    }
    return {row, offset};
}

// Every (row, column) that a match of length bytes from start covers, the rest of a row first
// and then on into the following rows.
void SpanPositions(const std::vector<std::string> &rows, RowPosition start, std::size_t length,
                   std::vector<std::pair<std::int32_t, std::int32_t>> &positions)
{
    positions.clear();
    std::int32_t row = start.row;
    std::size_t column = start.column;
    while (length > 0 && row < static_cast<std::int32_t>(rows.size())) {
        const std::size_t rowLength = rows[static_cast<std::size_t>(row)].size();
        for (; column < rowLength && length > 0; ++column, --length)
            positions.emplace_back(row, static_cast<std::int32_t>(column));
        ++row;
        column = 0;
    }
}

void MatchBufferDirect(const std::vector<std::string> &rows, const VisibleText &visible,
                       const ParagraphBuffer &buffer, const std::vector<KeywordEntry> &list,
                       KeywordMarks &marks)
{
    const std::string_view text = std::string_view(visible.bytes).substr(buffer.begin, buffer.end - buffer.begin);
    std::vector<std::uint8_t> starts;
    MarkCharacterStarts(visible.bytes, buffer.begin, buffer.end, starts);

    std::vector<std::pair<std::int32_t, std::int32_t>> span;
    for (const KeywordEntry &entry : list) {
        const std::string_view keyword = entry.text;
        if (keyword.empty())
            continue;
        std::size_t from = 0;
        while (true) {
            std::size_t found = text.find(keyword, from);
            while (found != std::string_view::npos && !starts[found])
                found = text.find(keyword, found + 1);
            if (found == std::string_view::npos)
                break;
            SpanPositions(rows, LocateOffset(rows, buffer.firstRow, found), keyword.size(), span);
            const bool free = std::none_of(span.begin(), span.end(),
                                           [&](const auto &p) { return marks.Contains(p.first, p.second); });
            if (free) {
                for (const auto &p : span)
                    marks.Set(p.first, p.second, entry.id);
            }
            from = found + keyword.size();
        }
    }
}

} // namespace

VisibleText GatherVisibleText(const std::vector<std::string> &rows, std::int32_t firstRow)
{
    VisibleText visible;
    const auto rowCount = static_cast<std::int32_t>(rows.size());
    visible.firstRow = std::clamp(firstRow, 0, rowCount);
    visible.endRow = std::min(rowCount, visible.firstRow + kMarkedRowSpan);
    std::size_t total = 0;
    for (std::int32_t row = visible.firstRow; row < visible.endRow; ++row)
        total += rows[static_cast<std::size_t>(row)].size();
    visible.bytes.reserve(total);
    ParagraphBuffer buffer{0, 0, visible.firstRow};
    for (std::int32_t row = visible.firstRow; row < visible.endRow; ++row) {
        const std::string &bytes = rows[static_cast<std::size_t>(row)];
        visible.bytes += bytes;
        if (!bytes.empty() && bytes.back() == kParagraphMark) {
            buffer.end = visible.bytes.size();
            visible.buffers.push_back(buffer);
            buffer = {buffer.end, buffer.end, row + 1};
        }
    }
    if (buffer.begin < visible.bytes.size()) {
        buffer.end = visible.bytes.size();
        visible.buffers.push_back(buffer);
    }
    return visible;
}

void MarkCharacterStarts(const std::string &text, std::size_t begin, std::size_t end,
                         std::vector<std::uint8_t> &starts)
{
    starts.assign(end - begin, 0);
    for (std::size_t i = begin; i < end;) {
        starts[i - begin] = 1;
        i += BeginsDoubleByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    }
}

void MarkKeywordsDirect(const std::vector<std::string> &rows, std::int32_t firstRow,
                        const std::vector<KeywordEntry> &list, KeywordMarks &marks)
{
    const VisibleText visible = GatherVisibleText(rows, firstRow);
    marks.Reset(rows, visible.firstRow, visible.endRow);
    for (const auto &buffer : visible.buffers)
        MatchBufferDirect(rows, visible, buffer, list, marks);
}
