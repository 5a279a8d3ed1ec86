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

SessionTable::SessionTable(std::chrono::seconds idleTimeout) : m_idleSeconds(idleTimeout.count()) {}

SessionTable::Verdict SessionTable::Judge(const StoredSession &session, std::int64_t nowUtc) const
{
    Verdict verdict{SessionState::Active, session.userId};
    const std::int64_t idle = m_idleSeconds.load();
    // A time-out of 0 lapses every session at once (a test switch).
    if (!session.current)
        verdict.state = SessionState::Displaced;
    else if (session.lapsed || idle == 0 || nowUtc - session.lastUsedUtc > idle)
        verdict.state = SessionState::Lapsed;
    return verdict;
}

bool SessionTable::ShouldTouch(const StoredSession &session, std::int64_t nowUtc) const
{
    const std::int64_t after = std::min(kTouchAfterSeconds, m_idleSeconds.load() / 2);
    return nowUtc - session.lastUsedUtc > after;
}

void SessionTable::SetIdleTimeout(std::chrono::seconds idleTimeout)
{
    m_idleSeconds = idleTimeout.count();
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
