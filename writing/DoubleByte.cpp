// Classification of a byte within a row of essay text.
#include "DoubleByte.h"

ByteClass ClassifyByte(std::string_view row, std::ptrdiff_t index)
{
    if (index < 0 || index >= static_cast<std::ptrdiff_t>(row.size()))
        return ByteClass::Invalid;
    std::ptrdiff_t pos = 0;
    while (pos < index)
        pos += BeginsDoubleByte(static_cast<unsigned char>(row[pos])) ? 2 : 1;
    if (pos != index)
        return ByteClass::SecondByte;
    return BeginsDoubleByte(static_cast<unsigned char>(row[index])) ? ByteClass::FirstByte
                                                                     : ByteClass::SingleByte;
}
