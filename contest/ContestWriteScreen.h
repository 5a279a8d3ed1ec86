// What the two contest writing rounds share on the writing screen: the corpus and requirements
// tabs over the side area, the requirements panel, the round's fixed or editable title and the
// submission to the contest in place of a library save.
#pragma once

#include "DlgWrite.h"
#include "EssayJournal.h"
#include "OperationsComposition.h"

class CChuxuanYaoqiuDlg;
class CGdipButton;

class ContestWriteScreen;

// A contest round opened again from its journal entry (a contest kind), at nowSeconds (seconds
// since 1970): the same title, text, library id, requirements and, in the second round, the clock
// with the time that is really left. Nullptr for an entry of free writing.
ContestWriteScreen *ReopenContestScreen(QWidget *parent, const JournalEntry &entry, std::int64_t nowSeconds);

// What a second round's clock has left at nowSeconds: what it had when the entry was written less
// the time since, never below 0.
std::int64_t SecondsLeftAt(const JournalEntry &entry, std::int64_t nowSeconds);

class ContestWriteScreen : public CDlgWrite
{
    Q_OBJECT

public:
    // The submission button's action: checks, the confirmation, WsCompMatch and its outcome.
    void SaveToLibrary() override;

    const ContestEntry &Entry() const { return m_entry; }
    const std::string &Requirements() const { return m_requirements; }
    CChuxuanYaoqiuDlg *RequirementsPanel() const { return m_panel; }
    CGdipButton *RequirementsTab() const { return m_requirementsTab; }
    // The essay as the journal keeps it: the base screen's texts and the round's own data, so
    // the round can be opened again as it was (ReopenContestScreen).
    virtual JournalEntry JournalSnapshot() const;

    // The corpus tab is the base screen's corpus button.
    CGdipButton *CorpusTab() const { return CorpusButton(); }

protected:
    // entry: round, activity and topic ids and the title to put into the field (the round's
    // title or the chosen topic's); content is filled at submission.
    ContestWriteScreen(QWidget *parent, ContestEntry entry, std::string requirements);

    // The round's panel (made once, at set-up).
    virtual CChuxuanYaoqiuDlg *CreatePanel() = 0;
    // After the common set-up: the second round starts its clock here.
    virtual void InitRound() {}

    void OnCorpusButton() override;
    void OnKeywordPickHook() override;
    void OnSecondButton() override;
    void PaintExtra(QPainter &painter, const WriteScreenLayout &layout) override;
    void InitExtra() override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void PlaceSideArea();
    // The title a submission sends: the topic's in the second round, else the field's.
    std::string SubmittedTitle() const;

    ContestEntry m_entry;
    std::string m_requirements;
    CChuxuanYaoqiuDlg *m_panel = nullptr;
    CGdipButton *m_requirementsTab = nullptr;
};
