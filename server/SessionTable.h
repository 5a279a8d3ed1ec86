// Signed-in sessions, in memory and shared by every worker thread. A sign-in opens a session with
// a new random session number: the sign-in's "ID", which the client sends back as `id` with every
// call. A call is the session's only when its number and the device code the session was opened
// with both match; nothing else about a user (the user's id, number or name) admits a call. The
// newest session of a user is the current one; opening another displaces the others. Also the
// switches that test controls flip. The database (PlatformStore) is what every process shares:
// whether a session exists and is its user's current one is read from it on every call (Adopt);
// this table adds what one process knows besides (idle time, the test switches).
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>

enum class SessionState
{
    Active,    // the call may proceed
    Lapsed,    // "2": idle for longer than the time-out
    Displaced, // "3": the account has since signed in again
    Unknown,   // no session has this number and device code
};

class SessionTable
{
public:
    using Clock = std::chrono::steady_clock;

    // Sessions kept per user, the current one and those it displaced most recently.
    static constexpr std::size_t kKeptPerUser = 5;

    // A new session number: 19 decimal digits (a number below 2^63 with no leading zero) drawn
    // from about 62.8 random bits.
    static std::string NewSessionNumber();
    // What a session number is kept as (hex of its BLAKE2b hash): the database never holds a
    // number that would admit calls.
    static std::string Digest(const std::string &sessionNumber);

    struct Verdict
    {
        SessionState state = SessionState::Unknown;
        std::int64_t userId = 0;
    };

    explicit SessionTable(std::chrono::seconds idleTimeout);

    // A sign-in: the session of this number (made with NewSessionNumber) for the user on this
    // device becomes the user's current one; the user's other sessions are displaced.
    void Open(std::int64_t userId, const std::string &deviceCode, const std::string &sessionNumber);
    // Checks a signed-in call and, when active, records it as the session's last activity.
    Verdict Check(const std::string &sessionNumber, const std::string &deviceCode);
    // What the database says of a session (opened by this process or another, before or since a
    // restart): one not in memory is taken in, active when it is the user's current one and
    // displaced otherwise; one in memory that is no longer current is displaced.
    void Adopt(const std::string &digest, std::int64_t userId, const std::string &deviceCode, bool current);
    // A session the database no longer holds (ended, or dropped as one of the oldest).
    void Forget(const std::string &digest);
    // A re-sign-in with the right password: the user's current session, when it was opened on this
    // device, is active again. False when the user has no such session.
    bool Renew(std::int64_t userId, const std::string &deviceCode);
    // Every session of the user ends (a changed password).
    void EndAll(std::int64_t userId);

    void SetIdleTimeout(std::chrono::seconds idleTimeout);
    // Test controls on the user's current session. Each returns false when the user has none.
    bool Lapse(std::int64_t userId);
    bool Displace(std::int64_t userId);
    void RefuseNextReLogin(std::int64_t userId);
    // True (and the refusal used up) when the next re-sign-in of this user is to be refused.
    bool TakeReLoginRefusal(std::int64_t userId);

private:
    struct Session
    {
        std::int64_t userId = 0;
        std::string deviceCode;
        Clock::time_point lastActivity;
        bool lapsed = false;
        bool displaced = false;
    };

    // Adds a session under its digest as the user's newest, dropping the user's oldest beyond
    // kKeptPerUser. current: it displaces the user's others.
    void Insert(const std::string &digest, Session session, bool current);
    Session *Current(std::int64_t userId);

    std::mutex m_mutex;
    std::chrono::seconds m_idleTimeout;
    std::unordered_map<std::string, Session> m_sessions;         // by digest
    std::map<std::int64_t, std::deque<std::string>> m_byUser;    // digests, oldest first
    std::map<std::int64_t, std::string> m_current;               // the user's current session
    std::set<std::int64_t> m_refuseReLogin;
};
