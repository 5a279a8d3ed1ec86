// The two proxies of the service and the limits every call runs under.
#pragma once

#include "soapOstrelServiceSoapProxy.h"

#include <cstddef>
#include <string>

// Signed-in proxy: the same binding, but its service namespace is the base address of the
// first successful sign-in of the process.
class OstrelServiceSoapProxyHost : public OstrelServiceSoapProxy
{
public:
    OstrelServiceSoapProxyHost();
};

// Limits of every call. The gSOAP runtime itself sets no time-out and accepts 2 GB messages.
struct ServiceLimits
{
    int connectSeconds = 10;
    int sendSeconds = 30;
    int receiveSeconds = 30;
    std::size_t maxReceiveBytes = 32u << 20;  // holds a keyword list of 3*10^5 entries
    unsigned maxXmlDepth = 32;
};

// Limits applied to proxies at their creation and before every call; tests shorten them.
ServiceLimits &CurrentServiceLimits();
void ApplyServiceLimits(struct soap *soap);

// Trust for https addresses: the certificates of the PEM file, or the system's trusted ones when
// the path is empty. Stored in ServiceContext.CAFile and applied to the proxies that exist and to
// those made later. A server whose certificate chain or name does not verify is a transport
// failure, before any byte of the request is sent.
void SetServiceCAFile(const std::string &path);

// The pre-sign-in proxy, created on first use (at process start) with the built-in namespace.
OstrelServiceSoapProxy &PreSignInProxy();

// The current signed-in proxy; before the first sign-in, one made with the built-in addresses.
OstrelServiceSoapProxyHost &HostProxy();

// At each successful sign-in: a new signed-in proxy becomes current.
void CreateHostProxy();

// One proxy carries one exchange at a time: its runtime context holds the request and the reply,
// and a second exchange on another thread would free the first one's reply under it. Held for the
// length of an exchange; Acquired() is false when the proxy already carries one.
class ProxyExchangeGuard
{
public:
    explicit ProxyExchangeGuard(const OstrelServiceSoapProxy &proxy);
    ~ProxyExchangeGuard();
    ProxyExchangeGuard(const ProxyExchangeGuard &) = delete;
    ProxyExchangeGuard &operator=(const ProxyExchangeGuard &) = delete;
    bool Acquired() const { return m_acquired; }

private:
    const OstrelServiceSoapProxy &m_proxy;
    bool m_acquired;
};
