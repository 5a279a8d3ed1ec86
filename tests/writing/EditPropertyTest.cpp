// Long random edit sequences against a plain-text model: rows stay well formed and hold the
// text the model predicts, through insertion, reflow, undo and redo.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "WriteDoc.h"

namespace {

struct ModelSnapshot
{
    std::string text;
    std::int32_t width;
    std::size_t size;  // serialised snapshot size, for the paired redo
    int lastByte;
};

class EditModel
{
public:
    explicit EditModel(std::uint32_t seed) : m_random(seed) {}

    std::string RandomText()
    {
        static const char *const kPieces[] = {"a", "b", " ", "1", "\xD6\xD0", "\xB9\xFA", "\xC8\xCB",
                                              "\xB4\xBA", "\xCC\xEC", "\xA3\xAC", "\x80", "\r"};
        std::string text;
        const int count = Pick(1, 9);
        for (int i = 0; i < count; ++i)
            text += kPieces[Pick(0, std::size(kPieces) - 1)];
        return text;
    }
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

private:
    std::mt19937 m_random;
};

std::size_t SnapshotSize(const CWriteDoc &doc)
{
    std::size_t size = 12;
    for (const std::string &row : doc.Rows())
        size += row.size() + 2;
    return size;
}

int LastByte(const CWriteDoc &doc)
{
    const std::string &last = doc.Rows().back();
    return last.empty() ? -1 : static_cast<unsigned char>(last.back());
}

// The character starts of a row, and its length (a caret may stand there too).
std::vector<std::int32_t> CaretColumns(const std::string &row)
{
    std::vector<std::int32_t> columns;
    for (std::size_t i = 0; i < row.size(); i += BeginsDoubleByte(static_cast<unsigned char>(row[i])) ? 2 : 1)
        columns.push_back(static_cast<std::int32_t>(i));
    columns.push_back(static_cast<std::int32_t>(row.size()));
    return columns;
}

void ExpectWellFormed(const CWriteDoc &doc, std::int32_t width, const std::string &expected, int step)
{
    ASSERT_GE(doc.RowCount(), 1) << "step " << step;
    for (std::int32_t r = 0; r < doc.RowCount(); ++r) {
        const std::string &row = doc.Rows()[static_cast<std::size_t>(r)];
        ASSERT_LE(row.size(), static_cast<std::size_t>(width)) << "step " << step << " row " << r;
        if (!row.empty()) {
            ASSERT_NE(CWriteDoc::ClassifyByte(row, static_cast<std::ptrdiff_t>(row.size()) - 1), ByteClass::FirstByte)
                << "step " << step << " row " << r << " divides a character";
        }
        const std::size_t mark = row.find('\r');
        ASSERT_TRUE(mark == std::string::npos || mark + 1 == row.size())
            << "step " << step << " row " << r << " has a mark before its end";
    }
    ASSERT_EQ(doc.GetText(), expected) << "step " << step;
}

class EditProperty : public ::testing::TestWithParam<std::uint32_t>
{
};

TEST_P(EditProperty, RandomEditsKeepRowsWellFormed)
{
    EditModel random(GetParam());
    CWriteDoc doc;
    std::string text;
    std::int32_t width = random.Pick(2, 24);
    std::vector<ModelSnapshot> undo;
    std::vector<ModelSnapshot> redo;
    auto restore = [&](const ModelSnapshot &snapshot) {
        text = snapshot.text;
        width = snapshot.width;
    };

    for (int step = 0; step < 4000; ++step) {
        const int action = random.Pick(0, 99);
        if (action < 70) {
            const std::int32_t row = random.Pick(0, doc.RowCount() - 1);
            const std::vector<std::int32_t> columns = CaretColumns(doc.Rows()[static_cast<std::size_t>(row)]);
            const std::int32_t column = columns[static_cast<std::size_t>(random.Pick(0, static_cast<int>(columns.size()) - 1))];
            std::size_t offset = static_cast<std::size_t>(column);
            for (std::int32_t r = 0; r < row; ++r)
                offset += doc.Rows()[static_cast<std::size_t>(r)].size();
            const std::string inserted = random.RandomText();
            const DocPosition caret = doc.InsertText(row, column, inserted, width);
            text.insert(offset, inserted);
            ASSERT_LT(caret.row, doc.RowCount()) << "step " << step;
            const std::string &caretRow = doc.Rows()[static_cast<std::size_t>(caret.row)];
            ASSERT_LE(static_cast<std::size_t>(caret.column), caretRow.size()) << "step " << step;
            ASSERT_NE(CWriteDoc::ClassifyByte(caretRow, caret.column), ByteClass::SecondByte) << "step " << step;
            doc.RecordViewState({caret.row, caret.column, 0});
            doc.CheckPoint();
            undo.push_back({text, width, SnapshotSize(doc), LastByte(doc)});
            redo.clear();
        } else if (action < 80) {
            width = random.Pick(2, 24);
            doc.Reflow(width);
        } else if (action < 90) {
            const bool undone = doc.Undo();
            ASSERT_EQ(undone, undo.size() > 1) << "step " << step;
            if (undone) {
                redo.push_back(undo.back());
                undo.pop_back();
                restore(undo.back());
            }
        } else {
            const bool redone = doc.Redo();
            ASSERT_EQ(redone, !redo.empty()) << "step " << step;
            if (redone) {
                undo.push_back(redo.back());
                redo.pop_back();
                const ModelSnapshot &first = undo.back();
                if (!redo.empty() && redo.back().size == first.size + 1 && first.lastByte >= 0x80
                    && redo.back().lastByte >= 0x80) {
                    undo.push_back(redo.back());
                    redo.pop_back();
                }
                restore(undo.back());
            }
        }
        ExpectWellFormed(doc, width, text, step);
        if (HasFatalFailure())
            return;
        ASSERT_EQ(doc.UndoDepth(), undo.size());
        ASSERT_EQ(doc.RedoDepth(), redo.size());
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, EditProperty, ::testing::Values(1u, 2u, 3u, 42u, 2024u, 90210u));

} // namespace
