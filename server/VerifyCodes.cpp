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

constexpr std::int64_t kLifetimeMs = std::chrono::duration_cast<std::chrono::milliseconds>(VerifyCodes::kLifetime).count();

} // namespace

void VerifyCodes::Issue(const std::string &deviceCode, const std::string &address, const std::string &code,
                        std::int64_t nowMs)
{
    m_store.KeepVerifyCode(deviceCode, address, code, nowMs, kLifetimeMs, kKeptPerAddress, kKeptPerDevice);
}

bool VerifyCodes::Use(const std::string &deviceCode, const std::string &typed, std::int64_t nowMs)
{
    if (typed.empty() || typed.size() > kLongestCode)
        return false;
    return m_store.TakeVerifyCode(deviceCode, Upper(typed), nowMs, kLifetimeMs);
}

std::string VerifyCodes::Newest(const std::string &deviceCode, std::int64_t nowMs)
{
    return m_store.NewestVerifyCode(deviceCode, nowMs, kLifetimeMs);
}
