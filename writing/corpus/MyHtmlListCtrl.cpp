// The corpus panel's content and actions: heading, excerpts, the open excerpt, like, share, source.
#include "MyHtmlListCtrl.h"

#include "AppFolder.h"
#include "CorpusMarkup.h"
#include "DlgShareYuliao.h"
#include "GbkText.h"
#include "OkDialog.h"
#include "QtText.h"

#include <QCursor>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPointer>

namespace {

// Title, source and author are shown as plain text, cut to a sane length.
constexpr std::size_t kMaxSourceFieldBytes = 1024;

std::string SourceTextOf(const CorpusRecord &record)
{
    return Utf8ToGbk("文章：") + record.title + Utf8ToGbk(" 来源：") + record.cfrom + Utf8ToGbk(" 作者：") + record.author;
}

} // namespace

CMyHtmlListCtrl::CMyHtmlListCtrl(QWidget *parent) : CHTMLListCtrl(parent)
{
    setMouseTracking(true);
    m_arrow.load(AppPath("img\\jiantou1.png"));
    m_arrowSelected.load(AppPath("img\\jiantou2.png"));
    m_share = new CDlgShareYuliao(this);
    m_fetchDetail = [](std::int32_t id, CorpusDetail &detail) { return FetchCorpusDetail(id, detail); };
    m_sendLike = [](std::int32_t id) { return LikeExcerptOnService(id); };
}

CMyHtmlListCtrl::~CMyHtmlListCtrl() = default;

void CMyHtmlListCtrl::SetCurrentKeyword(std::int32_t id, const std::string &gbkText)
{
    m_keywordId = id;
    m_keywordText = BoundedExcerpt(gbkText, kMaxSourceFieldBytes);
}

void CMyHtmlListCtrl::ClearForKeyword()
{
    HideShare();
    DeleteAllItems();
    m_records.clear();
    m_openItem = -1;
    m_actionState = kCorpusNothingOpen;
    m_sourceText.clear();
    m_sourceHeight = 0;
    InsertItem(m_keywordText, kItemMarkup);
}

void CMyHtmlListCtrl::AddExcerpt(std::int32_t corpusId, const std::string &gbkBrief)
{
    CorpusRecord record;
    record.id = corpusId;
    record.brief = MarkUpExcerpt(gbkBrief, m_keywordText);
    const int index = InsertItem(record.brief, kItemMarkup);
    SetItemData(index, corpusId);
    m_records[corpusId] = std::move(record);
}

bool CMyHtmlListCtrl::ShowKeywordCorpus(std::int32_t keywordId, const std::string &gbkKeyword, FetchStatus status,
                                        const std::vector<CorpusBrief> &briefs)
{
    if (status != FetchStatus::Ok && status != FetchStatus::BadDocument)
        return false;
    // The keyword becomes current only with its own excerpts, so excerpts still on show are
    // never marked up with another keyword.
    SetCurrentKeyword(keywordId, gbkKeyword);
    ClearForKeyword();
    if (status == FetchStatus::Ok) {
        const std::size_t count = std::min(briefs.size(), std::size_t(kMaxExcerpts));
        for (std::size_t i = 0; i < count; ++i)
            AddExcerpt(briefs[i].Id, briefs[i].Brief);
    }
    repaint();
    return true;
}

const CorpusRecord *CMyHtmlListCtrl::Record(std::int32_t corpusId) const
{
    const auto it = m_records.find(corpusId);
    return it == m_records.end() ? nullptr : &it->second;
}

std::string CMyHtmlListCtrl::GetSelectedItemText() const
{
    const HTMLLIST_ITEM *item = Item(GetSelectedItem());
    if (!item || item->index == 0)
        return {};
    const CorpusRecord *record = Record(item->itemData);
    return record && !record->full.empty() ? SourceTextOf(*record) : std::string();
}

int CMyHtmlListCtrl::ExtraHeight(const HTMLLIST_ITEM &item) const
{
    if (item.index != GetSelectedItem())
        return 0;
    const bool source = m_actionState == kCorpusSourceShown && item.index == m_openItem;
    return kActionRowHeight + (source ? m_sourceHeight : 0);
}

bool CMyHtmlListCtrl::ShowsActions(const HTMLLIST_ITEM &item) const
{
    return item.index != 0 && item.index == GetSelectedItem() && item.index == m_openItem && m_actionState != kCorpusNothingOpen;
}

CorpusActionRects CMyHtmlListCtrl::ActionRects() const
{
    const HTMLLIST_ITEM *item = Item(m_openItem);
    if (!item || !ShowsActions(*item))
        return {};
    const QRect rect = ItemRect(item->index);
    const int y = rect.bottom() + 1 - 30 - (m_actionState == kCorpusSourceShown ? m_sourceHeight : 0);
    const int x = rect.left() + 40;
    // Each area reaches from the label's corner to (x + width, y + 12), right and bottom edges out.
    return {QRect(x, y, 84, 12), QRect(x + 100, y, 42, 12), QRect(x + 160, y, 56, 12)};
}

QRect CMyHtmlListCtrl::SourceRect() const
{
    const HTMLLIST_ITEM *item = Item(m_openItem);
    if (!item || !ShowsActions(*item) || m_actionState != kCorpusSourceShown)
        return {};
    const QRect rect = ItemRect(item->index);
    return QRect(rect.left(), rect.bottom() + 1 - m_sourceHeight, rect.width(), m_sourceHeight);
}

