// Creation and configuration of the two service proxies.
#include "ServiceProxy.h"

#include "ServiceContext.h"

#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace {

// Strings travel unchanged in both directions: requests carry the UTF-8 bytes the caller put in,
// results arrive as the UTF-8 bytes of the document.
constexpr soap_mode kPassThroughStrings = SOAP_C_UTFSTRING;

// The namespace table of a proxy. SOAP 1.2 on output, 1.1 accepted on input; the service may
// answer in any namespace for ns1, so its input pattern accepts any.
struct NamespaceTable
{
    explicit NamespaceTable(const std::string &serviceNamespace) : m_serviceNamespace(serviceNamespace)
    {
        m_entries[0] = {"SOAP-ENV", "http://www.w3.org/2003/05/soap-envelope", "http://schemas.xmlsoap.org/soap/envelope/", nullptr};
        m_entries[1] = {"SOAP-ENC", "http://www.w3.org/2003/05/soap-encoding", "http://schemas.xmlsoap.org/soap/encoding/", nullptr};
        m_entries[2] = {"xsi", "http://www.w3.org/2001/XMLSchema-instance", "http://www.w3.org/*/XMLSchema-instance", nullptr};
        m_entries[3] = {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr};
        m_entries[4] = {"ns1", m_serviceNamespace.c_str(), "*", nullptr};
        m_entries[5] = {nullptr, nullptr, nullptr, nullptr};
    }
    std::string m_serviceNamespace;
    Namespace m_entries[6];
};

// The runtime's own connect, kept before it is replaced on each proxy.
SOAP_SOCKET (*g_runtimeConnect)(struct soap *, const char *, const char *, int) = nullptr;

// Before each connection: the server's certificate must name the host of the address being
// called. OpenSSL checks it during the handshake (DNS names and IP addresses alike), so a
// server that does not match is refused before anything is written to it.
SOAP_SOCKET ConnectVerifyingName(struct soap *soap, const char *endpoint, const char *host, int port)
{
    if (soap_tag_cmp(endpoint, "https:*") == 0) {
        if (!soap->ctx && soap->fsslauth(soap) != SOAP_OK)
            return SOAP_INVALID_SOCKET;
        if (!soap->ctx) {
            soap->error = SOAP_SSL_ERROR;
            return SOAP_INVALID_SOCKET;
        }
        X509_VERIFY_PARAM *param = SSL_CTX_get0_param(soap->ctx);
        X509_VERIFY_PARAM_set1_host(param, nullptr, 0);
        X509_VERIFY_PARAM_set1_ip(param, nullptr, 0);
        if (X509_VERIFY_PARAM_set1_ip_asc(param, host) != 1)
            X509_VERIFY_PARAM_set1_host(param, host, 0);
    }
    return g_runtimeConnect(soap, endpoint, host, port);
}

// A fresh TLS context for the proxy: the server must present a chain that verifies against the
// trust of ServiceContext.CAFile (or the system's). The name is checked by ConnectVerifyingName,
// so the runtime's own, older name check is left out.
void ApplyServiceTrust(struct soap *soap)
{
    if (soap->session) {
        SSL_SESSION_free(soap->session);
        soap->session = nullptr;
    }
    if (soap->ctx) {
        SSL_CTX_free(soap->ctx);
        soap->ctx = nullptr;
    }
    const std::string &caFile = ServiceContext.CAFile;
    unsigned short flags = SOAP_SSL_REQUIRE_SERVER_AUTHENTICATION | SOAP_SSL_SKIP_HOST_CHECK;
    if (!caFile.empty())
        flags |= SOAP_SSL_NO_DEFAULT_CA_PATH;
    if (soap_ssl_client_context(soap, flags, nullptr, nullptr, caFile.empty() ? nullptr : caFile.c_str(), nullptr, nullptr) !=
        SOAP_OK) {
        // An unreadable CA file leaves a context that trusts nothing: https calls fail.
        soap->error = SOAP_OK;
    }
}

void Configure(OstrelServiceSoapProxy &proxy, const NamespaceTable &table)
{
    soap_set_imode(proxy.soap, kPassThroughStrings);
    soap_set_omode(proxy.soap, kPassThroughStrings);
    soap_set_namespaces(proxy.soap, table.m_entries);
    ApplyServiceLimits(proxy.soap);
    if (!g_runtimeConnect)
        g_runtimeConnect = proxy.soap->fopen;
    proxy.soap->fopen = ConnectVerifyingName;
    ApplyServiceTrust(proxy.soap);
}

const NamespaceTable &HostNamespaces()
{
    // Fixed by the first signed-in proxy of the process.
    static const NamespaceTable table(ServiceContext.BaseAddress);
    return table;
}

std::unique_ptr<OstrelServiceSoapProxyHost> &CurrentHostProxy()
{
    static std::unique_ptr<OstrelServiceSoapProxyHost> proxy;
    return proxy;
}

}  // namespace

ServiceLimits &CurrentServiceLimits()
{
    static ServiceLimits limits;
    return limits;
}

void ApplyServiceLimits(struct soap *soap)
{
    const ServiceLimits &limits = CurrentServiceLimits();
    soap->connect_timeout = limits.connectSeconds;
    soap->send_timeout = limits.sendSeconds;
    soap->recv_timeout = limits.receiveSeconds;
    soap->recv_maxlength = limits.maxReceiveBytes;
    soap->maxlevel = limits.maxXmlDepth;
}

OstrelServiceSoapProxyHost::OstrelServiceSoapProxyHost()
{
    Configure(*this, HostNamespaces());
}

namespace {

struct PreSignIn
{
    PreSignIn() : table(ServiceContext.DefaultBaseAddress) { Configure(proxy, table); }
    NamespaceTable table;
    OstrelServiceSoapProxy proxy;
};

std::unique_ptr<PreSignIn> &CurrentPreSignIn()
{
    static std::unique_ptr<PreSignIn> preSignIn;
    return preSignIn;
}

}  // namespace

OstrelServiceSoapProxy &PreSignInProxy()
{
    // One for the process, with the built-in namespace.
    std::unique_ptr<PreSignIn> &preSignIn = CurrentPreSignIn();
    if (!preSignIn)
        preSignIn = std::make_unique<PreSignIn>();
    return preSignIn->proxy;
}

void SetServiceCAFile(const std::string &path)
{
    ServiceContext.CAFile = path;
    if (CurrentPreSignIn())
        ApplyServiceTrust(CurrentPreSignIn()->proxy.soap);
    if (CurrentHostProxy())
        ApplyServiceTrust(CurrentHostProxy()->soap);
}

OstrelServiceSoapProxyHost &HostProxy()
{
    if (!CurrentHostProxy())
        CreateHostProxy();
    return *CurrentHostProxy();
}

void CreateHostProxy()
{
    CurrentHostProxy() = std::make_unique<OstrelServiceSoapProxyHost>();
}

namespace {

std::mutex g_busyMutex;
std::set<const OstrelServiceSoapProxy *> g_busyProxies;

} // namespace

ProxyExchangeGuard::ProxyExchangeGuard(const OstrelServiceSoapProxy &proxy) : m_proxy(proxy)
{
    const std::lock_guard<std::mutex> lock(g_busyMutex);
    m_acquired = g_busyProxies.insert(&proxy).second;
}

ProxyExchangeGuard::~ProxyExchangeGuard()
{
    if (!m_acquired)
        return;
    const std::lock_guard<std::mutex> lock(g_busyMutex);
    g_busyProxies.erase(&m_proxy);
}
