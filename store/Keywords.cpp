// Storage of the process-wide keyword structures.
#include "Keywords.h"

std::vector<KeywordEntry> KeywordList;
std::map<std::int32_t, std::string> KeywordIndex;
std::uint64_t KeywordListGeneration = 0;
