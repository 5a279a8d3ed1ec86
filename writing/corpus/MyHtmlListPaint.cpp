// The corpus panel's painting: the heading, the open excerpt's actions and source, the arrows.
#include "MyHtmlListCtrl.h"

#include "Fonts.h"
#include "QtText.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

const QColor kHeadingColour(41, 159, 58);
const QColor kActionColour(26, 45, 120);
const QColor kSourceColour(80, 80, 80);
constexpr int kHeadingWeight = 500;
constexpr int kActionWeight = 500;
// Room below the source text for the arrow and the separator line.
constexpr int kSourceBottomRoom = 16;
// The source text keeps clear of the arrow at the item's right edge.
constexpr int kSourceRightRoom = 20;

QFont ActionFont()
{
    return MakeFont(QString::fromUtf8("宋体"), 14, kActionWeight);
}

QFont SourceFont()
{
    return MakeFont(QString::fromUtf8("宋体"), 14, kFontWeightNormal);
}

int SourceTextWidth(int itemWidth)
{
    return std::max(1, itemWidth - CHTMLListCtrl::kTextMargin - kSourceRightRoom);
}

} // namespace

int CMyHtmlListCtrl::MeasureSource(const std::string &gbk) const
{
    const QRect bounds =
        QFontMetrics(SourceFont())
            .boundingRect(QRect(0, 0, SourceTextWidth(ContentWidth()), 1 << 20), Qt::TextWordWrap, GbkToQString(gbk));
    return bounds.height() + kSourceBottomRoom;
}

void CMyHtmlListCtrl::DrawItem(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &rect)
{
    if (item.index == 0) {
        DrawHeading(painter, item, rect);
    } else {
        DrawItemText(painter, item, rect, ItemFont(), Qt::black);
        if (ShowsActions(item))
            DrawActions(painter, rect);
        DrawArrow(painter, item, rect);
    }
    if (GetExtendedStyle() & kListGridLines) {
        painter.setPen(QColor(14, 128, 59));
        painter.drawLine(rect.left() + 2, rect.bottom() - 1, rect.right() - 2, rect.bottom() - 1);
    }
}

void CMyHtmlListCtrl::DrawHeading(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &rect)
{
    QFont font = ItemFont();
    font.setWeight(static_cast<QFont::Weight>(kHeadingWeight));
    const int left = rect.left() + kTextMargin;
    DrawMarkup(painter, LayoutMarkup(item.text, font, kHeadingColour, rect.right() + 1 - left),
               QPoint(left, rect.top() + kTextMargin));
}

void CMyHtmlListCtrl::DrawActions(QPainter &painter, const QRect &rect)
{
    const CorpusActionRects areas = ActionRects();
    painter.setFont(ActionFont());
    painter.setPen(kActionColour);
    const struct
    {
        QRect area;
        const char *label;
    } actions[] = {{areas.like, "喜欢这条语料"}, {areas.share, "共享至"}, {areas.source, "语料出处"}};
    for (const auto &action : actions) {
        const QRect box(action.area.topLeft(), QSize(rect.width(), 20));
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, QString::fromUtf8(action.label));
    }
    const QRect source = SourceRect();
    if (!source.isEmpty()) {
        painter.setFont(SourceFont());
        painter.setPen(kSourceColour);
        const QRect text(source.left() + kTextMargin, source.top(), SourceTextWidth(source.width()),
                         source.height() - kSourceBottomRoom);
        painter.drawText(text, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, GbkToQString(m_sourceText));
    }
}

void CMyHtmlListCtrl::DrawArrow(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &rect)
{
    const CxImage &arrow = item.index == GetSelectedItem() ? m_arrowSelected : m_arrow;
    arrow.draw(&painter, rect.right() + 1 - 10, rect.bottom() + 1 - 15);
}
