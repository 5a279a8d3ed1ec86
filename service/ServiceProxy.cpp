// Creation and configuration of the two service proxies.
#include "ServiceProxy.h"

#include "ServiceContext.h"

#include <memory>
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

void Configure(OstrelServiceSoapProxy &proxy, const NamespaceTable &table)
{
    soap_set_imode(proxy.soap, kPassThroughStrings);
    soap_set_omode(proxy.soap, kPassThroughStrings);
    soap_set_namespaces(proxy.soap, table.m_entries);
    ApplyServiceLimits(proxy.soap);
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

OstrelServiceSoapProxy &PreSignInProxy()
{
    // One for the process, with the built-in namespace.
    struct PreSignIn
    {
        PreSignIn() : table(ServiceContext.DefaultBaseAddress) { Configure(proxy, table); }
        NamespaceTable table;
        OstrelServiceSoapProxy proxy;
    };
    static PreSignIn preSignIn;
    return preSignIn.proxy;
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
