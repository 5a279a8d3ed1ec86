// Protection of passwords, sessions and verification codes against guessing. Every sign-in
// attempt (WsLogin, WsAutoLogin, WsReLogin, the web site's password forms) is counted against its
// account before the password is checked, so that attempts sent in parallel are counted too; a
// correct password takes the count back. Failures are also counted per device code and per client
// address, and so are signed-in calls whose session number and device code match no session.
// After kLockAfter failures in a row an account is locked for the sign-ins without verification
// code until a WsLogin with a correct code and the right password succeeds, or until kMemory
// passes without another counted attempt. Recent failures delay the answer (see Delay); wrong
// verification codes delay the next answers to that device code from that address. The counts
// are in memory, shared by every worker; the accounts' counts and locks can instead be kept
// where every process on the database shares them (SharedAccounts), so that guesses spread
// over several processes lock the account as surely as guesses sent to one.
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
    // shared: where the account's count is kept (this process's memory when null).
    Attempt Begin(std::int64_t userId, const std::string &deviceCode, const std::string &peer, bool withVerifyCode,
                  Clock::time_point now = Clock::now(), const SharedAccounts *shared = nullptr);
    // The attempt was dropped before its password was checked (over its budget): it no longer
    // counts against the account.
    void Withdraw(std::int64_t userId, const SharedAccounts *shared = nullptr);
    // The password was right: the account's count is cleared; withVerifyCode also lifts a lock.
    void Succeeded(std::int64_t userId, bool withVerifyCode, const SharedAccounts *shared = nullptr);
    // The password was wrong (or the name unknown): the device and the address count it. Their
    // counts only fade with time, so signing in to one's own account between guesses at others
    // gains nothing.
    void Failed(const std::string &deviceCode, const std::string &peer, Clock::time_point now = Clock::now());

    bool IsLocked(std::int64_t userId, const SharedAccounts *shared = nullptr);

    // A signed-in call whose session number and device code match no session: counted for the
    // device code and the address like a wrong password. Returns the delay before its answer.
    std::chrono::milliseconds FailedCall(const std::string &deviceCode, const std::string &peer,
                                         Clock::time_point now = Clock::now());
    // A wrong verification code for the device code from the address. Returns the delay before
    // its answer, growing with the wrong codes that pair has sent.
    std::chrono::milliseconds WrongVerifyCode(const std::string &deviceCode, const std::string &peer,
                                              Clock::time_point now = Clock::now());

    // An empty device code (the web site's forms have none) is counted only for its address and
    // account: under one shared key every pupil's form would pay for anyone's typos.

    // The wait before answering after n recent failures: none for the first attempt, then
    // 250 ms doubling with each failure, at most 8 s.
    static std::chrono::milliseconds Delay(int failures);

private:
    struct Count
    {
        int failures = 0;
        Clock::time_point last;
        bool locked = false;
    };
    // A failure count, and a lock, forgotten after this long without another counted attempt.
    static constexpr auto kMemory = std::chrono::minutes(15);
    // Failures one address may have before its own count slows it: a school signs in from one.
    static constexpr int kAddressAllowance = 10;
    static constexpr std::size_t kMaxEntries = 20000;

    // Runs change on the account's count, kept by shared or else in m_accounts.
    void UpdateAccount(std::int64_t userId, const SharedAccounts *shared, const std::function<void(AccountCount &)> &change);

    int Recent(std::map<std::string, Count> &table, const std::string &key, Clock::time_point now);
    void Add(std::map<std::string, Count> &table, const std::string &key, Clock::time_point now);

    std::mutex m_mutex;
    std::map<std::int64_t, AccountCount> m_accounts; // "last" in seconds of Clock
    std::map<std::string, Count> m_devices;
    std::map<std::string, Count> m_addresses;
    std::map<std::string, Count> m_verifyCodes; // by device code and address
};
