// Request element checks of the reference service.
#include "TextRules.h"

#include <algorithm>

std::optional<std::int64_t> ParseNumber(const char *text)
{
    if (!text || !*text)
        return std::nullopt;
    std::int64_t value = 0;
    int digits = 0;
    for (const char *p = text; *p; ++p) {
        if (*p < '0' || *p > '9' || ++digits > 18)
            return std::nullopt;
        value = value * 10 + (*p - '0');
    }
    return value;
}

std::optional<std::vector<std::int64_t>> ParseNumberList(const char *text)
{
    if (!text || !*text)
        return std::nullopt;
    std::vector<std::int64_t> numbers;
    std::string all(text);
    std::string::size_type start = 0;
    while (true) {
        auto comma = all.find(',', start);
        auto number = ParseNumber(all.substr(start, comma - start).c_str());
        if (!number)
            return std::nullopt;
        numbers.push_back(*number);
        if (comma == std::string::npos)
            return numbers;
        start = comma + 1;
    }
}

bool IsValidScore(const char *text)
{
    if (!text || !*text)
        return false;
    std::string score(text);
    auto dot = score.find('.');
    std::string whole = score.substr(0, dot);
    std::string fraction = dot == std::string::npos ? std::string() : score.substr(dot + 1);
    if (whole.empty() || whole.size() > 3 || (dot != std::string::npos && (fraction.empty() || fraction.size() > 2)))
        return false;
    auto wholeValue = ParseNumber(whole.c_str());
    if (!wholeValue || (!fraction.empty() && !ParseNumber(fraction.c_str())))
        return false;
    if (*wholeValue > 100)
        return false;
    return *wholeValue < 100 || fraction.find_first_not_of('0') == std::string::npos;
}

bool IsValidUtf8(const std::string &text)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const auto *end = p + text.size();
    while (p < end) {
        unsigned char c = *p;
        int extra;
        std::uint32_t codePoint;
        if (c < 0x80) {
            ++p;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            codePoint = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            codePoint = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            codePoint = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (p[i] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        static const std::uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (codePoint < kMinimum[extra] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

bool IsStorableText(const std::string &text)
{
    auto isControl = [](unsigned char c) { return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F; };
    return IsValidUtf8(text) &&
           std::none_of(text.begin(), text.end(), [&](char c) { return isControl(static_cast<unsigned char>(c)); });
}

std::size_t CountChars(const std::string &utf8)
{
    std::size_t count = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80)
            ++count;
    return count;
}

std::size_t CountEssayChars(const std::string &utf8)
{
    std::size_t count = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80 && c != '\r' && c != '\n')
            ++count;
    return count;
}

std::string TrimText(const std::string &utf8)
{
    static const std::string kIdeographicSpace = "\xE3\x80\x80";
    std::string::size_type begin = 0, end = utf8.size();
    while (begin < end) {
        if (utf8[begin] == ' ' || utf8[begin] == '\t' || utf8[begin] == '\r' || utf8[begin] == '\n')
            ++begin;
        else if (utf8.compare(begin, 3, kIdeographicSpace) == 0)
            begin += 3;
        else
            break;
    }
    while (end > begin) {
        char c = utf8[end - 1];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            --end;
        else if (end - begin >= 3 && utf8.compare(end - 3, 3, kIdeographicSpace) == 0)
            end -= 3;
        else
            break;
    }
    return utf8.substr(begin, end - begin);
}
