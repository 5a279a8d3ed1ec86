// The writing screen's set-up, buttons, messages and keyword pick.
#include "DlgWrite.h"

#include "AppFolder.h"
#include "DlgTWriter.h"
#include "EssayAutosave.h"
#include "EssayWordExport.h"
#include "FatherDlg.h"
#include "Fonts.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "Keywords.h"
#include "MsgDlg.h"
#include "MyEdit.h"
#include "MyHtmlListCtrl.h"
#include "OkDialog.h"
#include "OperationsCorpus.h"
#include "PaperPreviewDlg.h"
#include "ServiceContext.h"
#include "WindowMessage.h"
#include "WriteView.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cstdio>
#include <cstdlib>

namespace {
const QString kSongTi = QString::fromUtf8("宋体");
constexpr int kTitleFontWeight = 500;
} // namespace

std::string CDlgWrite::BackQuestion()
{
    static const std::string text = Utf8ToGbk("您还没有保存，是否要返回主界面？");
    return text;
}

std::string CDlgWrite::CloseQuestion()
{
    static const std::string text = Utf8ToGbk("您还没有保存，是否要关闭程序？");
    return text;
}

std::string CDlgWrite::EyeCareHint()
{
    static const std::string text = Utf8ToGbk("爱护眼睛，保护视力，使用半小时请注意休息一下");
    return text;
}

std::string CDlgWrite::UnreachableSaveNotice()
{
    static const std::string text =
        Utf8ToGbk("\t  连接服务器失败，作文没有保存成功！作文已保留在这台电脑上，下次登录时会提示您继续写。");
    return text;
}

std::string CDlgWrite::LimitNotice()
{
    static const std::string text =
        Utf8ToGbk("为确保软件及时响应，同时为您提供良好的使用体验，每篇文章最多输入5000字（含标点），请您知悉。");
    return text;
}

std::string CDlgWrite::TitleHint()
{
    static const std::string text = Utf8ToGbk(" 请输入写作题目");
    return text;
}

CDlgWrite::CDlgWrite(QWidget *parent) : CDialog(parent, DialogKind::FramelessWindow)
{
    // The editor host exists with the window, so an opener can hand in text before set-up.
    m_editorHost = new CDlgTWriter(this);
    m_editorHost->setGeometry(84, 188, kWidth - 237, kHeight - 341);
    m_editorHost->View()->SetTarget(this);
}

CDlgWrite::~CDlgWrite()
{
    // What is unwritten reaches the journal while the title field and the editor still exist.
    m_destroying = true;
    m_autosave.reset();
}

void CDlgWrite::SetEssay(const std::string &title, const std::string &body, const std::string &compId)
{
    m_title = title;
    m_body = body;
    m_compId = compId;
}

CWriteView *CDlgWrite::View() const
{
    return m_editorHost->View();
}

void CDlgWrite::OnInitDialog()
{
    m_frame.PlaceOnOpen();
    m_font = MakeFont(kSongTi, 13);
    m_titleFont = MakeFont(kSongTi, 15, kTitleFontWeight);
    CreateButtons();
    CreateTitleField();
    CreateCorpusPanel();
    LoadPictures();
    if (!m_body.empty() || !m_journalEntryId.empty()) {
        m_titleField->SetWindowText(m_title);
        View()->SetText(m_body);
        // An essay opened again shows its count at once, not only after the first key.
        ShowCount(View()->CharCount());
    }
    StartJournal();
    if (m_opener && m_opener != parentWidget())
        m_opener->hide();
    PlaceControls();
    InitExtra();
    PlaceControls();
    m_editorHost->setFocus();
    update();
}

