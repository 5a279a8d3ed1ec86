// The process-wide keyword list that the editor recognises, filled from the local store.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct KeywordEntry
{
    std::int32_t id = 0;
    std::string text;  // GBK
};

// Longest keyword first (by character count); equal lengths in database order.
extern std::vector<KeywordEntry> KeywordList;
// Keyword id -> text; a repeated id keeps the text of the last row loaded.
extern std::map<std::int32_t, std::string> KeywordIndex;
// Counts the refills of KeywordList, so that structures built from it know when to rebuild.
extern std::uint64_t KeywordListGeneration;
