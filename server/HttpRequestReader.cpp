// Incremental framing of one HTTP request with the service's size and shape bounds.
#include "HttpRequestReader.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

namespace {

// A chunk-size line or a trailer line longer than this is not from an honest client.
constexpr std::size_t kMaxLineBytes = 1024;

std::string Trim(const std::string &text)
{
    std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return {};
    std::size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

bool ContainsWord(const std::string &value, const char *word)
{
    std::string lower(value);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower.find(word) != std::string::npos;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

HttpRequestReader::HttpRequestReader(const RequestLimits &limits)
    : m_limits(limits), m_shape(limits.maxElements, limits.maxAttributesPerElement)
{
}

RequestVerdict HttpRequestReader::Feed(const char *data, std::size_t size)
{
    while (size > 0 && m_verdict == RequestVerdict::NeedMore) {
        std::size_t used = m_headerLength == 0 ? TakeHeader(data, size) : TakeBody(data, size);
        data += used;
        size -= used;
    }
    return m_verdict;
}

RequestVerdict HttpRequestReader::Finish()
{
    if (m_verdict != RequestVerdict::NeedMore)
        return m_verdict;
    if (m_headerLength > 0 && m_bodyKind == BodyKind::UntilClose)
        m_verdict = RequestVerdict::Complete;
    else
        m_verdict = RequestVerdict::Incomplete;
    return m_verdict;
}

std::size_t HttpRequestReader::TakeHeader(const char *data, std::size_t size)
{
    // A request line starts with its method; blank lines before it are dropped. Anything else, a
    // TLS greeting to the plain port for one, is refused without waiting for more.
    std::size_t skipped = 0;
    if (!m_requestLineBegun) {
        while (skipped < size && (data[skipped] == '\r' || data[skipped] == '\n'))
            ++skipped;
        m_blankBytes += skipped;
        if (m_blankBytes > m_limits.maxHeaderBytes) {
            Fail(RequestVerdict::TooLarge);
            return size;
        }
        if (skipped == size)
            return size;
        if (data[skipped] < 'A' || data[skipped] > 'Z') {
            Fail(RequestVerdict::Malformed);
            return size;
        }
        m_requestLineBegun = true;
        return skipped + TakeHeader(data + skipped, size - skipped);
    }
    std::size_t room = m_limits.maxHeaderBytes - m_bytes.size();
    std::size_t take = std::min(size, room);
    m_bytes.append(data, take);
    // Every line of the header ends in CR LF and the header at an empty line. A bare LF or a
    // lone CR is refused: the checks on the sender's bytes and the XML runtime must find the
    // same header end and body, and a line break read one way here and another way there is
    // how a body slips past those checks.
    for (; m_headerScan < m_bytes.size(); ++m_headerScan) {
        const char c = m_bytes[m_headerScan];
        if (c == '\r') {
            if (m_headerScan + 1 == m_bytes.size())
                break; // wait for the byte that tells
            if (m_bytes[m_headerScan + 1] != '\n') {
                Fail(RequestVerdict::Malformed);
                return take;
            }
            continue;
        }
        if (c != '\n')
            continue;
        if (m_headerScan == 0 || m_bytes[m_headerScan - 1] != '\r') {
            Fail(RequestVerdict::Malformed);
            return take;
        }
        if (m_headerScan + 1 - m_lineStart > m_limits.maxHeaderLineBytes) {
            Fail(RequestVerdict::TooLarge);
            return take;
        }
        m_lineStart = m_headerScan + 1;
        if (m_headerScan < 3 || m_bytes[m_headerScan - 2] != '\n')
            continue; // the end of a header line, not an empty one
        const std::size_t end = m_headerScan + 1;
        // Bytes of this feed past the header belong to the body.
        std::size_t bodyBytes = m_bytes.size() - end;
        m_bytes.resize(end);
        m_headerLength = end;
        if (!ReadHeaderFields())
            return take;
        if (m_bodyKind == BodyKind::None || (m_bodyKind == BodyKind::Length && m_contentLength == 0))
            m_verdict = RequestVerdict::Complete;
        return take - bodyBytes;
    }
    // A line still without its end may already be too long (its CR LF is yet to come).
    if (take == room || m_bytes.size() - m_lineStart + 2 > m_limits.maxHeaderLineBytes + (m_bytes.back() == '\r'))
        Fail(RequestVerdict::TooLarge);
    return take;
}

bool HttpRequestReader::ReadHeaderFields()
{
    std::size_t lineEnd = m_bytes.find('\n');
    std::string method = m_bytes.substr(0, m_bytes.find(' '));
    bool hasLength = false, chunked = false;
    for (std::size_t start = lineEnd + 1; start < m_headerLength;) {
        std::size_t end = m_bytes.find('\n', start);
        std::string line = m_bytes.substr(start, end - start);
        start = end + 1;
        std::size_t colon = line.find(':');
        // A folded line, or a name with white space before its colon, is read differently by
        // different readers of the same header.
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            Fail(RequestVerdict::Malformed);
            return false;
        }
        if (colon == std::string::npos)
            continue;
        if (colon == 0 || line[colon - 1] == ' ' || line[colon - 1] == '\t') {
            Fail(RequestVerdict::Malformed);
            return false;
        }
        std::string name = Trim(line.substr(0, colon));
        std::string value = Trim(line.substr(colon + 1));
        if (strcasecmp(name.c_str(), "Content-Length") == 0) {
            if (value.empty() || value.size() > 12 || value.find_first_not_of("0123456789") != std::string::npos) {
                Fail(RequestVerdict::Malformed);
                return false;
            }
            std::size_t length = std::stoull(value);
            if (hasLength && length != m_contentLength) {
                Fail(RequestVerdict::Malformed);
                return false;
            }
            hasLength = true;
            m_contentLength = length;
        } else if (strcasecmp(name.c_str(), "Transfer-Encoding") == 0) {
            chunked = chunked || ContainsWord(value, "chunked");
        }
    }
    // Both framings at once could be read two ways; an honest client sends one.
    if (hasLength && chunked) {
        Fail(RequestVerdict::Malformed);
        return false;
    }
    if (chunked)
        m_bodyKind = BodyKind::Chunked;
    else if (hasLength)
        m_bodyKind = BodyKind::Length;
    else if (strcasecmp(method.c_str(), "POST") == 0 || strcasecmp(method.c_str(), "PUT") == 0 ||
             strcasecmp(method.c_str(), "PATCH") == 0)
        m_bodyKind = BodyKind::UntilClose; // the runtime reads such a body to the end of the connection
    else
        m_bodyKind = BodyKind::None;
    if (m_bodyKind == BodyKind::Length && m_contentLength > m_limits.maxBodyBytes) {
        Fail(RequestVerdict::TooLarge);
        return false;
    }
    return true;
}

std::size_t HttpRequestReader::TakeBody(const char *data, std::size_t size)
{
    std::size_t room = m_limits.maxBodyBytes - m_bodyReceived;
    if (room == 0) {
        Fail(RequestVerdict::TooLarge);
        return 0;
    }
    if (m_bodyKind == BodyKind::Length)
        size = std::min(size, m_contentLength - m_bodyReceived);
    std::size_t take = std::min(size, room);
    std::size_t used = take;
    if (m_bodyKind == BodyKind::Chunked) {
        used = TakeChunked(data, take);
    } else {
        m_bytes.append(data, take);
        BodyData(data, take);
    }
    m_bodyReceived += used;
    if (m_verdict != RequestVerdict::NeedMore)
        return used;
    if (m_bodyKind == BodyKind::Length && m_bodyReceived == m_contentLength)
        m_verdict = RequestVerdict::Complete;
    else if (m_bodyReceived == m_limits.maxBodyBytes)
        Fail(RequestVerdict::TooLarge); // more is to come, and there is no room for it
    return used;
}

std::size_t HttpRequestReader::TakeChunked(const char *data, std::size_t size)
{
    std::size_t i = 0;
    while (i < size && m_verdict == RequestVerdict::NeedMore) {
        if (m_chunkState == ChunkState::Data) {
            std::size_t take = std::min(size - i, m_chunkLeft);
            m_bytes.append(data + i, take);
            BodyData(data + i, take);
            i += take;
            m_chunkLeft -= take;
            if (m_chunkLeft == 0)
                m_chunkState = ChunkState::DataEnd;
            continue;
        }
        char c = data[i++];
        m_bytes.push_back(c);
        if (c != '\n') {
            if (m_line.size() >= kMaxLineBytes) {
                Fail(RequestVerdict::Malformed);
                break;
            }
            m_line.push_back(c);
            continue;
        }
        // Chunk lines end in CR LF like the header's, for the same reason.
        if (m_line.empty() || m_line.back() != '\r' || m_line.find('\r') != m_line.size() - 1) {
            Fail(RequestVerdict::Malformed);
            break;
        }
        std::string line = Trim(m_line);
        m_line.clear();
        if (m_chunkState == ChunkState::DataEnd) {
            if (!line.empty())
                Fail(RequestVerdict::Malformed);
            m_chunkState = ChunkState::Size;
        } else if (m_chunkState == ChunkState::Trailer) {
            if (line.empty())
                m_verdict = RequestVerdict::Complete;
        } else {
            std::size_t length = 0, digits = 0;
            for (; digits < line.size() && HexValue(line[digits]) >= 0; ++digits) {
                length = length * 16 + static_cast<std::size_t>(HexValue(line[digits]));
                if (length > m_limits.maxBodyBytes) {
                    Fail(RequestVerdict::TooLarge);
                    return i;
                }
            }
            if (digits == 0 || (digits < line.size() && line[digits] != ';' && line[digits] != ' ')) {
                Fail(RequestVerdict::Malformed);
            } else if (length == 0) {
                m_chunkState = ChunkState::Trailer;
            } else {
                m_chunkLeft = length;
                m_chunkState = ChunkState::Data;
            }
        }
    }
    return i;
}

void HttpRequestReader::BodyData(const char *data, std::size_t size)
{
    if (!m_shape.Feed(data, size))
        Fail(RequestVerdict::TooComplex);
}
