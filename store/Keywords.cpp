// Storage of the process-wide keyword structures.
#include "Keywords.h"

std::vector<KeywordEntry> KeywordList;
std::map<std::int32_t, std::string> KeywordIndex;
