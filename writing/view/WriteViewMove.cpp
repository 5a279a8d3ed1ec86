// The editor view's caret, selection and scrolling: cursor keys, the mouse's places, words and
// whole rows, and keeping the caret in sight.
#include "WriteView.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QScrollBar>
#include <algorithm>
#include <cctype>

namespace {

bool Before(DocPosition a, DocPosition b)
{
    return a.row < b.row || (a.row == b.row && a.column < b.column);
}

bool IsWordByte(unsigned char byte)
{
    return byte >= 0x80 || std::isalnum(byte) || byte == '_';
}

} // namespace

std::int32_t CWriteView::LineEndColumn(std::int32_t row) const
{
    const std::string &bytes = m_doc.Rows()[static_cast<std::size_t>(row)];
    const auto size = static_cast<std::int32_t>(bytes.size());
    return !bytes.empty() && bytes.back() == CWriteDoc::kParagraphMark ? size - 1 : size;
}

DocPosition CWriteView::ClampedPosition(DocPosition position) const
{
    position.row = std::clamp(position.row, 0, m_doc.RowCount() - 1);
    position.column = std::clamp(position.column, 0, LineEndColumn(position.row));
    // Never inside a double-byte character: one byte further.
    const std::string &bytes = m_doc.Rows()[static_cast<std::size_t>(position.row)];
    if (CWriteDoc::ClassifyByte(bytes, position.column) == ByteClass::SecondByte)
        ++position.column;
    return position;
}

DocPosition CWriteView::PositionAt(QPoint point) const
{
    const std::int32_t row = std::clamp(m_grid.RowAt(point.y(), ScrollOffset()), 0, m_doc.RowCount() - 1);
    const std::int32_t column = std::max(m_grid.ColumnAt(point.x(), m_scrollX), 0);
    return ClampedPosition({row, column});
}

bool CWriteView::HasNonEmptySelection() const
{
    return m_selectionActive && m_selStart != m_selEnd;
}

void CWriteView::ClearSelection()
{
    if (m_selectionActive)
        InvalidateContent();
    m_selectionActive = false;
    m_selStart = m_selEnd = m_anchor = m_caret;
}

void CWriteView::SetCaret(DocPosition caret, bool extend, bool bringIntoSight)
{
    if (extend) {
        if (!m_selectionActive) {
            m_anchor = m_caret;
            m_selectionActive = true;
        }
        m_caret = caret;
        m_selStart = Before(m_caret, m_anchor) ? m_caret : m_anchor;
        m_selEnd = Before(m_caret, m_anchor) ? m_anchor : m_caret;
        InvalidateContent();
    } else {
        m_caret = caret;
        ClearSelection();
    }
    m_goalColumn = m_caret.column;
    if (bringIntoSight)
        EnsureCaretVisible();
    CaretMoved();
}

void CWriteView::MoveLeft(bool extend)
{
    if (!extend && m_selectionActive) {
        SetCaret(m_selStart, false);
        return;
    }
    DocPosition caret = ClampedPosition(m_caret);
    if (caret.column > 0) {
        const std::string &bytes = m_doc.Rows()[static_cast<std::size_t>(caret.row)];
        caret.column -= CWriteDoc::ClassifyByte(bytes, caret.column - 1) == ByteClass::SecondByte ? 2 : 1;
    } else if (caret.row > 0) {
        caret = {caret.row - 1, LineEndColumn(caret.row - 1)};
    }
    SetCaret(caret, extend);
}

void CWriteView::MoveRight(bool extend)
{
    if (!extend && m_selectionActive) {
        SetCaret(m_selEnd, false);
        return;
    }
    DocPosition caret = ClampedPosition(m_caret);
    if (caret.column < LineEndColumn(caret.row)) {
        const std::string &bytes = m_doc.Rows()[static_cast<std::size_t>(caret.row)];
        caret.column += static_cast<std::int32_t>(CharLengthAt(bytes, static_cast<std::size_t>(caret.column)));
    } else if (caret.row + 1 < m_doc.RowCount()) {
        caret = {caret.row + 1, 0};
    }
    SetCaret(caret, extend);
}

void CWriteView::MoveVertically(int rows, bool extend)
{
    const std::int32_t target = m_caret.row + rows;
    if (target >= m_doc.RowCount()) {
        ScrollLines(1); // Down on the last row scrolls one line
        return;
    }
    if (target < 0)
        return;
    const std::int32_t goal = m_goalColumn;
    SetCaret(ClampedPosition({target, goal}), extend);
    m_goalColumn = goal;
}

void CWriteView::MoveHome(bool extend, bool toTop)
{
    // Ctrl+Home goes to the start of the essay and shows its top.
    SetCaret(toTop ? DocPosition{0, 0} : DocPosition{m_caret.row, 0}, extend);
    if (toTop)
        ScrollTo(0);
}

