// The library page's list: Tahoma text, blue selection, flat edges, pictured check boxes.
#include "HTMLListCtrlOrg.h"

#include "Fonts.h"

#include <QFile>
#include <QPainter>

namespace {

const QColor kSelectedFill(127, 201, 254);

CxImage LoadCheckStrip()
{
    CxImage strip;
    QFile file(QStringLiteral(":/listctrl/checkstrip.png"));
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        strip.decodeFromMemory(bytes.constData(), std::size_t(bytes.size()), CxImage::kFormatPng);
    }
    return strip;
}

} // namespace

// The picture is compiled into the program; a static library's resources are registered by name.
static void InitListResources()
{
    Q_INIT_RESOURCE(listctrl);
}

CHTMLListCtrlOrg::CHTMLListCtrlOrg(QWidget *parent) : CHTMLListCtrl(parent)
{
    InitListResources();
    m_checkStrip = LoadCheckStrip();
    setCursor(Qt::ArrowCursor);
}

QFont CHTMLListCtrlOrg::ItemFont() const
{
    return MakeFont(QStringLiteral("Tahoma"), 11, kFontWeightNormal);
}

QColor CHTMLListCtrlOrg::ItemFill(const HTMLLIST_ITEM &item) const
{
    return item.index == GetSelectedItem() ? kSelectedFill : QColor(Qt::white);
}

QRect CHTMLListCtrlOrg::CheckStateSource(const CxImage &strip, bool checked)
{
    const int side = int(strip.imageHeight());
    return QRect(checked ? side : 0, 0, side, side);
}

void CHTMLListCtrlOrg::DrawCheckBox(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &box)
{
    if (!m_checkStrip.IsValid())
        return;
    const QRect source = CheckStateSource(m_checkStrip, item.checked);
    const QRect target(box.left(), box.top() + (box.height() - source.height()) / 2, source.width(), source.height());
    painter.drawImage(target, m_checkStrip.Frame(0), source);
}

void CHTMLListCtrlOrg::DrawItem(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &rect)
{
    const bool checks = GetExtendedStyle() & kListCheckBoxes;
    if (checks)
        DrawCheckBox(painter, item, CheckBoxRect(rect));
    DrawImage(painter, item, rect);
    // With check boxes the text starts 19 px right of the box.
    QRect textRect = rect;
    if (checks)
        textRect.setLeft(CheckBoxRect(rect).left() + kCheckTextGap - TextIndent());
    DrawItemText(painter, item, textRect, ItemFont(), Qt::black);
    if (GetExtendedStyle() & kListGridLines) {
        painter.setPen(QColor(160, 160, 160));
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    }
    if (item.index == GetSelectedItem() && hasFocus()) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
}
