// Fuzz target: the result text of an operation whose result is a JSON document, arriving in a
// well-formed reply, so the mutations go to the document reader. First byte: which operation.
#include "MemoryConnection.h"
#include "ServiceOperations.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// The text as element content: markup characters escaped, every other byte as it is (the runtime
// passes strings through as UTF-8 bytes).
std::string ElementText(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string SoapReply(const std::string &operation, std::string_view result)
{
    const std::string body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                             "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\" "
                             "xmlns:ns1=\"http://127.0.0.1/\"><SOAP-ENV:Body><ns1:" +
                             operation + "Response><ns1:" + operation + "Result>" + ElementText(result) + "</ns1:" + operation +
                             "Result></ns1:" + operation + "Response></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    return "HTTP/1.1 200 OK\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char *>(data), size);
    const FuzzedOperation &operation = SelectOperation(input, true);
    const std::string reply = SoapReply(operation.name, input);
    SetMemoryReply(reply);
    PrepareProxies();
    operation.run();
    return 0;
}
