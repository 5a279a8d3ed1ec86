// CZiYouWriter: the free-writing screen. It saves the essay to the student's online library,
// the first time as a new essay and afterwards as an edit of the same one, and its corpus
// button shows the corpus panel.
#pragma once

#include "DlgWrite.h"

class CZiYouWriter : public CDlgWrite
{
    Q_OBJECT

public:
    explicit CZiYouWriter(QWidget *parent = nullptr);
    // The screen of a free-writing essay the journal kept, carrying on with its entry.
    static CDlgWrite *MakeForLeftEntry(QWidget *parent, const LeftJournalEntry &left);

    // The save-to-library button's action.
    void SaveToLibrary() override;

protected:
    void OnCorpusButton() override;
    void InitExtra() override;
};
