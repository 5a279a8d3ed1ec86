// The service's JSON documents: {"data":[...]} with string values, compact, UTF-8 unescaped.
#pragma once

#include <json/json.h>

#include <string>

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
