// The library page: layout, painting, the list, searching, showing and deleting essays.
#include "MySpaceDlg.h"

#include "Fonts.h"
#include "GdipButton.h"
#include "HTMLListCtrlOrg.h"
#include "LibraryLayout.h"
#include "LibraryRules.h"
#include "MsgDlg.h"
#include "MyEdit.h"
#include "NoMarkDlg.h"
#include "OkDialog.h"
#include "OperationsComposition.h"
#include "QtText.h"
#include "WindowMessage.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>

namespace {

const QColor kBackground(0xF6, 0xF8, 0xE3);
const QColor kColumnFrame(0x00, 0x92, 0x3A);
const QColor kSearchFrame(0x0E, 0x80, 0x3B);
const QColor kCaptionColour(0x29, 0x9F, 0x3A);
const QColor kNoticeColour(0x9E, 0x9E, 0xA0);

constexpr const char *kDeleteQuestion = "文章删除后无法恢复，您是否确定删除？";
constexpr const char *kDeleted = "\t  删除成功!";
constexpr const char *kDeleteFailed = "\t  删除失败!";

CGdipButton *MakeButton(QWidget *parent, const char *normal, const char *hover, const char *pressed)
{
    CGdipButton *button = MakeImageButton(parent, normal, hover, pressed);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

// An identifier the service gave: a positive decimal number, else 0 (an item that names no essay).
std::int32_t EssayId(const std::string &text)
{
    return IsDecimalId(text) ? LeadingNumber(text) : 0;
}

} // namespace

CMySpaceDlg::CMySpaceDlg(QWidget *parent) : CDialog(parent, DialogKind::Child)
{
    SetDraggable(false);
    CreateControls();
    PlaceChildren();
}

void CMySpaceDlg::CreateControls()
{
    m_panel = new CNoMarkDlg(this);
    m_panel->SetReturnWindow(parentWidget());

    m_list = new CHTMLListCtrlOrg(this);
    m_list->Create(this, LayOutMySpace(size()).list, kListCheckBoxes);
    connect(m_list, &CHTMLListCtrl::Notify, this, &CMySpaceDlg::OnListNotify);

    // Plain text: the searched title is the student's own words, never markup.
    m_emptyNotice = new QLabel(this);
    m_emptyNotice->setTextFormat(Qt::PlainText);
    m_emptyNotice->setAlignment(Qt::AlignCenter);
    m_emptyNotice->setWordWrap(true);
    m_emptyNotice->setFont(MakeFont(QString::fromUtf8("宋体"), 14));
    m_emptyNotice->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(kNoticeColour.name()));
    m_emptyNotice->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_emptyNotice->hide();

    m_search = new QLineEdit(this);
    KeepFieldInGbk(m_search);
    m_search->setFrame(false);
    m_search->setMaxLength(kSearchLimit);
    m_search->setFont(MakeFont(QString::fromUtf8("宋体"), 12));
    m_search->setTextMargins(1, 0, 1, 0);
    connect(m_search, &QLineEdit::textChanged, this, &CMySpaceDlg::OnSearchTextChanged);
    connect(m_search, &QLineEdit::returnPressed, this, &CMySpaceDlg::OnSearch);

    m_searchButton = MakeButton(this, "\\img\\MySpace\\sou1.png", "\\img\\MySpace\\sou2.png", "\\img\\MySpace\\sou2.png");
    m_delete = MakeButton(this, "\\img\\MySpace\\del1.png", "\\img\\MySpace\\del2.png", "\\img\\MySpace\\del3.png");
    m_up = MakeButton(this, "\\img\\MySpace\\top1.png", "\\img\\MySpace\\top2.png", "\\img\\MySpace\\top3.png");
    connect(m_searchButton, &CGdipButton::clicked, this, &CMySpaceDlg::OnSearch);
    connect(m_delete, &CGdipButton::clicked, this, &CMySpaceDlg::OnDelete);
    connect(m_up, &CGdipButton::clicked, this, &CMySpaceDlg::OnUp);
}

void CMySpaceDlg::PlaceChildren()
{
    const MySpaceLayout l = LayOutMySpace(size());
    m_panel->setGeometry(l.viewer);
    m_list->setGeometry(l.list);
    m_emptyNotice->setGeometry(l.list.adjusted(10, 0, -10, 0));
    m_search->setGeometry(l.searchBox);
    m_searchButton->setGeometry(l.searchButton);
    m_delete->setGeometry(l.deleteButton);
    m_up->setGeometry(l.upButton);
}

void CMySpaceDlg::resizeEvent(QResizeEvent *event)
{
    CDialog::resizeEvent(event);
    PlaceChildren();
}

// ---- list ----

bool CMySpaceDlg::LoadList(const std::string &titleFilter)
{
    m_list->DeleteAllItems();
    std::vector<LibraryEntry> entries;
    m_listLoaded = ListCompositions(titleFilter, entries) == FetchStatus::Ok;
    m_listedTitle = TrimBlanks(titleFilter);
    for (const LibraryEntry &entry : entries)
        AddItem(LibraryItemText(entry.CreateTime, entry.Title), EssayId(entry.ID), false);
    UpdateEmptyNotice();
    return m_listLoaded; // when false the list stays empty
}