bool CMyHtmlListCtrl::IsShareShown() const
{
    return m_share && m_share->isVisible();
}

void CMyHtmlListCtrl::HideShare()
{
    if (m_share && m_share->isVisible())
        m_share->hide();
}

void CMyHtmlListCtrl::OnPointerLeft(QPoint globalPos)
{
    if (IsShareShown() && m_share->geometry().contains(globalPos))
        return;
    HideShare();
}

void CMyHtmlListCtrl::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || TakeDoubleClickRelease())
        return;
    OnClickAt(event->position().toPoint());
}

void CMyHtmlListCtrl::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    const CorpusActionRects rects = ActionRects();
    const bool onAction = rects.like.contains(point) || rects.share.contains(point) || rects.source.contains(point);
    setCursor(onAction ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void CMyHtmlListCtrl::leaveEvent(QEvent *)
{
    OnPointerLeft(QCursor::pos());
}

// The popup is a window of its own: it goes when the panel goes.
void CMyHtmlListCtrl::hideEvent(QHideEvent *event)
{
    HideShare();
    CHTMLListCtrl::hideEvent(event);
}

void CMyHtmlListCtrl::OnClickAt(QPoint point)
{
    const int selected = GetSelectedItem();
    if (selected <= 0) { // nothing, or the heading
        HideShare();
        return;
    }
    if (selected != m_openItem) {
        OpenExcerpt(selected);
        return;
    }
    const CorpusActionRects rects = ActionRects();
    if (rects.like.contains(point)) {
        OnLike();
    } else if (rects.share.contains(point)) {
        OnShare(point);
    } else if (rects.source.contains(point)) {
        OnSource();
    } else {
        HideShare();
    }
}

bool CMyHtmlListCtrl::FetchDetail(CorpusRecord &record)
{
    CorpusDetail detail;
    if (!m_fetchDetail || m_fetchDetail(record.id, detail) != FetchStatus::Ok)
        return false;
    record.plainFull = BoundedExcerpt(detail.con);
    record.full = MarkUpExcerpt(detail.con, m_keywordText);
    record.title = BoundedExcerpt(detail.title, kMaxSourceFieldBytes);
    record.cfrom = BoundedExcerpt(detail.cfrom, kMaxSourceFieldBytes);
    record.author = BoundedExcerpt(detail.author, kMaxSourceFieldBytes);
    return true;
}

void CMyHtmlListCtrl::OpenExcerpt(int index)
{
    if (const HTMLLIST_ITEM *open = Item(m_openItem)) {
        if (const CorpusRecord *record = Record(open->itemData))
            SetItemText(open->index, record->brief);
    }
    m_openItem = -1;
    m_actionState = kCorpusItemOpen;
    m_sourceHeight = 0;
    HideShare();

    const HTMLLIST_ITEM *item = Item(index);
    const auto found = item ? m_records.find(item->itemData) : m_records.end();
    bool ready = found != m_records.end();
    if (ready && found->second.full.size() <= 1) {
        QPointer<CMyHtmlListCtrl> alive(this);
        ready = FetchDetail(found->second);
        if (!alive)
            return; // the service's handler closed the window this panel lives in
    }
    if (!ready) {
        // Without its detail the excerpt stays as its brief, unopened; the next click asks again.
        m_actionState = kCorpusNothingOpen;
        UpdateScrollRange();
        update();
        return;
    }
    SetItemText(index, found->second.full);
    m_openItem = index;
    m_sourceText = SourceTextOf(found->second);
    UpdateScrollRange();
    EnsureVisible(index);
    update();
}

void CMyHtmlListCtrl::OnLike()
{
    const HTMLLIST_ITEM *item = Item(m_openItem);
    if (!item || !m_sendLike)
        return;
    QPointer<CMyHtmlListCtrl> alive(this);
    const LikeReply reply = m_sendLike(item->itemData);
    if (reply.result != LikeResult::Abandoned)
        COkDialog::ShowMessage(reply.message);
    if (alive)
        HideShare();
}

void CMyHtmlListCtrl::OnShare(QPoint point)
{
    if (IsShareShown()) {
        HideShare();
        return;
    }
    const HTMLLIST_ITEM *item = Item(m_openItem);
    const CorpusRecord *record = item ? Record(item->itemData) : nullptr;
    if (!record)
        return;
    m_share->SetSummary(record->plainFull);
    const QRect place(QPoint(point.x() - 80, point.y() - 73), QPoint(point.x() + 127, point.y() - 13));
    m_share->setGeometry(QRect(mapToGlobal(place.topLeft()), place.size()));
    m_share->show();
    m_share->raise();
}

void CMyHtmlListCtrl::OnSource()
{
    HideShare();
    if (m_actionState == kCorpusSourceShown) {
        m_actionState = kCorpusItemOpen;
        m_sourceHeight = 0;
    } else {
        const HTMLLIST_ITEM *item = Item(m_openItem);
        const CorpusRecord *record = item ? Record(item->itemData) : nullptr;
        if (!record)
            return;
        m_sourceText = SourceTextOf(*record);
        m_sourceHeight = MeasureSource(m_sourceText);
        m_actionState = kCorpusSourceShown;
    }
    UpdateScrollRange();
    EnsureVisible(m_openItem);
    update();
}
