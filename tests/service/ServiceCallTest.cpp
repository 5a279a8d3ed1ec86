// The call convention against a scripted peer on 127.0.0.1: the request bytes, the common
// status codes with re-sign-in and resend, and transport failures.
#include "PeerFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

CallResult UserInfo()
{
    _ns1__WsUserInfo request{};
    request.id = RequestText(ServiceContext.UserId);
    request.code = RequestText(ServiceContext.DeviceCode);
    return CallService(ProxyRoute::SignedIn, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsUserInfo, request,
                       &_ns1__WsUserInfoResponse::WsUserInfoResult);
}

TEST_F(PeerTest, SignInRequestIsQualifiedOrderedAndComplete)
{
    Peer().PushResult("WsLogin", "-6");
    std::string user = "student", digest = Md5Hex("secret"), verifyCode;
    _ns1__WsLogin request{};
    request.u = RequestText(user);
    request.p = RequestText(digest);
    request.code = RequestText(ServiceContext.DeviceCode);
    request.verifyCode = RequestText(verifyCode);
    CallResult result = CallService(ProxyRoute::PreSignIn, CommonStatusRule::NotApplicable, &OstrelServiceSoapProxy::WsLogin,
                                    request, &_ns1__WsLoginResponse::WsLoginResult);
    EXPECT_EQ(result.status, CallStatus::Result);
    EXPECT_EQ(result.text, "-6");

    std::vector<PeerRequest> sent = NewRequests();
    ASSERT_EQ(sent.size(), 1u);
    const std::string &body = sent[0].body;
    EXPECT_EQ(sent[0].head.substr(0, sent[0].head.find("\r\n")), "POST /Iface/api.asmx HTTP/1.1");
    EXPECT_NE(body.find("xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\""), std::string::npos) << body;
    EXPECT_NE(body.find("xmlns:SOAP-ENC=\"http://www.w3.org/2003/05/soap-encoding\""), std::string::npos) << body;
    EXPECT_NE(body.find("xmlns:ns1=\"" + Peer().BaseAddress() + "\""), std::string::npos) << body;
    EXPECT_EQ(body.find("xsi:type"), std::string::npos) << body;

    const std::string operation = Element(body, "ns1:WsLogin");
    const std::string expected = "<ns1:WsLogin><ns1:u>student</ns1:u><ns1:p>" + digest + "</ns1:p><ns1:code>" +
                                 ServiceContext.DeviceCode + "</ns1:code><ns1:verifyCode></ns1:verifyCode></ns1:WsLogin>";
    EXPECT_EQ(operation, expected);
    // SOAP 1.2 carries the action in the content type.
    EXPECT_NE(sent[0].Header("Content-Type").find("action=\"" + Peer().BaseAddress() + "\""), std::string::npos) << sent[0].head;
}

TEST_F(PeerTest, OperationWithoutElementsSendsItsEmptyElementToTheSignedInEndpoint)
{
    Peer().PushResult("WsOverallInfo", R"({"data":[{"version":"1.0.0"}]})");
    _ns1__WsOverallInfo request{};
    CallResult result = CallService(ProxyRoute::SignedIn, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsOverallInfo,
                                    request, &_ns1__WsOverallInfoResponse::WsOverallInfoResult);
    EXPECT_EQ(result.status, CallStatus::Result);
    EXPECT_EQ(result.text, R"({"data":[{"version":"1.0.0"}]})");

    std::vector<PeerRequest> sent = NewRequests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].Path(), "/iface/api.asmx");
    const std::string operation = Element(sent[0].body, "ns1:WsOverallInfo");
    EXPECT_EQ(operation, "<ns1:WsOverallInfo></ns1:WsOverallInfo>") << sent[0].body;
}

