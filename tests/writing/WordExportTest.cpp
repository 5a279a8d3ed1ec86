// The essay written as a word-processor document: what the document says for each kind of
// text, and a write that fails without harming an existing document.
#include "WordExport.h"

#include "FileTestSupport.h"
#include "GbkText.h"
#include "TestText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

namespace {

// The document's text after the header, up to the closing brace.
std::string Content(const std::string &document)
{
    const std::string titleStart = "\\b\\fs32 ";
    const std::size_t begin = document.find(titleStart);
    const std::size_t end = document.rfind('}');
    if (begin == std::string::npos || end == std::string::npos)
        return "<no content>";
    return document.substr(begin + titleStart.size(), end - begin - titleStart.size());
}

const std::string kBodyStart = "\\par\r\n\\pard\\ql\\sl360\\slmult1\\plain\\f0\\fs24 ";

TEST(WordExport, ParagraphsAndCharactersAreWrittenAsTheReadersExpect)
{
    struct Case
    {
        const char *what;
        std::string text; // GBK
        std::string content;
    };
    const Case cases[] = {
        {"title only", G("ab"), "ab"},
        {"title and body: CR LF, then bare CR", G("T\r\nx¶y"), "T" + kBodyStart + "x\\par\r\ny"},
        {"a lone LF ends a paragraph too", "T\nx\ny", "T" + kBodyStart + "x\\par\r\ny"},
        {"empty paragraphs stay", G("T\r\n¶¶x"), "T" + kBodyStart + "\\par\r\n\\par\r\nx"},
        {"empty body", G("T\r\n"), "T" + kBodyStart},
        {"braces and backslash stay text", G("T\r\n\\{}"), "T" + kBodyStart + "\\\\\\{\\}"},
        {"tab", "T\r\na\tb", "T" + kBodyStart + "a\\tab b"},
        {"runs of blanks are kept whole", "a b  c    d", "a b \\u32?c \\u32? \\u32?d"},
        {"other control bytes are dropped",
         std::string("T\r\na\x01\x1b\x7f"
                     "b"),
         "T" + kBodyStart + "ab"},
        {"Chinese as Unicode escapes", G("作文\r\n我"), "\\u20316?\\u25991?" + kBodyStart + "\\u25105?"},
        {"above U+7FFF the escape is negative", G("\r\n！"), kBodyStart + "\\u-255?"},
        {"0x80 alone is the euro sign", std::string("\x80"), "\\u8364?"},
        {"a lead byte at the end is not lost silently", std::string("a\xb0"), "a?"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Content(BuildWordDocument(c.text)), c.content) << c.what;
}

TEST(WordExport, DocumentDeclaresAChineseFontAndIsPlainAscii)
{
    const std::string document = BuildWordDocument(G("题目\r\n正文¶第二段"));
    EXPECT_EQ(document.rfind("{\\rtf1\\ansi\\ansicpg936", 0), 0u);
    // The font table names 宋体 in GBK with the GB2312 character set.
    EXPECT_NE(document.find("\\fcharset134 \\'cb\\'ce\\'cc\\'e5;"), std::string::npos);
    std::size_t nonAscii = 0;
    for (unsigned char byte : document)
        nonAscii += byte >= 0x80;
    EXPECT_EQ(nonAscii, 0u);
}

TEST(WordExport, LongEssayLinesAreBrokenBetweenTokens)
{
    std::string body;
    for (int i = 0; i < 5000; ++i)
        body += G("字");
    const std::string document = BuildWordDocument(G("T\r\n") + body);
    std::size_t longest = 0;
    std::size_t start = 0;
    for (std::size_t end; (end = document.find("\r\n", start)) != std::string::npos; start = end + 2)
        longest = std::max(longest, end - start);
    EXPECT_LE(longest, 220u);
    std::size_t escapes = 0;
    for (std::size_t at = 0; (at = document.find("\\u23383?", at)) != std::string::npos; ++at)
        ++escapes;
    EXPECT_EQ(escapes, 5000u); // no character cut by a line break
}

TEST(WordExport, WritesANewDocumentAndReplacesAnOldOneWhole)
{
    TempFolder folder;
    const std::string path = folder.File("作文.doc");
    int error = -1;
    ASSERT_EQ(ExportWordDocument(path, G("一\r\n二"), &error), true);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(ReadBytes(path), BuildWordDocument(G("一\r\n二")));
    struct stat info
    {
    };
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0600, 0600u);

    ::chmod(path.c_str(), 0640);
    ASSERT_EQ(ExportWordDocument(path, G("三\r\n四")), true);
    EXPECT_EQ(ReadBytes(path), BuildWordDocument(G("三\r\n四")));
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u); // the student's own permissions are kept
    // Nothing but the document is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST(WordExport, MissingFolderFailsWithItsReason)
{
    TempFolder folder;
    int error = 0;
    EXPECT_EQ(ExportWordDocument(folder.File("gone/essay.doc"), "T\r\nx", &error), false);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(std::filesystem::exists(folder.File("gone")), false);
}

TEST(WordExport, ReadOnlyFolderFailsAndLeavesTheOldDocument)
{
    TempFolder folder;
    std::filesystem::permissions(folder.Path(), std::filesystem::perms(0755));
    const std::string locked = folder.File("locked");
    std::filesystem::create_directory(locked);
    const std::string path = locked + "/essay.doc";
    WriteBytes(path, "old document");
    ::chmod(path.c_str(), 0666); // the file itself is writable: only the folder is not
    ::chmod(locked.c_str(), 0555);

    const int result = RunLimited(ChildLimit::OtherUser, [&] {
        int error = 0;
        return ExportWordDocument(path, G("新\r\n文"), &error) ? 0 : error;
    });
    EXPECT_EQ(result, EACCES);
    EXPECT_EQ(ReadBytes(path), "old document");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(locked), {}), 1);
}

// A folder the student may write into but not list (mode 0333): the document is written and
// renamed into place, and only the flush of the folder cannot open it. That is a success.
TEST(WordExport, FolderThatCannotBeListedStillExports)
{
    TempFolder folder;
    std::filesystem::permissions(folder.Path(), std::filesystem::perms(0755));
    const std::string dropBox = folder.File("dropbox");
    std::filesystem::create_directory(dropBox);
    ::chmod(dropBox.c_str(), 0333);
    const std::string path = dropBox + "/essay.doc";

    const int result = RunLimited(ChildLimit::OtherUser, [&] {
        int error = 0;
        return ExportWordDocument(path, G("新\r\n文"), &error) ? 0 : 100 + error;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadBytes(path), BuildWordDocument(G("新\r\n文")));
}

TEST(WordExport, FullDiskFailsAndLeavesTheOldDocument)
{
    TempFolder folder;
    const std::string path = folder.File("essay.doc");
    WriteBytes(path, "old document");
    std::string body;
    for (int i = 0; i < 500; ++i)
        body += G("满");
    const int result = RunLimited(ChildLimit::SmallFiles, [&] {
        int error = 0;
        return ExportWordDocument(path, G("题\r\n") + body, &error) ? 0 : error;
    });
    EXPECT_EQ(result, EFBIG);
    EXPECT_EQ(ReadBytes(path), "old document");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1); // no temporary left
}

} // namespace
