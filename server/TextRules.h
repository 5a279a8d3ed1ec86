// Checks the service applies to request elements: numbers, UTF-8 text and the essay length rule.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Plain decimal digits only (1 to 18 of them); anything else is no number.
std::optional<std::int64_t> ParseNumber(const char *text);
// "12,5,7": numbers joined by single commas, no blanks; anything else is no list.
std::optional<std::vector<std::int64_t>> ParseNumberList(const char *text);
// A score: 0 to 100 with at most two decimals ("85", "99.5").
bool IsValidScore(const char *text);

bool IsValidUtf8(const std::string &text);
// Text the service keeps: valid UTF-8 without control characters other than tab, line feed and
// carriage return. The XML parser turns an unknown entity into DEL (0x7F) and a character
// reference to a control character into that character; neither belongs in an essay or a note.
bool IsStorableText(const std::string &text);
// Characters of an essay as the client counts them: line breaks do not count, everything else
// (punctuation and blanks included) counts one per character. Text must be valid UTF-8.
std::size_t CountEssayChars(const std::string &utf8);
// Characters of any UTF-8 text.
std::size_t CountChars(const std::string &utf8);
// Without leading and trailing ASCII blanks, tabs and line breaks, and ideographic spaces.
std::string TrimText(const std::string &utf8);

// A device code as the service keeps it with a verification code: 1 to 64 bytes (clients send
// 28 hex digits). Longer ones are refused so that no request can make the table of pending
// codes hold large keys.
inline bool IsDeviceCode(const std::string &code)
{
    return !code.empty() && code.size() <= 64;
}

// A request element as text; a missing element reads as empty.
inline std::string Element(const char *text)
{
    return text ? std::string(text) : std::string();
}
