// The contest page: activities, tabs, pages and the write button's dispatch.
#include "ActivityDlg.h"

#include "AppFolder.h"
#include "ChuSaiWriteDlg.h"
#include "ContestLayout.h"
#include "Fonts.h"
#include "FusaiWriteDlg.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "OkDialog.h"
#include "RequirementText.h"
#include "WelcomeDlg.h"
#include "WindowMessage.h"
#include "XuantiFatherDlg.h"

#include <QPainter>
#include <QUrl>

using namespace contestlayout;

namespace {
const QColor kPageColour(0xF6, 0xF8, 0xE3);
const QColor kFrameColour(0x00, 0x92, 0x3A);
} // namespace

CActivityDlg::CActivityDlg(QWidget *parent, QWidget *returnWindow)
    : CDialog(parent, DialogKind::Child), m_returnWindow(returnWindow), m_write(new CGdipButton(this))
{
    SetDraggable(false);
    m_write->LoadImages(AppPath("\\img\\write3.png"), AppPath("\\img\\write2.png"), AppPath("\\img\\write1.png"));
    m_write->setCursor(Qt::PointingHandCursor);
    m_write->hide();
    connect(m_write, &CGdipButton::clicked, this, &CActivityDlg::OnWrite);
    m_runChooser = [](CXuantiFatherDlg &chooser) { chooser.DoModal(); };
}

bool CActivityDlg::IsWriteAllowed(const Activity &activity)
{
    return activity.status == "2" && activity.isMeg == "True";
}

bool CActivityDlg::IsWebAddress(const std::string &url)
{
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    return parsed.isValid() && !parsed.host().isEmpty() &&
           (parsed.scheme() == QLatin1String("http") || parsed.scheme() == QLatin1String("https"));
}

void CActivityDlg::ResetSlots()
{
    for (Slot &slot : m_slots)
        slot = Slot{};
    m_count = 0;
    m_write->hide();
}

void CActivityDlg::OnInitDialog()
{
    ResetSlots();
    std::vector<Activity> activities;
    if (ListActivities(activities) != FetchStatus::Ok || activities.empty())
        return; // no tabs, no page, no write button
    // The tab row has room for six: later activities are not shown.
    m_count = std::min<int>(static_cast<int>(activities.size()), kSlotCount);
    for (int i = 0; i < m_count; ++i)
        CreateTab(i, activities[static_cast<std::size_t>(i)]);

    CreatePage(0);
    m_shownPage = m_slots[0].page;
    m_shownPage->show();
    m_currentId = m_slots[0].id;
    m_chosenTab = m_slots[0].tab;
    m_chosenTab->ShowFace(CGdipButton::Face::Pressed);
    m_write->setVisible(m_slots[0].writeAllowed);
    PlaceControls();
}

void CActivityDlg::CreateTab(int index, const Activity &activity)
{
    Slot &slot = m_slots[static_cast<std::size_t>(index)];
    slot.id = activity.id;
    slot.url = activity.url;
    slot.writeAllowed = IsWriteAllowed(activity);
    auto *tab = new CGdipButton(this);
    tab->LoadImages(AppPath("\\img\\match_down.png"), AppPath("\\img\\match_down.png"), AppPath("\\img\\match_up.png"));
    // The chosen tab keeps its pressed face while the pointer comes and goes.
    tab->SetKeepFace(true);
    tab->setFont(MakeFont(QString::fromUtf8("宋体"), 14, kFontWeightBold));
    tab->SetWindowText(activity.theme);
    tab->setGeometry(TabRect(index));
    tab->setCursor(Qt::PointingHandCursor);
    tab->show();
    connect(tab, &CGdipButton::clicked, this, [this, index] { ChooseTab(index); });
    slot.tab = tab;
}

