// The editor view's edits: typed bytes, Enter, Backspace, Tab, Delete, the selection, the
// clipboard and undo, each followed by its check point and the character count message.
#include "WriteView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>

#include "OkDialog.h"
#include "QtText.h"
#include "WindowMessage.h"

namespace {

bool EndsWithMark(const std::string &row)
{
    return !row.empty() && row.back() == CWriteDoc::kParagraphMark;
}

// Cuts text that may hold several paragraphs into rows of the given width.
std::vector<std::string> CutIntoRows(std::string_view text, std::int32_t width)
{
    std::vector<std::string> rows;
    const auto w = static_cast<std::size_t>(std::max(width, CWriteDoc::kMinRowWidth));
    while (!text.empty()) {
        const std::size_t mark = text.find(CWriteDoc::kParagraphMark);
        const std::size_t end = mark == std::string_view::npos ? text.size() : mark + 1;
        AppendParagraphRows(text.substr(0, end), w, rows);
        text.remove_prefix(end);
    }
    return rows;
}

// Clipboard text as this platform gives it, made fit for an essay: every line end (CR LF, or the
// bare LF other programs here put on the clipboard) becomes a paragraph mark, a tab the spaces
// of the Tab key, and other control characters are left out.
QString EssayTextFromClipboard(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r') {
            out += QChar(u'\r');
            if (i + 1 < text.size() && text[i + 1] == QChar(u'\n'))
                ++i;
        } else if (c == u'\n') {
            out += QChar(u'\r');
        } else if (c == u'\t') {
            out += QString(CWriteView::kTabSpaces, QChar(u' '));
        } else if (c >= 0x20 && c != 0x7F) {
            out += text[i];
        }
    }
    return out;
}

} // namespace

void CWriteView::OnChar(unsigned int byte)
{
    if (m_readOnly)
        return;
    byte &= 0xFF;
    if (byte < 0x20 || byte == 0x7F) {
        // A control key ends any half-typed double-byte character.
        m_pendingLead = -1;
        if (byte == 13)
            Enter();
        else if (byte == 8)
            Backspace();
        else if (byte == 9)
            Tab();
        return;
    }
    const bool deleted = DeleteSelectionIfAny();
    if (m_pendingLead < 0 && byte > 0x80) {
        m_pendingLead = static_cast<int>(byte);
        if (deleted) {
            TakeCheckPoint();
            AfterEdit();
        }
        return;
    }
    std::string character;
    if (m_pendingLead >= 0)
        character.push_back(static_cast<char>(m_pendingLead));
    character.push_back(static_cast<char>(byte));
    m_pendingLead = -1;
    if (m_doc.CountChars() >= kCharLimit) {
        if (deleted) {
            TakeCheckPoint();
            AfterEdit();
        }
        return; // beyond the limit: dropped without a message
    }
    InsertCharacter(character);
}

void CWriteView::TypeText(const QString &text)
{
    for (const char byte : QStringToGbkDroppingUnmapped(text))
        OnChar(static_cast<unsigned char>(byte));
}

void CWriteView::InsertCharacter(const std::string &character)
{
    InsertBytesAtCaret(character);
    // A check point per character; double-byte characters whose second byte is above 0x80
    // (nearly all Chinese text) take one every second character.
    const auto second = character.size() == 2 ? static_cast<unsigned char>(character[1]) : 0;
    if (character.size() == 1 || second < 0x80) {
        TakeCheckPoint();
    } else if (second > 0x80) {
        if (m_pairToggle)
            TakeCheckPoint();
        m_pairToggle = !m_pairToggle;
    }
    AfterEdit();
}

void CWriteView::InsertBytesAtCaret(const std::string &bytes)
{
    m_caret = ClampedPosition(m_caret);
    m_caret = m_doc.InsertText(m_caret.row, m_caret.column, bytes, m_rowWidth);
    m_goalColumn = m_caret.column;
}

void CWriteView::Enter()
{
    DeleteSelectionIfAny();
    m_caret = ReplaceSpan(ClampedPosition(m_caret), ClampedPosition(m_caret), std::string(1, CWriteDoc::kParagraphMark));
    m_goalColumn = 0;
    TakeCheckPoint();
    AfterEdit();
}

