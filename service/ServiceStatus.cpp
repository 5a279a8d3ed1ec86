// Classification of results and the handler of the common status codes.
#include "GbkText.h"
#include "ServiceCall.h"
#include "ServiceHooks.h"


namespace {

// The handler's messages are shown exactly as written: the tab and blanks place them in the box.
void ShowNotice(const char *utf8Message)
{
    if (auto &show = GetServiceHooks().showMessage)
        show(Utf8ToGbk(utf8Message));
}

bool MessageBoxOpen()
{
    auto &isOpen = GetServiceHooks().isMessageBoxOpen;
    return isOpen && isOpen();
}

void EndSignedInSession()
{
    NoteSignedInSessionEnded();
    if (auto &ended = GetServiceHooks().onReLoginRefused)
        ended();
}

// Renews a lapsed sign-in with the values of the last sign-in.
CallResult ReSignIn()
{
    // The account name goes out as UTF-8, as in the sign-in itself.
    std::string userName = GbkToUtf8(ServiceContext.UserName);
    _ns1__WsReLogin request{};
    request.u = RequestText(userName);
    request.p = RequestText(ServiceContext.PasswordDigest);
    request.code = RequestText(ServiceContext.DeviceCode);
    return CallService(ProxyRoute::PreSignIn, CommonStatusRule::NotApplicable, &OstrelServiceSoapProxy::WsReLogin, request,
                       &_ns1__WsReLoginResponse::WsReLoginResult);
}

}  // namespace

bool IsCommonStatus(const std::string &gbkResult)
{
    return gbkResult == "2" || gbkResult == "3" || gbkResult == "4";
}

ResultKind ClassifyResult(int soapStatus, const std::string &gbkResult, bool commonStatusApplies,
                          std::initializer_list<const char *> operationCodes)
{
    if (soapStatus != SOAP_OK)
        return ResultKind::TransportFailure;
    if (commonStatusApplies && IsCommonStatus(gbkResult))
        return ResultKind::CommonStatus;
    for (const char *code : operationCodes)
        if (gbkResult == code)
            return ResultKind::OperationStatus;
    return ResultKind::Document;
}

bool HandleServiceStatus(const std::string &gbkResult)
{
    // Displaced, the session is over whether or not a notice can be shown now: an essay dropped
    // from here on stays in the journal.
    if (gbkResult == "3")
        NoteSignedInSessionEnded();
    if (MessageBoxOpen())
        return false;
    if (gbkResult == "3") {
        // Displaced: every further call would answer "3" too, so the session ends here as a
        // refused renewal ends it, rather than leaving the student in a window that can do nothing.
        ShowNotice("您的账号已在别处登录，请重新登录！");
        EndSignedInSession();
        return false;
    }
    if (gbkResult == "4") {
        ShowNotice("错误请求，请重新登录！");
        return false;
    }
    if (gbkResult == kLapsedSignIn) {
        CallResult renewal = ReSignIn();
        if (renewal.status == CallStatus::TransportFailure)
            return false;
        if (renewal.text != "0")
            return true;
        ShowNotice("\t您已掉线，请重新登录!");
        EndSignedInSession();
        return false;
    }
    ShowNotice("\t  出现未知错误，请重新登录！");
    return false;
}
