// Counting sign-in failures per account, device code and address.
#include "SignInGuard.h"

#include <algorithm>

SignInGuard::Attempt SignInGuard::Begin(std::int64_t userId, const std::string &deviceCode, const std::string &peer,
                                        bool withVerifyCode, Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    int failures = std::max(Recent(m_devices, deviceCode, now), std::max(0, Recent(m_addresses, peer, now) - kAddressAllowance));
    Attempt attempt;
    if (userId != 0) {
        Count &account = m_accounts[userId];
        // A lock cools down like a count: otherwise whoever locks an account keeps its owner out
        // of every sign-in without a verification code for good.
        if (now - account.last > kMemory) {
            account.failures = 0;
            account.locked = false;
        }
        // A correct verification code proves a person: the account's own count does not slow it.
        if (!withVerifyCode)
            failures = std::max(failures, account.failures);
        if (account.failures >= kLockAfter)
            account.locked = true;
        attempt.locked = account.locked && !withVerifyCode;
        // Counted as failed until the password proves right; a refused attempt is not checked,
        // so it adds nothing.
        if (!attempt.locked) {
            ++account.failures;
            account.last = now;
        }
    }
    // A refusal costs nothing to make: holding it back would only fill the held answers.
    attempt.delay = attempt.locked ? std::chrono::milliseconds(0) : Delay(failures);
    return attempt;
}

std::chrono::milliseconds SignInGuard::FailedCall(const std::string &deviceCode, const std::string &peer, Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    int failures = std::max(Recent(m_devices, deviceCode, now), Recent(m_addresses, peer, now) - kAddressAllowance);
    Add(m_devices, deviceCode, now);
    Add(m_addresses, peer, now);
    return Delay(failures);
}

std::chrono::milliseconds SignInGuard::WrongVerifyCode(const std::string &deviceCode, const std::string &peer,
                                                       Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    const std::string key = deviceCode + '\n' + peer;
    int failures = Recent(m_verifyCodes, key, now);
    Add(m_verifyCodes, key, now);
    return Delay(failures);
}

void SignInGuard::Failed(const std::string &deviceCode, const std::string &peer, Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    Add(m_devices, deviceCode, now);
    Add(m_addresses, peer, now);
}

void SignInGuard::Withdraw(std::int64_t userId)
{
    std::lock_guard lock(m_mutex);
    auto it = m_accounts.find(userId);
    if (it != m_accounts.end() && it->second.failures > 0)
        --it->second.failures;
}

void SignInGuard::Succeeded(std::int64_t userId, bool withVerifyCode)
{
    std::lock_guard lock(m_mutex);
    auto it = m_accounts.find(userId);
    if (it == m_accounts.end())
        return;
    if (withVerifyCode)
        it->second.locked = false;
    if (!it->second.locked)
        m_accounts.erase(it);
}

bool SignInGuard::IsLocked(std::int64_t userId)
{
    std::lock_guard lock(m_mutex);
    auto it = m_accounts.find(userId);
    return it != m_accounts.end() && it->second.locked;
}

std::chrono::milliseconds SignInGuard::Delay(int failures)
{
    if (failures <= 0)
        return std::chrono::milliseconds(0);
    constexpr std::chrono::milliseconds kFirst(250), kMost(8000);
    return std::min(kMost, kFirst * (1 << std::min(failures - 1, 10)));
}

int SignInGuard::Recent(std::map<std::string, Count> &table, const std::string &key, Clock::time_point now)
{
    if (key.empty())
        return 0;
    auto it = table.find(key);
    if (it == table.end() || now - it->second.last > kMemory)
        return 0;
    return it->second.failures;
}

void SignInGuard::Add(std::map<std::string, Count> &table, const std::string &key, Clock::time_point now)
{
    if (key.empty())
        return;
    auto it = table.find(key);
    if (it == table.end()) {
        if (table.size() >= kMaxEntries) {
            std::erase_if(table, [now](const auto &entry) { return now - entry.second.last > kMemory; });
            if (table.size() >= kMaxEntries)
                table.erase(std::min_element(table.begin(), table.end(),
                                             [](const auto &a, const auto &b) { return a.second.last < b.second.last; }));
        }
        it = table.emplace(key, Count{}).first;
    } else if (now - it->second.last > kMemory) {
        it->second.failures = 0;
    }
    ++it->second.failures;
    it->second.last = now;
}
