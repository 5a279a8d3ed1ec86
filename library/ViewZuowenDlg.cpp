// The essay viewer: painting of the note, the frame and the title; the read-only editor.
#include "ViewZuowenDlg.h"

#include "DlgTWriter.h"
#include "Fonts.h"
#include "LibraryLayout.h"
#include "QtText.h"

#include <QPainter>
#include <QResizeEvent>

namespace {
const QColor kBackground(0xF6, 0xF8, 0xE3);
const QColor kFrame(0x80, 0xC5, 0x86);
const QColor kNoteColour(0x8A, 0x8A, 0x8A);
} // namespace

CViewZuowenDlg::CViewZuowenDlg(QWidget *parent) : CDialog(parent, DialogKind::Child)
{
    SetDraggable(false);
    m_editor = new CDlgTWriter(this);
    m_editor->View()->SetReadOnly(true);
    m_editor->setGeometry(LayOutViewZuowen(size()).editor);
}

void CViewZuowenDlg::SetEssay(const std::string &title, const std::string &content)
{
    m_title = title;
    m_content = content;
    m_editor->View()->SetText(content);
    m_editor->View()->viewport()->update();
    update(LayOutViewZuowen(size()).titleStrip);
}

void CViewZuowenDlg::resizeEvent(QResizeEvent *event)
{
    CDialog::resizeEvent(event);
    m_editor->setGeometry(LayOutViewZuowen(event->size()).editor);
}

void CViewZuowenDlg::OnPaint(QPainter &painter)
{
    const ViewZuowenLayout l = LayOutViewZuowen(size());
    painter.fillRect(rect(), kBackground);
    // The frame's three pixels lie inside its outer edge.
    painter.setPen(QPen(kFrame, kViewerFramePen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    const int inset = kViewerFramePen / 2;
    painter.drawRect(l.frame.adjusted(inset, inset, -inset, -inset));

    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(MakeFont(QString::fromUtf8("宋体"), 13));
    painter.setPen(kNoteColour);
    painter.drawText(l.eyeNote, Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8("爱护眼睛，保护视力，使用半小时请注意休息一下"));

    // The title comes from the service: plain text, clipped to its strip.
    painter.setFont(MakeFont(QString::fromUtf8("宋体"), 18));
    painter.setPen(Qt::black);
    painter.setClipRect(l.titleStrip);
    painter.drawText(l.titleStrip, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, GbkToQString(m_title));
    painter.setClipping(false);
}
