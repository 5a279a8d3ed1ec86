// Frames one HTTP request as its bytes arrive, before anything parses it: where the header ends,
// where the body ends (Content-Length, chunks, or the end of the connection), and whether the
// request keeps to the service's bounds. Everything is counted on the bytes as received.
#pragma once

#include "XmlShapeCheck.h"

#include <cstddef>
#include <string>
#include <utility>

struct RequestLimits
{
    std::size_t maxHeaderBytes = 16 * 1024;
    // One header line with its CR LF, the request line included: the XML runtime reads no
    // longer line, so a longer one is refused here with the same answer as a header too large.
    std::size_t maxHeaderLineBytes = 8 * 1024;
    std::size_t maxBodyBytes = 512 * 1024; // as received, chunk framing included
    std::size_t maxElements = 500;
    std::size_t maxAttributesPerElement = 32;
};

enum class RequestVerdict
{
    NeedMore,
    Complete,
    TooLarge,
    TooComplex, // more elements, or attributes on one element, than the bounds allow
    Malformed,  // a header or chunk framing that cannot be read
    Incomplete, // the peer stopped sending before the request was whole
};

class HttpRequestReader
{
public:
    explicit HttpRequestReader(const RequestLimits &limits);

    // Takes the next bytes from the connection. Bytes past the end of the request are dropped.
    RequestVerdict Feed(const char *data, std::size_t size);
    // The peer has closed its side: a body that runs to the end of the connection is complete.
    RequestVerdict Finish();
    RequestVerdict Verdict() const { return m_verdict; }
    // The request as received, header and body, up to its end.
    const std::string &Bytes() const { return m_bytes; }
    std::string TakeBytes() { return std::move(m_bytes); }

private:
    enum class BodyKind
    {
        None,
        Length,
        Chunked,
        UntilClose,
    };
    enum class ChunkState
    {
        Size, // hex digits and extensions up to the line's end
        Data,
        DataEnd, // the CR LF after the data
        Trailer, // header lines after the last chunk, up to an empty line
    };
    std::size_t TakeHeader(const char *data, std::size_t size);
    bool ReadHeaderFields();
    std::size_t TakeBody(const char *data, std::size_t size);
    std::size_t TakeChunked(const char *data, std::size_t size);
    void BodyData(const char *data, std::size_t size);
    void Fail(RequestVerdict verdict) { m_verdict = verdict; }

    RequestLimits m_limits;
    RequestVerdict m_verdict = RequestVerdict::NeedMore;
    std::string m_bytes;
    bool m_requestLineBegun = false;
    std::size_t m_blankBytes = 0; // blank lines before the request line
    std::size_t m_headerScan = 0; // where the search for the header's end goes on
    std::size_t m_lineStart = 0;  // where the header line being scanned begins
    std::size_t m_headerLength = 0;
    BodyKind m_bodyKind = BodyKind::None;
    std::size_t m_contentLength = 0;
    std::size_t m_bodyReceived = 0;
    ChunkState m_chunkState = ChunkState::Size;
    std::size_t m_chunkLeft = 0;
    std::string m_line; // the chunk-size or trailer line being read
    XmlShapeCheck m_shape;
};
