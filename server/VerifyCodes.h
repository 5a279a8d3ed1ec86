// The codes drawn in sign-in verification pictures, per device code, kept in the database so that
// a picture drawn through one process can be answered through any other. A person who was shown a
// picture can always use its code for ten minutes: asking for another picture does not take it
// away (the last kKeptPerAddress pictures of each address stay good), nor do wrong codes
// (SignInGuard slows those per device and address), and machines that share a device code (the
// filler of zeros when a disk has no serial) each keep their own. Each code admits one sign-in.
#pragma once

#include "PlatformStore.h"

#include <chrono>
#include <cstddef>
#include <string>

class VerifyCodes
{
public:
    static constexpr auto kLifetime = std::chrono::minutes(10);
    // Live codes per device code and requesting address, and per device code in all.
    static constexpr std::size_t kKeptPerAddress = 5;
    static constexpr std::size_t kKeptPerDevice = 32;
    // Longer typed text is no code (codes are a few characters), and is not looked up.
    static constexpr std::size_t kLongestCode = 16;

    // Works through one worker's store; times are UTC milliseconds.
    explicit VerifyCodes(PlatformStore &store) : m_store(store) {}

    // A picture with this code was drawn for the device code, asked for from this address.
    void Issue(const std::string &deviceCode, const std::string &address, const std::string &code,
               std::int64_t nowMs = UtcMilliseconds());
    // True when typed (case ignored) is one of the device's live codes; that code is used up.
    bool Use(const std::string &deviceCode, const std::string &typed, std::int64_t nowMs = UtcMilliseconds());
    // The newest live code of the device, or "" (test control).
    std::string Newest(const std::string &deviceCode, std::int64_t nowMs = UtcMilliseconds());

private:
    PlatformStore &m_store;
};
