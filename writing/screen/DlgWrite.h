// CDlgWrite: the base writing screen. It holds the title field, the essay editor with undo and
// redo, the character count, the corpus panel that a keyword pick fills, the title-bar buttons
// and the save buttons, and it takes the place of the window that opened it until the student
// goes back. CZiYouWriter (free writing) and the contest rounds are built on it.
//
// Use by an opener:
//   auto *screen = new CZiYouWriter(mainWindow);
//   screen->SetEssay(title, body, compId);   // an essay opened again; nothing for a new one
//   screen->SetOpener(viewer);               // the window hidden while the screen is open
//   then the main window's OpenScreen(screen) sets the opener state, the rectangle and shows it.
#pragma once

#include "Dialog.h"
#include "EssayJournal.h"
#include "OperationsComposition.h"
#include "WindowFrame.h"
#include "WriteLayout.h"
#include "xImage.h"

#include <QFont>
#include <QPointer>
#include <cstdint>
#include <memory>
#include <string>

class CDlgTWriter;
class EssayAutosave;
class CGdipButton;
class CMyEdit;
class CMyHtmlListCtrl;
class CWriteView;

class CDlgWrite : public CDialog
{
    Q_OBJECT

public:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 700;

    explicit CDlgWrite(QWidget *parent = nullptr);
    ~CDlgWrite() override;

    // Before the window exists: the essay handed in by the opener (GBK, CR paragraph marks) and
    // its library id ("" for an essay not yet in the library).
    void SetEssay(const std::string &title, const std::string &body, const std::string &compId);
    // The window hidden while the screen is open and shown again on Back (default: none).
    void SetOpener(QWidget *opener) { m_opener = opener; }
    QWidget *Opener() const { return m_opener; }
    // True when the window the screen replaced had its normal size when the screen opened.
    void SetOpenerRestored(bool restored) { m_openerRestored = restored; }
    bool OpenerRestored() const { return m_openerRestored; }

    // Before the window exists: carry on with an entry an earlier run left in the essay journal
    // (the essay itself comes through SetEssay); it counts as unsaved until it is saved.
    void ResumeJournalEntry(const std::string &entryId) { m_journalEntryId = entryId; }
    // The journal entry that keeps this screen's essay ("" before set-up).
    std::string JournalEntryId() const;
    // The essay as the journal keeps it now: free writing here; a contest round adds its kind
    // and its own data.
    virtual JournalEntry JournalSnapshot() const;

    const std::string &CompositionId() const { return m_compId; }
    bool IsNormalSize() const { return !m_frame.IsMaximised(); }

    // The buttons' actions.
    void Back();
    void CloseProgram();
    void Minimise();
    void Maximise();
    void Restore();
    void ToggleMaximised();
    void Recount();
    // WM_KEYWORDPICK: the keyword's excerpts into the corpus panel.
    void OnKeywordPick(std::int32_t keywordId);

    // The title as saved: the field's text, or "" while the field shows its hint, so the hint
    // is never taken for a title.
    std::string TitleText() const;
    // The title field's text exactly as shown (the hint when untouched).
    std::string TitleAsShown() const;
    std::string BodyText() const;
    bool IsChanged() const;

    // The count button's text: "%d个 " once the editor has counted, "" before.
    const std::string &CountText() const { return m_countText; }

    CMyEdit *TitleField() const { return m_titleField; }
    CDlgTWriter *EditorHost() const { return m_editorHost; }
    CWriteView *View() const;
    CMyHtmlListCtrl *CorpusPanel() const { return m_corpus; }
    CGdipButton *BackButton() const { return m_back; }
    CGdipButton *UndoButton() const { return m_undo; }
    CGdipButton *RedoButton() const { return m_redo; }
    CGdipButton *MinimiseButton() const { return m_minimise; }
    CGdipButton *MaximiseButton() const { return m_maximise; }
    CGdipButton *RestoreButton() const { return m_restore; }
    CGdipButton *CloseButton() const { return m_close; }
    CGdipButton *CountButton() const { return m_count; }
    CGdipButton *CorpusButton() const { return m_corpusButton; }
    CGdipButton *SaveToLibraryButton() const { return m_saveToLibrary; }
    CGdipButton *SaveAsWordButton() const { return m_saveAsWord; }
    CGdipButton *PaperButton() const { return m_paper; }

