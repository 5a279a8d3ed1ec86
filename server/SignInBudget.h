// What sign-in attempts may cost the service: slowed answers held per client address and per
// account (HeldAnswers: an attempt beyond its share is dropped unanswered, before its password is
// hashed), and the queue in front of the hashing threads (SignInQueue), so that a flood from one
// address or at one account uses up only its own share and pupils' other calls keep their workers.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>

class HeldAnswers
{
public:
    using Clock = std::chrono::steady_clock;
    // Slowed answers waiting at once, per client address and per account. A school's sign-ins
    // come from one address, so its bound leaves room for a class's typos.
    static constexpr std::size_t kPerAddress = 32;
    static constexpr std::size_t kPerAccount = 8;
    // Addresses and accounts tracked at once; beyond it the stalest go.
    static constexpr std::size_t kMaxKeys = 20000;

    // Reserves a place for an answer held for `delay` for this address and account (0: an unknown
    // name, counted for its address only). False, reserving nothing, when either has its fill.
    // The place frees itself when the delay has passed, when the answer goes out.
    bool Reserve(const std::string &address, std::int64_t account, std::chrono::milliseconds delay,
                 Clock::time_point now = Clock::now());

private:
    using Releases = std::deque<Clock::time_point>; // when each held answer goes out, in order
    static std::size_t Live(Releases &releases, Clock::time_point now);
    template <typename Key>
    static Releases &Entry(std::map<Key, Releases> &table, const Key &key, Clock::time_point now);

    std::mutex m_mutex;
    std::map<std::string, Releases> m_addresses;
    std::map<std::int64_t, Releases> m_accounts;
};

struct ServedConnection;

// Whether a request may check a password (the sign-in operations, the web site's account forms):
// those are served by the hashing threads, one per core, never by the workers that answer pupils'
// other calls. Read from the raw bytes; a request taken for one by mistake is still served whole.
bool IsPasswordRequest(const std::string &raw);

// Password-checking requests waiting for a hashing thread, taken in turn by client address so that
// a flood from one address holds back another address's request by one turn at most. A request
// that has waited longer than kWait is handed back stale, to be closed unanswered. Not
// synchronised: its owner holds a lock.
class SignInQueue
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kWait{20};

    void Push(const std::string &address, ServedConnection *served, Clock::time_point now = Clock::now());
    // The next request in turn, or nullptr when none waits; *stale tells whether it waited too long.
    ServedConnection *Take(bool *stale, Clock::time_point now = Clock::now());
    bool Empty() const { return m_turns.empty(); }

private:
    struct Waiting
    {
        ServedConnection *served = nullptr;
        Clock::time_point arrived;
    };
    std::map<std::string, std::deque<Waiting>> m_byAddress;
    std::deque<std::string> m_turns; // addresses with waiting requests, next first
};
