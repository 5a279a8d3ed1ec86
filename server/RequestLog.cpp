// The per-request log line: JSON on one line, written whole.
#include "RequestLog.h"

#include "JsonText.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

// UTC, RFC 3339 with milliseconds: "2026-01-02T03:04:05.678Z".
std::string UtcText(std::chrono::system_clock::time_point time)
{
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(sinceEpoch / 1000);
    const int millis = static_cast<int>(sinceEpoch % 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, millis);
    return text;
}

} // namespace

std::string RequestLogLine(const RequestLogEntry &entry)
{
    std::string line = "{\"time\":\"" + UtcText(entry.time) + "\",\"operation\":";
    AppendJsonString(line, entry.operation);
    line.append(",\"user\":");
    if (entry.user)
        AppendJsonString(line, *entry.user);
    else
        line.append("null");
    line.append(",\"result\":");
    AppendJsonString(line, entry.result);
    char ms[32];
    std::snprintf(ms, sizeof ms, "%.3f", std::isfinite(entry.milliseconds) ? entry.milliseconds : 0.0);
    line.append(",\"ms\":").append(ms).append(",\"client\":");
    AppendJsonString(line, entry.client);
    line.append("}\n");
    return line;
}

void RequestLog::Write(const RequestLogEntry &entry) const
{
    const std::string line = RequestLogLine(entry);
    // A line this short goes out in one piece to a pipe or a file; a write cut short by a signal
    // is tried again rather than left half-written.
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t n = ::write(m_descriptor, line.data() + written, line.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // nowhere to log to: serving goes on
        written += static_cast<std::size_t>(n);
    }
}
