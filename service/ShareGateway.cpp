// The sharing gateway's address and the page address of one share.
#include "ShareGateway.h"

#include "GbkText.h"
#include "ServiceContext.h"

namespace {

constexpr const char *kPlatformTitle = "墨韵阁中文写作平台"; // UTF-8, as it goes on the wire

ShareGateway &ConfiguredGateway()
{
    static ShareGateway gateway;
    return gateway;
}

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

// Every byte but the unreserved ones as %XX, as a browser sends a query value.
std::string Encoded(const std::string &utf8)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size() * 3);
    for (const unsigned char c : utf8) {
        if (IsUnreserved(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

// "http://host:port/" -> "host:port".
std::string HostOf(const std::string &address)
{
    std::string host = address;
    if (const auto scheme = host.find("://"); scheme != std::string::npos)
        host.erase(0, scheme + 3);
    if (const auto slash = host.find('/'); slash != std::string::npos)
        host.erase(slash);
    return host;
}

} // namespace

ShareGateway CurrentShareGateway()
{
    ShareGateway gateway = ConfiguredGateway();
    if (gateway.host.empty())
        gateway.host = HostOf(ServiceContext.DefaultBaseAddress);
    if (gateway.site.empty())
        gateway.site = ServiceContext.DefaultBaseAddress;
    return gateway;
}

void SetShareGateway(const std::string &host, const std::string &site)
{
    ConfiguredGateway() = {host, site};
}

std::string BuildShareAddress(const ShareGateway &gateway, const std::string &webid, const std::string &gbkSummary)
{
    return "http://" + gateway.host + "/send/?webid=" + Encoded(webid) + "&url=" + Encoded(GbkToUtf8(gateway.site)) +
           "&title=" + Encoded(kPlatformTitle) + "&summary=" + Encoded(GbkToUtf8(gbkSummary));
}
