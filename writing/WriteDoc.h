// The essay body being written: wrapped rows of GBK bytes with paragraph marks, and its undo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "DoubleByte.h"
#include "KeywordMarks.h"
#include "Undo.h"

struct DocPosition
{
    std::int32_t row = 0;
    std::int32_t column = 0;
    bool operator==(const DocPosition &) const = default;
};

// What the view records for each check point and gets back from Undo and Redo.
struct ViewState
{
    std::int32_t caretRow = 0;
    std::int32_t caretColumn = 0;
    std::int32_t scrollOffset = 0;  // vertical, in pixels
    bool operator==(const ViewState &) const = default;
};

class CWriteDoc : public CUndo
{
public:
    static constexpr char kParagraphMark = '\r';
    // Narrower rows could not hold a double-byte character, and cutting would never end.
    static constexpr std::int32_t kMinRowWidth = 2;
    static constexpr std::int32_t kCharLimit = 5000;
    static constexpr std::size_t kTabSpaces = 8;

    CWriteDoc();

    // Inserts text (which may hold paragraph marks) and carries the rest of the paragraph, and
    // every paragraph it pushes, down through the rows at width W. Returns the position just
    // after the inserted text. A position outside the rows is first brought to the nearest
    // character start inside them.
    DocPosition InsertText(std::int32_t row, std::int32_t column, std::string_view text, std::int32_t width);
    void Reflow(std::int32_t width);
    // Replaces the body; CR LF becomes CR, and the whole text is row 0 until the next Reflow.
    void SetText(std::string_view text);
    std::string GetText() const;
    // Characters counted against the limit: paragraph marks do not count, all else counts 1.
    std::int32_t CountChars() const;
    static ByteClass ClassifyByte(std::string_view row, std::ptrdiff_t index)
    {
        return ::ClassifyByte(row, index);
    }
    // Leaves one empty row.
    void Clear();
    // The view's row edits (deleting, joining and splitting rows): count rows from first are
    // replaced by rows, which the caller has already cut to the row width. The document keeps
    // at least one row.
    void ReplaceRows(std::int32_t first, std::int32_t count, std::vector<std::string> rows);

    const std::vector<std::string> &Rows() const { return m_rows; }
    std::int32_t RowCount() const { return static_cast<std::int32_t>(m_rows.size()); }

    bool IsModified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }

    // The view records its caret and scroll offset before each check point; Undo and Redo
    // hand the stored ones back through the listener.
    void RecordViewState(const ViewState &state) { m_viewState = state; }
    const ViewState &RecordedViewState() const { return m_viewState; }
    void SetViewStateListener(std::function<void(const ViewState &)> listener)
    {
        m_viewStateListener = std::move(listener);
    }

    KeywordMarks &Marks() { return m_marks; }
    const KeywordMarks &Marks() const { return m_marks; }

protected:
    void WriteState(UndoSnapshot &snapshot) const override;
    void ReadState(const UndoSnapshot &snapshot) override;

private:
    DocPosition NearestValidPosition(std::int32_t row, std::int32_t column) const;

    std::vector<std::string> m_rows;
    bool m_modified = false;
    ViewState m_viewState;
    std::function<void(const ViewState &)> m_viewStateListener;
    KeywordMarks m_marks;
};

// Cuts one paragraph (its mark, if any, at its end) into rows of at most width bytes without
// dividing a double-byte character, appending them to rows.
void AppendParagraphRows(std::string_view paragraph, std::size_t width, std::vector<std::string> &rows);
