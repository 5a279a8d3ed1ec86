// Counting sign-in failures per account, device code and address.
#include "SignInGuard.h"

#include <algorithm>

namespace {

std::int64_t Seconds(SignInGuard::Clock::time_point at)
{
    return std::chrono::duration_cast<std::chrono::seconds>(at.time_since_epoch()).count();
}

// The kinds of subject, so that a device code and an address never share a count.
constexpr const char *kDevice = "device ";
constexpr const char *kAddress = "address ";
constexpr const char *kVerifyCode = "code ";

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

std::int64_t SignInGuard::KeeperSeconds(const FailureCounts *failures, Clock::time_point now)
{
    return failures ? UtcNow() : Seconds(now);
}

int SignInGuard::Recent(FailureCounts &keeper, const char *kind, const std::string &key, std::int64_t now)
{
    if (key.empty())
        return 0;
    return keeper.Recent(kind + key, now - kMemorySeconds);
}

int SignInGuard::Add(FailureCounts &keeper, const char *kind, const std::string &key, std::int64_t now)
{
    if (key.empty())
        return 0;
    return keeper.Add(kind + key, now, now - kMemorySeconds);
}

SignInGuard::Attempt SignInGuard::Begin(std::int64_t userId, const std::string &deviceCode, const std::string &peer,
                                        bool withVerifyCode, Clock::time_point now, const SharedAccounts *shared,
                                        FailureCounts *failures)
{
    FailureCounts &keeper = Keeper(failures);
    const std::int64_t keeperNow = KeeperSeconds(failures, now);
    int recent = std::max(Recent(keeper, kDevice, deviceCode, keeperNow),
                          std::max(0, Recent(keeper, kAddress, peer, keeperNow) - kAddressAllowance));
    Attempt attempt;
    if (userId != 0) {
        const std::int64_t nowSeconds = shared ? UtcNow() : Seconds(now);
        UpdateAccount(userId, shared, [&](AccountCount &account) {
            // A lock cools down like a count: otherwise whoever locks an account keeps its owner
            // out of every sign-in without a verification code for good.
            if (nowSeconds - account.last > kMemorySeconds) {
                account.failures = 0;
                account.locked = false;
            }
            // A correct verification code proves a person: the account's own count does not slow it.
            if (!withVerifyCode)
                recent = std::max(recent, static_cast<int>(std::min<std::int64_t>(account.failures, 1000)));
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
    attempt.delay = attempt.locked ? std::chrono::milliseconds(0) : Delay(recent);
    return attempt;
}

std::chrono::milliseconds SignInGuard::FailedCall(const std::string &deviceCode, const std::string &peer, Clock::time_point now,
                                                  FailureCounts *failures)
{
    FailureCounts &keeper = Keeper(failures);
    const std::int64_t keeperNow = KeeperSeconds(failures, now);
    // Each count is read and added to in one step, so calls sent at once each see the others.
    const int device = Add(keeper, kDevice, deviceCode, keeperNow);
    const int address = Add(keeper, kAddress, peer, keeperNow);
    return Delay(std::max(device, address - kAddressAllowance));
}

std::chrono::milliseconds SignInGuard::WrongVerifyCode(const std::string &deviceCode, const std::string &peer,
                                                       Clock::time_point now, FailureCounts *failures)
{
    FailureCounts &keeper = Keeper(failures);
    return Delay(Add(keeper, kVerifyCode, deviceCode + '\n' + peer, KeeperSeconds(failures, now)));
}

void SignInGuard::Failed(const std::string &deviceCode, const std::string &peer, Clock::time_point now,
                         FailureCounts *failures)
{
    FailureCounts &keeper = Keeper(failures);
    const std::int64_t keeperNow = KeeperSeconds(failures, now);
    Add(keeper, kDevice, deviceCode, keeperNow);
    Add(keeper, kAddress, peer, keeperNow);
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

int MemoryFailureCounts::Recent(const std::string &subject, std::int64_t since)
{
    std::lock_guard lock(m_mutex);
    auto it = m_counts.find(subject);
    if (it == m_counts.end() || it->second.last < since)
        return 0;
    return it->second.failures;
}

int MemoryFailureCounts::Add(const std::string &subject, std::int64_t now, std::int64_t since)
{
    std::lock_guard lock(m_mutex);
    auto it = m_counts.find(subject);
    if (it == m_counts.end()) {
        if (m_counts.size() >= m_maxSubjects) {
            std::erase_if(m_counts, [since](const auto &entry) { return entry.second.last < since; });
            if (m_counts.size() >= m_maxSubjects)
                m_counts.erase(std::min_element(m_counts.begin(), m_counts.end(),
                                                [](const auto &a, const auto &b) { return a.second.last < b.second.last; }));
        }
        it = m_counts.emplace(subject, Count{}).first;
    } else if (it->second.last < since) {
        it->second.failures = 0;
    }
    const int before = it->second.failures;
    ++it->second.failures;
    it->second.last = now;
    return before;
}
