// Conversion between the program's GBK text (code page 936) and the UTF-8 of the wire and of
// the two UTF-8 tables of the local store.
#pragma once

#include <cstddef>
#include <string>

// GBK -> UTF-8. A lead byte 0x81..0xFE with a valid trail byte is one character; 0x80 alone is
// the euro sign, as in code page 936; an undecodable byte becomes '?'.
std::string GbkToUtf8(const std::string &gbk);

// UTF-8 -> GBK. Characters that GBK cannot hold, and malformed UTF-8, become '?'.
std::string Utf8ToGbk(const std::string &utf8);

// Bounded GbkToUtf8 for the local store's fixed buffers: converts at most 4096 UTF-16 units
// and writes at most outSize (at most 8192) bytes, never splitting a character. Returns the
// number of bytes written; the output is not terminated.
std::size_t GbkToUtf8Bounded(const char *gbk, std::size_t gbkLength, char *out, std::size_t outSize);

// Number of bytes of the GBK character that starts with this byte (1 or 2), as code page 936
// reads it: 0x81..0xFE lead a double-byte character, 0x80 and 0xFF stand alone.
inline bool IsGbkLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
