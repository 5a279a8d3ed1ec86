// The client over https against the real reference service serving TLS with certificates made
// at test time: it signs in and saves when the certificate verifies, and sends nothing when the
// certificate does not.
#include "GbkText.h"
#include "OperationsAccount.h"
#include "OperationsComposition.h"
#include "ServiceContext.h"
#include "ServiceHooks.h"
#include "ServiceProcess.h"
#include "ServiceProxy.h"
#include "TestCertificates.h"

#include <json/json.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::string Gbk(const char *utf8)
{
    return Utf8ToGbk(utf8);
}

const TestCertificates &Certificates()
{
    static TestCertificates certificates;
    return certificates;
}

std::unique_ptr<ServiceProcess> StartTls(const CertificateFiles &files)
{
    return ServiceProcess::Start({"--tls-cert", files.certificate, "--tls-key", files.key});
}

std::string FirstId(const std::string &result)
{
    Json::Value root;
    if (!Json::Reader().parse(result, root) || !root.isObject())
        return "(not a document: " + result + ")";
    return root["data"][0]["ID"].asString();
}

// A client of the test's own that takes any certificate. Signed in as the same user on its own
// device, it sees whether the program's sign-in reached the service: a sign-in from another
// device displaces its session, and its next call answers "3".
class Observer
{
public:
    explicit Observer(const ServiceProcess &service) : m_endpoint(service.Endpoint()), m_action(service.BaseAddress())
    {
        soap_set_imode(m_proxy.soap, SOAP_C_UTFSTRING);
        soap_set_omode(m_proxy.soap, SOAP_C_UTFSTRING);
        soap_ssl_client_context(m_proxy.soap, SOAP_SSL_NO_AUTHENTICATION, nullptr, nullptr, nullptr, nullptr, nullptr);
    }

    // The user's id, or "" when the sign-in failed.
    std::string SignIn(const std::string &device)
    {
        std::string name = "xuesheng", digest = Md5Hex("123456"), code = device;
        _ns1__WsAutoLogin request{};
        request.u = name.data();
        request.p = digest.data();
        request.code = code.data();
        _ns1__WsAutoLoginResponse response{};
        m_proxy.WsAutoLogin(m_endpoint.c_str(), m_action.c_str(), &request, &response);
        std::string result = response.WsAutoLoginResult ? response.WsAutoLoginResult : "";
        m_proxy.destroy();
        return FirstId(result);
    }

    std::string UserInfo(std::string id, std::string device)
    {
        _ns1__WsUserInfo request{};
        request.id = id.data();
        request.code = device.data();
        _ns1__WsUserInfoResponse response{};
        int status = m_proxy.WsUserInfo(m_endpoint.c_str(), m_action.c_str(), &request, &response);
        std::string result = status != SOAP_OK           ? "(transport failure)"
                             : response.WsUserInfoResult ? response.WsUserInfoResult
                                                         : "";
        m_proxy.destroy();
        return result;
    }

private:
    OstrelServiceSoapProxy m_proxy;
    std::string m_endpoint, m_action;
};

class ClientTlsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ServiceContext.DeviceCode = "5455565758595a5b5c5d5e5f6061";
        ServiceHooks &hooks = GetServiceHooks();
        hooks.isMessageBoxOpen = [] { return false; };
        hooks.showMessage = [this](const std::string &message) { m_shown.push_back(message); };
    }

    void TearDown() override
    {
        GetServiceHooks() = ServiceHooks{};
        SetServiceCAFile("");
    }

    // The program's settings: [Service] Host and CAFile.
    static void PointAt(const ServiceProcess &service, const std::string &caFile)
    {
        InitServiceAddresses(service.BaseAddress());
        SetServiceCAFile(caFile);
    }

    std::vector<std::string> m_shown;
};

} // namespace

