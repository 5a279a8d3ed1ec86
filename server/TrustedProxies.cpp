// Trusted reverse proxies and the client a forwarded request stands for.
#include "TrustedProxies.h"

#include "RawRequest.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

std::string Trim(const std::string &text)
{
    auto begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return {};
    auto end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::vector<std::string> Split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        auto at = text.find(separator, start);
        parts.push_back(Trim(text.substr(start, at == std::string::npos ? std::string::npos : at - start)));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

std::string Unquote(const std::string &text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

// An address as proxies write a hop: bare, bracketed IPv6, or either with a port.
std::optional<IpBytes> ParseHop(std::string text)
{
    text = Unquote(Trim(text));
    if (!text.empty() && text.front() == '[') {
        auto close = text.find(']');
        if (close == std::string::npos)
            return std::nullopt;
        return ParseIp(text.substr(0, close + 1));
    }
    // "192.0.2.1:4711": one colon after a dotted address is a port.
    auto colon = text.find(':');
    if (colon != std::string::npos && text.find(':', colon + 1) == std::string::npos && text.find('.') < colon)
        text.resize(colon);
    return ParseIp(text);
}

// The value of key= in one Forwarded element ("for=1.2.3.4;proto=https"), unquoted.
std::string ForwardedPair(const std::string &element, const char *key)
{
    for (const std::string &pair : Split(element, ';')) {
        auto equals = pair.find('=');
        if (equals != std::string::npos && Lower(Trim(pair.substr(0, equals))) == key)
            return Unquote(Trim(pair.substr(equals + 1)));
    }
    return {};
}

} // namespace

std::optional<IpBytes> ParseIp(const std::string &text)
{
    std::string bare = text;
    if (bare.size() >= 2 && bare.front() == '[' && bare.back() == ']')
        bare = bare.substr(1, bare.size() - 2);
    IpBytes ip{};
    in_addr v4{};
    if (inet_pton(AF_INET, bare.c_str(), &v4) == 1) {
        ip[10] = ip[11] = 0xFF;
        std::memcpy(ip.data() + 12, &v4, 4);
        return ip;
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, bare.c_str(), &v6) == 1) {
        std::memcpy(ip.data(), &v6, 16);
        return ip;
    }
    return std::nullopt;
}

namespace {

bool IsMappedIpv4(const IpBytes &ip)
{
    static const std::uint8_t kPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    return std::memcmp(ip.data(), kPrefix, 12) == 0;
}

} // namespace

std::string IpText(const IpBytes &ip)
{
    char text[INET6_ADDRSTRLEN] = "";
    if (IsMappedIpv4(ip))
        inet_ntop(AF_INET, ip.data() + 12, text, sizeof text);
    else
        inet_ntop(AF_INET6, ip.data(), text, sizeof text);
    return text;
}

bool IsLoopbackIp(const IpBytes &ip)
{
    if (IsMappedIpv4(ip))
        return ip[12] == 127;
    static const IpBytes kIpv6Loopback = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return ip == kIpv6Loopback;
}

bool TrustedProxies::Add(const std::string &range)
{
    std::string address = range;
    int bits = -1;
    if (auto slash = range.find('/'); slash != std::string::npos) {
        std::string digits = range.substr(slash + 1);
        if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        bits = std::stoi(digits);
        address = range.substr(0, slash);
    }
    auto ip = ParseIp(address);
    if (!ip)
        return false;
    const bool v4 = IsMappedIpv4(*ip) && address.find(':') == std::string::npos;
    const int most = v4 ? 32 : 128;
    if (bits < 0)
        bits = most;
    if (bits > most)
        return false;
    Range entry;
    entry.bits = v4 ? 96 + bits : bits;
    // Bits past the prefix are cleared, so "10.1.2.3/8" is 10.0.0.0/8.
    for (int i = 0; i < 16; ++i) {
        int keep = std::clamp(entry.bits - 8 * i, 0, 8);
        entry.base[i] = static_cast<std::uint8_t>((*ip)[i] & (keep == 0 ? 0 : 0xFF << (8 - keep)));
    }
    m_ranges.push_back(entry);
    return true;
}

bool TrustedProxies::Contains(const IpBytes &ip) const
{
    return std::any_of(m_ranges.begin(), m_ranges.end(), [&](const Range &range) {
        for (int i = 0; i < 16; ++i) {
            int keep = std::clamp(range.bits - 8 * i, 0, 8);
            auto mask = static_cast<std::uint8_t>(keep == 0 ? 0 : 0xFF << (8 - keep));
            if ((ip[i] & mask) != range.base[i])
                return false;
        }
        return true;
    });
}

ClientOrigin TrustedProxies::Resolve(const IpBytes &peer, const std::string &rawHeader) const
{
    ClientOrigin origin;
    origin.address = IpText(peer);
    if (!Contains(peer))
        return origin;
    origin.forwarded = true;

    // The hops the proxies recorded, the client first and the peer's own client last.
    const std::string forwarded = AllHeaderValues(rawHeader, "Forwarded");
    std::vector<std::string> elements = forwarded.empty() ? std::vector<std::string>() : Split(forwarded, ',');
    std::vector<std::string> hops;
    for (const std::string &element : elements)
        if (std::string hop = ForwardedPair(element, "for"); !hop.empty())
            hops.push_back(hop);
    if (hops.empty()) {
        const std::string xff = AllHeaderValues(rawHeader, "X-Forwarded-For");
        if (!xff.empty())
            hops = Split(xff, ',');
    }
    // From the nearest hop outwards, past every proxy of ours: the first other address is the
    // client. A hop that is no address (a proxy's "unknown") leaves the peer as the client.
    for (auto hop = hops.rbegin(); hop != hops.rend(); ++hop) {
        auto ip = ParseHop(*hop);
        if (!ip)
            break;
        origin.address = IpText(*ip);
        if (!Contains(*ip))
            break;
    }

    // The address the client reached, as the nearest proxy reports it.
    std::string scheme, host;
    if (!elements.empty()) {
        scheme = ForwardedPair(elements.back(), "proto");
        host = ForwardedPair(elements.back(), "host");
    }
    if (scheme.empty()) {
        auto values = Split(AllHeaderValues(rawHeader, "X-Forwarded-Proto"), ',');
        scheme = values.back();
    }
    if (host.empty()) {
        auto values = Split(AllHeaderValues(rawHeader, "X-Forwarded-Host"), ',');
        host = values.back();
    }
    scheme = Lower(scheme);
    if (scheme == "http" || scheme == "https")
        origin.scheme = scheme;
    if (IsHostAndPort(host))
        origin.host = host;
    return origin;
}
