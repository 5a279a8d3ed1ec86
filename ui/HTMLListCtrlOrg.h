// CHTMLListCtrlOrg: the older markup list of the library page. The same items, measuring,
// scrolling, presses, keys and notifications as CHTMLListCtrl, with its own font, a filled
// selection with a focus frame, flat item edges and check boxes from a two-state picture.
#pragma once

#include "HTMLListCtrl.h"
#include "xImage.h"

class CHTMLListCtrlOrg : public CHTMLListCtrl
{
    Q_OBJECT

public:
    static constexpr int kCheckTextGap = 19;

    explicit CHTMLListCtrlOrg(QWidget *parent = nullptr);

    // The check-box picture: two square states side by side, unchecked then checked.
    const CxImage &CheckBoxStrip() const { return m_checkStrip; }
    // The part of the strip an item shows.
    static QRect CheckStateSource(const CxImage &strip, bool checked);

protected:
    QFont ItemFont() const override;
    QColor ItemFill(const HTMLLIST_ITEM &item) const override;
    void DrawItem(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &rect) override;
    void DrawCheckBox(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &box) override;

private:
    CxImage m_checkStrip;
};
