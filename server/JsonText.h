// The service's JSON documents: {"data":[...]} with string values, compact, UTF-8 unescaped.
#pragma once

#include <json/json.h>

#include <string>
#include <string_view>

inline std::string JsonCompact(const Json::Value &value)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, value);
}

// {"data":[row]}
inline std::string DataDocument(const Json::Value &row)
{
    Json::Value root;
    root["data"].append(row);
    return JsonCompact(root);
}

// {"data":rows}, rows being an array (possibly empty).
inline std::string DataDocumentOf(const Json::Value &rows)
{
    Json::Value root;
    root["data"] = rows.isArray() ? rows : Json::Value(Json::arrayValue);
    return JsonCompact(root);
}

// Appends text as a JSON string literal: quotes, backslashes and control characters escaped,
// everything else (UTF-8 included) as it is, as JsonCompact writes it. For documents too large
// to build as a Json::Value first.
inline void AppendJsonString(std::string &out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out.push_back('"');
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(text.data() + plain, i - plain);
        plain = i + 1;
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        default:
            out.append("\\u00");
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        }
    }
    out.append(text.data() + plain, text.size() - plain);
    out.push_back('"');
}
