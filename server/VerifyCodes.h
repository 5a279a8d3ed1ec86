// The codes drawn in sign-in verification pictures, per device code, in memory and shared by
// every worker. A person who was shown a picture can always use its code for ten minutes: asking
// for another picture does not take it away (the last kKeptPerAddress pictures of each address
// stay good), nor do wrong codes (SignInGuard slows those per device and address), and machines
// that share a device code (the filler of zeros when a disk has no serial) each keep their own.
#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string>

class VerifyCodes
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kLifetime = std::chrono::minutes(10);
    // Live codes per device code and requesting address, and per device code in all.
    static constexpr std::size_t kKeptPerAddress = 5;
    static constexpr std::size_t kKeptPerDevice = 32;
    // Device codes with live codes at once; the stalest goes first beyond this.
    static constexpr std::size_t kMaxDevices = 10000;

    // A picture with this code was drawn for the device code, asked for from this address.
    void Issue(const std::string &deviceCode, const std::string &address, const std::string &code,
               Clock::time_point now = Clock::now());
    // True when typed (case ignored) is one of the device's live codes; that code is used up.
    bool Use(const std::string &deviceCode, const std::string &typed, Clock::time_point now = Clock::now());
    // The newest live code of the device, or "" (test control).
    std::string Newest(const std::string &deviceCode, Clock::time_point now = Clock::now());

private:
    struct Pending
    {
        std::string code;
        std::string address;
        Clock::time_point issued;
    };
    void DropStale(Clock::time_point now);

    std::mutex m_mutex;
    std::map<std::string, std::deque<Pending>> m_codes; // oldest first
};
