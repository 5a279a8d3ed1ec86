// Held-answer places per address and account, and the queue in front of the hashing threads.
#include "SignInBudget.h"

#include <algorithm>
#include <iterator>

std::size_t HeldAnswers::Live(Releases &releases, Clock::time_point now)
{
    while (!releases.empty() && releases.front() <= now)
        releases.pop_front();
    return releases.size();
}

template <typename Key>
HeldAnswers::Releases &HeldAnswers::Entry(std::map<Key, Releases> &table, const Key &key, Clock::time_point now)
{
    auto found = table.find(key);
    if (found != table.end())
        return found->second;
    if (table.size() >= kMaxKeys) {
        for (auto it = table.begin(); it != table.end();)
            it = Live(it->second, now) == 0 ? table.erase(it) : std::next(it);
        // Every one still holding answers: the one whose last answer goes out first makes room.
        if (table.size() >= kMaxKeys)
            table.erase(std::min_element(table.begin(), table.end(), [](const auto &a, const auto &b) {
                return a.second.back() < b.second.back();
            }));
    }
    return table[key];
}

bool HeldAnswers::Reserve(const std::string &address, std::int64_t account, std::chrono::milliseconds delay,
                          Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    Releases &byAddress = Entry(m_addresses, address, now);
    if (Live(byAddress, now) >= kPerAddress)
        return false;
    Releases *byAccount = nullptr;
    if (account != 0) {
        byAccount = &Entry(m_accounts, account, now);
        if (Live(*byAccount, now) >= kPerAccount)
            return false;
    }
    const auto release = now + delay;
    // Kept in order of release (delays differ, so a later reservation may go out sooner).
    byAddress.insert(std::upper_bound(byAddress.begin(), byAddress.end(), release), release);
    if (byAccount)
        byAccount->insert(std::upper_bound(byAccount->begin(), byAccount->end(), release), release);
    return true;
}

bool IsPasswordRequest(const std::string &raw)
{
    // The account forms are posted to the web site's /user/ pages.
    if (raw.rfind("POST /user/", 0) == 0)
        return true;
    for (const char *operation : {"WsLogin", "WsAutoLogin", "WsReLogin"})
        if (raw.find(operation) != std::string::npos)
            return true;
    return false;
}

void SignInQueue::Push(const std::string &address, ServedConnection *served, Clock::time_point now)
{
    std::deque<Waiting> &waiting = m_byAddress[address];
    if (waiting.empty())
        m_turns.push_back(address);
    waiting.push_back(Waiting{served, now});
}

ServedConnection *SignInQueue::Take(bool *stale, Clock::time_point now)
{
    if (m_turns.empty())
        return nullptr;
    const std::string address = m_turns.front();
    m_turns.pop_front();
    auto found = m_byAddress.find(address);
    Waiting next = found->second.front();
    found->second.pop_front();
    if (found->second.empty())
        m_byAddress.erase(found);
    else
        m_turns.push_back(address); // its next request waits for the others' turns
    *stale = now - next.arrived > kWait;
    return next.served;
}
