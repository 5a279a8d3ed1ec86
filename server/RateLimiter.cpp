// Token buckets per key.
#include "RateLimiter.h"

#include <algorithm>

RateLimiter::RateLimiter(int burst, std::chrono::milliseconds interval, std::size_t maxKeys)
    : m_burst(burst), m_interval(interval), m_maxKeys(maxKeys)
{
}

double RateLimiter::Refill(Bucket &bucket, Clock::time_point now) const
{
    if (now > bucket.updated) {
        double gained = std::chrono::duration<double>(now - bucket.updated) / m_interval;
        bucket.tokens = std::min<double>(m_burst, bucket.tokens + gained);
        bucket.updated = now;
    }
    return bucket.tokens;
}

bool RateLimiter::Allow(const std::string &key, Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    auto it = m_buckets.find(key);
    if (it == m_buckets.end()) {
        if (m_buckets.size() >= m_maxKeys) {
            // Full buckets hold nothing worth keeping.
            for (auto entry = m_buckets.begin(); entry != m_buckets.end();)
                entry = Refill(entry->second, now) >= m_burst ? m_buckets.erase(entry) : std::next(entry);
            if (m_buckets.size() >= m_maxKeys)
                return false; // more keys than the table holds are all busy: refuse, stay bounded
        }
        it = m_buckets.emplace(key, Bucket{static_cast<double>(m_burst), now}).first;
    }
    if (Refill(it->second, now) < 1.0)
        return false;
    it->second.tokens -= 1.0;
    return true;
}
