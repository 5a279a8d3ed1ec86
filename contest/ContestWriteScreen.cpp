// The contest rounds' side area, title and submission.
#include "ContestWriteScreen.h"

#include "AppFolder.h"
#include "ChuSaiWriteDlg.h"
#include "ChuxuanYaoqiuDlg.h"
#include "FusaiWriteDlg.h"
#include "ServiceContext.h"
#include "WriteView.h"
#include "WritingScreenMakers.h"
#include "GdipButton.h"
#include "MsgDlg.h"
#include "MyEdit.h"
#include "MyHtmlListCtrl.h"
#include "OkDialog.h"

#include <algorithm>
#include <ctime>

ContestWriteScreen::ContestWriteScreen(QWidget *parent, ContestEntry entry, std::string requirements)
    : CDlgWrite(parent), m_entry(std::move(entry)), m_requirements(std::move(requirements))
{
}

void ContestWriteScreen::InitExtra()
{
    SaveToLibraryButton()->LoadImages(AppPath("img\\hostimg\\dasaizhenwen1.png"), AppPath("img\\hostimg\\dasaizhenwen2.png"),
                                      AppPath("img\\hostimg\\dasaizhenwen3.png"));
    const std::string corpusTab = AppPath("\\img\\hostimg\\yunyunge1.PNG");
    CorpusButton()->LoadImages(corpusTab, corpusTab, corpusTab);
    CorpusButton()->show();
    const std::string requirementsTab = AppPath("\\img\\hostimg\\wenyaoqiu1.PNG");
    m_requirementsTab = new CGdipButton(this);
    m_requirementsTab->LoadImages(requirementsTab, requirementsTab, requirementsTab);
    connect(m_requirementsTab, &CGdipButton::clicked, this, [this] { OnSecondButton(); });
    m_requirementsTab->show();

    m_panel = CreatePanel();
    m_panel->SetText(m_requirements);

    // A round title or topic title is the essay's title and cannot be changed.
    if (!m_entry.title.empty()) {
        TitleField()->SetWindowText(m_entry.title);
        TitleField()->setReadOnly(true);
    }
    PlaceSideArea();
    OnSecondButton(); // the side area starts on the requirements
    InitRound();
}

void ContestWriteScreen::resizeEvent(QResizeEvent *event)
{
    CDlgWrite::resizeEvent(event);
    PlaceSideArea();
}

void ContestWriteScreen::PlaceSideArea()
{
    if (!m_panel)
        return;
    const QRect client = rect();
    CorpusButton()->setGeometry(client.right() + 1 - 344, client.top() + 35, 269, 31);
    m_requirementsTab->setGeometry(client.right() + 1 - 73, client.top() + 35, 73, 31);
    m_panel->setGeometry(client.right() + 1 - 337, client.top() + 78, 329, client.height() - 119);
}

void ContestWriteScreen::PaintExtra(QPainter &, const WriteScreenLayout &)
{
    // The tabs and the panel follow the size at every paint, as the base's own parts do.
    PlaceSideArea();
}

void ContestWriteScreen::OnCorpusButton()
{
    m_panel->hide();
    if (CorpusPanel()->GetItemCount() > 0)
        CorpusPanel()->show();
    update();
}

void ContestWriteScreen::OnKeywordPickHook()
{
    m_panel->hide();
    CorpusPanel()->show();
}

void ContestWriteScreen::OnSecondButton()
{
    CorpusPanel()->hide();
    m_panel->show();
    m_panel->raise();
    update();
}

std::string ContestWriteScreen::SubmittedTitle() const
{
    if (m_entry.round == ContestRound::Second && !m_entry.title.empty())
        return m_entry.title;
    return TitleText();
}

void ContestWriteScreen::SaveToLibrary()
{
    ContestEntry entry = m_entry;
    entry.title = SubmittedTitle();
    entry.content = BodyText();
    if (const std::string refusal = CheckEssayBeforeSending(TrimBlanks(entry.title), entry.content); !refusal.empty()) {
        COkDialog::ShowMessage(refusal);
        return;
    }
    if (!CMsgDlg::Confirm(ContestConfirmationQuestion(), this))
        return;
    const std::uint64_t journalMark = JournalEditMark();
    const SaveOutcome outcome = SubmitContestEntry(entry);
    ActOnSaveOutcome(outcome, journalMark);
}

JournalEntry ContestWriteScreen::JournalSnapshot() const
{
    JournalEntry entry;
    entry.kind = m_entry.round == ContestRound::Second ? WritingScreenKind::SecondRound : WritingScreenKind::PreliminaryRound;
    entry.user = SignedInAccount();
    entry.title = TitleText();
    entry.body = BodyText();
    entry.compositionId = CompositionId();
    entry.activityId = m_entry.activityId;
    entry.roundTitle = m_entry.title;
    entry.topicId = m_entry.matchId;
    entry.requirements = m_requirements;
    return entry;
}

std::int64_t SecondsLeftAt(const JournalEntry &entry, std::int64_t nowSeconds)
{
    if (entry.clockSecondsLeft < 0)
        return static_cast<std::int64_t>(entry.writingMinutes) * 60;
    // A clock set back before the entry was written gives no time back.
    const std::int64_t elapsed = std::max<std::int64_t>(0, nowSeconds - entry.savedAt);
    return std::max<std::int64_t>(0, entry.clockSecondsLeft - elapsed);
}

ContestWriteScreen *ReopenContestScreen(QWidget *parent, const JournalEntry &entry, std::int64_t nowSeconds)
{
    ContestWriteScreen *screen = nullptr;
    if (entry.kind == WritingScreenKind::PreliminaryRound) {
        screen = new CChuSaiWriteDlg(parent, entry.roundTitle, entry.requirements, entry.activityId);
    } else if (entry.kind == WritingScreenKind::SecondRound) {
        ContestTopic topic;
        topic.mid = entry.topicId;
        topic.title = entry.roundTitle;
        auto *round = new CFusaiWriteDlg(parent, entry.activityId, topic, entry.writingMinutes, entry.requirements);
        round->SetSecondsLeft(SecondsLeftAt(entry, nowSeconds));
        screen = round;
    } else {
        return nullptr;
    }
    screen->SetEssay(entry.title, entry.body, entry.compositionId);
    return screen;
}

namespace {
// A contest entry left in the journal reopens in its round's screen, carrying on with the entry.
CDlgWrite *MakeContestScreenForLeftEntry(QWidget *parent, const LeftJournalEntry &left)
{
    ContestWriteScreen *screen = ReopenContestScreen(parent, left.entry, static_cast<std::int64_t>(std::time(nullptr)));
    if (screen)
        screen->ResumeJournalEntry(left.id);
    return screen;
}

[[maybe_unused]] const bool kPreliminaryMakerRegistered =
    RegisterWritingScreenMaker(WritingScreenKind::PreliminaryRound, &MakeContestScreenForLeftEntry);
[[maybe_unused]] const bool kSecondRoundMakerRegistered =
    RegisterWritingScreenMaker(WritingScreenKind::SecondRound, &MakeContestScreenForLeftEntry);
} // namespace
