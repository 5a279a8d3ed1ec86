// GBK <-> UTF-8 through two lookup tables built once from the C library's CP936 converter.
#include "GbkText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iconv.h>
#include <mutex>
#include <vector>

namespace {

constexpr char32_t kReplacement = U'?';

// Both directions as flat tables: double-byte GBK code -> code point, and BMP code point -> GBK
// code (0 when GBK has no such character). Built once, read-only afterwards, so both interface
// threads may convert at the same time.
struct GbkTables
{
    std::vector<char16_t> toUnicode = std::vector<char16_t>(0x10000, 0);
    std::vector<std::uint16_t> fromUnicode = std::vector<std::uint16_t>(0x10000, 0);
};

char16_t DecodeWithIconv(iconv_t cd, const unsigned char *bytes, std::size_t length)
{
    char in[2] = {static_cast<char>(bytes[0]), length > 1 ? static_cast<char>(bytes[1]) : '\0'};
    char out[8];
    char *inPtr = in;
    char *outPtr = out;
    std::size_t inLeft = length;
    std::size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
        return 0;
    if (sizeof out - outLeft != 2)
        return 0;  // outside the BMP: never the case for GBK, refused to stay safe
    return static_cast<char16_t>(static_cast<unsigned char>(out[0]) | (static_cast<unsigned char>(out[1]) << 8));
}

const GbkTables &Tables()
{
    static GbkTables tables;
    static std::once_flag built;
    std::call_once(built, [] {
        iconv_t cd = iconv_open("UTF-16LE", "CP936");
        if (cd == reinterpret_cast<iconv_t>(-1))
            return;  // no converter: every non-ASCII character becomes '?'
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F)
                    continue;
                const unsigned char pair[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
                char16_t unit = DecodeWithIconv(cd, pair, 2);
                if (unit == 0)
                    continue;
                std::uint16_t code = static_cast<std::uint16_t>(lead << 8 | trail);
                tables.toUnicode[code] = unit;
                if (tables.fromUnicode[unit] == 0)
                    tables.fromUnicode[unit] = code;
            }
        }
        iconv_close(cd);
        tables.toUnicode[0x80] = u'\u20AC';  // code page 936 keeps the euro sign at 0x80
        tables.fromUnicode[0x20AC] = 0x80;
    });
    return tables;
}

// Reads one GBK character at text[i]; advances i.
char32_t NextGbkChar(const unsigned char *text, std::size_t length, std::size_t &i)
{
    unsigned char byte = text[i];
    if (byte < 0x80) {
        ++i;
        return byte;
    }
    const GbkTables &tables = Tables();
    if (IsGbkLeadByte(byte) && i + 1 < length) {
        char16_t unit = tables.toUnicode[byte << 8 | text[i + 1]];
        if (unit != 0) {
            i += 2;
            return unit;
        }
    }
    ++i;
    char16_t single = tables.toUnicode[byte];
    return single != 0 ? char32_t(single) : kReplacement;
}

// Reads one UTF-8 character at text[i]; advances i. Malformed input gives the replacement.
char32_t NextUtf8Char(const unsigned char *text, std::size_t length, std::size_t &i)
{
    unsigned char byte = text[i++];
    if (byte < 0x80)
        return byte;
    int extra = byte >= 0xF0 && byte <= 0xF4 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC2 && byte < 0xE0 ? 1 : -1;
    if (extra < 0)
        return kReplacement;
    char32_t cp = byte & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= length || (text[i] & 0xC0) != 0x80)
            return kReplacement;
        cp = cp << 6 | (text[i++] & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return kReplacement;
    return cp;
}

void AppendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string GbkToUtf8(const std::string &gbk)
{
    std::string out;
    out.reserve(gbk.size() * 3 / 2);
    const auto *text = reinterpret_cast<const unsigned char *>(gbk.data());
    for (std::size_t i = 0; i < gbk.size();)
        AppendUtf8(out, NextGbkChar(text, gbk.size(), i));
    return out;
}

std::string Utf8ToGbk(const std::string &utf8)
{
    std::string out;
    out.reserve(utf8.size());
    const GbkTables &tables = Tables();
    const auto *text = reinterpret_cast<const unsigned char *>(utf8.data());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = NextUtf8Char(text, utf8.size(), i);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
            continue;
        }
        std::uint16_t code = cp < 0x10000 ? tables.fromUnicode[cp] : 0;
        if (code == 0) {
            out += static_cast<char>(kReplacement);
        } else if (code < 0x100) {
            out += static_cast<char>(code);
        } else {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        }
    }
    return out;
}

std::size_t GbkToUtf8Bounded(const char *gbk, std::size_t gbkLength, char *out, std::size_t outSize)
{
    constexpr std::size_t kMaxUnits = 4096;
    constexpr std::size_t kMaxBytes = 8192;
    outSize = std::min(outSize, kMaxBytes);
    const auto *text = reinterpret_cast<const unsigned char *>(gbk);
    std::size_t written = 0;
    std::size_t units = 0;
    std::string encoded;
    for (std::size_t i = 0; i < gbkLength && units < kMaxUnits;) {
        encoded.clear();
        AppendUtf8(encoded, NextGbkChar(text, gbkLength, i));
        if (written + encoded.size() > outSize)
            break;
        encoded.copy(out + written, encoded.size());
        written += encoded.size();
        ++units;
    }
    return written;
}
