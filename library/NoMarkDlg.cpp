// The viewer panel: the shown essay, save locally and continue writing.
#include "NoMarkDlg.h"

#include "EssayWordExport.h"
#include "GdipButton.h"
#include "LibraryLayout.h"
#include "PaperPreviewDlg.h"
#include "ViewZuowenDlg.h"
#include "WindowMessage.h"
#include "ZiYouWriter.h"

#include <QPainter>

namespace {

const QColor kBackground(0xF6, 0xF8, 0xE3);

// The free-writing screen with the shown essay, or empty; the window it hides and shows again
// is the main window it is handed to.
CDialog *MakeFreeWritingScreen(const EssayToContinue &essay, QWidget *returnWindow)
{
    auto *screen = new CZiYouWriter(returnWindow);
    if (!essay.id.empty() || !essay.title.empty() || !essay.content.empty())
        screen->SetEssay(essay.title, essay.content, essay.id);
    screen->SetOpener(returnWindow);
    return screen;
}

CNoMarkDlg::FreeWritingFactory &Factory()
{
    static CNoMarkDlg::FreeWritingFactory factory = MakeFreeWritingScreen;
    return factory;
}

CGdipButton *MakeButton(QWidget *parent, const char *normal, const char *hover, const char *pressed)
{
    CGdipButton *button = MakeImageButton(parent, normal, hover, pressed);
    // The faces are drawn for a slightly different width; scaled they fill the button exactly.
    button->SetStretch(true);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

void CNoMarkDlg::SetFreeWritingFactory(FreeWritingFactory factory)
{
    Factory() = factory ? std::move(factory) : FreeWritingFactory(MakeFreeWritingScreen);
}

CNoMarkDlg::CNoMarkDlg(QWidget *parent) : CDialog(parent, DialogKind::Child)
{
    SetDraggable(false);
    m_viewer = new CViewZuowenDlg(this);
    m_save =
        MakeButton(this, "\\img\\MySpace\\savebendi1.png", "\\img\\MySpace\\savebendi2.png", "\\img\\MySpace\\savebendi3.png");
    m_continue =
        MakeButton(this, "\\img\\MySpace\\jixuxie1.png", "\\img\\MySpace\\jixuxie2.png", "\\img\\MySpace\\jixuxie13.png");
    m_paper = MakeButton(this, "\\img\\MySpace\\gaozhi1.png", "\\img\\MySpace\\gaozhi2.png", "\\img\\MySpace\\gaozhi3.png");
    connect(m_paper, &CGdipButton::clicked, this, &CNoMarkDlg::OnPaper);
    connect(m_save, &CGdipButton::clicked, this, &CNoMarkDlg::OnSaveLocally);
    connect(m_continue, &CGdipButton::clicked, this, &CNoMarkDlg::OnContinueWriting);
    PlaceChildren();
}

void CNoMarkDlg::ShowEssay(const std::string &id, const std::string &title, const std::string &content)
{
    m_essay = {id, title, content};
    m_viewer->SetEssay(title, content);
}

void CNoMarkDlg::Clear()
{
    m_essay = {};
    m_viewer->SetEssay(std::string(), std::string());
}

// The export checks the content (the empty-content notice) and asks for the file; the
// document is the title, CR LF, then the content.
void CNoMarkDlg::OnSaveLocally()
{
    ExportEssayToWord(this, m_essay.title, m_essay.content);
}

void CNoMarkDlg::OnPaper()
{
    CPaperPreviewDlg::ShowPreview(this, m_essay.title, m_essay.content);
}

// With no essay shown the screen opens empty and its first save makes a new essay.
void CNoMarkDlg::OnContinueWriting()
{
    if (!m_returnWindow)
        return;
    if (CDialog *screen = Factory()(m_essay, m_returnWindow))
        PostWindowMessage(m_returnWindow, kMsgWriteFree, reinterpret_cast<intptr_t>(screen));
}

void CNoMarkDlg::PlaceChildren()
{
    const NoMarkLayout l = LayOutNoMark(size());
    m_viewer->setGeometry(l.viewer);
    m_save->setGeometry(l.saveButton);
    m_continue->setGeometry(l.continueButton);
    m_paper->setGeometry(l.paperButton);
}

void CNoMarkDlg::resizeEvent(QResizeEvent *event)
{
    CDialog::resizeEvent(event);
    PlaceChildren();
}

void CNoMarkDlg::OnPaint(QPainter &painter)
{
    painter.fillRect(rect(), kBackground);
}
