// CHTMLListCtrl: a scrolling list whose items are short texts in the item markup (or plain text,
// or a file path), each item as tall as its rendered text; press and keyboard selection,
// optional check boxes and images, notifications to the parent.
#pragma once

#include "HtmlMarkup.h"
#include "WheelSteps.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

class QScrollBar;

// Item types.
constexpr int kItemMarkup = 1; // drawn by the markup renderer
constexpr int kItemPlain = 2;  // plain text, word-wrapped
constexpr int kItemPath = 3;   // a file path, shortened with an ellipsis to fit

// Style bits.
constexpr unsigned kListCheckBoxes = 1; // a 16-px check box column
constexpr unsigned kListGridLines = 2;  // a line along each item's bottom edge
constexpr unsigned kListImages = 4;     // an image column

// Notification codes sent to the parent.
constexpr int kNotifyItemHit = 1;
constexpr int kNotifyPress = 2;
constexpr int kNotifyDoubleClick = 4;
constexpr int kNotifyCheckToggled = 5;

struct HTMLLIST_ITEM
{
    std::int32_t index = 0;
    std::int32_t height = 0;
    std::int32_t type = kItemMarkup;
    std::string text; // GBK
    std::int32_t itemData = 0;
    QRect bounds; // where the item was last laid out, in client coordinates
    bool checked = false;
    bool fixedHeight = false;
    std::int32_t image = -1;
};

struct HtmlListNotify
{
    int code = 0;
    int index = -1;
    std::int32_t itemData = 0;
    std::string text; // GBK
};

class CHTMLListCtrl : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kLineStep = 50;
    static constexpr int kWheelStep = 40;
    static constexpr int kTextMargin = 5;
    static constexpr int kCheckColumn = 16;
    static constexpr int kCheckBox = 15;
    static constexpr int kImageSize = 16;

    explicit CHTMLListCtrl(QWidget *parent = nullptr);

    // Places the list in the parent at the rectangle; the scroll range starts empty.
    void Create(QWidget *parent, const QRect &rect, unsigned style = 0);

    // Appends an item and returns its index; a fixed height of 0 means measured.
    int InsertItem(const std::string &gbkText, int type = kItemMarkup, int fixedHeight = 0);
    bool SetItemText(int index, const std::string &gbkText);
    bool DeleteItem(int index);
    void DeleteAllItems();
    std::int32_t GetItemData(int index) const;
    bool SetItemData(int index, std::int32_t value);
    bool GetItemCheck(int index) const;
    bool SetItemCheck(int index, bool checked);
    bool SetItemImage(int index, int image);
    const HTMLLIST_ITEM *Item(int index) const;
    int GetItemCount() const { return int(m_items.size()); }

    int GetSelectedItem() const { return m_selected; }
    void SetSelectedItem(int index);

    unsigned GetExtendedStyle() const { return m_style; }
    void SetExtendedStyle(unsigned style);
    void SetImageList(std::vector<QImage> images);

    // The source text of the selected item; the corpus panel gives its excerpt's source.
    virtual std::string GetSelectedItemText() const;

    // Scrolling: the range is the sum of the item heights, the page the list's height.
    int TotalHeight() const;
    int ScrollPos() const;
    void SetScrollPos(int pos);
    void EnsureVisible(int index);

    // Where each item lies now (client coordinates), as painting and presses see it.
    QRect ItemRect(int index) const;
    int ItemAt(QPoint point) const;
    // The width the items are laid out in: the client width without the scroll bar.
    int ContentWidth() const;
    // Left edge of an item's text inside its rectangle.
    int TextIndent() const;
    // The check box of an item whose rectangle is `item`.
    QRect CheckBoxRect(const QRect &item) const;

    QScrollBar *ScrollBar() const { return m_scroll; }

signals:
    void Notify(const HtmlListNotify &notification);

protected:
    // The font of item text; the library's list has its own.
    virtual QFont ItemFont() const;
    // Height an item shows beyond its measured height (the corpus panel's open item).
    virtual int ExtraHeight(const HTMLLIST_ITEM &item) const;
    // Paints one item inside its rectangle on a white list.
    virtual void DrawItem(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &rect);
    virtual void DrawCheckBox(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &box);
    // The fill behind an item.
    virtual QColor ItemFill(const HTMLLIST_ITEM &item) const;
    // After the selection moved by a press or a key, before the repaint.
    virtual void OnSelectionChanged() {}

    void DrawItemText(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &rect, const QFont &font, const QColor &colour);
    void DrawImage(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &rect);
    int MeasureItem(const HTMLLIST_ITEM &item) const;
    void RemeasureAll();
    // Recomputes the scroll range after item heights or the selection changed.
    void UpdateScrollRange();
    void SendNotify(int code, const HTMLLIST_ITEM *item);
    // True once for the release that ends a double click, which must not act a second time.
    bool TakeDoubleClickRelease();
    HTMLLIST_ITEM *FindItem(int index);
    int PositionOf(int index) const;
    const std::vector<HTMLLIST_ITEM> &Items() const { return m_items; }

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void MoveSelection(int step);

    std::vector<HTMLLIST_ITEM> m_items;
    int m_nextIndex = 0;
    int m_selected = -1;
    unsigned m_style = 0;
    QFont m_font;
    std::vector<QImage> m_images;
    QScrollBar *m_scroll = nullptr;
    bool m_doubleClickHeld = false; // between a double click and its release
    // kWheelStep pixels a notch of 120, so every 3 units of angle are one pixel.
    WheelSteps m_wheel{120 / kWheelStep, 1};
};
