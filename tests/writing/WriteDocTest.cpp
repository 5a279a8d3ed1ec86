// CWriteDoc: rows, insertion with its returned position, reflow, whole-text access, counting.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestText.h"
#include "WriteDoc.h"

namespace {

CWriteDoc DocWith(const std::string &utf8, std::int32_t width)
{
    CWriteDoc doc;
    doc.SetText(G(utf8));
    doc.Reflow(width);
    return doc;
}

TEST(WriteDoc, NewDocumentIsOneEmptyRow)
{
    CWriteDoc doc;
    EXPECT_EQ(doc.RowCount(), 1);
    EXPECT_EQ(doc.GetText(), "");
    EXPECT_EQ(doc.CountChars(), 0);
    EXPECT_EQ(doc.IsModified(), false);
    doc.SetModified(true);
    EXPECT_EQ(doc.IsModified(), true);
}

TEST(WriteDoc, ClassifyByteReadsCharactersFromColumnZero)
{
    const std::string row = G("a中b") + "\xB0";  // ends in a lone lead byte
    const struct
    {
        std::ptrdiff_t index;
        ByteClass expected;
    } cases[] = {{-1, ByteClass::Invalid},   {0, ByteClass::SingleByte}, {1, ByteClass::FirstByte},
                 {2, ByteClass::SecondByte}, {3, ByteClass::SingleByte}, {4, ByteClass::FirstByte},
                 {5, ByteClass::Invalid}};
    for (const auto &c : cases)
        EXPECT_EQ(CWriteDoc::ClassifyByte(row, c.index), c.expected) << "index " << c.index;
    // 0x80 stands alone; every byte above it leads, 0xFF included.
    EXPECT_EQ(CWriteDoc::ClassifyByte("\x80\x41", 1), ByteClass::SingleByte);
    EXPECT_EQ(CWriteDoc::ClassifyByte("\xFF\x41", 1), ByteClass::SecondByte);
}

TEST(WriteDoc, SetTextGetTextAndCount)
{
    const struct
    {
        std::string input;  // raw GBK
        std::string rows;   // after Reflow(80)
        std::string text;   // GetText
        std::int32_t chars;
    } cases[] = {
        {"ab\rc", "ab¶|c", "ab\rc", 3},
        {"ab\r\nc", "ab¶|c", "ab\rc", 3},       // CR LF becomes CR
        {"a\nb", "a\nb", "a\nb", 3},            // a lone LF is an ordinary byte
        {"\r\r", "¶|¶", "\r\r", 0},
        {"", "", "", 0},
        {G("中a¶"), "中a¶", G("中a¶"), 2},
        {"a\xB0", "", "a\xB0", 2},              // lone lead byte at the end counts once
    };
    for (const auto &c : cases) {
        CWriteDoc doc;
        doc.SetText(c.input);
        EXPECT_EQ(doc.RowCount(), 1) << "SetText leaves the text unwrapped";
        doc.Reflow(80);
        if (!c.rows.empty() || c.input.empty()) {
            EXPECT_EQ(DumpRows(doc), c.rows);
        }
        EXPECT_EQ(doc.GetText(), c.text);
        EXPECT_EQ(doc.CountChars(), c.chars);
    }
}

TEST(WriteDoc, CountCharsIgnoresParagraphMarksOnly)
{
    std::string text;
    for (int i = 0; i < 5000; ++i) {
        text += G("春");
        if (i % 167 == 166)
            text += '\r';
    }
    ASSERT_EQ(std::count(text.begin(), text.end(), '\r'), 29);
    text += '\r';
    CWriteDoc doc;
    doc.SetText(text);
    doc.Reflow(60);
    EXPECT_EQ(doc.CountChars(), 5000);
    doc.SetText(G("，。 a1！"));
    EXPECT_EQ(doc.CountChars(), 6);
}

TEST(WriteDoc, ReflowCutsParagraphsWithoutDividingCharacters)
{
    const struct
    {
        std::string text;
        std::int32_t width;
        std::string rows;
    } cases[] = {
        {"一二三四五", 5, "一二|三四|五"},  // 4, 4 and 2 bytes
        {"一二三四五", 6, "一二三|四五"},
        {"a一二", 4, "a一|二"},
        {"abcd¶", 4, "abcd|¶"},             // the mark needs a byte of its own
        {"abc¶", 4, "abc¶"},                // no empty row after a final mark
        {"ab¶¶cd", 80, "ab¶|¶|cd"},
        {"一二", 1, "一|二"},                // narrower than a character: two bytes a row
        {"一二", 0, "一|二"},
    };
    for (const auto &c : cases) {
        CWriteDoc doc = DocWith(c.text, 80);
        doc.Reflow(c.width);
        EXPECT_EQ(DumpRows(doc), c.rows) << c.text << " at W=" << c.width;
    }
}

TEST(WriteDoc, InsertTextCarriesTheParagraphDownAndReturnsTheCaret)
{
    const struct
    {
        const char *name;
        std::string before;  // reflowed at width
        std::int32_t width;
        DocPosition at;
        std::string text;
        std::string after;
        DocPosition caret;
    } cases[] = {
        {"five characters into W=5", "", 5, {0, 0}, "一二三四五", "一二|三四|五", {2, 2}},
        {"five characters into W=6", "", 6, {0, 0}, "一二三四五", "一二三|四五", {1, 4}},
        {"letter into a full row", "abcdefghij¶", 4, {0, 1}, "X", "aXbc|defg|hij¶", {0, 2}},
        {"character into a full row", "一二三四", 4, {0, 0}, "五", "五一|二三|四", {0, 2}},
        {"character at a row end", "一二三四", 5, {0, 4}, "五", "一二|五三|四", {1, 2}},
        {"mark mid-paragraph", "abc¶de¶", 6, {0, 1}, "x¶y", "ax¶|ybc¶|de¶", {1, 1}},
        {"mark splits a row", "abcdef¶gh", 80, {0, 2}, "¶", "ab¶|cdef¶|gh", {0, 2}},
        {"after the mark goes to the next row", "ab¶cd", 80, {0, 3}, "X", "ab¶|Xcd", {1, 1}},
        {"after the last mark makes a row", "ab¶", 80, {0, 3}, "X", "ab¶|X", {1, 1}},
        {"at a mark stays before it", "ab¶cd", 80, {0, 2}, "X", "abX¶|cd", {0, 3}},
        {"row beyond the rows", "ab¶cd", 80, {7, 99}, "X", "ab¶|cdX", {1, 3}},
        {"negative position", "ab¶cd", 80, {-3, -1}, "X", "Xab¶|cd", {0, 1}},
        {"inside a character", "一二", 80, {0, 1}, "a", "a一二", {0, 1}},
        {"empty text", "一二", 80, {0, 2}, "", "一二", {0, 2}},
        {"width below two", "", 1, {0, 0}, "一a", "一|a", {1, 1}},
    };
    for (const auto &c : cases) {
        CWriteDoc doc = DocWith(c.before, c.width);
        const DocPosition caret = doc.InsertText(c.at.row, c.at.column, G(c.text), c.width);
        EXPECT_EQ(DumpRows(doc), c.after) << c.name;
        EXPECT_EQ(caret, c.caret) << c.name << ": got " << caret.row << "," << caret.column;
    }
}

TEST(WriteDoc, ClearLeavesOneEmptyRow)
{
    CWriteDoc doc = DocWith("ab¶cd", 80);
    doc.Clear();
    EXPECT_EQ(doc.RowCount(), 1);
    EXPECT_EQ(doc.GetText(), "");
}

} // namespace
