// Corpus operations: the excerpts of a keyword, one excerpt in full, likes.
#pragma once

#include "OperationCommon.h"

#include <cstdint>
#include <string>
#include <vector>

struct CorpusBrief
{
    std::int32_t Id = 0;
    std::string Brief;  // GBK
};

struct CorpusDetail
{
    std::string con, title, cfrom, author;  // GBK
};

// Ok with the list (possibly empty); Empty for an empty result (the panel stays as it was);
// BadDocument when the result does not parse (the panel is left with its heading only).
FetchStatus FetchCorpusBriefs(std::int32_t keywordId, std::vector<CorpusBrief> &briefs);

// Ok with the first record; NotFound for "", "-9" or an empty list.
FetchStatus FetchCorpusDetail(std::int32_t corpusId, CorpusDetail &detail);

struct LikeOutcome
{
    bool liked = false;
    // The common status handler gave up and has told the user already: nothing more is shown.
    bool abandoned = false;
    std::string message;  // GBK: the thank-you text, the failure text, or "" when abandoned
};

// Liked on "1"; a transport failure or any other result is a failed like.
LikeOutcome LikeCorpus(std::int32_t corpusId);

// Part of the binding; no screen sends it. The result is returned as received (GBK).
FetchStatus UpdateKeywordHits(std::int32_t keywordId, std::string &result);
