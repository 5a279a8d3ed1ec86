// CUndo through CWriteDoc: check points, undo, redo with its paired step, limits, restoring.
#include <gtest/gtest.h>

#include <vector>

#include "TestText.h"
#include "WriteDoc.h"

namespace {

// Types text at the end of the last row as the view does: insert, record the caret, check point.
void Type(CWriteDoc &doc, const std::string &gbk, std::int32_t width = 80)
{
    const std::int32_t row = doc.RowCount() - 1;
    const auto column = static_cast<std::int32_t>(doc.Rows().back().size());
    const DocPosition caret = doc.InsertText(row, column, gbk, width);
    doc.RecordViewState({caret.row, caret.column, 0});
    doc.CheckPoint();
}

TEST(Undo, NeedsTwoCheckPointsAndRestoresTheFirstEdit)
{
    CWriteDoc doc;
    Type(doc, G("春"));
    EXPECT_EQ(doc.CanUndo(), false);
    EXPECT_EQ(doc.Undo(), false);
    EXPECT_EQ(DumpRows(doc), "春");

    std::vector<ViewState> restored;
    doc.SetViewStateListener([&](const ViewState &state) { restored.push_back(state); });
    Type(doc, G("天"));
    EXPECT_EQ(doc.Undo(), true);
    EXPECT_EQ(DumpRows(doc), "春");
    ASSERT_EQ(restored.size(), 1u);
    EXPECT_EQ(restored[0], (ViewState{0, 2, 0}));
    EXPECT_EQ(doc.Undo(), false);
    EXPECT_EQ(DumpRows(doc), "春");
}

TEST(Undo, SnapshotKeepsCaretAndScrollOffset)
{
    CWriteDoc doc;
    Type(doc, "a");
    doc.InsertText(0, 1, "b", 80);
    doc.RecordViewState({3, 7, 240});
    doc.CheckPoint();
    Type(doc, "c");
    doc.Undo();
    EXPECT_EQ(doc.RecordedViewState(), (ViewState{3, 7, 240}));
    EXPECT_EQ(doc.GetText(), "ab");
}

TEST(Undo, NewEditEmptiesTheRedoStack)
{
    CWriteDoc doc;
    Type(doc, "a");
    Type(doc, "b");
    doc.Undo();
    EXPECT_EQ(doc.CanRedo(), true);
    Type(doc, "c");
    EXPECT_EQ(doc.Redo(), false);
    EXPECT_EQ(doc.GetText(), "ac");
}

TEST(Undo, RedoRestoresWhatWasUndone)
{
    CWriteDoc doc;
    Type(doc, "a");
    Type(doc, "bb");
    Type(doc, "ccc");
    doc.Undo();
    doc.Undo();
    EXPECT_EQ(doc.GetText(), "a");
    EXPECT_EQ(doc.Redo(), true);
    EXPECT_EQ(doc.GetText(), "abb");
    EXPECT_EQ(doc.Redo(), true);
    EXPECT_EQ(doc.GetText(), "abbccc");
    EXPECT_EQ(doc.Redo(), false);
}

TEST(Undo, RedoPairsTheTwoHalvesOfACharacter)
{
    // Each case types three steps after a base, undoes all three, then redoes once.
    const struct
    {
        const char *name;
        std::vector<std::string> steps;
        std::string afterOneRedo;
        std::size_t redoLeft;
    } cases[] = {
        // lead byte then second byte: one byte apart, both ending above 0x80
        {"two halves", {"\xD6", "\xD0", "x"}, "\xD6\xD0", 1},
        {"one byte apart but ends low", {"a", "b", "c"}, "a", 2},
        {"ends high but two bytes apart", {"\xD6\xD0", "\xB9\xFA", "x"}, "\xD6\xD0", 2},
    };
    for (const auto &c : cases) {
        CWriteDoc doc;
        Type(doc, G("一"));
        for (const std::string &step : c.steps)
            Type(doc, step);
        for (std::size_t i = 0; i < c.steps.size(); ++i)
            doc.Undo();
        EXPECT_EQ(doc.Redo(), true) << c.name;
        EXPECT_EQ(doc.GetText(), G("一") + c.afterOneRedo) << c.name;
        EXPECT_EQ(doc.RedoDepth(), c.redoLeft) << c.name;
    }
}

TEST(Undo, LoadingTurnsTabsIntoEightSpaces)
{
    CWriteDoc doc;
    doc.SetText("a\tb");
    doc.CheckPoint();
    Type(doc, "c");
    doc.Undo();
    EXPECT_EQ(doc.GetText(), "a        b");
    doc.SetText("\t");
    doc.CheckPoint();
    Type(doc, "x");
    doc.Undo();
    EXPECT_EQ(doc.GetText(), std::string(8, ' '));
    EXPECT_EQ(doc.Redo(), true);
    EXPECT_EQ(doc.GetText(), std::string(8, ' ') + "x");
}

TEST(Undo, RestoredRowsKeepEveryByte)
{
    std::string anyBytes;
    for (int byte = 0; byte < 256; ++byte) {
        if (byte != '\r' && byte != '\t')
            anyBytes.push_back(static_cast<char>(byte));
    }
    CWriteDoc doc;
    doc.SetText(anyBytes + "\r\rend\n\xB0");
    doc.Reflow(16);
    const std::vector<std::string> before = doc.Rows();
    doc.CheckPoint();
    doc.InsertText(0, 0, "x", 16);
    doc.CheckPoint();
    doc.Undo();
    EXPECT_EQ(doc.Rows(), before);
}

TEST(Undo, SnapshotSizeIsHeaderAndRowsWithLineEnds)
{
    UndoSnapshot snapshot;
    snapshot.AppendRow("ab\r");
    snapshot.AppendRow("");
    snapshot.AppendRow("c");
    EXPECT_EQ(snapshot.Size(), 12u + 5u + 2u + 3u);
    EXPECT_EQ(snapshot.Row(0), "ab\r");
    EXPECT_EQ(snapshot.Row(1), "");
    EXPECT_EQ(snapshot.LastRowLastByte(), 'c');
}

TEST(Undo, LevelLimitDropsTheOldestSnapshots)
{
    const struct
    {
        std::int32_t limit;
        std::size_t depthAfterFive;
    } cases[] = {{0, 5}, {2, 3}, {1, 2}};
    for (const auto &c : cases) {
        CWriteDoc doc;
        doc.SetUndoLevels(c.limit);
        for (const char *step : {"a", "b", "c", "d", "e"})
            Type(doc, step);
        EXPECT_EQ(doc.UndoDepth(), c.depthAfterFive) << "limit " << c.limit;
        while (doc.Undo()) {
        }
        EXPECT_EQ(doc.GetText(), std::string("abcde").substr(0, 6 - c.depthAfterFive)) << "limit " << c.limit;
    }
}

} // namespace
