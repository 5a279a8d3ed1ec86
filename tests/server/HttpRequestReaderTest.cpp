// Framing of requests before parsing: where a request ends however its bytes arrive, and the
// size and shape bounds counted on the bytes as received.
#include "HttpRequestReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char *Name(RequestVerdict verdict)
{
    switch (verdict) {
    case RequestVerdict::NeedMore:
        return "NeedMore";
    case RequestVerdict::Complete:
        return "Complete";
    case RequestVerdict::TooLarge:
        return "TooLarge";
    case RequestVerdict::TooComplex:
        return "TooComplex";
    case RequestVerdict::Malformed:
        return "Malformed";
    case RequestVerdict::Incomplete:
        return "Incomplete";
    }
    return "?";
}

RequestLimits SmallLimits()
{
    RequestLimits limits;
    limits.maxHeaderBytes = 256;
    limits.maxHeaderLineBytes = 64;
    limits.maxBodyBytes = 100;
    limits.maxElements = 10;
    limits.maxAttributesPerElement = 3;
    return limits;
}

// Feeds the bytes in pieces of the given size (0: all at once), then the end of the connection
// when asked; returns the verdict's name.
std::string Verdict(const std::string &bytes, std::size_t piece, bool peerCloses, std::string *kept = nullptr)
{
    HttpRequestReader reader(SmallLimits());
    std::size_t step = piece == 0 ? bytes.size() : piece;
    for (std::size_t at = 0; at < bytes.size() && reader.Verdict() == RequestVerdict::NeedMore; at += step)
        reader.Feed(bytes.data() + at, std::min(step, bytes.size() - at));
    if (peerCloses)
        reader.Finish();
    if (kept)
        *kept = reader.Bytes();
    return Name(reader.Verdict());
}

std::string Post(const std::string &headers, const std::string &body)
{
    return "POST /iface/api.asmx HTTP/1.1\r\nHost: h\r\n" + headers + "\r\n" + body;
}

} // namespace

TEST(HttpRequestReader, FindsTheEndOfEveryFramingInAnyPieces)
{
    struct Case
    {
        const char *what;
        std::string bytes;
        bool peerCloses;
        const char *verdict;
    };
    const std::string body = "<a x=\"1\">text</a>";
    const Case cases[] = {
        {"length", Post("Content-Length: 17\r\n", body), false, "Complete"},
        {"length, body short", Post("Content-Length: 18\r\n", body), false, "NeedMore"},
        {"length, peer gone", Post("Content-Length: 18\r\n", body), true, "Incomplete"},
        {"chunked", Post("Transfer-Encoding: chunked\r\n", "5\r\n<a x=\r\nc;ext=1\r\n\"1\">text</a>\r\n0\r\n\r\n"), false,
         "Complete"},
        {"chunked with trailer", Post("Transfer-Encoding: chunked\r\n", "3\r\n<a>\r\n0\r\nX-T: 1\r\n\r\n"), false, "Complete"},
        {"chunked, last chunk missing", Post("Transfer-Encoding: chunked\r\n", "3\r\n<a>\r\n"), true, "Incomplete"},
        {"no length: ends with the connection", Post("", body), true, "Complete"},
        {"no length, still open", Post("", body), false, "NeedMore"},
        {"get without body", "GET /help.aspx HTTP/1.0\r\n\r\n", false, "Complete"},
        // Line breaks other than CR LF could be read one way here and another by the parser.
        {"bare line feeds", "GET /help.aspx HTTP/1.0\nHost: h\n\n", false, "Malformed"},
        {"header ended by a bare line feed", "GET /help.aspx HTTP/1.0\r\nHost: h\r\n\n", false, "Malformed"},
        {"lone carriage return", "GET /help.aspx HTTP/1.0\r\nHost: h\rX: 1\r\n\r\n", false, "Malformed"},
        {"folded header line", "GET /help.aspx HTTP/1.0\r\nHost: h\r\n x\r\n\r\n", false, "Malformed"},
        {"blank before the colon", Post("Transfer-Encoding : chunked\r\n", "3\r\n<a>\r\n0\r\n\r\n"), false, "Malformed"},
        {"chunk size line ended by a bare line feed", Post("Transfer-Encoding: chunked\r\n", "3\n<a>\r\n0\r\n\r\n"), false,
         "Malformed"},
        {"chunk data ended by a bare line feed", Post("Transfer-Encoding: chunked\r\n", "3\r\n<a>\n0\r\n\r\n"), false,
         "Malformed"},
        {"last chunk ended by bare line feeds", Post("Transfer-Encoding: chunked\r\n", "3\r\n<a>\r\n0\n\n"), false,
         "Malformed"},
        {"header cut short", "GET /help.aspx HTTP/1.0\r\nHost:", true, "Incomplete"},
        {"length and chunks at once", Post("Content-Length: 17\r\nTransfer-Encoding: chunked\r\n", body), false, "Malformed"},
        {"length not a number", Post("Content-Length: 1x\r\n", body), false, "Malformed"},
        {"two different lengths", Post("Content-Length: 17\r\nContent-Length: 16\r\n", body), false, "Malformed"},
        {"chunk size not hex", Post("Transfer-Encoding: chunked\r\n", "zz\r\n"), false, "Malformed"},
        {"blank lines before the request line", "\r\n\r\nGET /help.aspx HTTP/1.0\r\n\r\n", false, "Complete"},
        {"not HTTP (a TLS greeting)", std::string("\x16\x03\x01\x02\x00\x01", 6), false, "Malformed"},
        {"lower-case method", "get / HTTP/1.0\r\n\r\n", false, "Malformed"},
        {"chunk without its line end", Post("Transfer-Encoding: chunked\r\n", "1\r\nab\r\n"), false, "Malformed"},
    };
    for (const Case &c : cases)
        for (std::size_t piece : {std::size_t(0), std::size_t(1), std::size_t(7)})
            EXPECT_EQ(Verdict(c.bytes, piece, c.peerCloses), c.verdict) << c.what << ", pieces of " << piece;
}

