// The like of an excerpt, telling a failure from an abandonment.
#include "CorpusLike.h"

#include "OperationsCorpus.h"
#include "ServiceHooks.h"

LikeReply LikeExcerptOnService(std::int32_t corpusId)
{
    // The like operation reports only liked or not. Whether the common status handler took over
    // shows in what it asked of the program: a notice, a refused renewal, or the question
    // whether a notice is already open (asked only for "2", "3" or "4"). The hooks are watched
    // for the length of the call and given back unchanged.
    ServiceHooks &hooks = GetServiceHooks();
    const ServiceHooks saved = hooks;
    bool handled = false;
    hooks.showMessage = [&](const std::string &message) {
        handled = true;
        if (saved.showMessage)
            saved.showMessage(message);
    };
    hooks.isMessageBoxOpen = [&] {
        const bool open = saved.isMessageBoxOpen && saved.isMessageBoxOpen();
        handled = handled || open;
        return open;
    };
    hooks.onReLoginRefused = [&] {
        handled = true;
        if (saved.onReLoginRefused)
            saved.onReLoginRefused();
    };
    const LikeOutcome outcome = LikeCorpus(corpusId);
    GetServiceHooks() = saved;

    LikeReply reply;
    reply.message = outcome.message;
    if (outcome.liked)
        reply.result = LikeResult::Liked;
    else
        reply.result = handled ? LikeResult::Abandoned : LikeResult::Failed;
    return reply;
}