void CWriteView::MoveEnd(bool extend, bool toBottom)
{
    const std::int32_t row = toBottom ? m_doc.RowCount() - 1 : m_caret.row;
    SetCaret({row, LineEndColumn(row)}, extend);
    if (toBottom)
        ScrollTo(verticalScrollBar()->maximum());
}

void CWriteView::SelectWordAt(DocPosition at)
{
    at = ClampedPosition(at);
    const std::string &bytes = m_doc.Rows()[static_cast<std::size_t>(at.row)];
    // Whole characters left and right of the click, while they are word characters: all
    // double-byte text, Latin letters, digits and the underscore.
    std::vector<std::int32_t> starts;
    for (std::size_t i = 0; i < bytes.size(); i += CharLengthAt(bytes, i))
        starts.push_back(static_cast<std::int32_t>(i));
    const auto isWord = [&](std::size_t index) {
        return bytes[static_cast<std::size_t>(starts[index])] != CWriteDoc::kParagraphMark &&
               IsWordByte(static_cast<unsigned char>(bytes[static_cast<std::size_t>(starts[index])]));
    };
    std::size_t hit = 0;
    while (hit + 1 < starts.size() && starts[hit + 1] <= at.column)
        ++hit;
    DocPosition start = at;
    DocPosition end = at;
    if (!starts.empty() && isWord(hit)) {
        std::size_t first = hit;
        while (first > 0 && isWord(first - 1))
            --first;
        std::size_t last = hit;
        while (last + 1 < starts.size() && isWord(last + 1))
            ++last;
        start.column = starts[first];
        end.column = starts[last] + static_cast<std::int32_t>(CharLengthAt(bytes, static_cast<std::size_t>(starts[last])));
    }
    m_selStart = m_anchor = start;
    m_selEnd = m_caret = end;
    m_selectionActive = true;
    m_goalColumn = m_caret.column;
    InvalidateContent();
    CaretMoved();
}

void CWriteView::SelectRowAt(std::int32_t row)
{
    row = std::clamp(row, 0, m_doc.RowCount() - 1);
    m_selStart = m_anchor = {row, 0};
    const bool last = row + 1 >= m_doc.RowCount();
    m_selEnd = last ? DocPosition{row, LineEndColumn(row)} : DocPosition{row + 1, 0};
    m_selectionActive = true;
    m_caret = m_selEnd;
    m_goalColumn = m_caret.column;
    InvalidateContent();
    CaretMoved();
}

// ---- scrolling ----

void CWriteView::ScrollTo(int offset)
{
    verticalScrollBar()->setValue(std::clamp(offset, 0, verticalScrollBar()->maximum()));
}

void CWriteView::ScrollLines(int lines)
{
    ScrollTo(ScrollOffset() + lines * m_grid.lineHeight);
}

void CWriteView::SetScrollRange(int pixels)
{
    // The range follows the text, two lines more than its rows; the bar's maximum is the
    // offset that shows the range's end at the bottom, in whole lines.
    m_scrollRange = pixels;
    const int line = m_grid.lineHeight;
    const int beyond = std::max(pixels - viewport()->height(), 0);
    verticalScrollBar()->setRange(0, (beyond + line - 1) / line * line);
    verticalScrollBar()->setPageStep(m_grid.PageLines(viewport()->height()) * line);
}

void CWriteView::EnsureCaretVisible()
{
    const int line = m_grid.lineHeight;
    const int top = m_caret.row * line;
    const int height = viewport()->height();
    if (top < ScrollOffset())
        ScrollTo(top);
    else if (top + line > ScrollOffset() + height)
        ScrollTo((top + line - height + line - 1) / line * line);
    // Horizontally the view moves ten columns beyond the edge the caret passed.
    const int x = ViewGrid::kMargin + m_caret.column * m_grid.columnWidth - m_scrollX;
    const int old = m_scrollX;
    if (x > viewport()->width() - m_grid.columnWidth)
        m_scrollX = ViewGrid::kMargin + (m_caret.column + 10) * m_grid.columnWidth - viewport()->width();
    else if (x < ViewGrid::kMargin)
        m_scrollX = std::max((m_caret.column - 10) * m_grid.columnWidth, 0);
    m_scrollX = std::max(m_scrollX, 0);
    if (m_scrollX != old)
        InvalidateContent();
}

void CWriteView::UpdatePointer(QPoint point)
{
    if (m_readOnly)
        return;
    if (point.x() < ViewGrid::kRowCursorZone)
        viewport()->setCursor(Qt::ArrowCursor);
    else if (point.x() >= ViewGrid::kMargin)
        viewport()->setCursor(Qt::IBeamCursor);
}

void CWriteView::CaretMoved()
{
    m_caretBlinkOn = true;
    viewport()->update();
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImSurroundingText | Qt::ImCursorPosition);
}
