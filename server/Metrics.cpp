// Counting requests and rendering the operator's figures as Prometheus text.
#include "Metrics.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr std::string_view kOperations[] = {
    "WsLogin",          "WsAutoLogin",      "WsReLogin",        "WsCreateVerifyImage", "WsUserInfo",
    "WsServerPoll",     "WsOverallInfo",    "WsMainInfo",       "WsKeyword",           "WsCorpusBriefByKwId",
    "WsCorpusInfoById", "WsUpdateCorHits",  "WsUpdateKeyHits",  "WsCompSaveOrEdit",    "WsUserComp",
    "WsCompInfo",       "WsDeleteComp",     "WsCompMatch",      "WsRecentScore",       "WsActivity",
    "WsActivityInfo",   "WsUserIdea",
};

bool StartsWith(const std::string &text, std::string_view prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Whether the request is a GET of the path (with or without a query).
bool IsGetOf(const std::string &raw, std::string_view path)
{
    const std::string line = "GET " + std::string(path);
    return StartsWith(raw, line) && raw.size() > line.size() && (raw[line.size()] == ' ' || raw[line.size()] == '?');
}

// A label value as the text format wants it: backslash, quote and line feed escaped.
void AppendLabel(std::string &out, const std::string &value)
{
    out.push_back('"');
    for (char c : value) {
        if (c == '\\')
            out.append("\\\\");
        else if (c == '"')
            out.append("\\\"");
        else if (c == '\n')
            out.append("\\n");
        else
            out.push_back(c);
    }
    out.push_back('"');
}

std::string Number(double value, const char *format = "%.17g")
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void AppendHeader(std::string &out, const char *name, const char *type, const char *help)
{
    out.append("# HELP ").append(name).append(" ").append(help).append("\n");
    out.append("# TYPE ").append(name).append(" ").append(type).append("\n");
}

void AppendSample(std::string &out, const char *name, const std::string &value)
{
    out.append(name).append(" ").append(value).append("\n");
}

} // namespace

std::string KnownOperation(const char *tag)
{
    if (!tag)
        return {};
    const char *colon = std::strchr(tag, ':');
    const std::string_view local = colon ? colon + 1 : tag;
    for (std::string_view operation : kOperations)
        if (operation == local)
            return std::string(operation);
    return {};
}

bool IsAnswerCode(const std::string &answer)
{
    if (answer == "true" || answer == "false")
        return true;
    const std::size_t digits = !answer.empty() && answer[0] == '-' ? 1 : 0;
    return answer.size() == digits + 1 && answer[digits] >= '0' && answer[digits] <= '9';
}

std::string RequestKind(const std::string &raw)
{
    for (const char *probe : {"healthz", "readyz", "metrics"})
        if (IsGetOf(raw, std::string("/") + probe))
            return probe;
    if (StartsWith(raw, "GET /test/"))
        return "test";
    if (IsGetOf(raw, "/send/") || IsGetOf(raw, "/send"))
        return "share";
    if (StartsWith(raw, "GET "))
        return "page";
    if (StartsWith(raw, "POST /user/"))
        return "form";
    return "soap";
}

std::string ResponseStatus(const std::string &response)
{
    // "HTTP/1.1 200 OK"
    if (response.size() >= 12 && StartsWith(response, "HTTP/1.") && response[8] == ' ' &&
        std::all_of(response.begin() + 9, response.begin() + 12, [](char c) { return c >= '0' && c <= '9'; }))
        return response.substr(9, 3);
    return "closed";
}

bool MetricsAllowed(const IpBytes &client, const TrustedProxies &proxies, const TrustedProxies &metricsFrom)
{
    return IsLoopbackIp(client) || proxies.Contains(client) || metricsFrom.Contains(client);
}

void Metrics::CountRequest(const std::string &operation, const std::string &result, double seconds)
{
    std::size_t bucket = 0;
    while (bucket < kBuckets.size() && seconds > kBuckets[bucket])
        ++bucket;
    std::lock_guard lock(m_mutex);
    ++m_requests[{operation, result}];
    Latency &latency = m_latency[operation];
    ++latency.inBucket[bucket];
    ++latency.count;
    latency.sum += seconds;
}

void Metrics::CountDatabaseError()
{
    std::lock_guard lock(m_mutex);
    ++m_databaseErrors;
}