void CDlgWrite::CreateButtons()
{
    m_back = MakeImageButton(this, "img\\hostimg\\backbutton1.png", "img\\hostimg\\backbutton2.png");
    m_undo = MakeImageButton(this, "img\\hostimg\\arrowsbackbutton1.png", "img\\hostimg\\arrowsbackbutton2.png");
    m_redo = MakeImageButton(this, "img\\hostimg\\arrowsrepeatbutton1.png", "img\\hostimg\\arrowsrepeatbutton2.png");
    const TitleBarButtons bar = MakeTitleBarButtons(this, kWritingScreenFaces);
    m_minimise = bar.minimise;
    m_maximise = bar.maximise;
    m_restore = bar.restore;
    m_close = bar.close;
    m_frame.SetButtons(m_maximise, m_restore);
    m_count = MakeImageButton(this, "\\img\\hostimg\\wordcount.png", "\\img\\hostimg\\wordcount.png");
    m_count->setFont(m_font);
    m_saveAsWord =
        MakeImageButton(this, "img\\MySpace\\savebendi1.png", "img\\MySpace\\savebendi2.png", "img\\MySpace\\savebendi3.png");
    m_paper = MakeImageButton(this, "img\\MySpace\\gaozhi1.png", "img\\MySpace\\gaozhi2.png", "img\\MySpace\\gaozhi3.png");
    // Pictures and showing are the subclass's.
    m_corpusButton = new CGdipButton(this);
    m_corpusButton->hide();
    m_saveToLibrary = new CGdipButton(this);

    connect(m_back, &CGdipButton::clicked, this, &CDlgWrite::Back);
    connect(m_undo, &CGdipButton::clicked, this, [this] { View()->Undo(); });
    connect(m_redo, &CGdipButton::clicked, this, [this] { View()->Redo(); });
    connect(m_minimise, &CGdipButton::clicked, this, &CDlgWrite::Minimise);
    connect(m_close, &CGdipButton::clicked, this, &CDlgWrite::CloseProgram);
    connect(m_count, &CGdipButton::clicked, this, &CDlgWrite::Recount);
    connect(m_corpusButton, &CGdipButton::clicked, this, [this] { OnCorpusButton(); });
    connect(m_saveToLibrary, &CGdipButton::clicked, this, [this] { SaveToLibrary(); });
    connect(m_saveAsWord, &CGdipButton::clicked, this, &CDlgWrite::SaveAsWord);
    connect(m_paper, &CGdipButton::clicked, this, &CDlgWrite::ShowPaper);
}

void CDlgWrite::CreateTitleField()
{
    m_titleField = new CMyEdit(this);
    m_titleField->setFont(m_titleFont);
    m_titleField->setFrame(false);
    m_titleField->SetColors(QColor(0, 0, 0), QColor(255, 255, 255));
    m_titleField->SetHint(TitleHint());
}

void CDlgWrite::CreateCorpusPanel()
{
    m_corpus = new CMyHtmlListCtrl(this);
    // A line under each corpus entry separates one from the next.
    m_corpus->Create(this, WriteLayout(size()).corpusPanel, kListGridLines);
    m_corpus->hide();
}

void CDlgWrite::LoadPictures()
{
    m_logo.load(AppPath("img\\hostimg\\moyunge.PNG"));
    m_titleLabel.load(AppPath("img\\hostimg\\xiezuobiaoti.PNG"));
}

void CDlgWrite::PlaceControls()
{
    if (!m_back)
        return;
    const WriteScreenLayout l = WriteLayout(size());
    m_back->setGeometry(l.back);
    m_undo->setGeometry(l.undo);
    m_redo->setGeometry(l.redo);
    m_minimise->setGeometry(l.minimise);
    m_maximise->setGeometry(l.maximise);
    m_restore->setGeometry(l.maximise);
    m_close->setGeometry(l.close);
    m_corpusButton->setGeometry(l.corpusButton);
    m_titleField->setGeometry(l.titleField);
    m_editorHost->setGeometry(l.editorHost);
    m_corpus->setGeometry(l.corpusPanel);
    m_count->setGeometry(l.countButton);
    m_saveToLibrary->setGeometry(l.saveToLibrary);
    m_saveAsWord->setGeometry(l.saveAsWord);
    m_paper->setGeometry(l.paper);
}

void CDlgWrite::resizeEvent(QResizeEvent *event)
{
    CDialog::resizeEvent(event);
    PlaceControls();
}