void CWriteView::Backspace()
{
    if (DeleteSelectionIfAny()) {
        TakeCheckPoint();
        AfterEdit();
        return;
    }
    const DocPosition caret = ClampedPosition(m_caret);
    if (caret.column > 0) {
        const std::string &row = m_doc.Rows()[static_cast<std::size_t>(caret.row)];
        const int length = CWriteDoc::ClassifyByte(row, caret.column - 2) == ByteClass::FirstByte ? 2 : 1;
        m_caret = ReplaceSpan({caret.row, caret.column - length}, caret, {});
    } else if (caret.row > 0) {
        // At a row's start: the last character of the row above goes (its paragraph mark
        // joins the two paragraphs).
        const std::string &above = m_doc.Rows()[static_cast<std::size_t>(caret.row - 1)];
        const auto size = static_cast<std::int32_t>(above.size());
        int length = 0;
        if (EndsWithMark(above))
            length = 1;
        else if (size > 0)
            length = CWriteDoc::ClassifyByte(above, size - 1) == ByteClass::SecondByte ? 2 : 1;
        m_caret = ReplaceSpan({caret.row - 1, size - length}, caret, {});
    } else {
        return;
    }
    m_goalColumn = m_caret.column;
    TakeCheckPoint();
    AfterEdit();
}

void CWriteView::Tab()
{
    DeleteSelectionIfAny();
    const int room = std::max(kCharLimit - m_doc.CountChars(), 0);
    const int spaces = std::min(kTabSpaces, room);
    if (spaces > 0)
        InsertBytesAtCaret(std::string(static_cast<std::size_t>(spaces), ' '));
    TakeCheckPoint();
    AfterEdit();
}

void CWriteView::DeleteKey()
{
    if (m_readOnly)
        return;
    m_pendingLead = -1;
    if (!DeleteSelectionIfAny()) {
        const DocPosition caret = ClampedPosition(m_caret);
        const std::string &row = m_doc.Rows()[static_cast<std::size_t>(caret.row)];
        const auto size = static_cast<std::int32_t>(row.size());
        if (caret.column < size) {
            const auto length = static_cast<std::int32_t>(CharLengthAt(row, static_cast<std::size_t>(caret.column)));
            m_caret = ReplaceSpan(caret, {caret.row, caret.column + length}, {});
        } else if (caret.row + 1 < m_doc.RowCount()) {
            const std::string &next = m_doc.Rows()[static_cast<std::size_t>(caret.row + 1)];
            const auto length = next.empty() ? 0 : static_cast<std::int32_t>(CharLengthAt(next, 0));
            m_caret = ReplaceSpan(caret, {caret.row + 1, length}, {});
        } else {
            return;
        }
    }
    TakeCheckPoint();
    AfterEdit();
}

bool CWriteView::DeleteSelectionIfAny()
{
    if (!m_selectionActive)
        return false;
    const DocPosition start = m_selStart;
    const DocPosition end = m_selEnd;
    ClearSelection();
    if (start == end)
        return false;
    m_caret = ReplaceSpan(start, end, {});
    m_goalColumn = m_caret.column;
    return true;
}

