// Verification codes of the sign-in pictures.
#include "VerifyCodes.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

void VerifyCodes::DropStale(Clock::time_point now)
{
    for (auto it = m_codes.begin(); it != m_codes.end();) {
        std::erase_if(it->second, [now](const Pending &p) { return now - p.issued > kLifetime; });
        it = it->second.empty() ? m_codes.erase(it) : std::next(it);
    }
}

void VerifyCodes::Issue(const std::string &deviceCode, const std::string &address, const std::string &code,
                        Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    DropStale(now);
    if (!m_codes.count(deviceCode) && m_codes.size() >= kMaxDevices)
        m_codes.erase(std::min_element(m_codes.begin(), m_codes.end(), [](const auto &a, const auto &b) {
            return a.second.back().issued < b.second.back().issued;
        }));
    std::deque<Pending> &pending = m_codes[deviceCode];
    // An address's new pictures replace only its own older ones.
    auto fromAddress = [&](const Pending &p) { return p.address == address; };
    if (static_cast<std::size_t>(std::count_if(pending.begin(), pending.end(), fromAddress)) >= kKeptPerAddress)
        pending.erase(std::find_if(pending.begin(), pending.end(), fromAddress));
    if (pending.size() >= kKeptPerDevice)
        pending.pop_front();
    pending.push_back(Pending{code, address, now});
}

bool VerifyCodes::Use(const std::string &deviceCode, const std::string &typed, Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    DropStale(now);
    auto it = m_codes.find(deviceCode);
    if (it == m_codes.end() || typed.empty())
        return false;
    const std::string wanted = Upper(typed);
    auto match = std::find_if(it->second.begin(), it->second.end(), [&](const Pending &p) { return Upper(p.code) == wanted; });
    if (match == it->second.end())
        return false;
    it->second.erase(match);
    if (it->second.empty())
        m_codes.erase(it);
    return true;
}

std::string VerifyCodes::Newest(const std::string &deviceCode, Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    DropStale(now);
    auto it = m_codes.find(deviceCode);
    return it == m_codes.end() ? std::string() : it->second.back().code;
}
