// The written documents as a real word processor reads them: LibreOffice converts each to plain
// text, which must hold the title and every paragraph in order, Chinese intact.
#include "GbkText.h"
#include "WordExport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Generous: the first start of LibreOffice with a fresh profile is slow on a busy machine.
constexpr int kConversionSeconds = 240;

std::string ReadBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// The text LibreOffice gives, as lines (its byte order mark and line ends removed).
std::vector<std::string> Lines(std::string text)
{
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string Quoted(const std::string &text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class WordConversionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "wordconversion-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    // Converts the documents in one LibreOffice run (private profile, time limit) and returns
    // each one's lines.
    std::vector<std::vector<std::string>> Convert(const std::vector<fs::path> &documents)
    {
        const std::string soffice = SOFFICE_PROGRAM;
        if (soffice.empty() || soffice.find("NOTFOUND") != std::string::npos) {
            ADD_FAILURE() << "soffice is missing: scripts/install-deps.sh installs libreoffice-writer-nogui";
            return {};
        }
        // Built piece by piece: GCC 12 warns falsely on "literal" + std::string temporaries.
        std::string command = "timeout -k 10 ";
        command += std::to_string(kConversionSeconds);
        command += ' ';
        command += Quoted(soffice);
        command += " -env:UserInstallation=file://";
        command += (m_folder / "profile").string();
        command += " --headless --norestore --convert-to 'txt:Text (encoded):UTF8' --outdir ";
        command += Quoted((m_folder / "out").string());
        for (const fs::path &document : documents) {
            command += ' ';
            command += Quoted(document.string());
        }
        command += " >";
        command += Quoted((m_folder / "soffice.log").string());
        command += " 2>&1";
        const int status = std::system(command.c_str());
        EXPECT_EQ(status, 0) << ReadBytes(m_folder / "soffice.log");
        std::vector<std::vector<std::string>> results;
        for (const fs::path &document : documents) {
            const fs::path text = m_folder / "out" / document.filename().replace_extension(".txt");
            EXPECT_EQ(fs::exists(text), true) << text << "\n" << ReadBytes(m_folder / "soffice.log");
            results.push_back(Lines(ReadBytes(text)));
        }
        return results;
    }

    fs::path m_folder;
};

TEST_F(WordConversionTest, TitleAndParagraphsSurviveInOrder)
{
    // A 5000-character paragraph mixing Chinese, full-width punctuation, Latin letters and digits.
    std::string longParagraph;
    const std::vector<std::string> pieces = {"春", "眠", "不", "觉", "晓", "，", "a", "7", "。", "“", "”", "—"};
    for (int i = 0; i < 5000; ++i)
        longParagraph += pieces[static_cast<std::size_t>(i * 7 % 12)];
    const std::string title = "我的春天";
    const std::vector<std::string> paragraphs = {"　　春天来了，小草从地下探出头来。",
                                                 "",
                                                 "反斜杠和括号：\\{}",
                                                 "Tab\tand two  and five     blanks",
                                                 longParagraph,
                                                 "完。"};

    // The writing screen's text: title, CR LF, paragraphs split by bare CR.
    std::string body;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            body += '\r';
        body += paragraphs[i];
    }
    const fs::path fromScreen = m_folder / "screen.doc";
    ASSERT_EQ(ExportWordDocument(fromScreen.string(), Utf8ToGbk(title + "\r\n" + body)), true);

    // The same essay through the command line, with mixed line ends on standard input.
    const fs::path fromTool = m_folder / "tool.doc";
    std::string input;
    const char *lineEnds[] = {"\n", "\r\n", "\r"};
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            input += lineEnds[i % 3];
        input += paragraphs[i];
    }
    std::ofstream(m_folder / "input.txt", std::ios::binary) << input;
    const std::string tool = std::string(ESSAY_TOOL) + " export --title " + Quoted(title) + " --out " +
                             Quoted(fromTool.string()) + " <" + Quoted((m_folder / "input.txt").string());
    ASSERT_EQ(std::system(tool.c_str()), 0);

    std::vector<std::string> expected = {title};
    expected.insert(expected.end(), paragraphs.begin(), paragraphs.end());
    const auto converted = Convert({fromScreen, fromTool});
    ASSERT_EQ(converted.size(), 2u);
    for (const auto &lines : converted) {
        ASSERT_EQ(lines.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(lines[i], expected[i]) << "paragraph " << i;
    }
}

TEST_F(WordConversionTest, EssayToolRefusesBadUseAndReportsAFailedWrite)
{
    const std::string tool = ESSAY_TOOL;
    const struct
    {
        std::string arguments;
        int exitCode;
    } cases[] = {
        {"export --title t", 2},
        {"export --out x.doc", 2},
        {"export --title t --out", 2},
        {"export --title t --out x.doc --width 5", 2},
        {"export --title t --out " + Quoted((m_folder / "missing" / "x.doc").string()), 1},
    };
    for (const auto &c : cases) {
        const std::string command = tool + " " + c.arguments + " </dev/null 2>/dev/null";
        const int status = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.exitCode) << c.arguments;
    }
}

} // namespace