TEST_F(PeerTest, EmptyTitleIsSentAsAnEmptyElementAndChineseAsUtf8)
{
    Peer().PushResult("WsUserComp", R"({"data":[]})");
    std::string pageSize = "10", pageIndex = "1", sortWay = "0", title;
    _ns1__WsUserComp request{};
    request.id = RequestText(ServiceContext.UserId);
    request.code = RequestText(ServiceContext.DeviceCode);
    request.pageSize = RequestText(pageSize);
    request.pageIndex = RequestText(pageIndex);
    request.sortWay = RequestText(sortWay);
    request.title = RequestText(title);
    CallService(ProxyRoute::SignedIn, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsUserComp, request,
                &_ns1__WsUserCompResponse::WsUserCompResult);
    title = GbkToUtf8(Utf8ToGbk("春天<&>"));
    CallService(ProxyRoute::SignedIn, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsUserComp, request,
                &_ns1__WsUserCompResponse::WsUserCompResult);

    std::vector<PeerRequest> sent = NewRequests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(Element(sent[0].body, "ns1:WsUserComp"),
              "<ns1:WsUserComp><ns1:id>15</ns1:id><ns1:code>" + ServiceContext.DeviceCode +
                  "</ns1:code><ns1:pageSize>10</ns1:pageSize><ns1:pageIndex>1</ns1:pageIndex><ns1:sortWay>0</ns1:sortWay>"
                  "<ns1:title></ns1:title></ns1:WsUserComp>");
    EXPECT_EQ(Element(sent[1].body, "ns1:title"), "<ns1:title>春天&lt;&amp;&gt;</ns1:title>");
}

TEST_F(PeerTest, LapsedSignInIsRenewedAndTheSameRequestSentAgain)
{
    Peer().PushResult("WsUserInfo", "2");
    Peer().PushResult("WsReLogin", "1");
    Peer().PushResult("WsUserInfo", "2");
    Peer().PushResult("WsReLogin", "1");
    Peer().PushResult("WsUserInfo", R"({"data":[{"TrueName":"张三"}]})");
    CallResult result = UserInfo();
    EXPECT_EQ(result.status, CallStatus::Result);
    EXPECT_EQ(result.text, Utf8ToGbk(R"({"data":[{"TrueName":"张三"}]})"));

    std::vector<PeerRequest> sent = NewRequests();
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[2].body, sent[0].body);
    EXPECT_EQ(sent[4].body, sent[0].body);
    EXPECT_EQ(Element(sent[1].body, "ns1:WsReLogin"), "<ns1:WsReLogin><ns1:u>student</ns1:u><ns1:p>" + Md5Hex("secret") +
                                                          "</ns1:p><ns1:code>" + ServiceContext.DeviceCode +
                                                          "</ns1:code></ns1:WsReLogin>");
    EXPECT_EQ(sent[1].Path(), "/Iface/api.asmx");
    EXPECT_TRUE(m_shown.empty());
}

// The operation a request body carries: the name of the element inside the SOAP body.
std::string OperationName(const std::string &body)
{
    const std::size_t open = body.find("<ns1:Ws");
    if (open == std::string::npos)
        return {};
    const std::size_t start = open + 5;
    return body.substr(start, body.find_first_of(" />", start) - start);
}

// A peer that answers "2" to every call and accepts every renewal. It gives up after many
// rounds only so that a client without a bound ends with a wrong result instead of hanging.
void LapseForEver()
{
    Peer().SetResponder([rounds = 0](const PeerRequest &request) mutable {
        if (request.body.find("WsReLogin") != std::string::npos)
            return ScriptedPeer::Reply{ScriptedPeer::HttpResponse(ScriptedPeer::SoapResultEnvelope("WsReLogin", "1"))};
        const char *answer = ++rounds < 50 ? "2" : R"({"data":[]})";
        return ScriptedPeer::Reply{ScriptedPeer::HttpResponse(ScriptedPeer::SoapResultEnvelope("WsUserInfo", answer))};
    });
}

TEST_F(PeerTest, EndlessLapsesEndTheCallSilentlyAfterThreeRenewals)
{
    LapseForEver();
    CallResult result = UserInfo();
    EXPECT_EQ(result.status, CallStatus::Abandoned);
    std::vector<PeerRequest> sent = NewRequests();
    ASSERT_EQ(sent.size(), 7u);  // four sends, three renewals between them
    std::vector<std::string> operations;
    for (const PeerRequest &request : sent)
        operations.push_back(OperationName(request.body));
    const std::vector<std::string> expected = {"WsUserInfo", "WsReLogin", "WsUserInfo", "WsReLogin",
                                               "WsUserInfo", "WsReLogin", "WsUserInfo"};
    EXPECT_EQ(operations, expected);
    EXPECT_EQ(m_shown, std::vector<std::string>{});
    EXPECT_EQ(m_refusals, 0);

    // The bound is per call: the next call has its own three renewals.
    EXPECT_EQ(UserInfo().status, CallStatus::Abandoned);
    EXPECT_EQ(NewRequests().size(), 14u);
}

