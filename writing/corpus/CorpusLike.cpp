// The like of an excerpt, telling a failure from an abandonment.
#include "CorpusLike.h"

#include "OperationsCorpus.h"

LikeReply LikeExcerptOnService(std::int32_t corpusId)
{
    const LikeOutcome outcome = LikeCorpus(corpusId);
    LikeReply reply;
    reply.message = outcome.message;
    if (outcome.liked)
        reply.result = LikeResult::Liked;
    else
        // When the common status handler gave up it has told the student already.
        reply.result = outcome.abandoned ? LikeResult::Abandoned : LikeResult::Failed;
    return reply;
}
