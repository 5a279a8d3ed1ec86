// The share popup: its picture keyed on white, its six click areas, the gateway page opened.
#include "DlgShareYuliao.h"

#include "AppFolder.h"
#include "OpenUrl.h"
#include "ShareGateway.h"

#include <QRegion>
#include <QMouseEvent>
#include <QPainter>

namespace {

// The pixels that are not pure white, row by row.
QRegion NonWhiteRegion(const QImage &image)
{
    const QRgb white = qRgb(255, 255, 255);
    QRegion region;
    for (int y = 0; y < image.height(); ++y) {
        int x = 0;
        while (x < image.width()) {
            while (x < image.width() && image.pixel(x, y) == white)
                ++x;
            const int start = x;
            while (x < image.width() && image.pixel(x, y) != white)
                ++x;
            if (x > start)
                region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}

} // namespace

CDlgShareYuliao::CDlgShareYuliao(QWidget *owner) : CDialog(owner, DialogKind::FramelessWindow)
{
    // A popup beside the panel: no task-bar entry, and showing it never takes the focus from
    // the essay.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    SetDraggable(false);
    resize(kWidth, kHeight);
    ComposeFace();
}

void CDlgShareYuliao::ComposeFace()
{
    m_picture.load(AppPath("img\\hostimg\\fenxiang.png"));
    m_face = QImage(kWidth, kHeight, QImage::Format_RGB32);
    m_face.fill(Qt::white);
    QPainter painter(&m_face);
    m_picture.draw(&painter, 0, 0);
    painter.end();
    // The colour key: every white pixel is see-through. Without a compositor the window's
    // shape does it, which is the same on every platform.
    if (m_picture.IsValid())
        setMask(NonWhiteRegion(m_face));
    else
        clearMask();
}

void CDlgShareYuliao::OnInitDialog()
{
    resize(kWidth, kHeight);
}

void CDlgShareYuliao::OnPaint(QPainter &painter)
{
    // The picture itself, at the screen's ratio, over the same white as the composed face.
    if (!m_picture.IsValid()) {
        painter.drawImage(0, 0, m_face);
        return;
    }
    painter.fillRect(QRect(0, 0, kWidth, kHeight), Qt::white);
    m_picture.draw(&painter, 0, 0);
}

bool CDlgShareYuliao::ShareAt(QPoint point)
{
    const ShareTarget *target = ShareTargetAt(point);
    if (!target)
        return false;
    OpenUrl(BuildShareAddress(CurrentShareGateway(), target->webid, m_summary));
    return true;
}

void CDlgShareYuliao::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        ShareAt(event->position().toPoint());
    event->accept();
}
