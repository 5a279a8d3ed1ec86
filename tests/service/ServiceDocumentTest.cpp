// Reading service documents: SignInDataField and the value rules.
#include "GbkText.h"
#include "ServiceContext.h"
#include "Md5.h"
#include "ServiceDocument.h"

#include <gtest/gtest.h>

namespace {

TEST(SignInDataField, ReadsFirstRecordOrReportsNoParse)
{
    struct Case
    {
        const char *result;
        const char *key;
        bool parses;
        const char *value;
    };
    const Case cases[] = {
        {R"({"data":[{"ID":"42","host":"http://h/","No":"7"}]})", "host", true, "http://h/"},
        {R"({"data":[{"ID":"42"},{"ID":"43"}]})", "ID", true, "42"},
        {R"({"data":[{"ID":"42"}]})", "No", true, ""},
        {R"({"data":[]})", "ID", true, ""},
        {R"({"other":1})", "ID", true, ""},
        {"[]", "ID", true, ""},
        {"7", "ID", true, ""},
        {"/* a comment */ {\"data\":[{\"ID\":\"9\"}]}", "ID", true, "9"},
        {R"({"data":[{"ID":17}]})", "ID", true, "17"},
        {R"({"data":[{"ID":{"x":"y"}}]})", "ID", true, ""},
        {R"({"data":"text"})", "ID", true, ""},
        {"", "ID", false, ""},
        {"-6x", "ID", false, ""},
        {R"({"data":[{"ID":"42")", "ID", false, ""},
        {"<html>", "ID", false, ""},
    };
    for (const Case &c : cases) {
        std::string value = "unchanged";
        EXPECT_EQ(SignInDataField(c.result, c.key, value), c.parses) << c.result;
        if (c.parses) {
            EXPECT_EQ(value, c.value) << c.result;
        }
    }
}

TEST(SignInDataField, DeepNestingDoesNotParse)
{
    std::string deep = "{\"data\":[" + std::string(100000, '[') + std::string(100000, ']') + "]}";
    std::string value;
    EXPECT_FALSE(SignInDataField(deep, "ID", value));
}

TEST(SignInDataField, ChineseValuesComeBackInGbk)
{
    // "乗" is 0x81 0x5C in GBK: its trail byte is a backslash and must not act as an escape.
    const std::string gbkResult = Utf8ToGbk(R"({"data":[{"TrueName":"张乗","School":"第一中学"}]})");
    std::string name;
    ASSERT_TRUE(SignInDataField(gbkResult, "TrueName", name));
    EXPECT_EQ(name, Utf8ToGbk("张乗"));
}

TEST(Md5Hex, MatchesTheReferenceDigests)
{
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
    EXPECT_EQ(Md5Hex(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
}

}  // namespace
