// CMyHtmlListCtrl: the corpus panel beside the essay. Item 0 is the picked keyword; the other
// items are the keyword's excerpts. A click opens an excerpt in full with the keyword in green
// and three actions below it: like, share (the share popup) and source.
//
// Use from the writing screen, after a keyword pick:
//   FetchStatus status = FetchCorpusBriefs(id, briefs);
//   if (panel->ShowKeywordCorpus(id, keywordGbk, status, briefs)) panel->show();
#pragma once

#include "CorpusLike.h"
#include "HTMLListCtrl.h"
#include "OperationsCorpus.h"
#include "xImage.h"

#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class CDlgShareYuliao;

struct CorpusRecord
{
    std::int32_t id = 0;
    std::string brief; // marked up
    std::string full;  // marked up; empty until fetched
    std::string title; // GBK, as the service gave it
    std::string cfrom;
    std::string author;
    std::string plainFull; // the full text as the service gave it (the share summary)
};

// Action states of the panel.
constexpr int kCorpusNothingOpen = 1;
constexpr int kCorpusItemOpen = 2;
constexpr int kCorpusSourceShown = 3;

// The open item's three action areas, in client coordinates (empty when not shown).
struct CorpusActionRects
{
    QRect like, share, source;
};

class CMyHtmlListCtrl : public CHTMLListCtrl
{
    Q_OBJECT

public:
    static constexpr int kActionRowHeight = 40;
    static constexpr int kMaxExcerpts = 500;

    explicit CMyHtmlListCtrl(QWidget *parent = nullptr);
    ~CMyHtmlListCtrl() override;

    void SetCurrentKeyword(std::int32_t id, const std::string &gbkText);
    std::int32_t CurrentKeywordId() const { return m_keywordId; }
    const std::string &CurrentKeywordText() const { return m_keywordText; }

    // Empties the panel down to its heading (item 0: the current keyword).
    void ClearForKeyword();
    // Appends an excerpt: its brief marked up, its id as the item's data, and its record.
    void AddExcerpt(std::int32_t corpusId, const std::string &gbkBrief);

    // Fills the panel from the result of the brief request for a picked keyword: a list (even an
    // empty one) replaces the panel's content and makes the keyword current; a document that did
    // not parse leaves the heading alone; any other outcome leaves the panel as it was. Returns
    // true when the panel changed (the caller shows it).
    bool ShowKeywordCorpus(std::int32_t keywordId, const std::string &gbkKeyword, FetchStatus status,
                           const std::vector<CorpusBrief> &briefs);

    int OpenItem() const { return m_openItem; }
    int ActionState() const { return m_actionState; }
    const CorpusRecord *Record(std::int32_t corpusId) const;
    // "文章：" title " 来源：" cfrom " 作者：" author of the open excerpt (state 3 shows it).
    const std::string &SourceText() const { return m_sourceText; }
    std::string GetSelectedItemText() const override;

    // Where the actions of the open item lie now; empty rectangles when they are not drawn.
    CorpusActionRects ActionRects() const;
    // The source block's rectangle inside the open item (state 3).
    QRect SourceRect() const;

    CDlgShareYuliao *SharePopup() const { return m_share; }
    bool IsShareShown() const;
    void HideShare();

    // The pointer left the panel for the window under `globalPos`: the share popup stays only
    // when the pointer went onto it.
    void OnPointerLeft(QPoint globalPos);

    // The service calls, replaceable so tests can watch or stand in for them.
    using DetailFetcher = std::function<FetchStatus(std::int32_t, CorpusDetail &)>;
    using LikeSender = std::function<LikeReply(std::int32_t)>;
    void SetDetailFetcher(DetailFetcher fetcher) { m_fetchDetail = std::move(fetcher); }
    void SetLikeSender(LikeSender sender) { m_sendLike = std::move(sender); }

    // A release of the left button at a client point, as the mouse delivers it.
    void OnClickAt(QPoint point);

protected:
    int ExtraHeight(const HTMLLIST_ITEM &item) const override;
    void DrawItem(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &rect) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void OpenExcerpt(int index);
    bool FetchDetail(CorpusRecord &record);
    void OnLike();
    void OnShare(QPoint point);
    void OnSource();
    int MeasureSource(const std::string &gbk) const;
    bool ShowsActions(const HTMLLIST_ITEM &item) const;
    void DrawHeading(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &rect);
    void DrawActions(QPainter &painter, const QRect &rect);
    void DrawArrow(QPainter &painter, const HTMLLIST_ITEM &item, const QRect &rect);

    std::int32_t m_keywordId = 0;
    std::string m_keywordText;
    std::map<std::int32_t, CorpusRecord> m_records;
    int m_openItem = -1;
    int m_actionState = kCorpusNothingOpen;
    std::string m_sourceText;
    int m_sourceHeight = 0;
    CDlgShareYuliao *m_share = nullptr;
    CxImage m_arrow;         // "img\jiantou1.png": every other excerpt
    CxImage m_arrowSelected; // "img\jiantou2.png": the selected excerpt
    DetailFetcher m_fetchDetail;
    LikeSender m_sendLike;
};
