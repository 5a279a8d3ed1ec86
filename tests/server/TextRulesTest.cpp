// The service's checks of request elements: numbers, scores, UTF-8 and the essay length rule.
#include "TextRules.h"

#include <gtest/gtest.h>

#include <utility>

TEST(TextRules, NumbersArePlainDecimalDigits)
{
    struct Case
    {
        const char *text;
        std::optional<std::int64_t> expected;
    } cases[] = {{"0", 0},
                 {"42", 42},
                 {"007", 7},
                 {"", std::nullopt},
                 {"-1", std::nullopt},
                 {"+1", std::nullopt},
                 {"1 ", std::nullopt},
                 {"1.0", std::nullopt},
                 {"999999999999999999", 999999999999999999},
                 {"1000000000000000000", std::nullopt}};
    for (const Case &c : cases)
        EXPECT_EQ(ParseNumber(c.text), c.expected) << c.text;
    EXPECT_EQ(ParseNumber(nullptr), std::nullopt);
    EXPECT_EQ(ParseNumberList("3,1,2"), (std::vector<std::int64_t>{3, 1, 2}));
    EXPECT_EQ(ParseNumberList("3,,2"), std::nullopt);
    EXPECT_EQ(ParseNumberList("3, 2"), std::nullopt);
}

TEST(TextRules, EssayLengthIgnoresLineBreaksOnly)
{
    EXPECT_EQ(CountEssayChars("春眠不觉晓\r\n处处闻啼鸟。"), 11u);
    EXPECT_EQ(CountEssayChars(" a\tb "), 5u);
    EXPECT_EQ(CountEssayChars("\r\n\r\n"), 0u);
    EXPECT_EQ(CountEssayChars("😀€"), 2u);
    EXPECT_EQ(CountChars("中\n"), 2u);
}

TEST(TextRules, Utf8Validation)
{
    EXPECT_EQ(IsValidUtf8("中文 abc 😀"), true);
    EXPECT_EQ(IsValidUtf8("\xB0\xA1"), false);         // GBK
    EXPECT_EQ(IsValidUtf8("\xC0\xAF"), false);         // overlong '/'
    EXPECT_EQ(IsValidUtf8("\xED\xA0\x80"), false);     // surrogate
    EXPECT_EQ(IsValidUtf8("\xE4\xB8"), false);         // cut short
    EXPECT_EQ(IsValidUtf8("\xF4\x90\x80\x80"), false); // past U+10FFFF
}

TEST(TextRules, StorableTextIsUtf8WithoutControlCharacters)
{
    const std::pair<const char *, bool> cases[] = {
        {"中文\t制表\r\n换行", true}, {"a\x01" "b", false}, {"a\x1F" "b", false}, {"a\x7F", false}, {"\x0B", false},
        {"\xB0\xA1", false},          {"", true},
    };
    for (const auto &[text, storable] : cases)
        EXPECT_EQ(IsStorableText(text), storable) << text;
}

TEST(TextRules, TrimRemovesAsciiAndIdeographicBlanks)
{
    EXPECT_EQ(TrimText("　 标题\t\r\n"), "标题");
    EXPECT_EQ(TrimText("  "), "");
    EXPECT_EQ(TrimText("a　b"), "a　b");
}