TEST(HttpRequestReader, KeepsTheRequestAsReceivedAndDropsWhatFollows)
{
    const std::string request = Post("Content-Length: 4\r\n", "<a/>");
    std::string kept;
    EXPECT_EQ(Verdict(request + "GET / HTTP/1.0\r\n\r\n", 3, false, &kept), "Complete");
    EXPECT_EQ(kept, request);
    EXPECT_EQ(Verdict("\r\n\r\nGET / HTTP/1.0\r\n\r\n", 1, false, &kept), "Complete");
    EXPECT_EQ(kept, "GET / HTTP/1.0\r\n\r\n");
    const std::string chunked = Post("Transfer-Encoding: chunked\r\n", "4\r\n<a/>\r\n0\r\n\r\n");
    EXPECT_EQ(Verdict(chunked + "junk", 0, false, &kept), "Complete");
    EXPECT_EQ(kept, chunked);
}

TEST(HttpRequestReader, SizeBoundHoldsForEveryFraming)
{
    const std::string big(101, 'a');
    struct Case
    {
        const char *what;
        std::string bytes;
        const char *verdict;
    };
    const Case cases[] = {
        {"declared length over the bound", Post("Content-Length: 101\r\n", ""), "TooLarge"},
        {"declared length at the bound", Post("Content-Length: 100\r\n", std::string(100, 'a')), "Complete"},
        {"chunked over the bound", Post("Transfer-Encoding: chunked\r\n", "65\r\n" + big + "\r\n0\r\n\r\n"), "TooLarge"},
        // Chunk framing is counted: 50 bytes of text in one-byte chunks is 300 bytes received.
        {"many small chunks",
         Post("Transfer-Encoding: chunked\r\n",
              [] {
                  std::string chunks;
                  for (int i = 0; i < 50; ++i)
                      chunks += "1\r\na\r\n";
                  return chunks + "0\r\n\r\n";
              }()),
         "TooLarge"},
        {"no length, over the bound", Post("", big), "TooLarge"},
        {"header over the bound", "GET / HTTP/1.0\r\nX: " + std::string(300, 'h') + "\r\n\r\n", "TooLarge"},
        {"header within the bound in short lines", "GET / HTTP/1.0\r\n" + [] {
             std::string lines;
             for (int i = 0; i < 10; ++i)
                 lines.append("X").append(std::to_string(i)).append(": ").append(16, 'h').append("\r\n");
             return lines;
         }() + "\r\n", "Complete"},
        // A line is counted with its CR LF.
        {"header line at its bound", "GET / HTTP/1.0\r\nX: " + std::string(59, 'h') + "\r\n\r\n", "Complete"},
        {"header line over its bound", "GET / HTTP/1.0\r\nX: " + std::string(60, 'h') + "\r\n\r\n", "TooLarge"},
        {"request line over the line bound", "GET /" + std::string(60, 'p') + " HTTP/1.0\r\n\r\n", "TooLarge"},
    };
    for (const Case &c : cases)
        for (std::size_t piece : {std::size_t(0), std::size_t(1)})
            EXPECT_EQ(Verdict(c.bytes, piece, false), c.verdict) << c.what << ", pieces of " << piece;
}

TEST(HttpRequestReader, ShapeBoundsCountElementsAndAttributes)
{
    struct Case
    {
        const char *what;
        std::string body;
        const char *verdict;
    };
    const Case cases[] = {
        {"three attributes", "<a x=\"1\" y='2' z=\"3\"/>", "Complete"},
        {"four attributes", "<a x=\"1\" y='2' z=\"3\" w=\"4\"/>", "TooComplex"},
        {"four without blanks between", "<a x=\"1\"y=\"2\"z=\"3\"w=\"4\"/>", "TooComplex"},
        {"four without values", "<a x y z w>", "TooComplex"},
        {"blanks around the equals sign", "<a x = \"1\" y = \"2\" z = \"3\"/>", "Complete"},
        {"markup inside values", "<a x=\"<b c d e f>\" y='>'/>", "Complete"},
        {"ten elements", "<a><b/><b/><b/><b/><b/><b/><b/><b/></a><c/>", "Complete"},
        {"eleven elements", "<a><b/><b/><b/><b/><b/><b/><b/><b/><b/></a><c/>", "TooComplex"},
        {"tags in a comment", "<!-- <b/><b/><b/><b/><b/><b/><b/><b/><b/><b/><b/> --><a/>", "Complete"},
        {"tags in CDATA", "<a><![CDATA[<b/><b/><b/><b/><b/><b/><b/><b/><b/><b/><b/>]]></a>", "Complete"},
        {"declaration and instruction", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE a><a b=\"1\"/>", "Complete"},
    };
    for (const Case &c : cases) {
        std::string request = Post("Content-Length: " + std::to_string(c.body.size()) + "\r\n", c.body);
        for (std::size_t piece : {std::size_t(0), std::size_t(1), std::size_t(5)})
            EXPECT_EQ(Verdict(request, piece, false), c.verdict) << c.what << ", pieces of " << piece;
    }
}
