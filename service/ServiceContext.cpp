// The process-wide service values and the rules for the service's addresses.
#include "ServiceContext.h"

#include <atomic>
#include <cstring>
#include <strings.h>

ServiceContextValues ServiceContext = [] {
    ServiceContextValues values;
    values.DefaultEndpoint = std::string("http://") + kBuiltInServiceHost + "/Iface/api.asmx";
    values.DefaultBaseAddress = std::string("http://") + kBuiltInServiceHost + "/";
    values.Endpoint = values.DefaultEndpoint;
    values.BaseAddress = values.DefaultBaseAddress;
    return values;
}();

namespace {

// Read on the window thread; an exchange may end on a worker thread.
std::atomic<bool> g_sessionOpen{false};
std::atomic<bool> g_lastExchangeReached{true};

bool StartsWithNoCase(const std::string &text, const char *prefix)
{
    const std::size_t length = std::strlen(prefix);
    return text.size() >= length && strncasecmp(text.c_str(), prefix, length) == 0;
}

}  // namespace

void InitServiceAddresses(const std::string &host)
{
    std::string base = host;
    if (!StartsWithNoCase(base, "http://") && !StartsWithNoCase(base, "https://"))
        base = "http://" + base;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    ServiceContext.DefaultEndpoint = base + "/Iface/api.asmx";
    ServiceContext.DefaultBaseAddress = base + "/";
    ServiceContext.Endpoint = ServiceContext.DefaultEndpoint;
    ServiceContext.BaseAddress = ServiceContext.DefaultBaseAddress;
}

void SetSignedInAddress(const std::string &host)
{
    ServiceContext.BaseAddress = host;
    ServiceContext.Endpoint = host + "iface/api.asmx";
}

bool IsServiceBaseAddress(const std::string &host)
{
    auto startsWith = [&host](const char *prefix) { return host.rfind(prefix, 0) == 0; };
    const std::size_t schemeLength = startsWith("http://") ? 7 : startsWith("https://") ? 8 : 0;
    if (schemeLength == 0 || host.size() <= schemeLength + 1 || host.back() != '/')
        return false;
    for (unsigned char c : host)
        if (c <= ' ' || c >= 0x7F)
            return false;  // no blanks, control characters or other text in an address
    return true;
}

bool SaveCanReachService()
{
    return g_sessionOpen.load() && g_lastExchangeReached.load();
}

void NoteSignedInSessionStarted()
{
    g_sessionOpen = true;
    g_lastExchangeReached = true;
}

void NoteSignedInSessionEnded()
{
    g_sessionOpen = false;
}

void NoteExchangeReachedService(bool reached)
{
    g_lastExchangeReached = reached;
}
