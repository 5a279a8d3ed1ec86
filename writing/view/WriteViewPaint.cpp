// Painting of the editor view: the rows on the byte grid in runs of plain, keyword and selected
// text, the composition at the caret, and the caret. The text is painted off-screen once per
// change; the blinking caret is drawn over that picture.
#include "WriteView.h"

#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "KeywordAutomaton.h"
#include "QtText.h"

namespace {

enum class RunKind
{
    Plain,
    Keyword,
    Selected
};

// One run of glyphs of one kind in one font, gathered along a row and drawn in one call.
struct GlyphRunBuilder
{
    QList<quint32> indexes;
    QList<QPointF> positions;
    RunKind kind = RunKind::Plain;
    const QRawFont *font = nullptr;

    void Flush(QPainter &painter)
    {
        if (indexes.isEmpty())
            return;
        QGlyphRun run;
        run.setRawFont(*font);
        run.setGlyphIndexes(indexes);
        run.setPositions(positions);
        painter.setPen(kind == RunKind::Selected  ? WriteViewColours::SelectedText()
                       : kind == RunKind::Keyword ? WriteViewColours::Keyword()
                                                  : WriteViewColours::Text());
        painter.drawGlyphRun(QPointF(0, 0), run);
        indexes.clear();
        positions.clear();
    }
};

QColor ColourOf(RunKind kind)
{
    switch (kind) {
    case RunKind::Keyword:
        return WriteViewColours::Keyword();
    case RunKind::Selected:
        return WriteViewColours::SelectedText();
    case RunKind::Plain:
        break;
    }
    return WriteViewColours::Text();
}

} // namespace

void CWriteView::InvalidateContent()
{
    m_contentValid = false;
    viewport()->update();
}

const CWriteView::Glyph &CWriteView::GlyphOf(std::uint16_t code)
{
    Glyph &glyph = m_glyphs[code];
    if (glyph.known)
        return glyph;
    glyph.known = true;
    std::string bytes;
    if (code > 0xFF)
        bytes.push_back(static_cast<char>(code >> 8));
    bytes.push_back(static_cast<char>(code & 0xFF));
    glyph.text = GbkToQString(bytes);
    // A single byte has half a cell: the essay font's proportional Latin letters would overlap
    // their neighbours there ("m") or leave gaps ("i").
    glyph.halfWidth = code <= 0xFF && m_halfWidthRawFont.isValid();
    const QRawFont &font = glyph.halfWidth ? m_halfWidthRawFont : m_rawFont;
    const QList<quint32> indexes = font.isValid() ? font.glyphIndexesForString(glyph.text) : QList<quint32>();
    if (indexes.size() == 1 && indexes[0] != 0) {
        glyph.index = indexes[0];
        glyph.advance = font.advancesForGlyphIndexes(indexes).value(0).x();
    }
    return glyph;
}

int CWriteView::PreeditColumns(int characters) const
{
    int columns = 0;
    for (int i = 0; i < characters && i < m_preedit.size(); ++i) {
        const char16_t c = m_preedit[i].unicode();
        columns += c < 0x80 ? 1 : QChar::isLowSurrogate(c) ? 0 : 2;
    }
    return columns;
}

