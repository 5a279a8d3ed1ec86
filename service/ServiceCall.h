// The one call loop of every service operation: send, convert, common status with re-sign-in
// and resend, then hand the result to the operation.
#pragma once

#include "GbkText.h"
#include "ServiceContext.h"
#include "ServiceHooks.h"
#include "ServiceProxy.h"

#include <cassert>
#include <initializer_list>
#include <string>

// Which proxy and which address pair a call uses.
enum class ProxyRoute
{
    PreSignIn,  // the pre-sign-in proxy, built-in endpoint and action
    Default,    // the signed-in proxy, built-in endpoint and action
    SignedIn,   // the signed-in proxy, signed-in endpoint and action
};

// What the loop does with the common status results "2", "3" and "4".
enum class CommonStatusRule
{
    NotApplicable,  // pre-sign-in operations: every result belongs to the operation
    Handle,         // HandleServiceStatus decides: resend or abandon
    Skip,           // the step is skipped without the handler
};

enum class CallStatus
{
    Result,            // a result for the operation to interpret (text in GBK)
    TransportFailure,  // no reply, HTTP error, SOAP fault, unreadable or over-long reply
    Abandoned,         // a common status that the handler gave up on; it has said everything
    Skipped,           // a common status of an operation that skips its step
};

struct CallResult
{
    CallStatus status = CallStatus::TransportFailure;
    std::string text;  // the result converted to GBK ("" when absent)
    int soapError = 0;
};

enum class ResultKind
{
    TransportFailure,
    CommonStatus,
    OperationStatus,
    Document,
};

// The common status of a lapsed sign-in, the one the handler renews.
constexpr const char *kLapsedSignIn = "2";

bool IsCommonStatus(const std::string &gbkResult);

// Classifies a result: transport failure, common status (where it applies), one of the
// operation's own status codes, or a JSON document.
ResultKind ClassifyResult(int soapStatus, const std::string &gbkResult, bool commonStatusApplies,
                          std::initializer_list<const char *> operationCodes);

// Handles "2", "3", "4" (and any other text given to it): true when the caller is to send the
// same request again. Shows its own messages through the service hooks.
bool HandleServiceStatus(const std::string &gbkResult);

// The text field of a request record: always a valid pointer, so an empty value is sent as an
// empty element.
inline char *RequestText(std::string &value)
{
    return value.data();
}

template <class Request, class Response>
using ServiceOperation = int (OstrelServiceSoapProxy::*)(const char *, const char *, Request *, Response *);

struct RawReply
{
    int soapStatus = SOAP_OK;
    std::string bytes;  // the result exactly as received ("" when absent or on failure)
};

// One exchange through the route's proxy and address pair. `extract` copies the result out of
// the response before the runtime context releases it.
template <class Request, class Response, class Extract>
RawReply SendServiceRequest(ProxyRoute route, ServiceOperation<Request, Response> operation, Request &request, Extract extract)
{
    OstrelServiceSoapProxy &proxy = route == ProxyRoute::PreSignIn ? PreSignInProxy() : HostProxy();
    const std::string &endpoint = route == ProxyRoute::SignedIn ? ServiceContext.Endpoint : ServiceContext.DefaultEndpoint;
    const std::string &action = route == ProxyRoute::SignedIn ? ServiceContext.BaseAddress : ServiceContext.DefaultBaseAddress;
    ApplyServiceLimits(proxy.soap);

    Response response{};
    RawReply reply;
    // The exchange may run on another thread while this one waits for it (see ServiceHooks);
    // the proxy is used by that one exchange only until it returns.
    RunBlockingServiceCall([&] {
        const ProxyExchangeGuard oneExchange(proxy);
        assert(oneExchange.Acquired() && "a second exchange started on a proxy that carries one");
        if (!oneExchange.Acquired()) {
            reply.soapStatus = SOAP_ERR; // a failed call, never a shared connection
            return;
        }
        reply.soapStatus = (proxy.*operation)(endpoint.c_str(), action.c_str(), &request, &response);
        if (reply.soapStatus == SOAP_OK)
            reply.bytes = extract(response);
        proxy.destroy();  // the reply's data lives in the runtime context until here
    });
    // Any answer, a fault included, came from the service; only a failed exchange did not.
    NoteExchangeReachedService(reply.soapStatus == SOAP_OK || reply.soapStatus == SOAP_FAULT);
    return reply;
}

// A peer that answers "2" to every request while accepting every renewal would otherwise keep
// the call going for ever: a call renews the sign-in at most this many times, and the next "2"
// ends it as abandoned without a message (the renewals themselves showed none).
constexpr int kMaxRenewalsPerCall = 3;

// The call loop of every operation with a text result: sends the request, converts the result
// to GBK, then applies the rule for the common status results. After a renewed sign-in the
// request record is sent again unchanged.
template <class Request, class Response>
CallResult CallService(ProxyRoute route, CommonStatusRule rule, ServiceOperation<Request, Response> operation,
                       Request &request, char *Response::*resultField)
{
    auto text = [resultField](Response &response) {
        const char *value = response.*resultField;
        return std::string(value ? value : "");
    };
    int renewals = 0;
    for (;;) {
        RawReply reply = SendServiceRequest(route, operation, request, text);
        CallResult result;
        result.soapError = reply.soapStatus;
        if (reply.soapStatus != SOAP_OK)
            return result;
        result.text = Utf8ToGbk(reply.bytes);
        if (rule != CommonStatusRule::NotApplicable && IsCommonStatus(result.text)) {
            if (rule == CommonStatusRule::Skip) {
                result.status = CallStatus::Skipped;
                return result;
            }
            const bool lapsed = result.text == kLapsedSignIn;
            if (!(lapsed && renewals == kMaxRenewalsPerCall) && HandleServiceStatus(result.text)) {
                ++renewals;
                continue;
            }
            result.status = CallStatus::Abandoned;
            return result;
        }
        result.status = CallStatus::Result;
        return result;
    }
}