DocPosition CWriteView::ReplaceSpan(DocPosition from, DocPosition to, const std::string &text)
{
    const auto &rows = m_doc.Rows();
    const std::int32_t lastRow = m_doc.RowCount() - 1;
    // A position after a row's last byte is the same place as the next row's start.
    const auto normal = [&](DocPosition p) {
        p.row = std::clamp(p.row, 0, lastRow);
        const auto size = static_cast<std::int32_t>(rows[static_cast<std::size_t>(p.row)].size());
        p.column = std::clamp(p.column, 0, size);
        if (p.column == size && p.row < lastRow)
            p = {p.row + 1, 0};
        return p;
    };
    from = normal(from);
    to = normal(to);
    if (to.row < from.row || (to.row == from.row && to.column < from.column))
        std::swap(from, to);
    // The rest of the paragraph after the span is cut again with the new text.
    std::int32_t paragraphEnd = to.row;
    while (paragraphEnd < lastRow && !EndsWithMark(rows[static_cast<std::size_t>(paragraphEnd)]))
        ++paragraphEnd;
    const std::string &firstRow = rows[static_cast<std::size_t>(from.row)];
    std::string joined = firstRow.substr(0, static_cast<std::size_t>(from.column));
    const std::size_t caretOffset = joined.size() + text.size();
    joined += text;
    joined += rows[static_cast<std::size_t>(to.row)].substr(static_cast<std::size_t>(to.column));
    for (std::int32_t row = to.row + 1; row <= paragraphEnd; ++row)
        joined += rows[static_cast<std::size_t>(row)];
    m_doc.ReplaceRows(from.row, paragraphEnd - from.row + 1, CutIntoRows(joined, m_rowWidth));
    const std::int32_t rowsAfter = lastRow - paragraphEnd;
    // An essay that ends with a paragraph mark has an empty row after it for the caret.
    if (rowsAfter == 0 && EndsWithMark(m_doc.Rows().back()))
        m_doc.ReplaceRows(m_doc.RowCount(), 0, {std::string()});

    // Where the new text ends: a row end that is a paragraph's end continues on the next row.
    DocPosition at{from.row, 0};
    std::size_t offset = caretOffset;
    while (true) {
        const std::string &row = m_doc.Rows()[static_cast<std::size_t>(at.row)];
        const bool last = at.row + 1 >= m_doc.RowCount();
        if (offset < row.size() || (offset == row.size() && (last || !EndsWithMark(row)))) {
            at.column = static_cast<std::int32_t>(offset);
            return ClampedPosition(at);
        }
        if (last)
            return ClampedPosition({at.row, static_cast<std::int32_t>(row.size())});
        offset -= row.size();
        ++at.row;
    }
}

void CWriteView::TakeCheckPoint()
{
    m_doc.RecordViewState({m_caret.row, m_caret.column, ScrollOffset()});
    m_doc.CheckPoint();
}

void CWriteView::AfterEdit()
{
    ClearSelection();
    m_doc.SetModified(true);
    m_changed = true;
    SetScrollRange((m_doc.RowCount() + 2) * m_grid.lineHeight);
    EnsureCaretVisible();
    InvalidateContent();
    CaretMoved();
    PostWindowMessage(m_target, kMsgWordCount, m_doc.CountChars(), 0);
}

int CWriteView::CountLimitedChars(const std::string &text)
{
    // The same count as FitToLimit's: a paragraph mark is free, a double-byte character is one,
    // a first byte without its second is nothing.
    int count = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == CWriteDoc::kParagraphMark) {
            ++i;
            continue;
        }
        const bool doubleByte = BeginsDoubleByte(static_cast<unsigned char>(text[i]));
        if (doubleByte && i + 1 >= text.size())
            break;
        i += doubleByte ? 2 : 1;
        ++count;
    }
    return count;
}

std::string CWriteView::FitToLimit(const std::string &text) const
{
    int room = std::max(kCharLimit - m_doc.CountChars(), 0);
    std::string fitted;
    fitted.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == CWriteDoc::kParagraphMark) {
            fitted.push_back(text[i++]);
            continue;
        }
        const bool doubleByte = BeginsDoubleByte(static_cast<unsigned char>(text[i]));
        if (doubleByte && i + 1 >= text.size())
            break; // a first byte without its second is dropped
        if (room == 0)
            break;
        const std::size_t length = doubleByte ? 2 : 1;
        fitted.append(text, i, length);
        i += length;
        --room;
    }
    return fitted;
}

