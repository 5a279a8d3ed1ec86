// Measuring the essay font and the grid arithmetic of the editor view.
#include "ViewGrid.h"

#include <QFontMetrics>
#include <algorithm>

#include "Fonts.h"
#include "WriteDoc.h"

namespace {

int FloorDiv(int value, int divisor)
{
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

} // namespace

std::int32_t ViewGrid::RowWidth(int clientWidth) const
{
    return std::max((clientWidth - kMargin) / columnWidth - 1, CWriteDoc::kMinRowWidth);
}

QPoint ViewGrid::CellTopLeft(std::int32_t row, std::int32_t column, int scrollX, int scrollY) const
{
    return {kMargin - scrollX + column * columnWidth, row * lineHeight - scrollY + kTextTop};
}

QRect ViewGrid::CaretRect(std::int32_t row, std::int32_t column, int scrollX, int scrollY) const
{
    return QRect(CellTopLeft(row, column, scrollX, scrollY), QSize(2, fontHeight));
}

std::int32_t ViewGrid::RowAt(int y, int scrollY) const
{
    return FloorDiv(y + scrollY, lineHeight);
}

std::int32_t ViewGrid::ColumnAt(int x, int scrollX) const
{
    return FloorDiv(x - kMargin + scrollX, columnWidth);
}

int ViewGrid::PageLines(int clientHeight) const
{
    return std::max(clientHeight / lineHeight - 1, 1);
}

QFont EssayFont()
{
    return MakeFont(QString::fromUtf8("宋体"), 20, kFontWeightNormal);
}

QFont EssayHalfWidthFont()
{
    return MakeHalfWidthFont(QString::fromUtf8("宋体"), 20, kFontWeightNormal);
}

ViewGrid MeasureGrid(const QFont &font, const QFont &halfWidthFont)
{
    const QFontMetrics metrics(font);
    ViewGrid grid;
    grid.columnWidth = std::max(QFontMetrics(halfWidthFont).horizontalAdvance(QLatin1Char('8')), 1);
    grid.fontHeight = metrics.height();
    grid.ascent = metrics.ascent();
    grid.lineHeight = metrics.height() + std::max(metrics.leading(), 0) + 10;
    return grid;
}
