// The one call loop of every service operation: send, convert, common status with re-sign-in
// and resend, then hand the result to the operation.
#pragma once

#include "GbkText.h"
#include "ServiceContext.h"
#include "ServiceProxy.h"

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

// Sends the request through the route's proxy and address pair, then applies the rule for the
// common status results. The request record is sent again unchanged after a renewed sign-in.
template <class Request, class Response>
CallResult CallService(ProxyRoute route, CommonStatusRule rule, ServiceOperation<Request, Response> operation,
                       Request &request, char *Response::*resultField)
{
    for (;;) {
        OstrelServiceSoapProxy &proxy = route == ProxyRoute::PreSignIn ? PreSignInProxy() : HostProxy();
        const std::string &endpoint = route == ProxyRoute::SignedIn ? ServiceContext.Endpoint : ServiceContext.DefaultEndpoint;
        const std::string &action = route == ProxyRoute::SignedIn ? ServiceContext.BaseAddress : ServiceContext.DefaultBaseAddress;
        ApplyServiceLimits(proxy.soap);

        Response response{};
        int soapStatus = (proxy.*operation)(endpoint.c_str(), action.c_str(), &request, &response);
        std::string utf8 = soapStatus == SOAP_OK && response.*resultField ? response.*resultField : "";
        proxy.destroy();  // the reply's data lives in the runtime context until here

        CallResult result;
        result.soapError = soapStatus;
        if (soapStatus != SOAP_OK)
            return result;
        result.text = Utf8ToGbk(utf8);
        if (rule != CommonStatusRule::NotApplicable && IsCommonStatus(result.text)) {
            if (rule == CommonStatusRule::Skip) {
                result.status = CallStatus::Skipped;
                return result;
            }
            if (HandleServiceStatus(result.text))
                continue;
            result.status = CallStatus::Abandoned;
            return result;
        }
        result.status = CallStatus::Result;
        return result;
    }
}
