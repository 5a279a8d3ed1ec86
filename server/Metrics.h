// What an operator watches of one process: requests by operation and result, their latency,
// connections, database failures and waits for a database connection, rendered for a scraper
// in the Prometheus text exposition format (version 0.0.4).
#pragma once

#include "StorePool.h"
#include "TrustedProxies.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

// The operation a SOAP body's first element names ("ns1:WsLogin", any prefix): the operation's
// name when the service has it, else empty. Labels come only from this fixed set.
std::string KnownOperation(const char *tag);
// Whether an operation's answer is a status code ("1", "0", "-6", "true", "false") rather than
// a document or an essay's id: only such answers become a result label.
bool IsAnswerCode(const std::string &answer);
// What a request that names no operation is, from its request line: "healthz", "readyz",
// "metrics", "test" (the test controls), "share" (the sharing gateway), "form" (a posted web
// form), "page" (any other GET), or "soap" (a POST that named no known operation).
std::string RequestKind(const std::string &raw);
// The HTTP status of a whole response ("200"), or "closed" when it is empty (the connection is
// closed unanswered).
std::string ResponseStatus(const std::string &response);
// Whether the metrics may be shown to this client (the one a trusted proxy names, else the peer):
// loopback, a trusted proxy, or a --metrics-from range.
bool MetricsAllowed(const IpBytes &client, const TrustedProxies &proxies, const TrustedProxies &metricsFrom);

class Metrics
{
public:
    // Upper bounds of the latency buckets, in seconds (+Inf follows).
    static constexpr std::array<double, 13> kBuckets{0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1,
                                                     0.25,  0.5,    1,     2.5,  5,    10};

    // The figures that are read at the moment of a scrape rather than counted.
    struct Gauges
    {
        std::size_t open = 0;    // connections the process holds
        std::size_t reading = 0; // ... whose request is still arriving
        std::size_t writing = 0; // ... whose answer is being written
        std::size_t held = 0;    // answers held back until due (slowed sign-ins)
        std::size_t queued = 0;  // whole requests waiting for a worker
        StorePool::Counts pool;
    };

    // One request answered (any thread): its operation or kind, its result code, and the seconds
    // from its arrival in whole to its answer being ready.
    void CountRequest(const std::string &operation, const std::string &result, double seconds);
    // A call or readiness probe that failed on the database.
    void CountDatabaseError();

    // The whole exposition, every line ending in "\n".
    std::string Render(const Gauges &gauges) const;

private:
    struct Latency
    {
        std::array<std::uint64_t, kBuckets.size() + 1> inBucket{}; // not cumulative; last is +Inf
        std::uint64_t count = 0;
        double sum = 0;
    };
    mutable std::mutex m_mutex;
    std::map<std::pair<std::string, std::string>, std::uint64_t> m_requests; // (operation, result)
    std::map<std::string, Latency> m_latency;
    std::uint64_t m_databaseErrors = 0;
};

// The HTTP answer carrying the rendered metrics.
std::string MetricsAnswer(const std::string &exposition);
