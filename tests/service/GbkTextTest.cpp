// GBK <-> UTF-8 conversion: round trips and the bytes at the edges of code page 936.
#include "GbkText.h"

#include <gtest/gtest.h>

namespace {

struct Case
{
    const char *name;
    std::string gbk;
    std::string utf8;
};

TEST(GbkText, ConvertsBothWays)
{
    const Case cases[] = {
        {"ascii", "abc 123\r\n", "abc 123\r\n"},
        {"chinese", "\xd6\xd0\xce\xc4", "中文"},
        {"full-width blank", "\xa1\xa1", "\xe3\x80\x80"},
        {"euro at 0x80", "\x80", "\xe2\x82\xac"},
        {"trail byte 0x5c", "\x81\x5c", "\xe4\xb9\x97"},
        {"mixed", "a\xd6\xd0" "b", "a中b"},
        {"empty", "", ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8) << c.name;
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.name;
    }
}

TEST(GbkText, UndecodableAndUnmappableBecomeQuestionMarks)
{
    // A lead byte at the end, a lead byte with an invalid trail, and 0xFF.
    EXPECT_EQ(GbkToUtf8("a\xd6"), "a?");
    EXPECT_EQ(GbkToUtf8("\x81\x7f"), "?\x7f");
    EXPECT_EQ(GbkToUtf8("\xff"), "?");
    // Characters outside GBK, and malformed UTF-8.
    EXPECT_EQ(Utf8ToGbk("\xf0\x9f\x98\x80"), "?");  // an emoji
    EXPECT_EQ(Utf8ToGbk("\xe4\xb8"), "?");          // cut-off sequence
    EXPECT_EQ(Utf8ToGbk("\xc0\xaf"), "??");         // overlong '/'
    EXPECT_EQ(Utf8ToGbk("\xed\xa0\x80"), "?");      // surrogate
}

TEST(GbkText, EveryDoubleByteCharacterRoundTrips)
{
    int roundTrips = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            std::string gbk{static_cast<char>(lead), static_cast<char>(trail)};
            std::string utf8 = GbkToUtf8(gbk);
            if (utf8.find('?') != std::string::npos)
                continue;  // unassigned code, or a lead byte followed by a byte that is no trail
            ASSERT_EQ(Utf8ToGbk(utf8), gbk) << std::hex << lead << " " << trail;
            ++roundTrips;
        }
    }
    EXPECT_GT(roundTrips, 21000);  // GBK assigns 21886 double-byte codes
}

TEST(GbkText, BoundedConversionStopsAtWholeCharacters)
{
    const std::string gbk = "ab\xd6\xd0\xce\xc4";  // "ab中文": 2 + 3 + 3 UTF-8 bytes
    char out[16];
    EXPECT_EQ(GbkToUtf8Bounded(gbk.data(), gbk.size(), out, sizeof out), 8u);
    EXPECT_EQ(std::string(out, 8), "ab中文");
    EXPECT_EQ(GbkToUtf8Bounded(gbk.data(), gbk.size(), out, 7), 5u);  // "文" would not fit
    EXPECT_EQ(std::string(out, 5), "ab中");

    const std::string longText(5000, 'x');
    std::string big(9000, '\0');
    EXPECT_EQ(GbkToUtf8Bounded(longText.data(), longText.size(), big.data(), big.size()), 4096u);
}

}  // namespace