// ---- text ----

std::string CDlgWrite::TitleText() const
{
    return m_titleField->IsShowingHint() ? std::string() : m_titleField->WindowText();
}

std::string CDlgWrite::TitleAsShown() const
{
    return m_titleField->WindowText();
}

std::string CDlgWrite::BodyText() const
{
    return View()->GetText();
}

bool CDlgWrite::IsChanged() const
{
    return View()->IsChanged();
}

// ---- messages ----

intptr_t CDlgWrite::OnWindowMessage(int message, intptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case kMsgWordCount:
        // The editor posts it after every edit of the body.
        OnJournalEdit();
        ShowCount(static_cast<std::int32_t>(wParam));
        return 0;
    case kMsgKeywordPick:
        OnKeywordPick(static_cast<std::int32_t>(wParam));
        return 0;
    default:
        return CDialog::OnWindowMessage(message, wParam, lParam);
    }
}

void CDlgWrite::ShowCount(std::int32_t count)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(count));
    static const std::string unit = Utf8ToGbk("个 ");
    m_countText = text + unit;
    m_count->SetWindowText(m_countText);
}

void CDlgWrite::Recount()
{
    ShowCount(View()->CharCount());
}

void CDlgWrite::OnKeywordPick(std::int32_t keywordId)
{
    OnKeywordPickHook();
    const auto found = KeywordIndex.find(keywordId);
    const std::string keyword = found == KeywordIndex.end() ? std::string() : found->second;
    std::vector<CorpusBrief> briefs;
    const FetchStatus status = FetchCorpusBriefs(keywordId, briefs);
    if (m_corpus->ShowKeywordCorpus(keywordId, keyword, status, briefs)) {
        m_corpus->show();
        m_corpus->repaint();
    }
    update();
}

// ---- buttons ----

void CDlgWrite::Back()
{
    if (IsChanged()) {
        if (!CMsgDlg::Confirm(BackQuestion(), this))
            return;
        DiscardJournal();
    }
    QWidget *parent = parentWidget();
    if (m_opener)
        m_opener->show();
    // The parent takes the state the student left the screen in.
    if (IsNormalSize() != m_openerRestored)
        SendCaptionDoubleClick(parent);
    QRect rect = geometry();
    SendWindowMessage(parent, kMsgScreenClosed, reinterpret_cast<intptr_t>(&rect));
    hide();
    deleteLater();
}

void CDlgWrite::CloseProgram()
{
    if (IsChanged()) {
        if (!CMsgDlg::Confirm(CloseQuestion(), this))
            return;
        DiscardJournal();
    }
    QWidget *parent = parentWidget();
    hide();
    deleteLater();
    // The main window's close ends the program (it closes the sign-in window).
    if (parent)
        QMetaObject::invokeMethod(parent, &QWidget::close, Qt::QueuedConnection);
}

// The window system's close request is the close button. The window stays until CloseProgram
// decides: a hidden screen would leave nothing on screen while the program runs on, with its
// essay's journal still held.
void CDlgWrite::closeEvent(QCloseEvent *event)
{
    event->ignore();
    QMetaObject::invokeMethod(this, &CDlgWrite::CloseProgram, Qt::QueuedConnection);
}

void CDlgWrite::Minimise()
{
    showMinimized();
}

void CDlgWrite::Maximise()
{
    m_frame.Maximise();
}

void CDlgWrite::Restore()
{
    m_frame.Restore();
}

void CDlgWrite::ToggleMaximised()
{
    m_frame.Toggle();
}

void CDlgWrite::SaveAsWord()
{
    ExportEssayToWord(this, TitleAsShown(), BodyText());
}

void CDlgWrite::ShowPaper()
{
    CPaperPreviewDlg::ShowPreview(this, TitleText(), BodyText());
}

void CDlgWrite::AfterLibrarySave(const std::string &compId, const std::string &message)
{
    m_compId = compId;
    // The main window hands this on to the library page, which reloads its list and, when it
    // shows this essay, the viewer (wParam: the essay's id, 0 when it is not a number).
    SendWindowMessage(parentWidget(), kMsgLibraryReload, std::atoi(compId.c_str()));
    COkDialog::ShowMessage(message);
    View()->SetChanged(false);
}

