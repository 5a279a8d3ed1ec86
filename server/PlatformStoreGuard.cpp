// The store's shared guards: verification codes, guessing counts, rate limits and sessions' use,
// kept where every process on the database sees them.
#include "PlatformStore.h"

#include <chrono>
#include <map>
#include <mutex>

std::int64_t UtcMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void PlatformStore::Sweep(const char *table, const char *column, std::int64_t before, std::int64_t now,
                          std::int64_t sweepEvery)
{
    // Per process: several processes each sweeping now and then is harmless, every call
    // sweeping is not (the deletes would contend for the same rows).
    static std::mutex mutex;
    static std::map<std::string, std::int64_t> lastSweep;
    {
        std::lock_guard lock(mutex);
        std::int64_t &last = lastSweep[table];
        if (now >= last && now - last < sweepEvery)
            return;
        last = now;
    }
    // Table and column are the store's own names, never a caller's text.
    const std::string stale = std::string(table) + " WHERE " + column + " < ?";
    // A sweep may run inside another write (a save counts its allowance in its own transaction),
    // and two processes may sweep at once. On PostgreSQL each would wait for the rows the other
    // has deleted or is changing, in whatever order the rows are met: a deadlock, and a save
    // answered as failed. So a row another transaction holds is left for a later sweep, and one
    // sweep takes a bounded number of rows. SQLite has a single writer: no other transaction holds
    // rows while this one runs.
    const std::string sql = Engine() == SqlEngine::PostgreSQL
                                ? "DELETE FROM " + std::string(table) + " WHERE ctid = ANY(ARRAY(SELECT ctid FROM " + stale +
                                      " LIMIT 1000 FOR UPDATE SKIP LOCKED))"
                                : "DELETE FROM " + stale;
    SqlStatement s(*m_db, sql.c_str());
    s.Bind(1, before).Step();
}

// ---- verification codes ----

void PlatformStore::KeepVerifyCode(const std::string &deviceCode, const std::string &address, const std::string &code,
                                   std::int64_t nowMs, std::int64_t lifetimeMs, std::int64_t keptPerAddress,
                                   std::int64_t keptPerDevice)
{
    WriteTransaction transaction(*this);
    {
        SqlStatement s(*m_db, "INSERT INTO verify_codes(device_code, address, code, issued_ms) VALUES(?, ?, ?, ?)");
        s.Bind(1, deviceCode).Bind(2, address).Bind(3, code).Bind(4, nowMs).Step();
    }
    {
        SqlStatement s(*m_db, "DELETE FROM verify_codes WHERE issued_ms < ?");
        s.Bind(1, nowMs - lifetimeMs).Step();
    }
    {
        // An address's new pictures replace only its own older ones.
        SqlStatement s(*m_db, "DELETE FROM verify_codes WHERE device_code = ? AND address = ? AND id NOT IN "
                              "(SELECT id FROM verify_codes WHERE device_code = ? AND address = ? ORDER BY id DESC LIMIT ?)");
        s.Bind(1, deviceCode).Bind(2, address).Bind(3, deviceCode).Bind(4, address).Bind(5, keptPerAddress).Step();
    }
    {
        SqlStatement s(*m_db, "DELETE FROM verify_codes WHERE device_code = ? AND id NOT IN "
                              "(SELECT id FROM verify_codes WHERE device_code = ? ORDER BY id DESC LIMIT ?)");
        s.Bind(1, deviceCode).Bind(2, deviceCode).Bind(3, keptPerDevice).Step();
    }
    transaction.Commit();
}

bool PlatformStore::TakeVerifyCode(const std::string &deviceCode, const std::string &typedUpper, std::int64_t nowMs,
                                   std::int64_t lifetimeMs)
{
    // One statement: of two processes taking the same code at once, the second deletes nothing.
    SqlStatement s(*m_db, "DELETE FROM verify_codes WHERE id = (SELECT id FROM verify_codes WHERE device_code = ? "
                          "AND UPPER(code) = ? AND issued_ms >= ? ORDER BY id LIMIT 1)");
    s.Bind(1, deviceCode).Bind(2, typedUpper).Bind(3, nowMs - lifetimeMs).Step();
    return s.Changes() > 0;
}

std::string PlatformStore::NewestVerifyCode(const std::string &deviceCode, std::int64_t nowMs, std::int64_t lifetimeMs)
{
    SqlStatement s(*m_db, "SELECT code FROM verify_codes WHERE device_code = ? AND issued_ms >= ? ORDER BY id DESC LIMIT 1");
    s.Bind(1, deviceCode).Bind(2, nowMs - lifetimeMs);
    return s.Step() ? s.Text(0) : std::string();
}

