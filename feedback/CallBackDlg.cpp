// The feedback screen: layout, painting of its note and pictures, and its buttons.
#include "CallBackDlg.h"

#include "AppFolder.h"
#include "CoolEdit.h"
#include "Fonts.h"
#include "GdipButton.h"
#include "IdeaSubmit.h"

#include <QPainter>
#include <QResizeEvent>
#include <cmath>

namespace {

const QColor kHeadingColour(0x00, 0xA7, 0x3A);
const QColor kFieldFrame(0x1D, 0xAA, 0x39);
const QSize kButtonSize(75, 28);
// The note's lines are 15.5 pixels apart, as the dots before its paragraphs expect.
constexpr double kNoteLinePitch = 15.5;

// The note as written: paragraphs separated by an empty line, lines broken where it has CR LF.
const char *const kProductNote = "本平台由语文教师和教育研究人员共同设计，面向中小学生的日常写作练习。语料库中的\r\n"
                                 "片段选自大量经典文学作品和优秀习作，经人工挑选、分类和标注，按写作中常用的词语\r\n"
                                 "和句式整理成篇，同学们在写作时点击绿色的词语就能随时查阅。\r\n"
                                 "\r\n"
                                 "由于语料数量庞大，个别片段中可能还有少量错别字，语料仅作描写性写作的参考。\r\n"
                                 "\r\n"
                                 "我们会不断修订和充实语料，让平台更好地陪伴同学们的写作成长。\r\n"
                                 "\r\n"
                                 "如果您在使用中有任何意见或建议，欢迎在下面留言，我们会认真阅读每一条反馈。";

} // namespace

CallBackLayout LayOutCallBack(const QSize &client)
{
    const int w = client.width();
    const int h = client.height();
    CallBackLayout l;
    l.note = QPoint(174, 125);
    l.heading = QPoint(65, 276);
    l.field = QRect(62, 305, w - 139, h - 475);
    l.submit = QRect(QPoint(w - 242, h - 170), kButtonSize);
    l.cancel = QRect(QPoint(w - 149, h - 170), kButtonSize);
    l.body = QPoint(76, 114);
    l.dots[0] = QPoint(160, 129);
    l.dots[1] = QPoint(160, 192);
    l.dots[2] = QPoint(160, 222);
    return l;
}

CCallBackDlg::CCallBackDlg(QWidget *parent) : CFatherDlg(parent) {}

QStringList CCallBackDlg::NoteLines()
{
    return QString::fromUtf8(kProductNote).split(QStringLiteral("\r\n"));
}

void CCallBackDlg::SetUpContent()
{
    m_body.load(AppPath("img\\body.png"));
    m_dot.load(AppPath("img\\dot.png"));
    m_field = new CCoolEdit(this);
    m_field->SetLimitText(kLimit);
    m_field->SetFrameColor(kFieldFrame);
    m_field->setFont(MakeFont(QString::fromUtf8("宋体"), 14));
    m_submit = MakeImageButton(this, "img\\submit.png", "img\\submit_up.png", "img\\submit_down.png");
    m_cancel = MakeImageButton(this, "img\\cancel.png", "img\\cancel_up.png", "img\\cancel_down.png");
    connect(m_submit, &CGdipButton::clicked, this, &CCallBackDlg::OnSubmit);
    connect(m_cancel, &CGdipButton::clicked, this, &CCallBackDlg::OnCancel);
    // This screen's minimise only minimises, and its close ends the program.
    disconnect(MinimiseButton(), &CGdipButton::clicked, this, nullptr);
    connect(MinimiseButton(), &CGdipButton::clicked, this, &QWidget::showMinimized);
    disconnect(CloseButton(), &CGdipButton::clicked, this, nullptr);
    connect(CloseButton(), &CGdipButton::clicked, this, &CCallBackDlg::CloseProgram);
    PlaceContent();
}

void CCallBackDlg::PlaceContent()
{
    if (!m_field)
        return;
    const CallBackLayout l = LayOutCallBack(size());
    m_field->setGeometry(l.field);
    m_submit->setGeometry(l.submit);
    m_cancel->setGeometry(l.cancel);
}

void CCallBackDlg::resizeEvent(QResizeEvent *event)
{
    CFatherDlg::resizeEvent(event);
    PlaceContent();
}

void CCallBackDlg::PaintContent(QPainter &p, const QRect &client)
{
    const CallBackLayout l = LayOutCallBack(client.size());
    m_body.draw(&p, l.body.x(), l.body.y());
    for (const QPoint &dot : l.dots)
        m_dot.draw(&p, dot.x(), dot.y());

    p.setPen(Qt::black);
    p.setFont(MakeFont(QString::fromUtf8("宋体"), 14));
    const QStringList lines = NoteLines();
    for (int i = 0; i < lines.size(); ++i) {
        const int top = l.note.y() + int(std::lround(i * kNoteLinePitch));
        p.drawText(QRect(l.note.x(), top, client.width() - l.note.x(), 16), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                   lines[i]);
    }

    p.setPen(kHeadingColour);
    p.setFont(MakeFont(QString::fromUtf8("宋体"), 15));
    p.drawText(QRect(l.heading, QSize(200, 18)), Qt::AlignLeft | Qt::AlignTop, QString::fromUtf8("意见反馈："));
    PlaceContent();
}

void CCallBackDlg::OnSubmit()
{
    SubmitIdea(m_field->WindowText(), IdeaScreen::Feedback, this);
}

void CCallBackDlg::OnCancel()
{
    CloseScreen(); // closes and tells the main window to show itself
}

QWidget *CCallBackDlg::ApplicationWindow() const
{
    if (m_applicationWindow)
        return m_applicationWindow;
    QWidget *owner = parentWidget();
    while (owner && owner->parentWidget())
        owner = owner->parentWidget();
    return owner;
}

// In the main window's order: the opener (the main window) closes first, which ends its own
// modal run, nested in the sign-in window's, and closes the sign-in window. Closing only the
// sign-in window would leave that inner run going with no window on screen, still polling.
void CCallBackDlg::CloseProgram()
{
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    QWidget *opener = parentWidget();
    if (opener)
        QMetaObject::invokeMethod(opener, &QWidget::close, Qt::QueuedConnection);
    if (QWidget *application = ApplicationWindow(); application && application != opener)
        QMetaObject::invokeMethod(application, &QWidget::close, Qt::QueuedConnection);
}
