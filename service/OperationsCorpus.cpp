// Corpus operations: the excerpts of a keyword, one excerpt in full, likes.
#include "OperationsCorpus.h"

#include "ServiceDocument.h"

namespace {

constexpr const char *kLiked = "谢谢你的参与！你的选择会提升这条语料的排名！";
constexpr const char *kLikeFailed = "\t   语料分享失败";

// The corpus operations send the identity and one number in plain decimal digits.
template <class Request, class Response>
CallResult CallWithNumber(ProxyRoute route, ServiceOperation<Request, Response> operation, char *Request::*numberField,
                          std::int32_t number, char *Response::*resultField)
{
    std::string digits = std::to_string(number);
    Request request{};
    request.id = RequestText(ServiceContext.UserId);
    request.code = RequestText(ServiceContext.DeviceCode);
    request.*numberField = RequestText(digits);
    return CallService(route, CommonStatusRule::Handle, operation, request, resultField);
}

}  // namespace

FetchStatus FetchCorpusBriefs(std::int32_t keywordId, std::vector<CorpusBrief> &briefs)
{
    CallResult call = CallWithNumber(ProxyRoute::SignedIn, &OstrelServiceSoapProxy::WsCorpusBriefByKwId,
                                     &_ns1__WsCorpusBriefByKwId::kwId, keywordId,
                                     &_ns1__WsCorpusBriefByKwIdResponse::WsCorpusBriefByKwIdResult);
    if (call.status != CallStatus::Result)
        return StatusOfCall(call);
    if (call.text.empty())
        return FetchStatus::Empty;
    briefs.clear();
    Json::Value root;
    if (!ParseServiceDocument(call.text, root))
        return FetchStatus::BadDocument;
    for (const Json::Value &entry : DocumentRecords(root)) {
        if (entry.isObject())
            briefs.push_back({LeadingNumber(DocumentText(entry["Id"])), DocumentText(entry["Brief"])});
    }
    return FetchStatus::Ok;
}

FetchStatus FetchCorpusDetail(std::int32_t corpusId, CorpusDetail &detail)
{
    CallResult call = CallWithNumber(ProxyRoute::Default, &OstrelServiceSoapProxy::WsCorpusInfoById,
                                     &_ns1__WsCorpusInfoById::corpusId, corpusId,
                                     &_ns1__WsCorpusInfoByIdResponse::WsCorpusInfoByIdResult);
    if (call.status != CallStatus::Result)
        return StatusOfCall(call);
    if (call.text.empty() || call.text == "-9")
        return FetchStatus::NotFound;
    Json::Value root;
    if (!ParseServiceDocument(call.text, root))
        return FetchStatus::BadDocument;
    const Json::Value &record = DocumentRecord(root);
    if (!record.isObject())
        return FetchStatus::NotFound;
    detail = {DocumentText(record["con"]), DocumentText(record["title"]), DocumentText(record["cfrom"]),
              DocumentText(record["author"])};
    return FetchStatus::Ok;
}

LikeOutcome LikeCorpus(std::int32_t corpusId)
{
    CallResult call = CallWithNumber(ProxyRoute::SignedIn, &OstrelServiceSoapProxy::WsUpdateCorHits, &_ns1__WsUpdateCorHits::corId,
                                     corpusId, &_ns1__WsUpdateCorHitsResponse::WsUpdateCorHitsResult);
    LikeOutcome outcome;
    if (call.status == CallStatus::Abandoned) {
        outcome.abandoned = true;
        return outcome;
    }
    outcome.liked = call.status == CallStatus::Result && call.text == "1";
    outcome.message = ProgramMessage(outcome.liked ? kLiked : kLikeFailed);
    return outcome;
}

FetchStatus UpdateKeywordHits(std::int32_t keywordId, std::string &result)
{
    CallResult call = CallWithNumber(ProxyRoute::SignedIn, &OstrelServiceSoapProxy::WsUpdateKeyHits, &_ns1__WsUpdateKeyHits::keyId,
                                     keywordId, &_ns1__WsUpdateKeyHitsResponse::WsUpdateKeyHitsResult);
    if (call.status != CallStatus::Result)
        return StatusOfCall(call);
    result = call.text;
    return FetchStatus::Ok;
}
