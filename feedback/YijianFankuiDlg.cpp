// The usage-report screen: its field, prompt and submit button over the programme frame.
#include "YijianFankuiDlg.h"

#include "AppFolder.h"
#include "CoolEdit.h"
#include "Fonts.h"
#include "GdipButton.h"
#include "IdeaSubmit.h"

#include <QPainter>
#include <QResizeEvent>

namespace {

const QColor kPromptColour(0x29, 0x9F, 0x3A);
const QColor kFieldFrame(0x0E, 0x80, 0x3B);
const QColor kBoxColour(0x21, 0x84, 0x39);

} // namespace

YijianFankuiLayout LayOutYijianFankui(const QSize &client)
{
    const int w = client.width();
    const int h = client.height();
    YijianFankuiLayout l;
    l.prompt = QPoint(65, 95);
    l.text = QRect(65, 124, w - 130, h - 316);
    l.box = QRect(63, 122, w - 126, h - 310);
    l.submit = QRect(w - 137, h - 190, 74, 28);
    return l;
}

CYijianFankuiDlg::CYijianFankuiDlg(QWidget *parent) : CFatherDlg(parent) {}

void CYijianFankuiDlg::SetUpContent()
{
    m_field = new CCoolEdit(this);
    m_field->SetLimitText(kLimit);
    m_field->setFont(MakeFont(QString::fromUtf8("宋体"), 15));
    m_field->SetFrameColor(kFieldFrame);
    m_submit = new CGdipButton(this);
    m_submit->LoadImages(AppPath("\\img\\submit_up.png"), AppPath("\\img\\submit.png"), AppPath("\\img\\submit_down.png"));
    connect(m_submit, &CGdipButton::clicked, this, &CYijianFankuiDlg::OnSubmit);
    PlaceContent();
}

void CYijianFankuiDlg::PlaceContent()
{
    if (!m_field)
        return;
    const YijianFankuiLayout l = LayOutYijianFankui(size());
    // The field's frame is drawn one pixel outside its text area.
    m_field->setGeometry(l.text.adjusted(-1, -1, 1, 1));
    m_submit->setGeometry(l.submit);
}

void CYijianFankuiDlg::resizeEvent(QResizeEvent *event)
{
    CFatherDlg::resizeEvent(event);
    PlaceContent();
}

void CYijianFankuiDlg::PaintContent(QPainter &p, const QRect &client)
{
    const YijianFankuiLayout l = LayOutYijianFankui(client.size());
    p.setPen(kPromptColour);
    p.setFont(MakeFont(QString::fromUtf8("宋体"), 15));
    p.drawText(QRect(l.prompt, QSize(client.width() - l.prompt.x(), 18)), Qt::AlignLeft | Qt::AlignTop,
               QString::fromUtf8("请提交您的使用心得，感谢您的支持："));
    p.setPen(QPen(kBoxColour, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(l.box);
    PlaceContent();
}

void CYijianFankuiDlg::OnSubmit()
{
    SubmitIdea(m_field->WindowText(), IdeaScreen::Experience, this);
}
