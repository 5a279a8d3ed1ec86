// Reading captured request bytes: headers, the body, one element's raw text.
#include "RawRequest.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool IsXmlNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == ':' ||
           (static_cast<unsigned char>(c) & 0x80);
}

void AppendUtf8(std::uint32_t codePoint, std::string *out)
{
    if (codePoint < 0x80) {
        out->push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out->push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out->push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

// The code point of a character reference body ("#48", "#x30"); -1 when it is none.
long CharacterReference(const std::string &entity)
{
    if (entity.size() < 2 || entity[0] != '#')
        return -1;
    bool hex = entity[1] == 'x' || entity[1] == 'X';
    std::size_t start = hex ? 2 : 1;
    if (start >= entity.size() || entity.size() - start > 8)
        return -1;
    long value = 0;
    for (std::size_t i = start; i < entity.size(); ++i) {
        int digit;
        char c = entity[i];
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return -1;
        value = value * (hex ? 16 : 10) + digit;
    }
    return value;
}

std::string DecodeEntities(const std::string &text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out.push_back(text[i]);
            continue;
        }
        auto semicolon = text.find(';', i);
        if (semicolon == std::string::npos || semicolon - i > 12) {
            out.push_back(text[i]);
            continue;
        }
        std::string entity = text.substr(i + 1, semicolon - i - 1);
        if (entity == "lt")
            out.push_back('<');
        else if (entity == "gt")
            out.push_back('>');
        else if (entity == "amp")
            out.push_back('&');
        else if (entity == "quot")
            out.push_back('"');
        else if (entity == "apos")
            out.push_back('\'');
        else if (long code = CharacterReference(entity); code >= 0 && code <= 0x10FFFF)
            AppendUtf8(static_cast<std::uint32_t>(code), &out);
        else {
            out.push_back(text[i]);
            continue;
        }
        i = semicolon;
    }
    return out;
}

} // namespace

std::string RequestBody(const std::string &raw)
{
    auto end = raw.find("\r\n\r\n");
    if (end == std::string::npos)
        return {};
    std::string body = raw.substr(end + 4);
    if (!IsChunked(raw))
        return body;
    // Chunked: the sizes in hexadecimal, each on its own line before its chunk.
    std::string joined;
    std::string::size_type at = 0;
    while (at < body.size()) {
        auto lineEnd = body.find("\r\n", at);
        if (lineEnd == std::string::npos)
            break;
        std::size_t size = std::strtoul(body.substr(at, lineEnd - at).c_str(), nullptr, 16);
        if (size == 0 || lineEnd + 2 + size > body.size())
            break;
        joined.append(body, lineEnd + 2, size);
        at = lineEnd + 2 + size + 2;
    }
    return joined;
}

bool IsChunked(const std::string &raw)
{
    std::string encoding = HeaderValue(raw, "Transfer-Encoding");
    return strcasestr(encoding.c_str(), "chunked") != nullptr;
}

namespace {

// Calls found(value) for each header line with this name (case-insensitive), its value trimmed,
// until found returns false.
template <typename Found>
void ForEachHeader(const std::string &raw, const std::string &name, const Found &found)
{
    auto headerEnd = raw.find("\r\n\r\n");
    std::string::size_type line = raw.find("\r\n");
    while (line != std::string::npos && line < headerEnd) {
        std::string::size_type start = line + 2;
        std::string::size_type end = raw.find("\r\n", start);
        if (end == std::string::npos || start >= end)
            break;
        std::string header = raw.substr(start, end - start);
        auto colon = header.find(':');
        if (colon == name.size() && strncasecmp(header.c_str(), name.c_str(), name.size()) == 0) {
            std::string value = header.substr(colon + 1);
            auto first = value.find_first_not_of(" \t");
            auto last = value.find_last_not_of(" \t");
            if (!found(first == std::string::npos ? std::string() : value.substr(first, last - first + 1)))
                return;
        }
        line = end;
    }
}

} // namespace

