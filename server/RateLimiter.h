// A per-key rate limit (token bucket): each key may take burst actions at once and then one
// every interval. Counted in this process's memory (bounded: keys whose bucket has filled again
// are forgotten first), or by a keeper every process shares (Shared) under the same rule.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>

class RateLimiter
{
public:
    using Clock = std::chrono::steady_clock;

    RateLimiter(int burst, std::chrono::milliseconds interval, std::size_t maxKeys = 10000);
    // Counts actions outside this process: takes one action of the key under the limit of burst
    // and interval as one step no other process splits; true when it was allowed.
    using Shared = std::function<bool(const std::string &key, int burst, std::chrono::milliseconds interval)>;

    // True when the key may act now (and the action is counted).
    bool Allow(const std::string &key, Clock::time_point now = Clock::now());
    bool Allow(const std::string &key, const Shared &shared) const { return shared(key, m_burst, m_interval); }

private:
    struct Bucket
    {
        double tokens;
        Clock::time_point updated;
    };
    double Refill(Bucket &bucket, Clock::time_point now) const;

    const int m_burst;
    const std::chrono::milliseconds m_interval;
    const std::size_t m_maxKeys;
    std::mutex m_mutex;
    std::map<std::string, Bucket> m_buckets;
};