std::string Metrics::Render(const Gauges &gauges) const
{
    std::string out;
    std::lock_guard lock(m_mutex);

    AppendHeader(out, "platform_requests_total", "counter",
                 "Requests answered, by operation (or page kind) and result code (the answer code, else the HTTP status).");
    for (const auto &[key, count] : m_requests) {
        out.append("platform_requests_total{operation=");
        AppendLabel(out, key.first);
        out.append(",result=");
        AppendLabel(out, key.second);
        out.append("} ").append(std::to_string(count)).append("\n");
    }

    AppendHeader(out, "platform_request_duration_seconds", "histogram",
                 "Seconds from a request's arrival in whole to its answer being ready, by operation.");
    for (const auto &[operation, latency] : m_latency) {
        std::uint64_t cumulative = 0;
        for (std::size_t i = 0; i <= kBuckets.size(); ++i) {
            cumulative += latency.inBucket[i];
            out.append("platform_request_duration_seconds_bucket{operation=");
            AppendLabel(out, operation);
            out.append(",le=\"").append(i < kBuckets.size() ? Number(kBuckets[i], "%g") : "+Inf").append("\"} ");
            out.append(std::to_string(cumulative)).append("\n");
        }
        out.append("platform_request_duration_seconds_sum{operation=");
        AppendLabel(out, operation);
        out.append("} ").append(Number(latency.sum, "%.9g")).append("\n");
        out.append("platform_request_duration_seconds_count{operation=");
        AppendLabel(out, operation);
        out.append("} ").append(std::to_string(latency.count)).append("\n");
    }

    AppendHeader(out, "platform_connections_open", "gauge", "Client connections the process holds.");
    AppendSample(out, "platform_connections_open", std::to_string(gauges.open));
    AppendHeader(out, "platform_connections_reading", "gauge", "Connections whose request is still arriving.");
    AppendSample(out, "platform_connections_reading", std::to_string(gauges.reading));
    AppendHeader(out, "platform_connections_writing", "gauge", "Connections whose answer is being written.");
    AppendSample(out, "platform_connections_writing", std::to_string(gauges.writing));
    AppendHeader(out, "platform_answers_held", "gauge", "Answers held back until due (slowed sign-ins).");
    AppendSample(out, "platform_answers_held", std::to_string(gauges.held));
    AppendHeader(out, "platform_requests_queued", "gauge", "Whole requests waiting for a worker.");
    AppendSample(out, "platform_requests_queued", std::to_string(gauges.queued));

    AppendHeader(out, "platform_database_errors_total", "counter",
                 "Calls and readiness probes that failed on the database (pool timeouts included).");
    AppendSample(out, "platform_database_errors_total", std::to_string(m_databaseErrors));
    AppendHeader(out, "platform_db_pool_connections", "gauge", "Database connections of the process.");
    AppendSample(out, "platform_db_pool_connections", std::to_string(gauges.pool.size));
    AppendHeader(out, "platform_db_pool_in_use", "gauge", "Database connections lent to a call.");
    AppendSample(out, "platform_db_pool_in_use", std::to_string(gauges.pool.inUse));
    AppendHeader(out, "platform_db_pool_waiting", "gauge", "Calls waiting for a database connection now.");
    AppendSample(out, "platform_db_pool_waiting", std::to_string(gauges.pool.waiting));
    AppendHeader(out, "platform_db_pool_waits_total", "counter", "Calls that found no database connection free at once.");
    AppendSample(out, "platform_db_pool_waits_total", std::to_string(gauges.pool.waits));
    AppendHeader(out, "platform_db_pool_wait_seconds_total", "counter", "Seconds calls spent waiting for a database connection.");
    AppendSample(out, "platform_db_pool_wait_seconds_total", Number(gauges.pool.waitSeconds, "%.9g"));
    AppendHeader(out, "platform_db_pool_timeouts_total", "counter",
                 "Calls that waited too long for a database connection and failed.");
    AppendSample(out, "platform_db_pool_timeouts_total", std::to_string(gauges.pool.timeouts));
    return out;
}

std::string MetricsAnswer(const std::string &exposition)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/plain; version=0.0.4; charset=utf-8\r\nCache-Control: no-store\r\n"
           "Content-Length: " +
           std::to_string(exposition.size()) + "\r\nConnection: close\r\n\r\n" + exposition;
}
