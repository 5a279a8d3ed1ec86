// Reading the JSON documents of service results: {"data": [ {...}, ... ]} with string values.
#pragma once

#include <json/value.h>

#include <string>

// Parses a result (GBK) as a JSON document, comments allowed, nesting limited. False for any
// parse failure, thrown or returned. Strings in the parsed value are UTF-8: read them with
// DocumentText.
bool ParseServiceDocument(const std::string &gbkResult, Json::Value &root);

// The text of a value read from a document, in GBK. A missing value is empty; a number or a
// boolean gives its text; an array or object gives the empty string.
std::string DocumentText(const Json::Value &value);

// root["data"][index] (null when absent).
const Json::Value &DocumentRecord(const Json::Value &root, Json::ArrayIndex index = 0);

// The array root["data"] (null when absent or not an array).
const Json::Value &DocumentRecords(const Json::Value &root);

// data[0][key] of a result: false when the result is empty or does not parse; otherwise true,
// with the text (empty when "data", its first element or the key is missing).
bool SignInDataField(const std::string &gbkResult, const std::string &key, std::string &value);
// The sign-in's "ID" exactly as sent: a string (a session number of any length), or a whole
// number the reader holds exactly. False for anything else and for an empty ID: a number too
// large for 64 bits or with a fraction would come back altered, and every later call be refused.
// At most 64 printable ASCII characters (it goes out with every call).
bool SignInIdField(const std::string &gbkResult, std::string &id);