void CDlgWrite::ActOnSaveOutcome(const SaveOutcome &outcome, std::uint64_t journalMark)
{
    switch (outcome.status) {
    case SaveStatus::Saved:
        AfterLibrarySave(outcome.essayId, outcome.message);
        // Kept: the journal's copy goes, unless typing went on during the call.
        RetireJournalIfUnchangedSince(journalMark);
        break;
    case SaveStatus::Refused:
        if (!outcome.message.empty())
            COkDialog::ShowMessage(outcome.message);
        break;
    case SaveStatus::TransportFailure:
        // The student must know the essay did not reach the library; the journal keeps it, so
        // it is written out now before the notice says so.
        FlushJournal();
        COkDialog::ShowMessage(UnreachableSaveNotice());
        break;
    case SaveStatus::Abandoned:
        // The status handler has said what happened (signed out, signed in elsewhere).
        break;
    }
}

// ---- journal ----

void CDlgWrite::StartJournal()
{
    if (m_autosave)
        return;
    m_journal = std::make_unique<EssayJournal>(EssayJournal::DefaultFolder());
    const bool resumed = !m_journalEntryId.empty();
    if (!resumed)
        m_journalEntryId = m_journal->NewEntryId();
    m_lastSnapshot = JournalSnapshot();
    m_autosave = std::make_unique<EssayAutosave>(*m_journal, m_journalEntryId, [this] { return TakeJournalSnapshot(); });
    // A recovered essay is not in the library as shown: going back asks first.
    if (resumed)
        View()->SetChanged(true);
    connect(m_titleField, &QLineEdit::textEdited, this, &CDlgWrite::OnJournalEdit);
}

std::string CDlgWrite::JournalEntryId() const
{
    return m_autosave ? m_journalEntryId : std::string();
}

JournalEntry CDlgWrite::JournalSnapshot() const
{
    JournalEntry entry;
    entry.user = SignedInAccount();
    entry.title = TitleText();
    entry.body = BodyText();
    entry.compositionId = m_compId;
    return entry;
}

JournalEntry CDlgWrite::TakeJournalSnapshot()
{
    if (!m_destroying) {
        m_lastSnapshot = JournalSnapshot();
        return m_lastSnapshot;
    }
    JournalEntry entry = m_lastSnapshot;
    entry.title = TitleText();
    entry.body = BodyText();
    entry.compositionId = m_compId;
    return entry;
}

void CDlgWrite::OnJournalEdit()
{
    if (m_autosave)
        m_autosave->OnEdit();
}

void CDlgWrite::DiscardJournal()
{
    // After the session ended, or with the service out of reach, "drop it" answered a question
    // the student could not have answered otherwise: there was no way to keep the essay but
    // this computer. The entry stays (written out when the screen goes) for the next sign-in.
    if (m_autosave && SaveCanReachService())
        m_autosave->Writer().Retire();
}

void CDlgWrite::FlushJournal()
{
    if (m_autosave)
        m_autosave->Writer().Flush();
}

std::uint64_t CDlgWrite::JournalEditMark() const
{
    return m_autosave ? m_autosave->Writer().EditCount() : 0;
}

void CDlgWrite::RetireJournalIfUnchangedSince(std::uint64_t mark)
{
    if (m_autosave)
        m_autosave->Writer().RetireIfUnchangedSince(mark);
}

// ---- keys and mouse ----

void CDlgWrite::keyPressEvent(QKeyEvent *event)
{
    // Neither Enter nor Escape closes the screen: an essay is never lost to a stray key.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        CDialog::keyPressEvent(event);
    }
}

void CDlgWrite::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        ToggleMaximised();
}

void CDlgWrite::mouseReleaseEvent(QMouseEvent *event)
{
    CDialog::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && m_corpus)
        m_corpus->setFocus();
}