// ---- failure counts ----

int PlatformStore::RecentFailures(const std::string &subject, std::int64_t since)
{
    SqlStatement s(*m_db, "SELECT failures FROM guard_failures WHERE subject = ? AND last_utc >= ?");
    s.Bind(1, subject).Bind(2, since);
    return s.Step() ? static_cast<int>(std::min<std::int64_t>(s.Int(0), 1 << 20)) : 0;
}

int PlatformStore::AddFailure(const std::string &subject, std::int64_t now, std::int64_t since)
{
    std::int64_t failures = 1;
    {
        SqlStatement s(*m_db, "INSERT INTO guard_failures(subject, failures, last_utc) VALUES(?, 1, ?) "
                              "ON CONFLICT(subject) DO UPDATE SET failures = CASE WHEN guard_failures.last_utc < ? "
                              "THEN 1 ELSE guard_failures.failures + 1 END, last_utc = excluded.last_utc "
                              "RETURNING failures");
        s.Bind(1, subject).Bind(2, now).Bind(3, since);
        if (s.Step())
            failures = s.Int(0);
    }
    // A count that starts is where old ones may have been left behind.
    if (failures == 1)
        Sweep("guard_failures", "last_utc", since, now, 60);
    return static_cast<int>(std::min<std::int64_t>(failures - 1, 1 << 20));
}

// ---- rate limits ----

bool PlatformStore::TakeRateAllowance(const std::string &subject, std::int64_t nowMs, std::int64_t intervalMs,
                                      std::int64_t burst)
{
    // next_ms: when the subject's allowance is whole again. An action moves it on by one
    // interval (from now, when it was already whole), and is refused when that would put it more
    // than burst intervals ahead: burst at once, then one an interval.
    std::int64_t next = 0;
    {
        SqlStatement s(*m_db, "INSERT INTO rate_limits(subject, next_ms) VALUES(?, ?) "
                              "ON CONFLICT(subject) DO UPDATE SET next_ms = CASE WHEN rate_limits.next_ms < ? THEN ? "
                              "ELSE rate_limits.next_ms END + ? WHERE rate_limits.next_ms <= ? RETURNING next_ms");
        s.Bind(1, subject)
            .Bind(2, nowMs + intervalMs)
            .Bind(3, nowMs)
            .Bind(4, nowMs)
            .Bind(5, intervalMs)
            .Bind(6, nowMs + (burst - 1) * intervalMs);
        if (!s.Step())
            return false; // the update's condition refused it: no row changed
        next = s.Int(0);
    }
    if (next == nowMs + intervalMs)
        Sweep("rate_limits", "next_ms", nowMs, nowMs, 10000);
    return true;
}

// ---- sessions' use ----

void PlatformStore::TouchSession(const std::string &digest, std::int64_t nowUtc)
{
    SqlStatement s(*m_db, "UPDATE sessions SET last_used_utc = ? WHERE digest = ? AND last_used_utc < ?");
    s.Bind(1, nowUtc).Bind(2, digest).Bind(3, nowUtc).Step();
}

void PlatformStore::MarkSessionLapsed(const std::string &digest)
{
    SqlStatement s(*m_db, "UPDATE sessions SET lapsed = 1 WHERE digest = ?");
    s.Bind(1, digest).Step();
}

bool PlatformStore::RenewSession(std::int64_t userId, const std::string &deviceCode, std::int64_t nowUtc)
{
    SqlStatement s(*m_db, "UPDATE sessions SET lapsed = 0, last_used_utc = ? WHERE id = "
                          "(SELECT MAX(id) FROM sessions WHERE user_id = ?) AND device_code = ? AND displaced = 0");
    s.Bind(1, nowUtc).Bind(2, userId).Bind(3, deviceCode).Step();
    return s.Changes() > 0;
}

bool PlatformStore::LapseCurrentSession(std::int64_t userId)
{
    SqlStatement s(*m_db, "UPDATE sessions SET lapsed = 1 WHERE id = (SELECT MAX(id) FROM sessions WHERE user_id = ?)");
    s.Bind(1, userId).Step();
    return s.Changes() > 0;
}

bool PlatformStore::DisplaceCurrentSession(std::int64_t userId)
{
    SqlStatement s(*m_db, "UPDATE sessions SET displaced = 1 WHERE id = (SELECT MAX(id) FROM sessions WHERE user_id = ?)");
    s.Bind(1, userId).Step();
    return s.Changes() > 0;
}
