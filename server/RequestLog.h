// One line of JSON per answered request on standard error, for the operator's log collector:
// when, which operation, for which user, with what result, how long it took, for which client.
// The line is built from these named fields only, never from the request, so no password
// digest, session number, verification code or essay text can reach it.
#pragma once

#include <chrono>
#include <optional>
#include <string>

struct RequestLogEntry
{
    std::chrono::system_clock::time_point time;
    std::string operation;           // the operation's name or the page kind
    std::optional<std::string> user; // the user number the call named or signed in
    std::string result;              // the answer code, else the HTTP status, or "closed"
    double milliseconds = 0;
    std::string client; // the client's address (the one a trusted proxy names)
};

// {"time":"2026-01-02T03:04:05.678Z","operation":"WsLogin","user":"10001","result":"200",
//  "ms":3.25,"client":"127.0.0.1"} and a line feed; "user":null when there is none.
std::string RequestLogLine(const RequestLogEntry &entry);

class RequestLog
{
public:
    // Writes to the descriptor (standard error by default; not owned).
    explicit RequestLog(int descriptor = 2) : m_descriptor(descriptor) {}
    // One write(2) per line, so lines from several threads never interleave.
    void Write(const RequestLogEntry &entry) const;

private:
    int m_descriptor;
};
