// What the operations of the service share: the outcome of a fetch and the number rule.
#pragma once

#include "ServiceCall.h"

#include <json/value.h>

#include <cstdint>
#include <string>

enum class FetchStatus
{
    Ok,                // the result was read
    TransportFailure,  // no usable reply
    Abandoned,         // a common status the handler gave up on (it has said everything)
    Skipped,           // a common status or empty result of an operation that skips its step
    Empty,             // an empty result: nothing to show, the screen stays as it was
    NotFound,          // the service has no such record
    BadDocument,       // the result is no document of the expected shape
};

// The fetch status of a call that ended before its result could be interpreted.
FetchStatus StatusOfCall(const CallResult &call);

// Decimal text as the service sends numbers: leading blanks, an optional sign, then digits;
// anything else ends the number, and no digits give 0. Out-of-range values are clamped.
std::int32_t LeadingNumber(const std::string &text);

// An identifier the service gives a record: plain decimal digits, no sign or blanks, a value
// from 1 to the largest 32-bit number (the library reads identifiers as such numbers).
bool IsDecimalId(const std::string &text);

enum class DocumentShape
{
    Any,           // any JSON document
    WithDataList,  // a document whose "data" is an array
};

// The JSON document of a call's result: Ok with the parsed root, the status of a call that
// ended before it had a result, or BadDocument.
FetchStatus ReadResultDocument(const CallResult &call, Json::Value &root, DocumentShape shape = DocumentShape::Any);

// A message of the program, written in UTF-8 in the source, as the GBK text that is shown.
std::string ProgramMessage(const char *utf8Text);
