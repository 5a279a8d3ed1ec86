// Sessions, verification codes and test switches of the reference service.
#include "SessionTable.h"

#include <algorithm>
#include <cctype>

namespace {

// A verification picture is good for ten minutes; at most this many devices wait at once.
constexpr auto kCodeLifetime = std::chrono::minutes(10);
constexpr std::size_t kMaxPendingCodes = 10000;
constexpr int kMaxWrongGuesses = 5;

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

SessionTable::SessionTable(std::chrono::seconds idleTimeout) : m_idleTimeout(idleTimeout) {}

void SessionTable::SignIn(std::int64_t userId, const std::string &deviceCode)
{
    std::lock_guard lock(m_mutex);
    m_sessions[userId] = Session{deviceCode, Clock::now(), false, false};
}

SessionState SessionTable::Check(std::int64_t userId, const std::string &deviceCode)
{
    std::lock_guard lock(m_mutex);
    auto it = m_sessions.find(userId);
    if (it == m_sessions.end())
        return SessionState::Missing;
    Session &session = it->second;
    if (session.displaced || session.deviceCode != deviceCode)
        return SessionState::Displaced;
    Clock::time_point now = Clock::now();
    if (session.lapsed || now - session.lastActivity > m_idleTimeout) {
        session.lapsed = true;
        return SessionState::Lapsed;
    }
    session.lastActivity = now;
    return SessionState::Active;
}

void SessionTable::End(std::int64_t userId)
{
    std::lock_guard lock(m_mutex);
    m_sessions.erase(userId);
}

void SessionTable::SetIdleTimeout(std::chrono::seconds idleTimeout)
{
    std::lock_guard lock(m_mutex);
    m_idleTimeout = idleTimeout;
}

bool SessionTable::Lapse(std::int64_t userId)
{
    std::lock_guard lock(m_mutex);
    auto it = m_sessions.find(userId);
    if (it == m_sessions.end())
        return false;
    it->second.lapsed = true;
    return true;
}

bool SessionTable::Displace(std::int64_t userId)
{
    std::lock_guard lock(m_mutex);
    auto it = m_sessions.find(userId);
    if (it == m_sessions.end())
        return false;
    it->second.displaced = true;
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

void SessionTable::SetVerifyCode(const std::string &deviceCode, const std::string &code)
{
    std::lock_guard lock(m_mutex);
    Clock::time_point now = Clock::now();
    DropStaleCodes(now);
    if (m_codes.size() >= kMaxPendingCodes && !m_codes.count(deviceCode))
        m_codes.erase(std::min_element(m_codes.begin(), m_codes.end(), [](const auto &a, const auto &b) {
            return a.second.issued < b.second.issued;
        }));
    m_codes[deviceCode] = PendingCode{code, now, 0};
}

bool SessionTable::CheckVerifyCode(const std::string &deviceCode, const std::string &typed)
{
    std::lock_guard lock(m_mutex);
    DropStaleCodes(Clock::now());
    auto it = m_codes.find(deviceCode);
    if (it == m_codes.end())
        return false;
    if (Upper(it->second.code) == Upper(typed)) {
        m_codes.erase(it);
        return true;
    }
    // The client keeps the same picture after a wrong code, so the code stays for another try,
    // but not for guessing.
    if (++it->second.wrongGuesses >= kMaxWrongGuesses)
        m_codes.erase(it);
    return false;
}

std::string SessionTable::PendingVerifyCode(const std::string &deviceCode)
{
    std::lock_guard lock(m_mutex);
    auto it = m_codes.find(deviceCode);
    return it == m_codes.end() ? std::string() : it->second.code;
}

void SessionTable::DropStaleCodes(Clock::time_point now)
{
    std::erase_if(m_codes, [now](const auto &entry) { return now - entry.second.issued > kCodeLifetime; });
}
