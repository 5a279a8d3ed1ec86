// The topic chooser: its cards, the one selection and the confirmation.
#include "XuantiFatherDlg.h"

#include "AppFolder.h"
#include "ContestLayout.h"
#include "DlgXuanTimu.h"
#include "Fonts.h"
#include "GdipButton.h"
#include "GbkText.h"
#include "Screen.h"

#include <QKeyEvent>
#include <QPainter>

using namespace contestlayout;

namespace {
const QColor kFrameColour(0x21, 0x84, 0x39);
const QColor kPromptColour(0x3E, 0x3A, 0x39);
} // namespace

CXuantiFatherDlg::CXuantiFatherDlg(QWidget *parent)
    : CDialog(parent, DialogKind::FramelessWindow), m_confirm(new CGdipButton(this))
{
    setWindowTitle(QString::fromUtf8("请选择参赛题目"));
    resize(kChooserSize);
    m_confirm->LoadImages(AppPath("\\img\\ok1.png"), AppPath("\\img\\ok2.png"), AppPath("\\img\\ok3.png"));
    m_confirm->setGeometry(ConfirmButtonRect(kChooserSize));
    m_confirm->setCursor(Qt::PointingHandCursor);
    connect(m_confirm, &CGdipButton::clicked, this, &CXuantiFatherDlg::Confirm);
}

void CXuantiFatherDlg::AddTopic(const ContestTopic &topic)
{
    if (static_cast<int>(m_cards.size()) >= kCardCount)
        return;
    auto *card = new CDlgXuanTimu(topic, this);
    card->setGeometry(CardRect(static_cast<int>(m_cards.size())));
    connect(card, &CDlgXuanTimu::Chosen, this, &CXuantiFatherDlg::Select);
    m_cards.push_back(card);
}

void CXuantiFatherDlg::OnInitDialog()
{
    move(ChooserPosition(ScreenSize()));
    if (!m_cards.empty())
        Select(m_cards.front());
}

void CXuantiFatherDlg::Select(CDlgXuanTimu *card)
{
    if (card == m_selected)
        return;
    if (m_selected)
        m_selected->SetSelected(false);
    m_selected = card;
    if (card)
        card->SetSelected(true);
}

void CXuantiFatherDlg::Confirm()
{
    if (m_selected) {
        m_chosen = m_selected->Topic();
        m_confirmed = true;
    }
    EndDialog(kIdOk);
}

void CXuantiFatherDlg::OnPaint(QPainter &painter)
{
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QPen(kFrameColour, 4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(3, 3, -3, -3));

    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(kPromptColour);
    painter.setFont(MakeFont(QString::fromUtf8("宋体"), 17, kFontWeightBold));
    const QPoint origin = PromptOrigin(size());
    painter.drawText(origin.x(), origin.y() + painter.fontMetrics().ascent(), QString::fromUtf8("请选择参赛题目"));
}

void CXuantiFatherDlg::keyPressEvent(QKeyEvent *event)
{
    // Enter confirms as the default button does. Escape does nothing: a timed round must not
    // start by a stray key, and the chooser has its own confirm button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        Confirm();
    else if (event->key() == Qt::Key_Escape)
        event->accept();
    else
        CDialog::keyPressEvent(event);
}
