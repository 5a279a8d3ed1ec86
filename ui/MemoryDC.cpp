// Off-screen painting surfaces over QImage and QPainter.
#include "MemoryDC.h"

#include <QPaintDevice>
#include <cmath>

namespace {
QRect ClipBox(QPainter *target)
{
    if (target->hasClipping())
        return target->clipBoundingRect().toAlignedRect();
    const QPaintDevice *device = target->device();
    return device ? QRect(0, 0, device->width(), device->height()) : QRect();
}
} // namespace

CMemoryDC::CMemoryDC(QPainter *target, const QRect &rect) : m_target(target)
{
    Begin(rect.isEmpty() && target ? ClipBox(target) : rect);
}

CMemoryDC::CMemoryDC(QPainter *target, WhiteFill) : m_target(target)
{
    Begin(target ? ClipBox(target) : QRect());
    if (m_offscreen)
        m_bitmap.fill(Qt::white);
}

void CMemoryDC::Begin(const QRect &rect)
{
    m_rect = rect;
    const QPaintDevice *device = m_target ? m_target->device() : nullptr;
    const bool printer = device && (device->devType() == QInternal::Printer);
    if (!m_target || printer || rect.isEmpty()) {
        m_painter = m_target; // drawn directly, nothing copied at the end
        return;
    }
    m_offscreen = true;
    // The surface has the target's pixel density: on a 150 % or 200 % screen text and pictures are
    // drawn at the device's resolution, not at 100 % and stretched on the copy.
    const qreal ratio = device ? device->devicePixelRatioF() : 1.0;
    m_bitmap = QImage(int(std::ceil(rect.width() * ratio)), int(std::ceil(rect.height() * ratio)),
                      QImage::Format_ARGB32_Premultiplied);
    m_bitmap.setDevicePixelRatio(ratio);
    m_bitmap.fill(Qt::transparent);
    m_own = std::make_unique<QPainter>(&m_bitmap);
    m_own->setFont(m_target->font());
    m_own->translate(-rect.topLeft()); // callers draw in the target's coordinates
    m_painter = m_own.get();
}

CMemoryDC::~CMemoryDC()
{
    if (!m_offscreen)
        return;
    m_own->end();
    m_target->save();
    m_target->setCompositionMode(QPainter::CompositionMode_Source);
    m_target->setClipRect(m_rect, Qt::IntersectClip); // a fractional ratio rounds the surface up
    m_target->drawImage(m_rect.topLeft(), m_bitmap);
    m_target->restore();
}
