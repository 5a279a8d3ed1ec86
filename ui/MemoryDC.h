// CMemoryDC / CMemDC2: off-screen surfaces whose painting reaches the target in one copy.
#pragma once
#include <QImage>
#include <QPainter>
#include <QRect>
#include <memory>

class CMemoryDC
{
public:
    // Paints into an image the size of rect (the target's clip box when rect is empty), in the target's
    // coordinates; the destructor copies it onto the target. A printer target is drawn on directly.
    explicit CMemoryDC(QPainter *target, const QRect &rect = QRect());
    virtual ~CMemoryDC();
    CMemoryDC(const CMemoryDC &) = delete;
    CMemoryDC &operator=(const CMemoryDC &) = delete;

    QPainter *operator->() { return m_painter; }
    QPainter *dc() { return m_painter; }
    bool IsOffscreen() const { return m_offscreen; }
    const QRect &Rect() const { return m_rect; }

protected:
    struct WhiteFill
    {
    };
    CMemoryDC(QPainter *target, WhiteFill);

private:
    void Begin(const QRect &rect);

    QPainter *m_target;
    QRect m_rect;
    bool m_offscreen = false;
    QImage m_bitmap;
    std::unique_ptr<QPainter> m_own;
    QPainter *m_painter = nullptr;
};

// The list controls' variant: always the target's clip box, filled white before anything is drawn.
class CMemDC2 : public CMemoryDC
{
public:
    explicit CMemDC2(QPainter *target) : CMemoryDC(target, WhiteFill{}) {}
};
