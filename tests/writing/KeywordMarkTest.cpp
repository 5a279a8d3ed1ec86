// The marking pass, the same cases run through the direct pass and through the automaton.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "KeywordAutomaton.h"
#include "KeywordPass.h"
#include "TestText.h"

namespace {

using Pass = std::function<void(const std::vector<std::string> &, std::int32_t, const std::vector<KeywordEntry> &,
                                KeywordMarks &)>;

void DirectPass(const std::vector<std::string> &rows, std::int32_t first, const std::vector<KeywordEntry> &list,
                KeywordMarks &marks)
{
    MarkKeywordsDirect(rows, first, list, marks);
}

void AutomatonPass(const std::vector<std::string> &rows, std::int32_t first, const std::vector<KeywordEntry> &list,
                   KeywordMarks &marks)
{
    KeywordAutomaton automaton;
    automaton.Build(list);
    automaton.Mark(rows, first, marks);
}

std::vector<KeywordEntry> List(std::initializer_list<std::pair<std::int32_t, std::string>> entries)
{
    std::vector<KeywordEntry> list;
    for (const auto &[id, utf8] : entries)
        list.push_back({id, G(utf8)});
    return list;
}

std::vector<std::string> Rows(const std::string &utf8, std::int32_t width)
{
    CWriteDoc doc;
    doc.SetText(G(utf8));
    doc.Reflow(width);
    return doc.Rows();
}

class MarkingPass : public ::testing::TestWithParam<Pass>
{
protected:
    std::string Mark(const std::vector<std::string> &rows, const std::vector<KeywordEntry> &list, std::int32_t first = 0)
    {
        GetParam()(rows, first, list, m_marks);
        return DumpMarks(m_marks);
    }
    KeywordMarks m_marks;
};

TEST_P(MarkingPass, MarksWithListOrderLengthAndPositionTieBreaks)
{
    const struct
    {
        const char *name;
        std::vector<KeywordEntry> list;
        std::string text;
        std::int32_t width;
        std::string marks;  // row:column=id in key order
    } cases[] = {
        {"longer keyword claims its span first", List({{1, "中华人民"}, {2, "中华"}}), "中华人民", 80,
         "0:0=1 0:1=1 0:2=1 0:3=1 0:4=1 0:5=1 0:6=1 0:7=1"},
        {"list order decides, not length", List({{2, "中华"}, {1, "中华人民"}}), "中华人民", 80,
         "0:0=2 0:1=2 0:2=2 0:3=2"},
        {"equal length overlap: earlier entry wins", List({{1, "中华"}, {2, "华人"}}), "中华人", 80,
         "0:0=1 0:1=1 0:2=1 0:3=1"},
        {"equal length overlap: order reversed", List({{2, "华人"}, {1, "中华"}}), "中华人", 80,
         "0:2=2 0:3=2 0:4=2 0:5=2"},
        {"keyword twice in a row", List({{5, "春天"}}), "春天春天", 80,
         "0:0=5 0:1=5 0:2=5 0:3=5 0:4=5 0:5=5 0:6=5 0:7=5"},
        {"overlapping matches of one keyword: leftmost", List({{3, "哈哈"}}), "哈哈哈", 80,
         "0:0=3 0:1=3 0:2=3 0:3=3"},
        {"split by a soft wrap", List({{7, "春天"}}), "我爱春天", 6, "1:0=7 1:1=7 0:4=7 0:5=7"},
        {"split by a paragraph mark", List({{7, "春天"}}), "春¶天", 80, ""},
        {"second byte never starts a match", {{9, "\xD0\xB9"}}, "中国", 80, ""},  // bytes 2-3 of 中国
        {"empty keyword is skipped", List({{1, ""}, {2, "天"}}), "天", 80, "0:0=2 0:1=2"},
        {"keyword with a paragraph mark inside the buffer", List({{4, "a¶"}}), "a¶b", 80, "0:0=4 0:1=4"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Mark(Rows(c.text, c.width), c.list), c.marks) << c.name;
    }
}

TEST_P(MarkingPass, CoversAtMostOneHundredRowsFromTheFirstVisible)
{
    std::string text;
    for (int i = 0; i < 150; ++i)
        text += "春天¶";
    const std::vector<std::string> rows = Rows(text, 80);
    ASSERT_EQ(rows.size(), 150u);
    const auto list = List({{1, "春天"}});
    for (const std::int32_t first : {0, 60, 149, 150, -5}) {
        Mark(rows, list, first);
        const std::int32_t from = std::max(first, 0);
        const std::int32_t to = std::min(150, from + 100);
        EXPECT_EQ(m_marks.Size(), static_cast<std::size_t>((to - from) * 4)) << "first row " << first;
        EXPECT_EQ(m_marks.Find(to - 1, 3).value_or(0), to > from ? 1 : 0) << "first row " << first;
        EXPECT_EQ(m_marks.Contains(to, 0), false) << "first row " << first;
        EXPECT_EQ(m_marks.Contains(from - 1, 0), false) << "first row " << first;
    }
}

TEST_P(MarkingPass, ParagraphAboveTheFirstRowIsMatchedFromThere)
{
    const std::vector<std::string> rows = Rows("我爱春天¶", 6);  // 我爱春|天¶
    EXPECT_EQ(Mark(rows, List({{1, "春天"}, {2, "天"}}), 1), "1:0=2 1:1=2");
    EXPECT_EQ(Mark(rows, List({{1, "春天"}, {2, "天"}}), 0), "1:0=1 1:1=1 0:4=1 0:5=1");
}

TEST_P(MarkingPass, MatchOverShortRowsMarksEveryRowItCovers)
{
    // Rows left short by deletions: a keyword can run through three of them.
    const std::vector<std::string> rows = {"ab", "c", "de\r"};
    EXPECT_EQ(Mark(rows, List({{1, "abcd"}})), "0:0=1 1:0=1 2:0=1 0:1=1");
}

TEST_P(MarkingPass, KeywordEndingInALeadByteMatchesTheFirstHalf)
{
    std::vector<KeywordEntry> list = {{6, "a\xD6"}};
    EXPECT_EQ(Mark(Rows("a中", 80), list), "0:0=6 0:1=6");
    EXPECT_EQ(Mark(Rows("中a中", 80), {{6, "\xD0" "a"}}), "");
}

std::string PassName(const ::testing::TestParamInfo<Pass> &) { return "pass"; }

INSTANTIATE_TEST_SUITE_P(Direct, MarkingPass, ::testing::Values(Pass(DirectPass)), PassName);
INSTANTIATE_TEST_SUITE_P(Automaton, MarkingPass, ::testing::Values(Pass(AutomatonPass)), PassName);

TEST(KeywordPick, PicksTheIdUnderThePositionExceptMinusOne)
{
    KeywordAutomaton automaton;
    automaton.Build(List({{12, "春天"}, {-1, "夏"}}));
    KeywordMarks marks;
    automaton.Mark(Rows("春天a夏", 80), 0, marks);
    const struct
    {
        std::int32_t column;
        std::optional<std::int32_t> picked;
    } cases[] = {{0, 12}, {3, 12}, {4, std::nullopt}, {5, std::nullopt}, {6, std::nullopt}, {40, std::nullopt}};
    for (const auto &c : cases)
        EXPECT_EQ(PickKeyword(marks, 0, c.column), c.picked) << "column " << c.column;
    EXPECT_EQ(marks.Find(0, 5), -1);
    EXPECT_EQ(PickKeyword(marks, 1, 0), std::nullopt);
}

TEST(KeywordRecognizer, BuildsOncePerList)
{
    std::vector<KeywordEntry> list = List({{1, "春天"}});
    KeywordRecognizer recognizer;
    KeywordMarks marks;
    const auto rows = Rows("春天夏天", 80);
    recognizer.Mark(list, rows, 0, marks);
    recognizer.Mark(list, rows, 0, marks);
    EXPECT_EQ(recognizer.BuildCount(), 1);
    list = List({{2, "夏天"}});
    recognizer.Mark(list, rows, 0, marks);
    EXPECT_EQ(recognizer.BuildCount(), 2);
    EXPECT_EQ(DumpMarks(marks), "0:4=2 0:5=2 0:6=2 0:7=2");
}

TEST(KeywordRecognizer, DocumentPassFollowsTheProcessList)
{
    CWriteDoc doc;
    doc.SetText(G("春天夏天"));
    doc.Reflow(80);
    KeywordList = List({{1, "春天"}});
    MarkDocumentKeywords(doc, 0);
    EXPECT_EQ(DumpMarks(doc.Marks()), "0:0=1 0:1=1 0:2=1 0:3=1");
    KeywordList = List({{2, "夏天"}, {3, "天"}});
    MarkDocumentKeywords(doc, 0);
    EXPECT_EQ(DumpMarks(doc.Marks()), "0:2=3 0:3=3 0:4=2 0:5=2 0:6=2 0:7=2");
    // An entry edited in place, with an explicit invalidation as a reload would do.
    KeywordList[1].text = G("春");
    ProcessKeywordRecognizer().Invalidate();
    MarkDocumentKeywords(doc, 0);
    EXPECT_EQ(DumpMarks(doc.Marks()), "0:0=3 0:1=3 0:4=2 0:5=2 0:6=2 0:7=2");
    KeywordList.clear();
}

TEST(KeywordRecognizer, ReloadOfTheProcessListRebuildsEvenWhenTheFingerprintMatches)
{
    CWriteDoc doc;
    doc.SetText(G("春天"));
    doc.Reflow(80);
    // A long list whose second entry is not among the fingerprint's samples.
    std::vector<KeywordEntry> list;
    for (int id = 0; id < 1000; ++id)
        list.push_back({id + 10, std::to_string(id) + "k"});
    KeywordList = list;
    MarkDocumentKeywords(doc, 0);
    EXPECT_EQ(DumpMarks(doc.Marks()), "");
    KeywordList[1].text = G("春天");  // what a reload from the database could bring
    ++KeywordListGeneration;
    MarkDocumentKeywords(doc, 0);
    EXPECT_EQ(DumpMarks(doc.Marks()), "0:0=11 0:1=11 0:2=11 0:3=11");
    KeywordList.clear();
}

} // namespace
