// Painting composition paper: rows of square cells with a gap between rows, a character centred
// in each cell, squeezed marks beside their character, count marks and the page footer.
#include "PaperPages.h"

#include "AtomicFile.h"

#include <QBuffer>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cerrno>

const char *const kPaperLineColour = "#2E9B4E";

namespace {

// Proportions of the page, as fractions of its width or of a cell.
constexpr double kSideMargin = 0.08;   // of the page width, left and right
constexpr double kTopMargin = 0.07;    // of the page height
constexpr double kFooterSpace = 0.08;  // of the page height, under the grid
constexpr double kRowGap = 0.3;        // of a cell, between two rows
constexpr double kCharacterSize = 0.7; // of a cell
constexpr double kMarkSize = 0.26;     // count marks, of a cell

struct PageGeometry
{
    double cell = 0;
    double gap = 0;
    QPointF origin; // top left of the first cell

    QRectF Cell(int row, int column) const
    {
        return QRectF(origin.x() + column * cell, origin.y() + row * (cell + gap), cell, cell);
    }
};

PageGeometry GeometryFor(const PaperGrid &grid, const QRectF &page)
{
    const double width = page.width() * (1 - 2 * kSideMargin);
    const double height = page.height() * (1 - kTopMargin - kFooterSpace);
    PageGeometry g;
    g.cell = std::min(width / grid.columns, height / (grid.rows + (grid.rows - 1) * kRowGap));
    g.gap = g.cell * kRowGap;
    const double gridWidth = g.cell * grid.columns;
    g.origin = QPointF(page.left() + (page.width() - gridWidth) / 2, page.top() + page.height() * kTopMargin);
    return g;
}

// AR PL UMing first: the Noto CJK fonts give the Kangxi radicals the glyphs of common characters
// (小, 二, 文), and the PDF's text layer would then name the radicals, so text copied or searched
// out of the PDF would not be the essay's. Noto Serif stands behind it.
QFont PaperFont(double pixelSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC")});
    font.setPixelSize(std::max(1, static_cast<int>(pixelSize)));
    return font;
}

void PaintGrid(QPainter &painter, const PaperGrid &grid, const PageGeometry &g)
{
    QPen pen{QColor(kPaperLineColour)};
    pen.setWidthF(std::max(0.5, g.cell / 40));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (int row = 0; row < grid.rows; ++row) {
        const QRectF first = g.Cell(row, 0);
        painter.drawRect(QRectF(first.topLeft(), QSizeF(g.cell * grid.columns, g.cell)));
        for (int column = 1; column < grid.columns; ++column) {
            const double x = first.left() + column * g.cell;
            painter.drawLine(QPointF(x, first.top()), QPointF(x, first.bottom()));
        }
    }
}

void PaintCell(QPainter &painter, const PaperCell &cell, const QRectF &box, const QFont &font, const QFont &small)
{
    if (cell.empty())
        return;
    const QString text = QString::fromStdU32String(cell.text);
    if (cell.squeezed.empty()) {
        painter.setFont(font);
        painter.drawText(box, Qt::AlignCenter, text);
        return;
    }
    // The character moves to the left part of its cell; the squeezed marks follow it small, as a
    // hand squeezes them in at the cell's right edge (two of them reach into the margin).
    painter.setFont(font);
    painter.drawText(box.adjusted(0, 0, -box.width() * 0.3, 0), Qt::AlignCenter, text);
    painter.setFont(small);
    painter.drawText(QRectF(box.left() + box.width() * 0.62, box.top() + box.height() * 0.25, box.width(), box.height() * 0.75),
                     Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdU32String(cell.squeezed));
}

void PaintCountMarks(QPainter &painter, const PaperLayout &layout, int pageIndex, const PageGeometry &g)
{
    painter.setFont(PaperFont(g.cell * kMarkSize * 1.4));
    painter.setPen(QColor(kPaperLineColour));
    for (const PaperCountMark &mark : layout.countMarks) {
        if (mark.page != pageIndex)
            continue;
        const QRectF cell = g.Cell(mark.row, mark.column);
        const QString number = QString::number(mark.count);
        if (mark.atRowEnd)
            painter.drawText(QRectF(cell.right() + g.cell * 0.1, cell.top(), g.cell * 2, g.cell),
                             Qt::AlignLeft | Qt::AlignBottom, number);
        else
            painter.drawText(QRectF(cell.left() - g.cell, cell.bottom(), g.cell * 3, g.gap), Qt::AlignCenter, number);
    }
}

} // namespace

QString PaperFooterText(const PaperLayout &layout, int pageIndex)
{
    return QString::fromUtf8("第 %1 页 共 %2 页　　全文 %3 字")
        .arg(pageIndex + 1)
        .arg(layout.pages.size())
        .arg(layout.characterCount);
}

void PaintPaperPage(QPainter &painter, const PaperLayout &layout, int pageIndex, const QRectF &pageRect)
{
    if (pageIndex < 0 || pageIndex >= static_cast<int>(layout.pages.size()))
        return;
    const PageGeometry g = GeometryFor(layout.grid, pageRect);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PaintGrid(painter, layout.grid, g);

    const QFont font = PaperFont(g.cell * kCharacterSize);
    const QFont small = PaperFont(g.cell * kCharacterSize * 0.5);
    painter.setPen(Qt::black);
    const PaperPage &page = layout.pages[static_cast<std::size_t>(pageIndex)];
    for (std::size_t row = 0; row < page.rows.size(); ++row) {
        for (std::size_t column = 0; column < page.rows[row].size(); ++column)
            PaintCell(painter, page.rows[row][column], g.Cell(static_cast<int>(row), static_cast<int>(column)), font, small);
    }
    PaintCountMarks(painter, layout, pageIndex, g);

    painter.setPen(QColor(80, 80, 80));
    painter.setFont(PaperFont(pageRect.height() * 0.016));
    const double footerTop = pageRect.bottom() - pageRect.height() * kFooterSpace * 0.75;
    painter.drawText(QRectF(pageRect.left(), footerTop, pageRect.width(), pageRect.height() * kFooterSpace * 0.5),
                     Qt::AlignCenter, PaperFooterText(layout, pageIndex));
    painter.restore();
}

bool PaintPaperPages(QPagedPaintDevice &device, const PaperLayout &layout)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const QRectF page(0, 0, device.width(), device.height());
    for (int i = 0; i < static_cast<int>(layout.pages.size()); ++i) {
        if (i > 0)
            device.newPage();
        PaintPaperPage(painter, layout, i, page);
    }
    return painter.end();
}

QByteArray BuildPaperPdf(const PaperLayout &layout, const QString &documentTitle)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(documentTitle);
        writer.setCreator(QStringLiteral("penlark"));
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        if (!PaintPaperPages(writer, layout))
            return QByteArray();
    }
    return bytes;
}

int ExportPaperPdf(const std::string &path, const PaperLayout &layout, const QString &documentTitle)
{
    const QByteArray pdf = BuildPaperPdf(layout, documentTitle);
    if (pdf.isEmpty())
        return EIO;
    return ReplaceFileAtomically(path, pdf.toStdString(), 0644);
}
