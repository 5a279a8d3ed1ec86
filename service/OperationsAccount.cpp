// Sign-in, profile, poll and synchronisation operations of the service.
#include "OperationsAccount.h"

#include "Md5.h"
#include "ServiceDocument.h"

UserInfoRecord UserInfo;

namespace {

struct SignInCode
{
    const char *result;
    SignInStatus status;
    const char *message;
};

// Compared as whole strings in this order; the first match decides.
constexpr SignInCode kSignInCodes[] = {
    {"0", SignInStatus::Failed, "\t    登陆失败!"},
    {"-6", SignInStatus::WrongPassword, "\t    用户名或密码错误!"},
    {"-1", SignInStatus::WrongVerifyCode, "\t    验证码输入错误!"},
    {"-3", SignInStatus::Disabled, "\t    账号已被禁用!"},
    {"-5", SignInStatus::NotRegistered, "\t    您还未完成注册!"},
};
constexpr const char *kNoConnection = "\t    连接服务器失败!";

CallResult SendSignIn(const std::string *verifyCode)
{
    // The account name goes out as UTF-8 like every other text: GBK bytes are not well-formed
    // inside a UTF-8 document, and a strict peer could not read them at all.
    std::string userName = GbkToUtf8(ServiceContext.UserName);
    if (verifyCode) {
        std::string code = *verifyCode;
        _ns1__WsLogin request{};
        request.u = RequestText(userName);
        request.p = RequestText(ServiceContext.PasswordDigest);
        request.code = RequestText(ServiceContext.DeviceCode);
        request.verifyCode = RequestText(code);
        return CallService(ProxyRoute::PreSignIn, CommonStatusRule::NotApplicable, &OstrelServiceSoapProxy::WsLogin, request,
                           &_ns1__WsLoginResponse::WsLoginResult);
    }
    _ns1__WsAutoLogin request{};
    request.u = RequestText(userName);
    request.p = RequestText(ServiceContext.PasswordDigest);
    request.code = RequestText(ServiceContext.DeviceCode);
    return CallService(ProxyRoute::PreSignIn, CommonStatusRule::NotApplicable, &OstrelServiceSoapProxy::WsAutoLogin, request,
                       &_ns1__WsAutoLoginResponse::WsAutoLoginResult);
}

// Reads "ID", "host" and "No" in this order, storing each as it is read.
bool AcceptSignInDocument(const std::string &document)
{
    std::string id, host, number;
    if (!SignInIdField(document, id))
        return false;
    ServiceContext.UserId = id;
    if (!SignInDataField(document, "host", host) || !IsServiceBaseAddress(host))
        return false;
    SetSignedInAddress(host);
    if (!SignInDataField(document, "No", number))
        return false;
    ServiceContext.UserNo = number;
    NoteSignedInSessionStarted();
    return true;
}

// Calls a signed-in operation with only the identity elements.
template <class Request, class Response>
CallResult CallWithIdentity(CommonStatusRule rule, ServiceOperation<Request, Response> operation, char *Response::*resultField)
{
    Request request{};
    request.id = RequestText(ServiceContext.UserId);
    request.code = RequestText(ServiceContext.DeviceCode);
    return CallService(ProxyRoute::SignedIn, rule, operation, request, resultField);
}

}  // namespace

SignInOutcome SignIn(const std::string &userName, const std::string &password, const std::string *verifyCode)
{
    ServiceContext.UserName = userName;
    ServiceContext.PasswordDigest = Md5Hex(password);

    SignInOutcome outcome;
    CallResult call = SendSignIn(verifyCode);
    if (call.status == CallStatus::TransportFailure) {
        outcome.message = ProgramMessage(kNoConnection);
        return outcome;
    }
    for (const SignInCode &code : kSignInCodes) {
        if (call.text == code.result) {
            outcome.status = code.status;
            outcome.message = ProgramMessage(code.message);
            return outcome;
        }
    }
    if (!AcceptSignInDocument(call.text)) {
        outcome.status = SignInStatus::BadDocument;
        return outcome;
    }
    CreateHostProxy();
    outcome.status = SignInStatus::Success;
    return outcome;
}

bool FetchVerifyImage(std::vector<unsigned char> &gif)
{
    std::string code = ServiceContext.DeviceCode;
    _ns1__WsCreateVerifyImage request{};
    request.code = RequestText(code);
    RawReply reply = SendServiceRequest(ProxyRoute::PreSignIn, &OstrelServiceSoapProxy::WsCreateVerifyImage, request,
                                        [](_ns1__WsCreateVerifyImageResponse &response) {
                                            const xsd__base64Binary *block = response.WsCreateVerifyImageResult;
                                            if (!block || !block->__ptr || block->__size <= 0)
                                                return std::string();
                                            return std::string(reinterpret_cast<const char *>(block->__ptr),
                                                               static_cast<std::size_t>(block->__size));
                                        });
    if (reply.soapStatus != SOAP_OK)
        return false;
    gif.assign(reply.bytes.begin(), reply.bytes.end());
    return true;
}

