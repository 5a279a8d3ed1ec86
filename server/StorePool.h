// A process's bounded set of database connections, each a whole PlatformStore: a worker borrows
// one for the request it serves and gives it back, so fewer connections than workers may serve
// them all. Waiting for a free one is bounded; a call that waits too long fails as a database
// failure does.
#pragma once

#include "PlatformStore.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class StorePool
{
public:
    // How long a borrower waits for a free connection before its call fails.
    static constexpr std::chrono::milliseconds kDefaultMaxWait{5000};

    // What the pool has done so far, for the operator's metrics.
    struct Counts
    {
        int size = 0;
        int inUse = 0;
        int waiting = 0;            // borrowers waiting for one now
        std::uint64_t waits = 0;    // borrows that found no connection free at once
        double waitSeconds = 0;     // time those borrows spent waiting, in all
        std::uint64_t timeouts = 0; // borrows that gave up (their call failed)
    };

    // Opens size connections to the database a --db value names (each brings the schema up to
    // date, as a store does); throws StoreError when one cannot be opened.
    StorePool(const std::string &target, int size, std::chrono::milliseconds maxWait = kDefaultMaxWait);
    StorePool(const StorePool &) = delete;
    StorePool &operator=(const StorePool &) = delete;

    // A free connection, waiting for one at most the pool's wait; throws StoreError when none
    // came free in time. Give it back with GiveBack once the call is over.
    PlatformStore &Borrow();
    void GiveBack(PlatformStore &store);

    Counts Snapshot() const;

private:
    std::chrono::milliseconds m_maxWait;
    std::vector<std::unique_ptr<PlatformStore>> m_stores;
    mutable std::mutex m_mutex;
    std::condition_variable m_freed;
    std::vector<PlatformStore *> m_free; // under m_mutex
    int m_waiting = 0;
    std::uint64_t m_waits = 0;
    std::chrono::steady_clock::duration m_waited{};
    std::uint64_t m_timeouts = 0;
};
