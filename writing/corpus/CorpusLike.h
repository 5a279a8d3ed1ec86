// A like of an excerpt as the corpus panel needs to know it: liked, failed (the panel says so),
// or abandoned by the common status handler, which has already said everything.
#pragma once

#include <cstdint>
#include <string>

enum class LikeResult
{
    Liked,
    Failed,
    Abandoned,
};

struct LikeReply
{
    LikeResult result = LikeResult::Failed;
    std::string message; // GBK: the text to show for Liked and Failed
};

// Sends WsUpdateCorHits for the excerpt. A session that lapsed, was displaced or refused has
// been reported by the handler (or silently dropped while another notice is open); such a like
// is Abandoned, so the panel does not add its own failure notice on top.
LikeReply LikeExcerptOnService(std::int32_t corpusId);
