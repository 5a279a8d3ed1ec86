// Signed-in sessions (one per user, bound to the device code of the last sign-in), pending
// verification codes per device code, and the switches that test controls flip. In memory,
// shared by every worker thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

enum class SessionState
{
    Active,    // the call may proceed
    Lapsed,    // "2": idle for longer than the time-out
    Displaced, // "3": the account has since signed in with another device code
    Missing,   // "4": the user has no session
};

class SessionTable
{
public:
    using Clock = std::chrono::steady_clock;

    explicit SessionTable(std::chrono::seconds idleTimeout);

    // A successful sign-in or re-sign-in: the user's session now belongs to this device code.
    void SignIn(std::int64_t userId, const std::string &deviceCode);
    // Checks a signed-in call and, when active, records it as the session's last activity.
    SessionState Check(std::int64_t userId, const std::string &deviceCode);
    void End(std::int64_t userId);

    void SetIdleTimeout(std::chrono::seconds idleTimeout);
    // Test controls. Each returns false when the user has no session.
    bool Lapse(std::int64_t userId);
    bool Displace(std::int64_t userId);
    void RefuseNextReLogin(std::int64_t userId);
    // True (and the refusal used up) when the next re-sign-in of this user is to be refused.
    bool TakeReLoginRefusal(std::int64_t userId);

    // Verification codes: one pending code per device code, replaced by the next picture, used
    // up by a right answer or by too many wrong ones.
    void SetVerifyCode(const std::string &deviceCode, const std::string &code);
    bool CheckVerifyCode(const std::string &deviceCode, const std::string &typed);
    std::string PendingVerifyCode(const std::string &deviceCode);

private:
    struct Session
    {
        std::string deviceCode;
        Clock::time_point lastActivity;
        bool lapsed = false;
        bool displaced = false;
    };
    struct PendingCode
    {
        std::string code;
        Clock::time_point issued;
        int wrongGuesses = 0;
    };

    void DropStaleCodes(Clock::time_point now);

    std::mutex m_mutex;
    std::chrono::seconds m_idleTimeout;
    std::map<std::int64_t, Session> m_sessions;
    std::set<std::int64_t> m_refuseReLogin;
    std::map<std::string, PendingCode> m_codes;
};
