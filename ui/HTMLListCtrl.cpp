// The markup list: items, measuring, layout, painting, press and keys, scrolling.
#include "HTMLListCtrl.h"

#include "Fonts.h"
#include "MemoryDC.h"
#include "QtText.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWheelEvent>

#include <algorithm>

namespace {
const QColor kGridLine(14, 128, 59);
} // namespace

CHTMLListCtrl::CHTMLListCtrl(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("HTMLListCtrl"));
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_font = MakeFont(QString::fromUtf8("宋体"), 18, kFontWeightNormal);
    m_scroll = new QScrollBar(Qt::Vertical, this);
    m_scroll->setSingleStep(kLineStep);
    m_scroll->setRange(0, 0);
    connect(m_scroll, &QScrollBar::valueChanged, this, [this] { update(); });
    // The page is the list's height (the thumb's size), but a page step moves 50 px like a line.
    connect(m_scroll, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderPageStepAdd)
            m_scroll->setSliderPosition(m_scroll->value() + kLineStep);
        else if (action == QAbstractSlider::SliderPageStepSub)
            m_scroll->setSliderPosition(m_scroll->value() - kLineStep);
    });
}

void CHTMLListCtrl::Create(QWidget *parent, const QRect &rect, unsigned style)
{
    setParent(parent);
    m_style = style;
    setGeometry(rect);
    UpdateScrollRange();
}

QFont CHTMLListCtrl::ItemFont() const
{
    return m_font;
}

int CHTMLListCtrl::ExtraHeight(const HTMLLIST_ITEM &) const
{
    return 0;
}

int CHTMLListCtrl::ContentWidth() const
{
    return std::max(0, width() - m_scroll->sizeHint().width());
}

int CHTMLListCtrl::TextIndent() const
{
    int indent = (m_style & kListCheckBoxes) ? kTextMargin + kCheckColumn : kTextMargin;
    if (m_style & kListImages)
        indent += kImageSize + 10;
    return indent;
}

int CHTMLListCtrl::MeasureItem(const HTMLLIST_ITEM &item) const
{
    if (item.fixedHeight)
        return item.height;
    const int margin = (m_style & kListCheckBoxes) ? 24 : kTextMargin;
    const int textWidth = ContentWidth() - margin - ((m_style & kListImages) ? kImageSize + 10 : 0);
    const QFont font = ItemFont();
    switch (item.type) {
    case kItemPlain:
        return QFontMetrics(font)
                   .boundingRect(QRect(0, 0, std::max(1, textWidth), 1 << 20), Qt::TextWordWrap, GbkToQString(item.text))
                   .height() +
               10;
    case kItemPath:
        return QFontMetrics(font).height() + 10;
    default:
        return LayoutMarkup(item.text, font, Qt::black, textWidth).height + 10;
    }
}

void CHTMLListCtrl::RemeasureAll()
{
    for (HTMLLIST_ITEM &item : m_items)
        item.height = MeasureItem(item);
    UpdateScrollRange();
}

int CHTMLListCtrl::InsertItem(const std::string &gbkText, int type, int fixedHeight)
{
    HTMLLIST_ITEM item;
    item.index = m_nextIndex++;
    item.type = type;
    item.text = gbkText;
    item.fixedHeight = fixedHeight > 0;
    item.height = fixedHeight;
    item.height = MeasureItem(item);
    m_items.push_back(std::move(item));
    UpdateScrollRange();
    update();
    return m_items.back().index;
}

HTMLLIST_ITEM *CHTMLListCtrl::FindItem(int index)
{
    const int pos = PositionOf(index);
    return pos < 0 ? nullptr : &m_items[std::size_t(pos)];
}

const HTMLLIST_ITEM *CHTMLListCtrl::Item(int index) const
{
    const int pos = PositionOf(index);
    return pos < 0 ? nullptr : &m_items[std::size_t(pos)];
}

int CHTMLListCtrl::PositionOf(int index) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].index == index)
            return int(i);
    }
    return -1;
}

bool CHTMLListCtrl::SetItemText(int index, const std::string &gbkText)
{
    HTMLLIST_ITEM *item = FindItem(index);
    if (!item)
        return false;
    item->text = gbkText;
    item->height = MeasureItem(*item);
    UpdateScrollRange();
    update();
    return true;
}

bool CHTMLListCtrl::DeleteItem(int index)
{
    const int pos = PositionOf(index);
    if (pos < 0)
        return false;
    m_items.erase(m_items.begin() + pos);
    if (m_selected == index)
        m_selected = -1;
    UpdateScrollRange();
    update();
    return true;
}

void CHTMLListCtrl::DeleteAllItems()
{
    m_items.clear();
    m_nextIndex = 0;
    m_selected = -1;
    m_scroll->setValue(0);
    UpdateScrollRange();
    update();
}

