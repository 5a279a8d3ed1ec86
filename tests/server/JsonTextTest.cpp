// The service's hand-written JSON strings read back as the text they were made from.
#include "JsonText.h"

#include <gtest/gtest.h>

#include <json/json.h>

TEST(JsonText, StringsReadBackAsWritten)
{
    const std::string cases[] = {
        "",
        "plain",
        "春眠不觉晓",
        "quote \" and backslash \\ and slash /",
        std::string("controls \n\r\t\b\f \x01 \x1f end"),
        std::string("nul \0 inside", 12),
        "\x7f delete and \xe2\x80\xa8 line separator",
    };
    for (const std::string &text : cases) {
        std::string document = "{\"K\":";
        AppendJsonString(document, text);
        document += "}";
        Json::Value root;
        std::string errors;
        Json::CharReaderBuilder builder;
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        ASSERT_EQ(reader->parse(document.data(), document.data() + document.size(), &root, &errors), true) << errors;
        EXPECT_EQ(root["K"].asString(), text) << document;
    }
}
