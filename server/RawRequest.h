// Reading the request as it arrived on the socket, before the XML runtime has decoded it: the
// runtime takes bytes that are not UTF-8 as Latin-1 and stops a string at a NUL character, so
// the checks that must see the sender's own bytes look here.
#pragma once

#include <string>

// The body of a captured HTTP request (everything after the blank line, chunks joined), or empty.
std::string RequestBody(const std::string &raw);
// Whether the request's body comes in chunks (Transfer-Encoding: chunked).
bool IsChunked(const std::string &raw);
// The value of the first header with this name (case-insensitive), trimmed, or empty.
std::string HeaderValue(const std::string &raw, const std::string &name);
// The values of every header with this name, in order, joined by ", " (how a list-valued header
// sent on several lines reads as one); empty when there is none.
std::string AllHeaderValues(const std::string &raw, const std::string &name);
// The text of the first element with this local name (any prefix), entities decoded, as the
// sender's bytes. False when there is no such element.
bool RawElementText(const std::string &body, const std::string &localName, std::string *text);
// True when the body carries a NUL character, as a byte or as a character reference.
bool HoldsNul(const std::string &body);
// "host" or "host:port" where host is a DNS name, a dotted IPv4 address or a bracketed IPv6
// address, and port 1 to 65535: what may stand in an address handed back to a client.
bool IsHostAndPort(const std::string &text);

// Replaces, as bytes stream in, every byte that cannot be part of UTF-8 with '?', keeping the
// length: the XML runtime gives up on some such sequences (GBK text from the designed client),
// while the checks that need the sender's bytes read the copy taken before.
class Utf8Sanitizer
{
public:
    void Sanitize(char *data, std::size_t length);

private:
    int m_needed = 0; // continuation bytes still expected
};
