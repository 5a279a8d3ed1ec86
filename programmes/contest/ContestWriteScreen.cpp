// The contest rounds' side area, title and submission.
#include "ContestWriteScreen.h"

#include "AppFolder.h"
#include "ChuxuanYaoqiuDlg.h"
#include "GdipButton.h"
#include "MsgDlg.h"
#include "MyEdit.h"
#include "MyHtmlListCtrl.h"
#include "OkDialog.h"

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
    const SaveOutcome outcome = SubmitContestEntry(entry);
    switch (outcome.status) {
    case SaveStatus::Saved:
        AfterLibrarySave(outcome.essayId, outcome.message);
        break;
    case SaveStatus::Refused:
        if (!outcome.message.empty())
            COkDialog::ShowMessage(outcome.message);
        break;
    case SaveStatus::TransportFailure:
    case SaveStatus::Abandoned:
        break;
    }
}
