// Counting sign-in failures per account, device code and address.
#include "SignInGuard.h"

#include <algorithm>

namespace {

std::int64_t Seconds(SignInGuard::Clock::time_point at)
{
    return std::chrono::duration_cast<std::chrono::seconds>(at.time_since_epoch()).count();
}

std::int64_t UtcNow()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

} // namespace

void SignInGuard::UpdateAccount(std::int64_t userId, const SharedAccounts *shared,
                                const std::function<void(AccountCount &)> &change)
{
    if (shared) {
        (*shared)(userId, change);
        return;
    }
    std::lock_guard lock(m_mutex);
    AccountCount &count = m_accounts[userId];
    change(count);
    if (count.failures <= 0 && !count.locked)
        m_accounts.erase(userId);
}

SignInGuard::Attempt SignInGuard::Begin(std::int64_t userId, const std::string &deviceCode, const std::string &peer,
                                        bool withVerifyCode, Clock::time_point now, const SharedAccounts *shared)
{
    int failures = 0;
    {
        std::lock_guard lock(m_mutex);
        failures = std::max(Recent(m_devices, deviceCode, now), std::max(0, Recent(m_addresses, peer, now) - kAddressAllowance));
    }
    Attempt attempt;
    if (userId != 0) {
        const std::int64_t nowSeconds = shared ? UtcNow() : Seconds(now);
        const std::int64_t memorySeconds = std::chrono::duration_cast<std::chrono::seconds>(kMemory).count();
        UpdateAccount(userId, shared, [&](AccountCount &account) {
            // A lock cools down like a count: otherwise whoever locks an account keeps its owner
            // out of every sign-in without a verification code for good.
            if (nowSeconds - account.last > memorySeconds) {
                account.failures = 0;
                account.locked = false;
            }
            // A correct verification code proves a person: the account's own count does not slow it.
            if (!withVerifyCode)
                failures = std::max(failures, static_cast<int>(std::min<std::int64_t>(account.failures, 1000)));
            if (account.failures >= kLockAfter)
                account.locked = true;
            attempt.locked = account.locked && !withVerifyCode;
            // Counted as failed until the password proves right; a refused attempt is not
            // checked, so it adds nothing.
            if (!attempt.locked) {
                ++account.failures;
                account.last = nowSeconds;
            }
        });
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

void SignInGuard::Withdraw(std::int64_t userId, const SharedAccounts *shared)
{
    UpdateAccount(userId, shared, [](AccountCount &account) {
        if (account.failures > 0)
            --account.failures;
    });
}

void SignInGuard::Succeeded(std::int64_t userId, bool withVerifyCode, const SharedAccounts *shared)
{
    UpdateAccount(userId, shared, [&](AccountCount &account) {
        if (withVerifyCode)
            account.locked = false;
        if (!account.locked)
            account = AccountCount{};
    });
}

bool SignInGuard::IsLocked(std::int64_t userId, const SharedAccounts *shared)
{
    bool locked = false;
    UpdateAccount(userId, shared, [&](AccountCount &account) { locked = account.locked; });
    return locked;
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
