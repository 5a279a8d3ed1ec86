// The requirement panels: their text and, for the second round, the clock over its picture.
#include "ChuxuanYaoqiuDlg.h"

#include "AppFolder.h"
#include "ContestLayout.h"
#include "Fonts.h"
#include "RequirementText.h"

#include <QPainter>
#include <QTextEdit>

using namespace contestlayout;

namespace {
const QColor kPanelColour(0xF6, 0xF8, 0xE3);
} // namespace

CChuxuanYaoqiuDlg::CChuxuanYaoqiuDlg(QWidget *parent) : CDialog(parent, DialogKind::Child), m_text(new QTextEdit(this))
{
    SetDraggable(false);
    m_text->setFrameShape(QFrame::NoFrame);
    m_text->setFont(MakeFont(QString::fromUtf8("宋体"), 13));
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::Base, kPanelColour);
    palette.setColor(QPalette::Text, Qt::black);
    m_text->setPalette(palette);
    m_text->setReadOnly(true);
}

void CChuxuanYaoqiuDlg::SetText(const std::string &gbk)
{
    ShowRequirements(m_text, gbk);
}

void CChuxuanYaoqiuDlg::resizeEvent(QResizeEvent *event)
{
    CDialog::resizeEvent(event);
    m_text->setGeometry(PanelTextRect(size(), HasClock()));
}

void CChuxuanYaoqiuDlg::OnPaint(QPainter &painter)
{
    painter.fillRect(rect(), kPanelColour);
}

CFuSaiYaoqiuDlg::CFuSaiYaoqiuDlg(QWidget *parent) : CChuxuanYaoqiuDlg(parent)
{
    m_clockPicture.load(AppPath("img\\hostimg\\time1.PNG"));
}

void CFuSaiYaoqiuDlg::SetClockText(const std::string &text)
{
    m_clockText = text;
    update(ClockTextRect(size()));
}

void CFuSaiYaoqiuDlg::OnPaint(QPainter &painter)
{
    CChuxuanYaoqiuDlg::OnPaint(painter);
    const QPoint picture = ClockPictureOrigin(size());
    m_clockPicture.draw(&painter, picture.x(), picture.y());
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::black);
    painter.setFont(MakeFont(QString::fromUtf8("宋体"), 35, kFontWeightBold));
    painter.drawText(ClockTextRect(size()), Qt::AlignCenter | Qt::TextSingleLine, QString::fromStdString(m_clockText));
}
