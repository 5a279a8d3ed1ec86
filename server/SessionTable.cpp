// Sessions and test switches of the reference service.
#include "SessionTable.h"

#include <sodium.h>

#include <algorithm>
#include <stdexcept>

namespace {

// Session numbers are 19 digits: at least 10^18, below 2^63 (they fit a signed 64-bit number).
constexpr std::uint64_t kLowestNumber = 1000000000000000000ull;

std::string Hex(const unsigned char *bytes, std::size_t size)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

} // namespace

std::string SessionTable::NewSessionNumber()
{
    if (sodium_init() < 0) // once; later calls return at once
        throw std::runtime_error("libsodium cannot start");
    for (;;) {
        std::uint64_t value = 0;
        randombytes_buf(&value, sizeof value);
        value >>= 1; // below 2^63
        // Numbers below 10^18 are drawn again rather than folded in, so every 19-digit number
        // below 2^63 is as likely as every other.
        if (value >= kLowestNumber)
            return std::to_string(value);
    }
}

std::string SessionTable::Digest(const std::string &sessionNumber)
{
    unsigned char hash[32];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char *>(sessionNumber.data()), sessionNumber.size(),
                       nullptr, 0);
    return Hex(hash, sizeof hash);
}

SessionTable::SessionTable(std::chrono::seconds idleTimeout) : m_idleTimeout(idleTimeout) {}

void SessionTable::Insert(const std::string &digest, Session session, bool current)
{
    const std::int64_t userId = session.userId;
    if (current) {
        for (const std::string &other : m_byUser[userId])
            m_sessions[other].displaced = true;
        m_current[userId] = digest;
    }
    m_sessions[digest] = std::move(session);
    std::deque<std::string> &kept = m_byUser[userId];
    std::erase(kept, digest);
    kept.push_back(digest);
    auto newest = m_current.find(userId);
    while (kept.size() > kKeptPerUser) {
        if (newest == m_current.end() || kept.front() != newest->second)
            m_sessions.erase(kept.front());
        kept.pop_front();
    }
}

SessionTable::Session *SessionTable::Current(std::int64_t userId)
{
    auto current = m_current.find(userId);
    if (current == m_current.end())
        return nullptr;
    auto session = m_sessions.find(current->second);
    return session == m_sessions.end() ? nullptr : &session->second;
}

void SessionTable::Open(std::int64_t userId, const std::string &deviceCode, const std::string &sessionNumber)
{
    std::lock_guard lock(m_mutex);
    Insert(Digest(sessionNumber), Session{userId, deviceCode, Clock::now(), false, false}, true);
}

SessionTable::Verdict SessionTable::Check(const std::string &sessionNumber, const std::string &deviceCode)
{
    const std::string digest = Digest(sessionNumber);
    std::lock_guard lock(m_mutex);
    auto it = m_sessions.find(digest);
    // A number with another device code is no session: it answers as a number never issued.
    if (it == m_sessions.end() || it->second.deviceCode != deviceCode)
        return {};
    Session &session = it->second;
    Verdict verdict{SessionState::Active, session.userId};
    Clock::time_point now = Clock::now();
    if (session.displaced)
        verdict.state = SessionState::Displaced;
    else if (session.lapsed || now - session.lastActivity > m_idleTimeout)
        verdict.state = SessionState::Lapsed;
    if (verdict.state == SessionState::Lapsed)
        session.lapsed = true;
    else if (verdict.state == SessionState::Active)
        session.lastActivity = now;
    return verdict;
}

void SessionTable::Adopt(const std::string &digest, std::int64_t userId, const std::string &deviceCode, bool current)
{
    std::lock_guard lock(m_mutex);
    auto known = m_sessions.find(digest);
    if (known != m_sessions.end()) {
        if (!current)
            known->second.displaced = true; // a newer sign-in, perhaps through another process
        return;
    }
    Session session{userId, deviceCode, Clock::now(), false, !current};
    if (!current && m_byUser.count(userId)) {
        // An older session than those in memory: kept behind them, never made current.
        m_sessions[digest] = std::move(session);
        m_byUser[userId].push_front(digest);
        return;
    }
    Insert(digest, std::move(session), current);
}

void SessionTable::Forget(const std::string &digest)
{
    std::lock_guard lock(m_mutex);
    auto known = m_sessions.find(digest);
    if (known == m_sessions.end())
        return;
    const std::int64_t userId = known->second.userId;
    m_sessions.erase(known);
    auto kept = m_byUser.find(userId);
    if (kept != m_byUser.end())
        std::erase(kept->second, digest);
    auto current = m_current.find(userId);
    if (current != m_current.end() && current->second == digest)
        m_current.erase(current);
}

bool SessionTable::Renew(std::int64_t userId, const std::string &deviceCode)
{
    std::lock_guard lock(m_mutex);
    Session *session = Current(userId);
    if (!session || session->deviceCode != deviceCode || session->displaced)
        return false;
    session->lapsed = false;
    session->lastActivity = Clock::now();
    return true;
}

void SessionTable::EndAll(std::int64_t userId)
{
    std::lock_guard lock(m_mutex);
    auto kept = m_byUser.find(userId);
    if (kept != m_byUser.end()) {
        for (const std::string &digest : kept->second)
            m_sessions.erase(digest);
        m_byUser.erase(kept);
    }
    m_current.erase(userId);
}

void SessionTable::SetIdleTimeout(std::chrono::seconds idleTimeout)
{
    std::lock_guard lock(m_mutex);
    m_idleTimeout = idleTimeout;
}

bool SessionTable::Lapse(std::int64_t userId)
{
    std::lock_guard lock(m_mutex);
    Session *session = Current(userId);
    if (!session)
        return false;
    session->lapsed = true;
    return true;
}

bool SessionTable::Displace(std::int64_t userId)
{
    std::lock_guard lock(m_mutex);
    Session *session = Current(userId);
    if (!session)
        return false;
    session->displaced = true;
    return true;
}

void SessionTable::RefuseNextReLogin(std::int64_t userId)
{
    std::lock_guard lock(m_mutex);
    m_refuseReLogin.insert(userId);
}

bool SessionTable::TakeReLoginRefusal(std::int64_t userId)
{
    std::lock_guard lock(m_mutex);
    return m_refuseReLogin.erase(userId) > 0;
}
