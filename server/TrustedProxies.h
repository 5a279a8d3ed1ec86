// The reverse proxies the service trusts (--trusted-proxy ADDR[/BITS]) and what a request that
// came through one of them says about its client: the client's address (X-Forwarded-For or
// Forwarded) and the address the client reached (X-Forwarded-Proto / X-Forwarded-Host, or
// Forwarded's proto= and host=). From any other peer those headers are the client's own words and
// are ignored.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// An IPv4 or IPv6 address as 16 bytes (IPv4 as an IPv4-mapped IPv6 address, so that one range
// matches a peer whichever way the socket reports it).
using IpBytes = std::array<std::uint8_t, 16>;

// "192.0.2.1", "::1", "::ffff:192.0.2.1" or "[2001:db8::1]"; nothing for anything else.
std::optional<IpBytes> ParseIp(const std::string &text);
// The canonical text of an address: dotted IPv4 for IPv4 and IPv4-mapped addresses, else IPv6.
std::string IpText(const IpBytes &ip);
bool IsLoopbackIp(const IpBytes &ip);

// What a request says about where it came from once trusted proxies are accounted for.
struct ClientOrigin
{
    std::string address;    // the client's address, canonical text (the peer's own when not forwarded)
    bool forwarded = false; // the peer is a trusted proxy
    std::string scheme;     // "http" or "https" as the proxy reports it, or empty
    std::string host;       // the host (and port) the client reached, as the proxy reports it, or empty
};

class TrustedProxies
{
public:
    // Adds "ADDR" or "ADDR/BITS"; false when it cannot be read.
    bool Add(const std::string &range);
    bool Empty() const { return m_ranges.empty(); }
    bool Contains(const IpBytes &ip) const;

    // The origin of a request from this peer with this header (the request's bytes up to the end
    // of its header; only header lines are read).
    ClientOrigin Resolve(const IpBytes &peer, const std::string &rawHeader) const;

private:
    struct Range
    {
        IpBytes base{};
        int bits = 128; // prefix length in the 16-byte form
    };
    std::vector<Range> m_ranges;
};
