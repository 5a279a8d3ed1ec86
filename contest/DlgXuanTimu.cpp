// A topic card: painting, its text and the presses that select it.
#include "DlgXuanTimu.h"

#include "AppFolder.h"
#include "ContestLayout.h"
#include "Fonts.h"
#include "GdipButton.h"
#include "QtText.h"
#include "RequirementText.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>

using namespace contestlayout;

namespace {

const QColor kHeaderColour(0x3E, 0x3A, 0x39);
const QColor kDotColour(0x7B, 0x7B, 0x7B);
const QColor kBodyColour(0x80, 0x80, 0x80);
const QColor kSelectedFrame(0x21, 0x84, 0x39);
const QColor kPlainFrame(0x40, 0x21, 0x0F);

// The card's text at 1.75 lines, read-only, plain characters from the service.
void FillBody(QTextEdit *body, const ContestTopic &topic)
{
    body->setReadOnly(true);
    body->setFrameShape(QFrame::NoFrame);
    body->setFont(MakeFont(QString::fromUtf8("宋体"), 12)); // 9 points
    body->setTextColor(kBodyColour);
    body->setPlainText(PanelText(TopicCardText(topic)));
    QTextCursor all(body->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat spacing;
    spacing.setLineHeight(175, QTextBlockFormat::ProportionalHeight);
    all.mergeBlockFormat(spacing);
    QTextCharFormat colour;
    colour.setForeground(kBodyColour);
    all.mergeCharFormat(colour);
    body->setTextCursor(QTextCursor(body->document()));
    QPalette palette = body->palette();
    palette.setColor(QPalette::Base, Qt::white);
    body->setPalette(palette);
}

} // namespace

CDlgXuanTimu::CDlgXuanTimu(const ContestTopic &topic, QWidget *parent)
    : CDialog(parent, DialogKind::Child), m_topic(topic), m_body(new QTextEdit(this)), m_select(new CGdipButton(this))
{
    SetDraggable(false);
    FillBody(m_body, m_topic);
    m_select->LoadImages(AppPath("\\img\\xuan1.png"), AppPath("\\img\\xuan2.png"), AppPath("\\img\\xuan3.png"));
    m_select->setCursor(Qt::PointingHandCursor);
    connect(m_select, &CGdipButton::clicked, this, [this] { emit Chosen(this); });
    // Presses on the text select the card too.
    m_body->viewport()->installEventFilter(this);
    resize(CardRect(0).size());
}

void CDlgXuanTimu::SetSelected(bool selected)
{
    m_selected = selected;
    update();
}

void CDlgXuanTimu::resizeEvent(QResizeEvent *event)
{
    CDialog::resizeEvent(event);
    m_body->setGeometry(CardBodyRect(size()));
    m_select->setGeometry(SelectButtonRect(size()));
}

void CDlgXuanTimu::OnPaint(QPainter &painter)
{
    painter.fillRect(rect(), Qt::white);
    QPen dots(kDotColour, 1, Qt::DotLine);
    painter.setPen(dots);
    painter.drawLine(0, CardUpperLineY(), width(), CardUpperLineY());
    painter.drawLine(0, CardLowerLineY(size()), width(), CardLowerLineY(size()));

    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(kHeaderColour);
    painter.setFont(MakeFont(QString::fromUtf8("宋体"), 12));
    painter.drawText(CardHeaderRect(size()), Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                     GbkToQString(m_topic.writer));

    painter.setBrush(Qt::NoBrush);
    if (m_selected) {
        // 4 pixels wide, one pixel inside the edge.
        painter.setPen(QPen(kSelectedFrame, 4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(QRectF(rect()).adjusted(3, 3, -3, -3));
    } else {
        painter.setPen(QPen(kPlainFrame, 1));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CDlgXuanTimu::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit Chosen(this);
    CDialog::mousePressEvent(event);
}

void CDlgXuanTimu::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit Chosen(this);
    CDialog::mouseReleaseEvent(event);
}

bool CDlgXuanTimu::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        emit Chosen(this);
    return CDialog::eventFilter(watched, event);
}