TEST_F(PeerTest, DisplacementAfterRenewalsIsStillReported)
{
    for (int i = 0; i < 3; ++i) {
        Peer().PushResult("WsUserInfo", "2");
        Peer().PushResult("WsReLogin", "1");
    }
    Peer().PushResult("WsUserInfo", "3");
    EXPECT_EQ(UserInfo().status, CallStatus::Abandoned);
    EXPECT_EQ(NewRequests().size(), 7u);
    EXPECT_EQ(m_shown, std::vector<std::string>{Utf8ToGbk("您的账号已在别处登录，请重新登录！")});
}

TEST_F(PeerTest, RefusedRenewalShowsOfflineMessageAndReturnsToSignIn)
{
    Peer().PushResult("WsUserInfo", "2");
    Peer().PushResult("WsReLogin", "0");
    CallResult result = UserInfo();
    EXPECT_EQ(result.status, CallStatus::Abandoned);
    EXPECT_EQ(NewRequests().size(), 2u);
    EXPECT_EQ(m_shown, std::vector<std::string>{Utf8ToGbk("\t您已掉线，请重新登录!")});
    EXPECT_EQ(m_refusals, 1);
}

TEST_F(PeerTest, CommonStatusMessages)
{
    struct Case
    {
        const char *result;
        std::vector<std::string> shown;
        int sessionsEnded; // "3": signed in elsewhere ends the session as a refused renewal does
    };
    const Case cases[] = {
        {"3", {Utf8ToGbk("您的账号已在别处登录，请重新登录！")}, 1},
        {"4", {Utf8ToGbk("错误请求，请重新登录！")}, 0},
    };
    for (const Case &c : cases) {
        m_shown.clear();
        m_refusals = 0;
        Peer().PushResult("WsUserInfo", c.result);
        EXPECT_EQ(UserInfo().status, CallStatus::Abandoned) << c.result;
        EXPECT_EQ(m_shown, c.shown) << c.result;
        EXPECT_EQ(m_refusals, c.sessionsEnded) << c.result;
    }
    m_shown.clear();
    m_refusals = 0;
    EXPECT_FALSE(HandleServiceStatus("7"));
    EXPECT_EQ(m_shown, std::vector<std::string>{Utf8ToGbk("\t  出现未知错误，请重新登录！")});
    EXPECT_EQ(m_refusals, 0);
}

TEST_F(PeerTest, NothingIsShownWhileANoticeIsOpen)
{
    m_boxOpen = true;
    for (const char *status : {"2", "3", "4"}) {
        Peer().PushResult("WsUserInfo", status);
        EXPECT_EQ(UserInfo().status, CallStatus::Abandoned) << status;
    }
    EXPECT_TRUE(m_shown.empty());
    EXPECT_EQ(NewRequests().size(), 3u); // no re-sign-in either
}

TEST_F(PeerTest, SkippingOperationsDoNotRenew)
{
    Peer().PushResult("WsMainInfo", "2");
    _ns1__WsMainInfo request{};
    CallResult result = CallService(ProxyRoute::SignedIn, CommonStatusRule::Skip, &OstrelServiceSoapProxy::WsMainInfo, request,
                                    &_ns1__WsMainInfoResponse::WsMainInfoResult);
    EXPECT_EQ(result.status, CallStatus::Skipped);
    EXPECT_EQ(NewRequests().size(), 1u);
    EXPECT_TRUE(m_shown.empty());
}