    // The messages of the screen (GBK), fixed texts.
    static std::string BackQuestion();
    static std::string CloseQuestion();
    static std::string EyeCareHint();
    static std::string LimitNotice();
    // A save or submission that could not reach the service: not saved, but kept on this computer.
    static std::string UnreachableSaveNotice();
    static std::string TitleHint();

protected:
    // ---- Subclass operations, in their designed order ----
    // The corpus button (created hidden by the base at its place; a subclass gives it pictures
    // and shows it): nothing in the base.
    virtual void OnCorpusButton() {}
    // Called on a keyword pick before the corpus request (the contest rounds swap their side
    // panel for the corpus panel here): nothing in the base.
    virtual void OnKeywordPickHook() {}
    // The action of a subclass's second button: nothing in the base.
    virtual void OnSecondButton() {}
    // Painting after the base painting, with the layout of the current size.
    virtual void PaintExtra(QPainter &, const WriteScreenLayout &) {}
    // Initialisation after the base initialisation: the subclass's buttons and pictures.
    virtual void InitExtra() = 0;
    // The save-to-library button.
    virtual void SaveToLibrary() = 0;

    // The save-as-Word button: the title as shown and the body into a document.
    void SaveAsWord();
    // The essay on composition paper, in the preview with its PDF export and printing.
    void ShowPaper();
    // A successful save: the new library id, the library page told to reload, the notice and
    // the changed flag cleared.
    void AfterLibrarySave(const std::string &compId, const std::string &message);
    // The journal around a save or a submission: the mark taken before it, and on success the
    // entry retired unless the student edited meanwhile.
    std::uint64_t JournalEditMark() const;
    void RetireJournalIfUnchangedSince(std::uint64_t mark);
    // Acts on the outcome of a library save or a contest submission that began at journalMark:
    // on success AfterLibrarySave and the journal retired; a refusal's message; nothing after a
    // transport failure or what the status handler has already told the student.
    void ActOnSaveOutcome(const SaveOutcome &outcome, std::uint64_t journalMark);
    // Writes what the journal has not written yet.
    void FlushJournal();

    // The library id a save sends: the essay's, or "0" for a new essay.
    std::string CompIdForSave() const { return m_compId.empty() ? "0" : m_compId; }

    void OnInitDialog() override;
    void OnPaint(QPainter &painter) override;
    intptr_t OnWindowMessage(int message, intptr_t wParam, intptr_t lParam) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void CreateButtons();
    void StartJournal();
    void OnJournalEdit();
    // The student chose to drop the unsaved text: the journal entry goes only while a save was
    // possible (see SaveCanReachService).
    void DiscardJournal();
    JournalEntry TakeJournalSnapshot();
    void CreateTitleField();
    void CreateCorpusPanel();
    void LoadPictures();
    void PlaceControls();
    void ShowCount(std::int32_t count);

    // Painting (DlgWritePaint.cpp).
    void PaintBase(QPainter &painter, const WriteScreenLayout &layout);

    std::string m_title;
    std::string m_body;
    std::string m_compId;
    QPointer<QWidget> m_opener;
    bool m_openerRestored = true;
    WindowFrame m_frame{this, QSize(kWidth, kHeight), WindowFrame::MaximisedArea::WorkArea};
    CDlgTWriter *m_editorHost = nullptr;
    CMyHtmlListCtrl *m_corpus = nullptr;

    CMyEdit *m_titleField = nullptr;
    CGdipButton *m_back = nullptr;
    CGdipButton *m_undo = nullptr;
    CGdipButton *m_redo = nullptr;
    CGdipButton *m_minimise = nullptr;
    CGdipButton *m_maximise = nullptr;
    CGdipButton *m_restore = nullptr;
    CGdipButton *m_close = nullptr;
    CGdipButton *m_count = nullptr;
    CGdipButton *m_corpusButton = nullptr;
    CGdipButton *m_saveToLibrary = nullptr;
    CGdipButton *m_saveAsWord = nullptr;
    CGdipButton *m_paper = nullptr;
    std::string m_countText;
    QFont m_font;      // 13 px: the hint, the count, the limit notice
    QFont m_titleFont; // 15 px: the title field
    CxImage m_logo;
    CxImage m_titleLabel;
    std::string m_journalEntryId;
    // The last whole snapshot: in the destructor a subclass's part is gone, so its kind and
    // round data come from here and only the texts are read again.
    JournalEntry m_lastSnapshot;
    bool m_destroying = false;
    // Reset first in the destructor: its own destructor reads the screen's text.
    std::unique_ptr<EssayJournal> m_journal;
    std::unique_ptr<EssayAutosave> m_autosave;
};