// An empty list says why, but only when the service said so: a list that could not be fetched
// is not a library without essays.
void CMySpaceDlg::UpdateEmptyNotice()
{
    const bool empty = m_listLoaded && m_list->GetItemCount() == 0;
    if (empty) {
        m_emptyNotice->setText(GbkToQString(EmptyListNotice(m_listedTitle)));
        m_emptyNotice->raise();
    }
    m_emptyNotice->setVisible(empty);
}

// Plain text: a title is the student's own words, never markup.
void CMySpaceDlg::AddItem(const std::string &text, std::int32_t id, bool checked)
{
    const int index = m_list->InsertItem(text, kItemPlain);
    m_list->SetItemData(index, id);
    m_list->SetItemCheck(index, checked);
}

void CMySpaceDlg::OnListNotify(const HtmlListNotify &notification)
{
    // A press that toggles a check box is a click on its item as well.
    if (notification.code == kNotifyItemHit || notification.code == kNotifyCheckToggled)
        OnItemClicked(notification.index, notification.itemData);
}

// The viewer's identifier changes only with what the viewer shows, so an essay that could not
// be fetched is fetched again at the next click.
void CMySpaceDlg::OnItemClicked(int index, std::int32_t id)
{
    if (index < 0 || id <= 0 || id == m_shownId)
        return;
    CompositionText essay;
    if (FetchComposition(id, essay) != FetchStatus::Ok)
        return;
    m_shownId = id;
    m_panel->ShowEssay(std::to_string(id), essay.Title, essay.Content);
}

// Fetches the shown essay again; one that cannot be fetched is no longer shown.
void CMySpaceDlg::RefreshViewer()
{
    CompositionText essay;
    if (FetchComposition(m_shownId, essay) != FetchStatus::Ok) {
        ClearViewer();
        return;
    }
    m_panel->ShowEssay(std::to_string(m_shownId), essay.Title, essay.Content);
}

void CMySpaceDlg::ClearViewer()
{
    m_shownId = -1;
    m_panel->Clear();
}

// ---- search ----

void CMySpaceDlg::OnSearch()
{
    LoadList(QStringToGbk(m_search->text()));
    ClearViewer();
}

void CMySpaceDlg::OnSearchTextChanged(const QString &text)
{
    if (!text.isEmpty())
        return; // a search runs from the button
    LoadList(std::string());
    ClearViewer();
}

// ---- delete and scroll ----

void CMySpaceDlg::OnDelete()
{
    // Items are numbered in list order and keep their numbers while others are removed.
    std::vector<LibraryListItem> items;
    std::vector<HTMLLIST_ITEM> before;
    for (int index = 0; int(before.size()) < m_list->GetItemCount(); ++index) {
        if (const HTMLLIST_ITEM *item = m_list->Item(index)) {
            before.push_back(*item);
            items.push_back({item->index, item->itemData, item->checked});
        }
    }
    const DeletionPlan plan = PlanDeletion(items);
    if (plan.Empty())
        return;
    if (!CMsgDlg::Confirm(ProgramMessage(kDeleteQuestion), this))
        return;
    for (int index : plan.indexes)
        m_list->DeleteItem(index);

    FetchStatus status = FetchStatus::TransportFailure;
    if (DeleteCompositions(plan.ids, status)) {
        ClearViewer();
        UpdateEmptyNotice();
        COkDialog::ShowMessage(ProgramMessage(kDeleted));
        return;
    }
    if (status == FetchStatus::Abandoned)
        return; // the status handler has spoken; the session may be over
    if (status == FetchStatus::Ok)
        COkDialog::ShowMessage(ProgramMessage(kDeleteFailed));
    // Nothing was deleted: the list shows again what the service holds, or, when the service
    // cannot be reached, what it showed before.
    if (LoadList(std::string()))
        return;
    for (const HTMLLIST_ITEM &item : before)
        AddItem(item.text, item.itemData, item.checked);
}

void CMySpaceDlg::OnUp()
{
    for (int step = 0; step < kUpSteps; ++step)
        m_list->ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
}

// ---- messages and painting ----

intptr_t CMySpaceDlg::OnWindowMessage(int message, intptr_t wParam, intptr_t lParam)
{
    if (message == kMsgLibraryReload) {
        Reload(); // the search box stays as it is
        // The viewer must not keep an older text of a saved essay: "继续写作" would reopen it, and
        // its save would overwrite the newer version.
        if (m_shownId > 0 && (wParam == 0 || wParam == m_shownId))
            RefreshViewer();
        return 0;
    }
    return CDialog::OnWindowMessage(message, wParam, lParam);
}

void CMySpaceDlg::OnPaint(QPainter &painter)
{
    const MySpaceLayout l = LayOutMySpace(size());
    painter.fillRect(rect(), kBackground);

    painter.setPen(QPen(kColumnFrame, kColumnFramePen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(l.columnFrame);

    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(MakeFont(QString::fromUtf8("宋体"), 12, kFontWeightBold));
    painter.setPen(kCaptionColour);
    painter.drawText(l.dateCaption, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8("日 期"));
    painter.drawText(l.titleCaption, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8("标题"));

    // The search box's frame lies just outside it.
    painter.setPen(QPen(kSearchFrame, 1));
    painter.drawRect(l.searchBox.adjusted(-1, -1, 0, 0));
    painter.setPen(QPen(kSearchFrame, 2, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(l.separator);
}