void CWriteView::ReflowDocument()
{
    // The caret keeps its place in the text while the rows are cut anew.
    std::size_t offset = 0;
    const DocPosition caret = ClampedPosition(m_caret);
    for (std::int32_t row = 0; row < caret.row; ++row)
        offset += m_doc.Rows()[static_cast<std::size_t>(row)].size();
    offset += static_cast<std::size_t>(caret.column);
    m_doc.Reflow(m_rowWidth);
    if (EndsWithMark(m_doc.Rows().back()))
        m_doc.ReplaceRows(m_doc.RowCount(), 0, {std::string()});
    m_needsReflow = false;
    DocPosition at{0, 0};
    while (at.row + 1 < m_doc.RowCount() && offset >= m_doc.Rows()[static_cast<std::size_t>(at.row)].size()) {
        const std::string &row = m_doc.Rows()[static_cast<std::size_t>(at.row)];
        if (offset == row.size() && !EndsWithMark(row))
            break;
        offset -= row.size();
        ++at.row;
    }
    at.column = static_cast<std::int32_t>(offset);
    m_caret = ClampedPosition(at);
    ClearSelection();
    SetScrollRange((m_doc.RowCount() + 2) * m_grid.lineHeight);
    InvalidateContent();
}

// ---- the clipboard and undo ----

std::string CWriteView::SelectedText() const
{
    if (!m_selectionActive)
        return {};
    const auto &rows = m_doc.Rows();
    std::string text;
    for (std::int32_t row = m_selStart.row; row <= m_selEnd.row && row < m_doc.RowCount(); ++row) {
        const std::string &bytes = rows[static_cast<std::size_t>(row)];
        const std::size_t from = row == m_selStart.row ? static_cast<std::size_t>(m_selStart.column) : 0;
        const std::size_t to = row == m_selEnd.row ? static_cast<std::size_t>(m_selEnd.column) : bytes.size();
        if (from < std::min(to, bytes.size()))
            text.append(bytes, from, std::min(to, bytes.size()) - from);
    }
    return text;
}

void CWriteView::Copy()
{
    if (!HasNonEmptySelection())
        return;
    // Paragraph marks go out as they are held: bare CR.
    QGuiApplication::clipboard()->setText(GbkToQString(SelectedText()));
}

void CWriteView::Cut()
{
    if (!CanCut())
        return;
    Copy();
    DeleteSelectionIfAny();
    TakeCheckPoint();
    AfterEdit();
}

void CWriteView::Paste()
{
    if (m_readOnly)
        return;
    m_pendingLead = -1;
    const QMimeData *clip = QGuiApplication::clipboard()->mimeData();
    if (!clip || !clip->hasText() || clip->text().isEmpty()) {
        COkDialog::ShowMessage(QStringToGbk(QString::fromUtf8("无法从剪切板得到数据！")));
        return;
    }
    const bool deleted = DeleteSelectionIfAny();
    const std::string wanted = QStringToGbkDroppingUnmapped(EssayTextFromClipboard(clip->text()));
    const std::string text = FitToLimit(wanted);
    if (!text.empty() || deleted) {
        if (!text.empty()) {
            InsertBytesAtCaret(text);
            ReflowDocument();
        }
        TakeCheckPoint();
        AfterEdit();
    }
    // A paste cut at the limit says so, so the student knows the end of what they copied is missing.
    const int leftOut = CountLimitedChars(wanted) - CountLimitedChars(text);
    if (leftOut > 0) {
        COkDialog::ShowMessage(QStringToGbk(
            QString::fromUtf8("每篇文章最多%1字，还有%2字没有粘贴进来。").arg(kCharLimit).arg(leftOut)));
    }
}

void CWriteView::SelectAll()
{
    const std::int32_t last = m_doc.RowCount() - 1;
    m_selStart = {0, 0};
    m_selEnd = {last, LineEndColumn(last)};
    m_anchor = m_selStart;
    m_selectionActive = true;
    m_caret = m_selEnd;
    m_goalColumn = m_caret.column;
    EnsureCaretVisible();
    InvalidateContent();
    CaretMoved();
}

void CWriteView::Undo()
{
    if (!CanUndo())
        return;
    m_pendingLead = -1;
    m_doc.Undo(); // the stored caret and scroll offset come back through the listener
    // The snapshot's rows were cut for the width the editor had then.
    ReflowDocument();
    AfterEdit();
}

void CWriteView::Redo()
{
    if (!CanRedo())
        return;
    m_pendingLead = -1;
    if (m_doc.Redo())
        m_caret = {m_caret.row, LineEndColumn(m_caret.row)};
    ReflowDocument(); // as for Undo: the rows come back cut for their own width
    m_goalColumn = m_caret.column;
    AfterEdit();
}