std::int32_t CHTMLListCtrl::GetItemData(int index) const
{
    const HTMLLIST_ITEM *item = Item(index);
    return item ? item->itemData : 0;
}

bool CHTMLListCtrl::SetItemData(int index, std::int32_t value)
{
    HTMLLIST_ITEM *item = FindItem(index);
    if (!item)
        return false;
    item->itemData = value;
    return true;
}

bool CHTMLListCtrl::GetItemCheck(int index) const
{
    const HTMLLIST_ITEM *item = Item(index);
    return item && item->checked;
}

bool CHTMLListCtrl::SetItemCheck(int index, bool checked)
{
    HTMLLIST_ITEM *item = FindItem(index);
    if (!item)
        return false;
    item->checked = checked;
    update();
    return true;
}

bool CHTMLListCtrl::SetItemImage(int index, int image)
{
    HTMLLIST_ITEM *item = FindItem(index);
    if (!item)
        return false;
    item->image = image;
    update();
    return true;
}

void CHTMLListCtrl::SetSelectedItem(int index)
{
    m_selected = PositionOf(index) < 0 ? -1 : index;
    OnSelectionChanged();
    UpdateScrollRange();
    update();
}

void CHTMLListCtrl::SetExtendedStyle(unsigned style)
{
    m_style = style;
    RemeasureAll();
    update();
}

void CHTMLListCtrl::SetImageList(std::vector<QImage> images)
{
    m_images = std::move(images);
    update();
}

std::string CHTMLListCtrl::GetSelectedItemText() const
{
    const HTMLLIST_ITEM *item = Item(m_selected);
    return item ? item->text : std::string();
}

// The open item's actions and source lie below its text, so the range counts them too: an open
// excerpt at the end of the list can always be scrolled fully into view.
int CHTMLListCtrl::TotalHeight() const
{
    int total = 0;
    for (const HTMLLIST_ITEM &item : m_items)
        total += item.height + ExtraHeight(item);
    return total;
}

void CHTMLListCtrl::UpdateScrollRange()
{
    const int page = height();
    m_scroll->setPageStep(std::max(1, page));
    m_scroll->setRange(0, std::max(0, TotalHeight() - page));
}

int CHTMLListCtrl::ScrollPos() const
{
    return m_scroll->value();
}

void CHTMLListCtrl::SetScrollPos(int pos)
{
    m_scroll->setValue(pos); // clamped to the range by the scroll bar
}

QRect CHTMLListCtrl::ItemRect(int index) const
{
    int top = -ScrollPos();
    for (const HTMLLIST_ITEM &item : m_items) {
        const int h = item.height + ExtraHeight(item);
        if (item.index == index)
            return QRect(0, top, ContentWidth(), h);
        top += h;
    }
    return QRect();
}

int CHTMLListCtrl::ItemAt(QPoint point) const
{
    if (point.x() < 0 || point.x() >= ContentWidth())
        return -1;
    int top = -ScrollPos();
    for (const HTMLLIST_ITEM &item : m_items) {
        const int h = item.height + ExtraHeight(item);
        if (point.y() >= top && point.y() < top + h)
            return item.index;
        top += h;
    }
    return -1;
}

void CHTMLListCtrl::EnsureVisible(int index)
{
    const QRect rect = ItemRect(index);
    if (rect.isNull())
        return;
    if (rect.top() < 0)
        SetScrollPos(ScrollPos() + rect.top());
    else if (rect.bottom() >= height())
        SetScrollPos(ScrollPos() + std::min(rect.top(), rect.bottom() + 1 - height()));
}

QRect CHTMLListCtrl::CheckBoxRect(const QRect &item) const
{
    return QRect(item.left() + 3, item.top() + (item.height() - kCheckBox) / 2, kCheckBox, kCheckBox);
}

QColor CHTMLListCtrl::ItemFill(const HTMLLIST_ITEM &) const
{
    return Qt::white;
}

void CHTMLListCtrl::resizeEvent(QResizeEvent *)
{
    const int barWidth = m_scroll->sizeHint().width();
    m_scroll->setGeometry(width() - barWidth, 0, barWidth, height());
    RemeasureAll();
}

void CHTMLListCtrl::paintEvent(QPaintEvent *)
{
    QPainter target(this);
    CMemDC2 memory(&target);
    QPainter &painter = *memory.dc();
    int top = -ScrollPos();
    const int right = ContentWidth();
    for (HTMLLIST_ITEM &item : m_items) {
        item.bounds = QRect(0, top, right, item.height + ExtraHeight(item));
        top += item.bounds.height();
        if (item.bounds.bottom() < 0 || item.bounds.top() >= height())
            continue;
        painter.fillRect(item.bounds, ItemFill(item));
        painter.save();
        painter.setClipRect(item.bounds);
        DrawItem(painter, item, item.bounds);
        painter.restore();
    }
}

