// Signed-in sessions. A sign-in opens a session with a new random session number: the sign-in's
// "ID", which the client sends back as `id` with every call. A call is the session's only when
// its number and the device code the session was opened with both match; nothing else about a
// user (the user's id, number or name) admits a call. The newest session of a user is the
// current one; opening another displaces the others. The sessions themselves, their last use and
// their test switches are in the database (PlatformStore), read on every signed-in call, so every
// process answers a session alike; this class judges what is read there, by this process's idle
// time-out, and keeps the one test switch that stays with a process (refusing a re-sign-in).
#pragma once

#include "PlatformStore.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>

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
    // Sessions kept per user, the current one and those it displaced most recently.
    static constexpr std::size_t kKeptPerUser = 5;
    // A session's use is written when the stored one is older than this (or than half the idle
    // time-out, when that is shorter): idle time is accurate to about a minute.
    static constexpr std::int64_t kTouchAfterSeconds = 60;

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

    // What a call on the stored session is at nowUtc: displaced when it is no longer its user's
    // current one, lapsed when switched so or idle past the time-out, else active.
    Verdict Judge(const StoredSession &session, std::int64_t nowUtc) const;
    // Whether an active call is to write the session's use (see kTouchAfterSeconds).
    bool ShouldTouch(const StoredSession &session, std::int64_t nowUtc) const;

    void SetIdleTimeout(std::chrono::seconds idleTimeout);
    void RefuseNextReLogin(std::int64_t userId);
    // True (and the refusal used up) when the next re-sign-in of this user is to be refused.
    bool TakeReLoginRefusal(std::int64_t userId);

private:
    std::atomic<std::int64_t> m_idleSeconds;
    std::mutex m_mutex;
    std::set<std::int64_t> m_refuseReLogin;
};
