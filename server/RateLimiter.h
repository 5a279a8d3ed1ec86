// A per-key rate limit (token bucket): each key may take burst actions at once and then one
// every interval. Bounded: keys whose bucket has filled again are forgotten first.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>

class RateLimiter
{
public:
    using Clock = std::chrono::steady_clock;

    RateLimiter(int burst, std::chrono::milliseconds interval, std::size_t maxKeys = 10000);
    // True when the key may act now (and the action is counted).
    bool Allow(const std::string &key, Clock::time_point now = Clock::now());

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