void CHTMLListCtrl::DrawItem(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &rect)
{
    if (m_style & kListCheckBoxes)
        DrawCheckBox(painter, item, CheckBoxRect(rect));
    DrawImage(painter, item, rect);
    DrawItemText(painter, item, rect, ItemFont(), Qt::black);
    if (m_style & kListGridLines) {
        painter.setPen(kGridLine);
        painter.drawLine(rect.left() + 2, rect.bottom() - 1, rect.right() - 2, rect.bottom() - 1);
    }
}

void CHTMLListCtrl::DrawCheckBox(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &box)
{
    QStyleOptionButton option;
    option.rect = box;
    option.state = QStyle::State_Enabled | (item.checked ? QStyle::State_On : QStyle::State_Off);
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, this);
}

void CHTMLListCtrl::DrawImage(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &rect)
{
    if (!(m_style & kListImages) || item.image < 0 || std::size_t(item.image) >= m_images.size())
        return;
    const int left = rect.left() + ((m_style & kListCheckBoxes) ? kTextMargin + kCheckColumn : kTextMargin);
    painter.drawImage(QRect(left, rect.top() + kTextMargin, kImageSize, kImageSize), m_images[std::size_t(item.image)]);
}

void CHTMLListCtrl::DrawItemText(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &rect, const QFont &font,
                                 const QColor &colour)
{
    const int left = rect.left() + TextIndent();
    const int textWidth = rect.right() + 1 - left;
    const QRect area(left, rect.top() + kTextMargin, textWidth, item.height);
    painter.setFont(font);
    painter.setPen(colour);
    switch (item.type) {
    case kItemPlain:
        painter.drawText(area, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, GbkToQString(item.text));
        break;
    case kItemPath:
        painter.drawText(area, Qt::AlignLeft | Qt::AlignTop,
                         QFontMetrics(font).elidedText(GbkToQString(item.text), Qt::ElideMiddle, textWidth));
        break;
    default:
        DrawMarkup(painter, LayoutMarkup(item.text, font, colour, textWidth), area.topLeft());
        break;
    }
}

void CHTMLListCtrl::SendNotify(int code, const HTMLLIST_ITEM *item)
{
    HtmlListNotify notification;
    notification.code = code;
    if (item) {
        notification.index = item->index;
        notification.itemData = item->itemData;
        notification.text = item->text;
    }
    emit Notify(notification);
}

void CHTMLListCtrl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_doubleClickHeld = false;
    setFocus(Qt::MouseFocusReason);
    const QPoint point = event->position().toPoint();
    const int index = ItemAt(point);
    const QRect rect = ItemRect(index);
    m_selected = index;
    SendNotify(kNotifyPress, nullptr);
    if (HTMLLIST_ITEM *item = FindItem(index)) {
        if ((m_style & kListCheckBoxes) && CheckBoxRect(rect).contains(point)) {
            item->checked = !item->checked;
            SendNotify(kNotifyCheckToggled, item);
        }
        SendNotify(kNotifyItemHit, item);
    }
    OnSelectionChanged();
    UpdateScrollRange();
    update();
}

void CHTMLListCtrl::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The window system sends this in place of the pair's second press. The first press has
    // already selected, toggled and notified: doing it again would undo a check box's toggle.
    if (event->button() != Qt::LeftButton)
        return;
    m_doubleClickHeld = true;
    SendNotify(kNotifyDoubleClick, Item(m_selected));
}

bool CHTMLListCtrl::TakeDoubleClickRelease()
{
    const bool second = m_doubleClickHeld;
    m_doubleClickHeld = false;
    return second;
}

void CHTMLListCtrl::MoveSelection(int step)
{
    if (m_items.empty())
        return;
    int pos = PositionOf(m_selected);
    if (pos < 0)
        pos = step < 0 ? 0 : int(m_items.size()) - 1;
    else
        pos = std::clamp(pos + step, 0, int(m_items.size()) - 1);
    m_selected = m_items[std::size_t(pos)].index;
    OnSelectionChanged();
    UpdateScrollRange();
    EnsureVisible(m_selected);
    SendNotify(kNotifyItemHit, FindItem(m_selected));
    update();
}

void CHTMLListCtrl::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        MoveSelection(-1);
        break;
    case Qt::Key_Down:
        MoveSelection(1);
        break;
    case Qt::Key_Space:
        if (HTMLLIST_ITEM *item = FindItem(m_selected); item && (m_style & kListCheckBoxes)) {
            item->checked = !item->checked;
            SendNotify(kNotifyCheckToggled, item);
            update();
        }
        break;
    case Qt::Key_PageUp:
        SetScrollPos(ScrollPos() - kLineStep);
        break;
    case Qt::Key_PageDown:
        SetScrollPos(ScrollPos() + kLineStep);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CHTMLListCtrl::wheelEvent(QWheelEvent *event)
{
    const int pixels = m_wheel.Take(*event);
    if (pixels != 0)
        SetScrollPos(ScrollPos() + pixels);
    event->accept();
}