std::string HeaderValue(const std::string &raw, const std::string &name)
{
    std::string value;
    ForEachHeader(raw, name, [&](const std::string &found) {
        value = found;
        return false;
    });
    return value;
}

std::string AllHeaderValues(const std::string &raw, const std::string &name)
{
    std::string values;
    ForEachHeader(raw, name, [&](const std::string &found) {
        values += (values.empty() ? "" : ", ") + found;
        return true;
    });
    return values;
}

bool RawElementText(const std::string &body, const std::string &localName, std::string *text)
{
    std::string::size_type at = 0;
    while ((at = body.find('<', at)) != std::string::npos) {
        std::string::size_type nameEnd = at + 1;
        while (nameEnd < body.size() && IsXmlNameChar(body[nameEnd]))
            ++nameEnd;
        std::string name = body.substr(at + 1, nameEnd - at - 1);
        auto colon = name.rfind(':');
        std::string local = colon == std::string::npos ? name : name.substr(colon + 1);
        auto close = body.find('>', nameEnd);
        if (close == std::string::npos)
            return false;
        if (local == localName && !name.empty()) {
            if (body[close - 1] == '/') {
                text->clear();
                return true;
            }
            auto contentEnd = body.find('<', close + 1);
            if (contentEnd == std::string::npos)
                return false;
            *text = DecodeEntities(body.substr(close + 1, contentEnd - close - 1));
            return true;
        }
        at = close + 1;
    }
    return false;
}

bool HoldsNul(const std::string &body)
{
    if (body.find('\0') != std::string::npos)
        return true;
    for (std::string::size_type at = body.find("&#"); at != std::string::npos; at = body.find("&#", at + 2)) {
        auto semicolon = body.find(';', at);
        if (semicolon != std::string::npos && semicolon - at <= 12 &&
            CharacterReference(body.substr(at + 1, semicolon - at - 1)) == 0)
            return true;
    }
    return false;
}

bool IsHostAndPort(const std::string &text)
{
    if (text.empty() || text.size() > 260)
        return false;
    std::string host = text;
    std::string port;
    if (text[0] == '[') {
        auto close = text.find(']');
        if (close == std::string::npos || close < 3)
            return false;
        std::string inner = text.substr(1, close - 1);
        if (inner.find_first_not_of("0123456789abcdefABCDEF:.") != std::string::npos)
            return false;
        host = text.substr(0, close + 1);
        std::string rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':')
                return false;
            port = rest.substr(1);
            if (port.empty())
                return false;
        }
    } else {
        auto colon = text.find(':');
        if (colon != std::string::npos) {
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
            if (port.empty())
                return false;
        }
        if (host.empty() || host.size() > 253 || host.front() == '.' || host.front() == '-' ||
            host.find("..") != std::string::npos)
            return false;
        if (host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-") != std::string::npos)
            return false;
    }
    if (!port.empty()) {
        if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
            return false;
        long value = std::stol(port);
        if (value < 1 || value > 65535)
            return false;
    }
    return true;
}

void Utf8Sanitizer::Sanitize(char *data, std::size_t length)
{
    // Where the current sequence's bytes begin in this buffer (0 when it began in an earlier one).
    std::size_t sequenceStart = 0;
    for (std::size_t i = 0; i < length; ++i) {
        auto byte = static_cast<unsigned char>(data[i]);
        if (m_needed > 0) {
            if ((byte & 0xC0) == 0x80) {
                --m_needed;
                continue;
            }
            // The sequence broke off: what of it is still in this buffer becomes '?'.
            for (std::size_t j = sequenceStart; j < i; ++j)
                data[j] = '?';
            m_needed = 0;
        }
        if (byte < 0x80)
            continue;
        if (byte >= 0xC2 && byte <= 0xDF)
            m_needed = 1;
        else if (byte >= 0xE0 && byte <= 0xEF)
            m_needed = 2;
        else if (byte >= 0xF0 && byte <= 0xF4)
            m_needed = 3;
        else
            data[i] = '?';
        sequenceStart = i;
    }
}
