// The process-wide service values and the password digest.
#include "ServiceContext.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <strings.h>

ServiceContextValues ServiceContext = [] {
    ServiceContextValues values;
    values.DefaultEndpoint = std::string("http://") + kBuiltInServiceHost + "/Iface/api.asmx";
    values.DefaultBaseAddress = std::string("http://") + kBuiltInServiceHost + "/";
    values.Endpoint = values.DefaultEndpoint;
    values.BaseAddress = values.DefaultBaseAddress;
    return values;
}();

namespace {

bool StartsWithNoCase(const std::string &text, const char *prefix)
{
    const std::size_t length = std::strlen(prefix);
    return text.size() >= length && strncasecmp(text.c_str(), prefix, length) == 0;
}

}  // namespace

void InitServiceAddresses(const std::string &host)
{
    std::string base = host;
    if (!StartsWithNoCase(base, "http://") && !StartsWithNoCase(base, "https://"))
        base = "http://" + base;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    ServiceContext.DefaultEndpoint = base + "/Iface/api.asmx";
    ServiceContext.DefaultBaseAddress = base + "/";
    ServiceContext.Endpoint = ServiceContext.DefaultEndpoint;
    ServiceContext.BaseAddress = ServiceContext.DefaultBaseAddress;
}

void SetSignedInAddress(const std::string &host)
{
    ServiceContext.BaseAddress = host;
    ServiceContext.Endpoint = host + "iface/api.asmx";
}

namespace {

// RFC 1321, written out for the one digest the client sends.
class Md5
{
public:
    void Update(const unsigned char *data, std::size_t length)
    {
        for (std::size_t i = 0; i < length; ++i) {
            m_block[m_blockLength++] = data[i];
            if (m_blockLength == 64) {
                Transform(m_block.data());
                m_blockLength = 0;
            }
        }
        m_totalBits += static_cast<std::uint64_t>(length) * 8;
    }

    std::array<unsigned char, 16> Finish()
    {
        std::uint64_t bits = m_totalBits;
        const unsigned char pad = 0x80;
        Update(&pad, 1);
        const unsigned char zero = 0;
        while (m_blockLength != 56)
            Update(&zero, 1);
        unsigned char length[8];
        for (int i = 0; i < 8; ++i)
            length[i] = static_cast<unsigned char>(bits >> (8 * i));
        Update(length, 8);
        std::array<unsigned char, 16> digest{};
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k)
                digest[i * 4 + k] = static_cast<unsigned char>(m_state[i] >> (8 * k));
        return digest;
    }

private:
    static std::uint32_t Rotate(std::uint32_t x, int n) { return x << n | x >> (32 - n); }

    void Transform(const unsigned char *block)
    {
        static constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                           5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                           4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                           6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
        static const std::array<std::uint32_t, 64> kSine = [] {
            std::array<std::uint32_t, 64> table{};
            // floor(|sin(i + 1)| * 2^32), the constants of the algorithm
            static constexpr std::uint32_t values[64] = {
                0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
                0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
                0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
                0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
                0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
                0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
                0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
                0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
            std::memcpy(table.data(), values, sizeof values);
            return table;
        }();
        std::uint32_t word[16];
        for (int i = 0; i < 16; ++i)
            word[i] = std::uint32_t(block[i * 4]) | std::uint32_t(block[i * 4 + 1]) << 8 |
                      std::uint32_t(block[i * 4 + 2]) << 16 | std::uint32_t(block[i * 4 + 3]) << 24;
        std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
        for (int i = 0; i < 64; ++i) {
            std::uint32_t f;
            int g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            std::uint32_t next = d;
            d = c;
            c = b;
            b = b + Rotate(a + f + kSine[i] + word[g], kShift[i]);
            a = next;
        }
        m_state[0] += a;
        m_state[1] += b;
        m_state[2] += c;
        m_state[3] += d;
    }

    std::array<std::uint32_t, 4> m_state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    std::array<unsigned char, 64> m_block{};
    std::size_t m_blockLength = 0;
    std::uint64_t m_totalBits = 0;
};

}  // namespace

std::string Md5Hex(const std::string &bytes)
{
    Md5 md5;
    md5.Update(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size());
    std::string hex;
    char digits[3];
    for (unsigned char byte : md5.Finish()) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    return hex;
}

bool IsServiceBaseAddress(const std::string &host)
{
    auto startsWith = [&host](const char *prefix) { return host.rfind(prefix, 0) == 0; };
    const std::size_t schemeLength = startsWith("http://") ? 7 : startsWith("https://") ? 8 : 0;
    if (schemeLength == 0 || host.size() <= schemeLength + 1 || host.back() != '/')
        return false;
    for (unsigned char c : host)
        if (c <= ' ' || c >= 0x7F)
            return false;  // no blanks, control characters or other text in an address
    return true;
}