FetchStatus LoadUserInfo()
{
    CallResult call = CallWithIdentity<_ns1__WsUserInfo>(CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsUserInfo,
                                                         &_ns1__WsUserInfoResponse::WsUserInfoResult);
    Json::Value root;
    if (FetchStatus status = ReadResultDocument(call, root); status != FetchStatus::Ok)
        return status;
    const Json::Value &record = DocumentRecord(root);
    UserInfo.TrueName = DocumentText(record["TrueName"]);
    UserInfo.ID = DocumentText(record["ID"]);
    UserInfo.School = DocumentText(record["School"]);
    UserInfo.Phone = DocumentText(record["Phone"]);
    UserInfo.Email = DocumentText(record["Email"]);
    UserInfo.Status = DocumentText(record["Status"]);
    UserInfo.UT = DocumentText(record["UT"]);
    return FetchStatus::Ok;
}

FetchStatus PollNewestMessage(PollMessage &message)
{
    CallResult call = CallWithIdentity<_ns1__WsServerPoll>(CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsServerPoll,
                                                           &_ns1__WsServerPollResponse::WsServerPollResult);
    Json::Value root;
    if (FetchStatus status = ReadResultDocument(call, root); status != FetchStatus::Ok)
        return status;
    const Json::Value &messages = DocumentRecord(root)["message"];
    if (!messages.isArray() || messages.empty())
        return FetchStatus::Empty;
    const Json::Value &newest = messages[messages.size() - 1];
    if (!newest.isObject())
        return FetchStatus::Empty;
    message.content = DocumentText(newest["Content"]);
    message.url = DocumentText(newest["Url"]);
    return FetchStatus::Ok;
}

FetchStatus FetchOverallInfo(OverallInfo &info)
{
    _ns1__WsOverallInfo request{};
    CallResult call = CallService(ProxyRoute::SignedIn, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsOverallInfo, request,
                                  &_ns1__WsOverallInfoResponse::WsOverallInfoResult);
    Json::Value root;
    if (FetchStatus status = ReadResultDocument(call, root); status != FetchStatus::Ok)
        return status;
    const Json::Value &record = DocumentRecord(root);
    info.version = DocumentText(record["version"]);
    info.mainInfoTime = DocumentText(record["MainInfoTime"]);
    info.keyWordMaxId = DocumentText(record["KeyWordMaxID"]);
    return FetchStatus::Ok;
}

FetchStatus FetchMainInfo(std::vector<MainInfoItem> &items)
{
    _ns1__WsMainInfo request{};
    CallResult call = CallService(ProxyRoute::SignedIn, CommonStatusRule::Skip, &OstrelServiceSoapProxy::WsMainInfo, request,
                                  &_ns1__WsMainInfoResponse::WsMainInfoResult);
    Json::Value root;
    if (FetchStatus status = ReadResultDocument(call, root); status != FetchStatus::Ok)
        return status;
    items.clear();
    for (const Json::Value &entry : DocumentRecords(root)) {
        if (!entry.isObject())
            continue;
        items.push_back({DocumentText(entry["ID"]), DocumentText(entry["Name"]), DocumentText(entry["Class"]),
                         DocumentText(entry["Type"]), DocumentText(entry["Con"])});
    }
    return FetchStatus::Ok;
}

FetchStatus FetchKeywords(const std::string &keyId, std::vector<ServiceKeyword> &keywords)
{
    std::string fromId = keyId;
    _ns1__WsKeyword request{};
    request.id = RequestText(ServiceContext.UserId);
    request.code = RequestText(ServiceContext.DeviceCode);
    request.keyId = RequestText(fromId);
    CallResult call = CallService(ProxyRoute::SignedIn, CommonStatusRule::Skip, &OstrelServiceSoapProxy::WsKeyword, request,
                                  &_ns1__WsKeywordResponse::WsKeywordResult);
    if (call.status != CallStatus::Result)
        return StatusOfCall(call);
    if (call.text.empty())
        return FetchStatus::Skipped;
    return ParseKeywordDocument(call.text, keywords);
}

FetchStatus ParseKeywordDocument(const std::string &result, std::vector<ServiceKeyword> &keywords)
{
    Json::Value root;
    if (!ParseServiceDocument(result, root))
        return FetchStatus::BadDocument;
    keywords.clear();
    keywords.reserve(DocumentRecords(root).size());
    for (const Json::Value &entry : DocumentRecords(root)) {
        if (entry.isObject())
            keywords.push_back({DocumentText(entry["I"]), DocumentText(entry["K"])});
    }
    return FetchStatus::Ok;
}
