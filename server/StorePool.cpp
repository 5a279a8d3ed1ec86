// The bounded set of database connections the workers of one process share.
#include "StorePool.h"

#include <algorithm>

StorePool::StorePool(const std::string &target, int size, std::chrono::milliseconds maxWait) : m_maxWait(maxWait)
{
    const int count = std::max(1, size);
    m_stores.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        m_stores.push_back(std::make_unique<PlatformStore>(target));
        m_free.push_back(m_stores.back().get());
    }
}

PlatformStore &StorePool::Borrow()
{
    std::unique_lock lock(m_mutex);
    if (m_free.empty()) {
        const auto started = std::chrono::steady_clock::now();
        ++m_waiting;
        const bool got = m_freed.wait_for(lock, m_maxWait, [this] { return !m_free.empty(); });
        --m_waiting;
        ++m_waits;
        m_waited += std::chrono::steady_clock::now() - started;
        if (!got) {
            ++m_timeouts;
            throw StoreError("no database connection came free in time");
        }
    }
    PlatformStore *store = m_free.back();
    m_free.pop_back();
    return *store;
}

void StorePool::GiveBack(PlatformStore &store)
{
    {
        std::lock_guard lock(m_mutex);
        m_free.push_back(&store);
    }
    m_freed.notify_one();
}

StorePool::Counts StorePool::Snapshot() const
{
    std::lock_guard lock(m_mutex);
    Counts counts;
    counts.size = static_cast<int>(m_stores.size());
    counts.inUse = counts.size - static_cast<int>(m_free.size());
    counts.waiting = m_waiting;
    counts.waits = m_waits;
    counts.waitSeconds = std::chrono::duration<double>(m_waited).count();
    counts.timeouts = m_timeouts;
    return counts;
}