QImage CWriteView::RenderImage()
{
    QImage image(viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    PaintContent(painter, image.size());
    return image;
}

void CWriteView::paintEvent(QPaintEvent *)
{
    if (m_needsReflow)
        ReflowDocument();
    const QSize size = viewport()->size();
    const qreal ratio = viewport()->devicePixelRatioF();
    if (!m_contentValid || m_content.size() != size * ratio) {
        if (m_content.size() != size * ratio) {
            m_content = QImage(size * ratio, QImage::Format_RGB32);
            m_content.setDevicePixelRatio(ratio);
        }
        QPainter offscreen(&m_content);
        PaintContent(offscreen, size);
        m_contentValid = true;
    }
    QPainter painter(viewport());
    painter.drawImage(0, 0, m_content);
    if (m_caretShown && m_caretBlinkOn && !m_readOnly) {
        const QRect caret =
            m_grid.CaretRect(m_caret.row, m_caret.column + PreeditColumns(m_preeditCursor), m_scrollX, ScrollOffset());
        painter.fillRect(caret, WriteViewColours::Text());
    }
}

void CWriteView::PaintContent(QPainter &painter, QSize size)
{
    painter.fillRect(QRect(QPoint(0, 0), size), WriteViewColours::Background());
    const int scroll = ScrollOffset();
    const std::int32_t first = std::min(scroll / m_grid.lineHeight, m_doc.RowCount());
    const std::int32_t end = std::min(m_doc.RowCount(), first + kShownRowSpan);
    if (!m_readOnly) {
        if (m_markingPass)
            m_markingPass(m_doc, first);
        else
            MarkDocumentKeywords(m_doc, first);
    }
    painter.setFont(m_font);
    for (std::int32_t row = first; row < end; ++row) {
        const int top = row * m_grid.lineHeight - scroll + ViewGrid::kTextTop;
        if (top >= size.height())
            break;
        PaintRow(painter, row, top, size.width());
    }
    PaintPreedit(painter);
}

void CWriteView::PaintRow(QPainter &painter, std::int32_t row, int top, int width)
{
    const std::string &bytes = m_doc.Rows()[static_cast<std::size_t>(row)];
    const int baseline = top + m_grid.ascent;
    const int cw = m_grid.columnWidth;
    // The composition is shown inside the caret row: the text after the caret moves aside.
    const bool composing = !m_preedit.isEmpty() && row == m_caret.row;
    const int shift = composing ? PreeditColumns(static_cast<int>(m_preedit.size())) : 0;
    std::size_t selFrom = 0;
    std::size_t selTo = 0;
    if (m_selectionActive && row >= m_selStart.row && row <= m_selEnd.row) {
        selFrom = row == m_selStart.row ? static_cast<std::size_t>(m_selStart.column) : 0;
        selTo = row == m_selEnd.row ? static_cast<std::size_t>(m_selEnd.column) : bytes.size();
    }
    GlyphRunBuilder run;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = CharLengthAt(bytes, i);
        if (lead == static_cast<unsigned char>(CWriteDoc::kParagraphMark)) {
            i += length; // never drawn, not even selected
            continue;
        }
        const auto column = static_cast<int>(i) + (composing && static_cast<std::int32_t>(i) >= m_caret.column ? shift : 0);
        const int x = ViewGrid::kMargin - m_scrollX + column * cw;
        if (x >= width)
            break;
        RunKind kind = RunKind::Plain;
        if (i >= selFrom && i < selTo)
            kind = RunKind::Selected;
        else if (!m_readOnly && m_doc.Marks().Contains(row, static_cast<std::int32_t>(i)))
            kind = RunKind::Keyword;
        const auto code = static_cast<std::uint16_t>(length == 2 ? lead << 8 | static_cast<unsigned char>(bytes[i + 1]) : lead);
        const Glyph &glyph = GlyphOf(code);
        const QRawFont *font = glyph.halfWidth ? &m_halfWidthRawFont : &m_rawFont;
        if (kind != run.kind || font != run.font) {
            run.Flush(painter);
            run.kind = kind;
            run.font = font;
        }
        const int cellWidth = static_cast<int>(length) * cw;
        if (kind == RunKind::Selected)
            painter.fillRect(QRect(x, top, cellWidth, m_grid.fontHeight), WriteViewColours::SelectedBackground());
        // Each character sits centred in its cells, so the grid holds for any font.
        const qreal inset = glyph.advance < cellWidth ? (cellWidth - glyph.advance) / 2 : 0;
        if (glyph.index != 0) {
            run.indexes.append(glyph.index);
            run.positions.append(QPointF(x + inset, baseline));
        } else if (!glyph.text.trimmed().isEmpty()) {
            painter.setPen(ColourOf(kind));
            painter.drawText(QPointF(x, baseline), glyph.text);
        }
        i += length;
    }
    run.Flush(painter);
}

void CWriteView::PaintPreedit(QPainter &painter)
{
    if (m_preedit.isEmpty())
        return;
    const QPoint cell = m_grid.CellTopLeft(m_caret.row, m_caret.column, m_scrollX, ScrollOffset());
    const int cw = m_grid.columnWidth;
    const int columns = PreeditColumns(static_cast<int>(m_preedit.size()));
    const int baseline = cell.y() + m_grid.ascent;
    painter.fillRect(QRect(cell.x(), cell.y(), columns * cw, m_grid.fontHeight), WriteViewColours::Background());
    painter.setPen(WriteViewColours::Text());
    int column = 0;
    for (qsizetype i = 0; i < m_preedit.size(); ++i) {
        QString character(m_preedit[i]);
        if (m_preedit[i].isHighSurrogate() && i + 1 < m_preedit.size())
            character += m_preedit[++i];
        const int cells = character[0].unicode() < 0x80 ? 1 : 2;
        painter.setFont(cells == 1 ? m_halfWidthFont : m_font);
        const qreal advance = painter.fontMetrics().horizontalAdvance(character);
        const qreal inset = advance < cells * cw ? (cells * cw - advance) / 2 : 0;
        painter.drawText(QPointF(cell.x() + column * cw + inset, baseline), character);
        column += cells;
    }
    painter.drawLine(cell.x(), baseline + 3, cell.x() + columns * cw - 1, baseline + 3);
}
