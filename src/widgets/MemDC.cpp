#include "widgets/MemDC.h"

#include <QPaintDevice>

CMemDC::CMemDC(QPainter* pDC, const QRect& rect) : m_pDC(pDC), m_rect(rect)
{
    const qreal ratio = pDC && pDC->device() ? pDC->device()->devicePixelRatioF() : 1.0;
    m_pBitmap = std::make_unique<QPixmap>(rect.size() * ratio);
    m_pBitmap->setDevicePixelRatio(ratio);
    m_pBitmap->fill(Qt::black);
    m_painter = std::make_unique<QPainter>(m_pBitmap.get());
    m_painter->translate(-rect.topLeft());
}

CMemDC::~CMemDC() { Release(); }

void CMemDC::Release()
{
    if (!m_painter) return;
    m_painter->end();
    m_painter.reset();
    if (m_pDC) m_pDC->drawPixmap(m_rect.topLeft(), *m_pBitmap);
    m_pBitmap.reset();
}
