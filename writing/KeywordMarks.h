// Positions of recognised keywords in the shown rows, the pick lookup and the editor's colours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct RgbColour
{
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const RgbColour &) const = default;
};

inline constexpr RgbColour kKeywordTextColour{102, 197, 115};
inline constexpr RgbColour kPlainTextColour{0, 0, 0};
inline constexpr RgbColour kEditorBackgroundColour{246, 248, 227};

// Sent by the editor view to its writing screen: wParam the keyword id, lParam 1.
inline constexpr int kWmKeywordPick = 0x84D;
inline constexpr std::int32_t kKeywordPickSecondParam = 1;
// A keyword with this id is painted but never picked.
inline constexpr std::int32_t kUnpickableKeywordId = -1;

// Ordered map position -> keyword id, one entry per marked byte. The key packs the column in
// its high 16 bits and the row in its low 16 bits. Entries can only exist in the rows the last
// marking pass covered; they are stored densely by byte so that a pass over a screenful of
// text costs no allocation per entry.
class KeywordMarks
{
public:
    static std::uint32_t Key(std::int32_t row, std::int32_t column)
    {
        return (static_cast<std::uint32_t>(column) << 16) | (static_cast<std::uint32_t>(row) & 0xFFFFu);
    }

    // Empties the map and lets it hold the bytes of rows [firstRow, endRow).
    void Reset(const std::vector<std::string> &rows, std::int32_t firstRow, std::int32_t endRow);
    void Clear();

    std::optional<std::int32_t> Find(std::int32_t row, std::int32_t column) const;
    bool Contains(std::int32_t row, std::int32_t column) const { return Find(row, column).has_value(); }
    // Adds an entry; false when the position lies outside the covered rows.
    bool Set(std::int32_t row, std::int32_t column, std::int32_t id);
    // Adds entries for length bytes from offset in the covered rows laid end to end.
    void SetSpan(std::size_t offset, std::size_t length, std::int32_t id);
    // SetSpan for bytes known to be unmarked, with offset + length inside the covered rows.
    void SetFreeSpan(std::size_t offset, std::size_t length, std::int32_t id)
    {
        for (std::size_t i = offset; i < offset + length; ++i) {
            m_ids[i] = id;
            m_marked[i] = 1;
        }
        m_count += length;
    }

    // Whether any of length bytes from offset is marked.
    bool AnyMarked(std::size_t offset, std::size_t length) const;

    std::size_t Size() const { return m_count; }
    bool Empty() const { return m_count == 0; }
    // Every entry in key order.
    std::vector<std::pair<std::uint32_t, std::int32_t>> Entries() const;

private:
    std::optional<std::size_t> OffsetOf(std::int32_t row, std::int32_t column) const;

    std::int32_t m_firstRow = 0;
    std::vector<std::size_t> m_rowStart{0};  // offset of each covered row, then the total
    std::vector<std::int32_t> m_ids;
    std::vector<std::uint8_t> m_marked;
    std::size_t m_count = 0;
};

// The keyword under a position, as a click picks it: none for plain text or the id -1.
std::optional<std::int32_t> PickKeyword(const KeywordMarks &marks, std::int32_t row, std::int32_t column);
