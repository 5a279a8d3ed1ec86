// Dense storage of keyword marks over the rows of one marking pass.
#include "KeywordMarks.h"

#include <algorithm>

void KeywordMarks::Reset(const std::vector<std::string> &rows, std::int32_t firstRow, std::int32_t endRow)
{
    m_firstRow = firstRow;
    m_rowStart.clear();
    std::size_t offset = 0;
    for (std::int32_t row = firstRow; row < endRow; ++row) {
        m_rowStart.push_back(offset);
        offset += rows[static_cast<std::size_t>(row)].size();
    }
    m_rowStart.push_back(offset);
    m_ids.resize(offset);  // read only where marked
    m_marked.assign(offset, 0);
    m_count = 0;
}

void KeywordMarks::Clear()
{
    m_firstRow = 0;
    m_rowStart.assign(1, 0);
    m_ids.clear();
    m_marked.clear();
    m_count = 0;
}

std::optional<std::size_t> KeywordMarks::OffsetOf(std::int32_t row, std::int32_t column) const
{
    const std::int64_t index = static_cast<std::int64_t>(row) - m_firstRow;
    if (index < 0 || index + 1 >= static_cast<std::int64_t>(m_rowStart.size()) || column < 0)
        return std::nullopt;
    const std::size_t begin = m_rowStart[static_cast<std::size_t>(index)];
    const std::size_t end = m_rowStart[static_cast<std::size_t>(index) + 1];
    if (static_cast<std::size_t>(column) >= end - begin)
        return std::nullopt;
    return begin + static_cast<std::size_t>(column);
}

std::optional<std::int32_t> KeywordMarks::Find(std::int32_t row, std::int32_t column) const
{
    const auto offset = OffsetOf(row, column);
    if (!offset || !m_marked[*offset])
        return std::nullopt;
    return m_ids[*offset];
}

bool KeywordMarks::Set(std::int32_t row, std::int32_t column, std::int32_t id)
{
    const auto offset = OffsetOf(row, column);
    if (!offset)
        return false;
    SetSpan(*offset, 1, id);
    return true;
}

void KeywordMarks::SetSpan(std::size_t offset, std::size_t length, std::int32_t id)
{
    const std::size_t end = std::min(offset + length, m_ids.size());
    for (std::size_t i = offset; i < end; ++i) {
        m_count += m_marked[i] ? 0 : 1;
        m_marked[i] = 1;
        m_ids[i] = id;
    }
}

bool KeywordMarks::AnyMarked(std::size_t offset, std::size_t length) const
{
    const std::size_t end = std::min(offset + length, m_marked.size());
    for (std::size_t i = offset; i < end; ++i) {
        if (m_marked[i])
            return true;
    }
    return false;
}

std::vector<std::pair<std::uint32_t, std::int32_t>> KeywordMarks::Entries() const
{
    std::vector<std::pair<std::uint32_t, std::int32_t>> entries;
    entries.reserve(m_count);
    for (std::size_t index = 0; index + 1 < m_rowStart.size(); ++index) {
        const auto row = m_firstRow + static_cast<std::int32_t>(index);
        for (std::size_t offset = m_rowStart[index]; offset < m_rowStart[index + 1]; ++offset) {
            if (m_marked[offset])
                entries.emplace_back(Key(row, static_cast<std::int32_t>(offset - m_rowStart[index])), m_ids[offset]);
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::optional<std::int32_t> PickKeyword(const KeywordMarks &marks, std::int32_t row, std::int32_t column)
{
    const auto id = marks.Find(row, column);
    if (!id || *id == kUnpickableKeywordId)
        return std::nullopt;
    return id;
}
