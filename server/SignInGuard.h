// Protection of passwords, sessions and verification codes against guessing. Every sign-in
// attempt (WsLogin, WsAutoLogin, WsReLogin, the web site's password forms) is counted against its
// account before the password is checked, so that attempts sent in parallel are counted too; a
// correct password takes the count back. Failures are also counted per device code and per client
// address, and so are signed-in calls whose session number and device code match no session.
// After kLockAfter failures in a row an account is locked for the sign-ins without verification
// code until a WsLogin with a correct code and the right password succeeds, or until kMemory
// passes without another counted attempt. Recent failures delay the answer (see Delay); wrong
// verification codes delay the next answers to that device code from that address. The counts
// are in memory, shared by every worker, unless the caller names where they are kept instead:
// the accounts' counts and locks (SharedAccounts) and the device, address and verification-code
// counts (FailureCounts) can be kept where every process on the database shares them, so that
// guesses spread over several processes lock and slow as surely as guesses sent to one.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

// One account's count of attempts not yet proved right, when the last was (seconds on the
// keeper's clock), and whether it is locked.
struct AccountCount
{
    std::int64_t failures = 0;
    std::int64_t last = 0;
    bool locked = false;
};

// Failure counts by subject (a device code, an address, a device code and address), each with
// the time of its latest failure in seconds. A count whose latest failure is older than "since"
// is no count any more.
class FailureCounts
{
public:
    virtual ~FailureCounts() = default;
    // The subject's failures, 0 when it has none since then.
    virtual int Recent(const std::string &subject, std::int64_t since) = 0;
    // Counts one more failure of the subject at now, starting afresh when its count is older than
    // since, as one step no other counter splits. Returns the failures counted before this one.
    virtual int Add(const std::string &subject, std::int64_t now, std::int64_t since) = 0;
};

// The counts kept in this process's memory (seconds on the steady clock), at most maxSubjects
// subjects: the stalest goes first beyond that.
class MemoryFailureCounts final : public FailureCounts
{
public:
    explicit MemoryFailureCounts(std::size_t maxSubjects) : m_maxSubjects(maxSubjects) {}
    int Recent(const std::string &subject, std::int64_t since) override;
    int Add(const std::string &subject, std::int64_t now, std::int64_t since) override;

private:
    struct Count
    {
        int failures = 0;
        std::int64_t last = 0;
    };
    const std::size_t m_maxSubjects;
    std::mutex m_mutex;
    std::map<std::string, Count> m_counts;
};

class SignInGuard
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kLockAfter = 3;
    // Keeps accounts' counts outside this process: runs the change on the account's count (a
    // new count when it has none) and stores the result, as one step no other process splits,
    // with "last" in UTC seconds. A count back to nothing need not be kept.
    using SharedAccounts = std::function<void(std::int64_t userId, const std::function<void(AccountCount &)> &change)>;

    struct Attempt
    {
        bool locked = false;                // answer the refusal at once without looking at the password
        std::chrono::milliseconds delay{0}; // wait this long before answering
    };

    // Starts an attempt on an account (0 when the name is unknown). withVerifyCode: the attempt
    // carries a correct verification code, so a lock does not refuse it.
    // shared: where the account's count is kept, failures: where the device and address counts
    // are (this process's memory when null; kept elsewhere, their times are UTC seconds).
    Attempt Begin(std::int64_t userId, const std::string &deviceCode, const std::string &peer, bool withVerifyCode,
                  Clock::time_point now = Clock::now(), const SharedAccounts *shared = nullptr,
                  FailureCounts *failures = nullptr);
    // The attempt was dropped before its password was checked (over its budget): it no longer
    // counts against the account.
    void Withdraw(std::int64_t userId, const SharedAccounts *shared = nullptr);
    // The password was right: the account's count is cleared; withVerifyCode also lifts a lock.
    void Succeeded(std::int64_t userId, bool withVerifyCode, const SharedAccounts *shared = nullptr);
    // The password was wrong (or the name unknown): the device and the address count it. Their
    // counts only fade with time, so signing in to one's own account between guesses at others
    // gains nothing.
    void Failed(const std::string &deviceCode, const std::string &peer, Clock::time_point now = Clock::now(),
                FailureCounts *failures = nullptr);

    bool IsLocked(std::int64_t userId, const SharedAccounts *shared = nullptr);

    // A signed-in call whose session number and device code match no session: counted for the
    // device code and the address like a wrong password. Returns the delay before its answer.
    std::chrono::milliseconds FailedCall(const std::string &deviceCode, const std::string &peer,
                                         Clock::time_point now = Clock::now(), FailureCounts *failures = nullptr);
    // A wrong verification code for the device code from the address. Returns the delay before
    // its answer, growing with the wrong codes that pair has sent.
    std::chrono::milliseconds WrongVerifyCode(const std::string &deviceCode, const std::string &peer,
                                              Clock::time_point now = Clock::now(), FailureCounts *failures = nullptr);

    // An empty device code (the web site's forms have none) is counted only for its address and
    // account: under one shared key every pupil's form would pay for anyone's typos.

    // The wait before answering after n recent failures: none for the first attempt, then
    // 250 ms doubling with each failure, at most 8 s.
    static std::chrono::milliseconds Delay(int failures);

private:
    // A failure count, and a lock, forgotten after this long without another counted attempt.
    static constexpr auto kMemory = std::chrono::minutes(15);
    static constexpr std::int64_t kMemorySeconds = std::chrono::duration_cast<std::chrono::seconds>(kMemory).count();
    // Failures one address may have before its own count slows it: a school signs in from one.
    static constexpr int kAddressAllowance = 10;
    static constexpr std::size_t kMaxEntries = 20000;

    // Runs change on the account's count, kept by shared or else in m_accounts.
    void UpdateAccount(std::int64_t userId, const SharedAccounts *shared, const std::function<void(AccountCount &)> &change);

    // Where failure counts go: the given keeper, or this process's memory.
    FailureCounts &Keeper(FailureCounts *failures) { return failures ? *failures : m_failures; }
    // The keeper's clock: UTC seconds for a shared keeper, the steady clock's for memory.
    static std::int64_t KeeperSeconds(const FailureCounts *failures, Clock::time_point now);
    // Recent failures of a subject; an empty key (no device code) has none and adds none.
    int Recent(FailureCounts &keeper, const char *kind, const std::string &key, std::int64_t now);
    int Add(FailureCounts &keeper, const char *kind, const std::string &key, std::int64_t now);

    std::mutex m_mutex;
    std::map<std::int64_t, AccountCount> m_accounts; // "last" in seconds of Clock
    // Device codes, addresses, and device code with address of wrong verification codes.
    MemoryFailureCounts m_failures{3 * kMaxEntries};
};
