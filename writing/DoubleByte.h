// The double-byte rule of essay text: a byte above 0x80 begins a two-byte character.
#pragma once

#include <cstddef>
#include <string_view>

// This is the editor's own rule, wider than code page 936's (0xFF also leads here), so that
// rows, marks and the character count agree on one reading of any byte sequence.
inline bool BeginsDoubleByte(unsigned char byte) { return byte > 0x80; }

enum class ByteClass { Invalid, SingleByte, FirstByte, SecondByte };

// What the byte at index plays in the row, reading characters from column 0.
ByteClass ClassifyByte(std::string_view row, std::ptrdiff_t index);

// Length of the character that starts at index (2 only when its second byte is there).
inline std::size_t CharLengthAt(std::string_view text, std::size_t index)
{
    return BeginsDoubleByte(static_cast<unsigned char>(text[index])) && index + 1 < text.size() ? 2 : 1;
}
