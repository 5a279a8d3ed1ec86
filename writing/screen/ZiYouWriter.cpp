// The free-writing screen: its buttons and its save to the library.
#include "ZiYouWriter.h"

#include "AppFolder.h"
#include "GdipButton.h"
#include "MyHtmlListCtrl.h"
#include "OkDialog.h"
#include "OperationsComposition.h"
#include "WritingScreenMakers.h"

CZiYouWriter::CZiYouWriter(QWidget *parent) : CDlgWrite(parent) {}

CDlgWrite *CZiYouWriter::MakeForLeftEntry(QWidget *parent, const LeftJournalEntry &left)
{
    auto *screen = new CZiYouWriter(parent);
    screen->SetEssay(left.entry.title, left.entry.body, left.entry.compositionId);
    screen->ResumeJournalEntry(left.id);
    return screen;
}

namespace {
[[maybe_unused]] const bool kFreeWritingMakerRegistered =
    RegisterWritingScreenMaker(WritingScreenKind::FreeWriting, &CZiYouWriter::MakeForLeftEntry);
} // namespace

void CZiYouWriter::InitExtra()
{
    SaveToLibraryButton()->LoadImages(AppPath("img\\hostimg\\savetozone1.jpg"), AppPath("img\\hostimg\\savetozone2.jpg"),
                                      AppPath("img\\hostimg\\savetozone3.jpg"));
    const std::string corpus = AppPath("\\img\\hostimg\\changyunge.png");
    CorpusButton()->LoadImages(corpus, corpus, corpus);
    CorpusButton()->show();
}

void CZiYouWriter::OnCorpusButton()
{
    CorpusPanel()->show();
    update();
}

// The checks (an empty or hint-only title, an empty or placeholder body), the paragraph marks
// as CR LF and the texts as UTF-8 are the operation's; the screen keeps its id unless the
// service answered with a new one.
void CZiYouWriter::SaveToLibrary()
{
    const std::uint64_t journalMark = JournalEditMark();
    const SaveOutcome outcome = SaveComposition(CompIdForSave(), TitleText(), BodyText());
    ActOnSaveOutcome(outcome, journalMark);
}