void CActivityDlg::CreatePage(int index)
{
    Slot &slot = m_slots[static_cast<std::size_t>(index)];
    slot.page = new CHtmlDlg(this);
    slot.page->setGeometry(WebPageRect(size()));
    // The address comes from the service: only a web address is opened.
    if (IsWebAddress(slot.url)) {
        const QUrl address(QString::fromStdString(slot.url));
        // Links within the platform's activity pages stay in the page; others open outside.
        slot.page->Browser()->KeepLinksWithin(address);
        slot.page->Browser()->Navigate(address);
    }
    slot.page->hide();
    slot.pagePending = false;
}

// A link followed inside an activity's page has left it elsewhere: its tab brings it back.
void CActivityDlg::ShowOwnAddress(const Slot &slot)
{
    if (!slot.page || !IsWebAddress(slot.url))
        return;
    const QUrl address(QString::fromStdString(slot.url));
    CExplorer1 *browser = slot.page->Browser();
    if (browser->CurrentUrl() != address)
        browser->Navigate(address);
}

void CActivityDlg::ChooseTab(int index)
{
    if (index < 0 || index >= m_count)
        return;
    Slot &slot = m_slots[static_cast<std::size_t>(index)];
    if (m_chosenTab && m_chosenTab != slot.tab)
        m_chosenTab->ResetFace();
    m_chosenTab = slot.tab;
    m_chosenTab->ShowFace(CGdipButton::Face::Pressed);
    if (slot.page && slot.page == m_shownPage) {
        ShowOwnAddress(slot);
        return;
    }
    if (m_shownPage)
        m_shownPage->hide();
    m_write->setVisible(slot.writeAllowed);
    if (slot.pagePending)
        CreatePage(index);
    else
        ShowOwnAddress(slot);
    m_shownPage = slot.page;
    m_shownPage->show();
    m_currentId = slot.id;
    update();
}

void CActivityDlg::OnWrite()
{
    if (m_currentId == "-1")
        return;
    std::vector<ActivityEntry> entries;
    if (FetchActivityInfo(m_currentId, entries) != FetchStatus::Ok || entries.empty())
        return; // nothing happens; the student may press again
    // Entries of other types were skipped on reading: the first one left decides.
    const ActivityEntry &entry = entries.front();
    if (entry.type == "1")
        OpenPreliminary(entry);
    else if (entry.type == "2")
        OpenSecondRound(entry);
    else
        COkDialog::ShowMessage(entry.msg);
}

void CActivityDlg::OpenPreliminary(const ActivityEntry &entry)
{
    auto *screen = new CChuSaiWriteDlg(m_returnWindow, entry.title, entry.desc, m_currentId);
    PostWindowMessage(m_returnWindow, kMsgWritePreliminary, reinterpret_cast<intptr_t>(screen));
}

void CActivityDlg::OpenSecondRound(const ActivityEntry &entry)
{
    CXuantiFatherDlg chooser(this);
    for (const ContestTopic &topic : entry.topics)
        chooser.AddTopic(topic);
    m_runChooser(chooser);
    // A chooser closed without a confirmed topic opens nothing: a round without a topic could
    // never be submitted, and its clock would run for nothing. The student presses the write
    // button again.
    if (!chooser.Confirmed())
        return;
    const ContestTopic topic = chooser.ChosenTopic();
    auto *screen =
        new CFusaiWriteDlg(m_returnWindow, m_currentId, topic, entry.minutes, SecondRoundRequirements(topic, entry.supinfo));
    PostWindowMessage(m_returnWindow, kMsgWriteSecondRound, reinterpret_cast<intptr_t>(screen));
}

void CActivityDlg::resizeEvent(QResizeEvent *event)
{
    CDialog::resizeEvent(event);
    PlaceControls();
}

void CActivityDlg::PlaceControls()
{
    m_write->setGeometry(WriteButtonRect(size()));
    for (int i = 0; i < m_count; ++i)
        if (CHtmlDlg *page = m_slots[static_cast<std::size_t>(i)].page)
            page->setGeometry(WebPageRect(size()));
}

void CActivityDlg::OnPaint(QPainter &painter)
{
    painter.fillRect(rect(), kPageColour);
    painter.setPen(QPen(kFrameColour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(FrameRect(size())).adjusted(1, 1, -1, -1));
}
