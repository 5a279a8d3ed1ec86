// JSON documents of service results, read with jsoncpp.
#include "ServiceDocument.h"

#include "GbkText.h"

#include <json/reader.h>

#include <algorithm>
#include <memory>

namespace {

// Deep enough for every document of the service, shallow enough that no reply can exhaust the
// stack of the reader.
constexpr int kMaxJsonDepth = 64;

const Json::Value &NullValue()
{
    static const Json::Value null;
    return null;
}

}  // namespace

bool ParseServiceDocument(const std::string &gbkResult, Json::Value &root)
{
    // Parsed from UTF-8: a GBK trail byte may equal '\\' or '"' and must not be read as JSON
    // syntax; values are converted back to GBK when read.
    const std::string utf8 = GbkToUtf8(gbkResult);
    Json::CharReaderBuilder builder;
    builder["allowComments"] = true;
    builder["stackLimit"] = kMaxJsonDepth;
    builder["collectComments"] = false;
    builder["failIfExtra"] = true;  // text after the document makes it no JSON document
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    try {
        return reader->parse(utf8.data(), utf8.data() + utf8.size(), &root, &errors);
    } catch (const std::exception &) {
        return false;
    }
}

std::string DocumentText(const Json::Value &value)
{
    switch (value.type()) {
    case Json::stringValue:
        return Utf8ToGbk(value.asString());
    case Json::intValue:
    case Json::uintValue:
    case Json::realValue:
    case Json::booleanValue:
        return value.asString();
    default:
        return {};
    }
}

const Json::Value &DocumentRecords(const Json::Value &root)
{
    if (!root.isObject())
        return NullValue();
    const Json::Value &data = root["data"];
    return data.isArray() ? data : NullValue();
}

const Json::Value &DocumentRecord(const Json::Value &root, Json::ArrayIndex index)
{
    const Json::Value &records = DocumentRecords(root);
    if (index >= records.size() || !records[index].isObject())
        return NullValue();
    return records[index];
}

bool SignInIdField(const std::string &gbkResult, std::string &id)
{
    Json::Value root;
    if (gbkResult.empty() || !ParseServiceDocument(gbkResult, root))
        return false;
    const Json::Value &record = DocumentRecord(root);
    if (!record.isObject())
        return false;
    // The reader keeps an integer whole only when it fits 64 bits; larger ones and fractions it
    // holds as doubles (realValue), which do not give the digits back.
    const Json::Value &value = record["ID"];
    const Json::ValueType type = value.type();
    if (type != Json::stringValue && type != Json::intValue && type != Json::uintValue)
        return false;
    id = DocumentText(value);
    // Sent back with every call: bounded, and only characters that cross the GBK conversion and
    // the XML text unchanged.
    constexpr std::size_t kLongestId = 64;
    const bool carriable = std::all_of(id.begin(), id.end(), [](unsigned char c) { return c > 0x20 && c < 0x7F; });
    return !id.empty() && id.size() <= kLongestId && carriable;
}

bool SignInDataField(const std::string &gbkResult, const std::string &key, std::string &value)
{
    if (gbkResult.empty())
        return false;
    Json::Value root;
    if (!ParseServiceDocument(gbkResult, root))
        return false;
    const Json::Value &record = DocumentRecord(root);
    value = record.isObject() ? DocumentText(record[key]) : std::string();
    return true;
}