TEST_F(PeerTest, BrokenRepliesAreTransportFailures)
{
    const std::string envelope = ScriptedPeer::SoapResultEnvelope("WsUserInfo", std::string(4000, 'x'));
    const ScriptedPeer::Reply replies[] = {
        {"hello, not HTTP"},
        {ScriptedPeer::HttpResponse("not xml at all")},
        {ScriptedPeer::HttpResponse("<html><body>Server error</body></html>", "500 Internal Server Error")},
        {ScriptedPeer::HttpResponse(envelope).substr(0, 300)}, // cut off
        {""},                                                  // closed without a word
    };
    for (const ScriptedPeer::Reply &reply : replies) {
        Peer().Push(reply);
        CallResult result = UserInfo();
        EXPECT_EQ(result.status, CallStatus::TransportFailure) << reply.raw;
        EXPECT_NE(result.soapError, SOAP_OK);
    }
    // Over the receive cap.
    CurrentServiceLimits().maxReceiveBytes = 2000;
    Peer().Push({ScriptedPeer::HttpResponse(envelope)});
    EXPECT_EQ(UserInfo().status, CallStatus::TransportFailure);
    EXPECT_TRUE(m_shown.empty());
}

TEST_F(PeerTest, Soap11RepliesAreReadToo)
{
    std::string envelope = ScriptedPeer::SoapResultEnvelope("WsUserInfo", "{\"data\":[]}");
    const std::string soap12 = "http://www.w3.org/2003/05/soap-envelope";
    envelope.replace(envelope.find(soap12), soap12.size(), "http://schemas.xmlsoap.org/soap/envelope/");
    Peer().Push({ScriptedPeer::HttpResponse(envelope)});
    CallResult result = UserInfo();
    EXPECT_EQ(result.status, CallStatus::Result);
    EXPECT_EQ(result.text, "{\"data\":[]}");
}

TEST_F(PeerTest, NoPeerIsATransportFailure)
{
    std::string saved = ServiceContext.Endpoint;
    ServiceContext.Endpoint = "http://127.0.0.1:1/iface/api.asmx";
    EXPECT_EQ(UserInfo().status, CallStatus::TransportFailure);
    ServiceContext.Endpoint = saved;
}

TEST(ServiceTimeout, PeerThatNeverAnswersTimesOut)
{
    ScriptedPeer silent;
    silent.Push({"", true});
    CurrentServiceLimits().receiveSeconds = 1;
    std::string saved = ServiceContext.Endpoint;
    ServiceContext.Endpoint = silent.BaseAddress() + "iface/api.asmx";
    _ns1__WsOverallInfo request{};
    CallResult result = CallService(ProxyRoute::SignedIn, CommonStatusRule::Handle, &OstrelServiceSoapProxy::WsOverallInfo,
                                    request, &_ns1__WsOverallInfoResponse::WsOverallInfoResult);
    EXPECT_EQ(result.status, CallStatus::TransportFailure);
    EXPECT_EQ(silent.Requests().size(), 1u);
    ServiceContext.Endpoint = saved;
    CurrentServiceLimits() = ServiceLimits{};
}

// A proxy that carries an exchange refuses a second one until the first has ended; the other
// proxy is free meanwhile.
TEST(ProxyExchange, OneExchangeAtATimeOnOneProxy)
{
    {
        const ProxyExchangeGuard first(HostProxy());
        EXPECT_TRUE(first.Acquired());
        const ProxyExchangeGuard second(HostProxy());
        EXPECT_FALSE(second.Acquired());
        const ProxyExchangeGuard other(PreSignInProxy());
        EXPECT_TRUE(other.Acquired());
    }
    const ProxyExchangeGuard after(HostProxy());
    EXPECT_TRUE(after.Acquired());
}

TEST(ResultKind, ClassifiesResults)
{
    EXPECT_EQ(ClassifyResult(SOAP_EOF, "1", true, {"1"}), ResultKind::TransportFailure);
    EXPECT_EQ(ClassifyResult(SOAP_OK, "2", true, {"1"}), ResultKind::CommonStatus);
    EXPECT_EQ(ClassifyResult(SOAP_OK, "2", false, {"0", "2"}), ResultKind::OperationStatus);
    EXPECT_EQ(ClassifyResult(SOAP_OK, "-6", false, {"0", "-6"}), ResultKind::OperationStatus);
    EXPECT_EQ(ClassifyResult(SOAP_OK, "[]", true, {"0"}), ResultKind::Document);
    EXPECT_EQ(ClassifyResult(SOAP_OK, " 2", true, {}), ResultKind::Document);
}

} // namespace
