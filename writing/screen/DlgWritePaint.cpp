// The writing screen's painting: bands, frames, pictures and the fixed texts, from the layout.
#include "DlgWrite.h"

#include "DlgTWriter.h"
#include "QtText.h"

#include <QPainter>
#include <QPen>

namespace {
const QColor kBackground(246, 248, 227);
const QColor kTopBand(158, 158, 160);
const QColor kSecondBand(28, 170, 56);
const QColor kWritingFrame(128, 197, 134);
const QColor kCorpusFrame(0, 146, 58);
const QColor kPaleLine(163, 211, 171);
const QColor kGreenLine(29, 170, 57);
constexpr int kWritingFrameWidth = 3;
constexpr int kCorpusFrameWidth = 14;

// A frame of the given line width drawn inside the rectangle, as a pen of that width centred
// on the rectangle's outline would be.
void DrawFrame(QPainter &painter, const QRect &rect, const QColor &colour, int lineWidth)
{
    QPen pen(colour);
    pen.setWidth(lineWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect);
}
} // namespace

void CDlgWrite::OnPaint(QPainter &painter)
{
    const WriteScreenLayout layout = WriteLayout(size());
    PaintBase(painter, layout);
    PaintExtra(painter, layout);
}

void CDlgWrite::PaintBase(QPainter &painter, const WriteScreenLayout &l)
{
    painter.fillRect(rect(), kBackground);
    painter.fillRect(l.topBand, kTopBand);
    painter.fillRect(l.secondBand, kSecondBand);
    DrawFrame(painter, l.writingFrame, kWritingFrame, kWritingFrameWidth);
    DrawFrame(painter, l.corpusFrame, kCorpusFrame, kCorpusFrameWidth);
    // The corpus panel covers the logo once it is shown.
    m_logo.draw(&painter, l.logo.x(), l.logo.y());
    m_titleLabel.draw(&painter, l.titleLabel.x(), l.titleLabel.y());
    painter.fillRect(l.paleLine, kPaleLine);
    painter.fillRect(l.greenLine, kGreenLine);

    painter.setFont(m_font);
    painter.setPen(Qt::white);
    painter.drawText(l.eyeHint, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, GbkToQString(EyeCareHint()));
    const QFontMetrics metrics(m_font);
    painter.drawText(l.limitNotice.x(), l.limitNotice.y() + metrics.ascent(), GbkToQString(LimitNotice()));

    // The editor host follows the size at each paint.
    if (m_editorHost->geometry() != l.editorHost)
        m_editorHost->setGeometry(l.editorHost);
}
