// Shared helpers of the service operations.
#include "OperationCommon.h"

#include "ServiceDocument.h"

#include <cctype>
#include <limits>

FetchStatus StatusOfCall(const CallResult &call)
{
    switch (call.status) {
    case CallStatus::TransportFailure: return FetchStatus::TransportFailure;
    case CallStatus::Abandoned: return FetchStatus::Abandoned;
    case CallStatus::Skipped: return FetchStatus::Skipped;
    case CallStatus::Result: break;
    }
    return FetchStatus::Ok;
}

FetchStatus ReadResultDocument(const CallResult &call, Json::Value &root, DocumentShape shape)
{
    if (call.status != CallStatus::Result)
        return StatusOfCall(call);
    if (!ParseServiceDocument(call.text, root))
        return FetchStatus::BadDocument;
    if (shape == DocumentShape::WithDataList && !DocumentRecords(root).isArray())
        return FetchStatus::BadDocument;
    return FetchStatus::Ok;
}

std::int32_t LeadingNumber(const std::string &text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1)
            break;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

bool IsDecimalId(const std::string &text)
{
    constexpr std::size_t kMaxDigits = 10;
    if (text.empty() || text.size() > kMaxDigits)
        return false;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= std::numeric_limits<std::int32_t>::max();
}

std::string ProgramMessage(const char *utf8Text)
{
    return Utf8ToGbk(utf8Text);
}
