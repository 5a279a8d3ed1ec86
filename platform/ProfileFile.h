// Private-profile settings files (config.ini): "[Section]" header lines and "Key=Value" lines,
// read and written key by key. Section and key names match without regard to case; values are
// bytes (GBK) and are never converted.
#pragma once

#include <cstddef>
#include <string>

// The integer at the start of the key's value: leading blanks, an optional sign, then decimal
// digits (or hexadecimal after "0x"), up to the first other character; a value without digits
// reads as 0. A missing file, section or key, or an empty value, gives defaultValue.
int GetProfileInt(const std::string &section, const std::string &key, int defaultValue,
                  const std::string &path);

// The key's value with surrounding blanks (and one pair of matching surrounding quotes)
// removed, cut to at most maxChars bytes without splitting a double-byte character. A missing
// file, section or key gives defaultValue, cut the same way.
std::string GetProfileString(const std::string &section, const std::string &key,
                             const std::string &defaultValue, std::size_t maxChars,
                             const std::string &path);

// Sets the key's value, creating the file (owner-only permissions), the section or the key as
// needed; every other line of the file is kept byte for byte. A line break inside value ends
// it there, so one write can never add lines. Returns false when the file cannot be written;
// the old file is then left as it was.
bool WriteProfileString(const std::string &section, const std::string &key, const std::string &value,
                        const std::string &path);
