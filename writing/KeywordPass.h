// The marking pass over the shown rows: its paragraph buffers and the direct matcher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "KeywordMarks.h"
#include "Keywords.h"

// The pass covers at most this many rows from the first visible one.
inline constexpr std::int32_t kMarkedRowSpan = 100;

// Rows F to min(rows, F + 100) - 1 laid end to end, cut into paragraph buffers: a buffer ends
// after a row whose last byte is the paragraph mark, and the last one after row L - 1. A
// paragraph that starts above F is matched from F on.
struct ParagraphBuffer
{
    std::size_t begin = 0;  // offsets in VisibleText::bytes
    std::size_t end = 0;
    std::int32_t firstRow = 0;
};

struct VisibleText
{
    std::int32_t firstRow = 0;
    std::int32_t endRow = 0;
    std::string bytes;
    std::vector<ParagraphBuffer> buffers;
};

VisibleText GatherVisibleText(const std::vector<std::string> &rows, std::int32_t firstRow);

// Whether each byte of text[begin, end) starts a character when read from begin.
void MarkCharacterStarts(const std::string &text, std::size_t begin, std::size_t end,
                         std::vector<std::uint8_t> &starts);

// The reference pass: every keyword in list order over every buffer, leftmost matches first,
// a match kept only where no byte of it is marked yet. Slow with a long list; the automaton
// (KeywordAutomaton.h) gives the same marks.
void MarkKeywordsDirect(const std::vector<std::string> &rows, std::int32_t firstRow,
                        const std::vector<KeywordEntry> &list, KeywordMarks &marks);