TEST_F(ClientTlsTest, SignsInAndSavesOverVerifiedTls)
{
    auto service = StartTls(Certificates().Server());
    ASSERT_EQ(service->BaseAddress().rfind("https://127.0.0.1:", 0), 0u) << service->BaseAddress();
    PointAt(*service, Certificates().AuthorityFile());
    EXPECT_EQ(ServiceContext.DefaultEndpoint, service->Endpoint());

    ASSERT_EQ(SignIn("xuesheng", "123456", nullptr).status, SignInStatus::Success);
    // The sign-in's "host" is the https address: the signed-in calls go over TLS as well.
    EXPECT_EQ(ServiceContext.BaseAddress, service->BaseAddress());
    SaveOutcome saved = SaveComposition("0", Gbk("秋天的校园"), Gbk("落叶铺满了小路。\r风一吹，沙沙作响。"));
    ASSERT_EQ(saved.status, SaveStatus::Saved) << GbkToUtf8(saved.message);
    CompositionText essay;
    ASSERT_EQ(FetchComposition(std::stoi(saved.essayId), essay), FetchStatus::Ok);
    EXPECT_EQ(essay.Title, Gbk("秋天的校园"));
    EXPECT_EQ(essay.Content, Gbk("落叶铺满了小路。\r风一吹，沙沙作响。"));
    EXPECT_EQ(m_shown, std::vector<std::string>{});
}

TEST_F(ClientTlsTest, CertificatesThatDoNotVerifyAreRefusedBeforeAnyRequest)
{
    struct Case
    {
        const char *what;
        const CertificateFiles &served;
        std::string trust; // the client's CA file; "" for the system's trusted certificates
    };
    const Case cases[] = {
        {"certificate for another name", Certificates().OtherName(), Certificates().AuthorityFile()},
        {"self-signed certificate", Certificates().SelfSigned(), Certificates().AuthorityFile()},
        {"authority the system does not trust", Certificates().Server(), ""},
    };
    for (const Case &c : cases) {
        auto service = StartTls(c.served);
        Observer observer(*service);
        const std::string id = observer.SignIn("OBSERVER-DEVICE");
        ASSERT_EQ(id.find_first_not_of("0123456789"), std::string::npos) << c.what << ": " << id;

        PointAt(*service, c.trust);
        SignInOutcome outcome = SignIn("xuesheng", "123456", nullptr);
        EXPECT_EQ(outcome.status, SignInStatus::NoConnection) << c.what;
        EXPECT_EQ(outcome.message, Gbk("\t    连接服务器失败!")) << c.what;
        // The observer's session is intact (its profile, user 1, still answers): the service never
        // saw the sign-in.
        EXPECT_EQ(FirstId(observer.UserInfo(id, "OBSERVER-DEVICE")), "1") << c.what;
    }

    // The observer does notice a sign-in that reaches the service.
    auto service = StartTls(Certificates().OtherName());
    Observer observer(*service);
    const std::string id = observer.SignIn("OBSERVER-DEVICE");
    ASSERT_EQ(id.find_first_not_of("0123456789"), std::string::npos) << id;
    Observer another(*service);
    ASSERT_FALSE(another.SignIn("ANOTHER-DEVICE").empty());
    EXPECT_EQ(observer.UserInfo(id, "OBSERVER-DEVICE"), "3");
}

TEST_F(ClientTlsTest, PlainAddressesStayPlainAndHostsMayCarryTheirScheme)
{
    auto service = ServiceProcess::Start();
    const std::string hostPort = service->BaseAddress().substr(7, service->BaseAddress().size() - 8);
    for (const std::string &host : {hostPort, "http://" + hostPort, "http://" + hostPort + "/"}) {
        InitServiceAddresses(host);
        EXPECT_EQ(ServiceContext.DefaultEndpoint, service->Endpoint()) << host;
        EXPECT_EQ(ServiceContext.DefaultBaseAddress, service->BaseAddress()) << host;
    }
    // A CA file for https does not get in the way of a plain service.
    SetServiceCAFile(Certificates().AuthorityFile());
    EXPECT_EQ(SignIn("xuesheng", "123456", nullptr).status, SignInStatus::Success);
    InitServiceAddresses("https://" + hostPort);
    EXPECT_EQ(ServiceContext.DefaultEndpoint, "https://" + hostPort + "/Iface/api.asmx");
    // The same service spoken to over https is no TLS server: a transport failure.
    EXPECT_EQ(SignIn("xuesheng", "123456", nullptr).status, SignInStatus::NoConnection);
}
