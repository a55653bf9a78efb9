#pragma once
#include <QPixmap>
#include <QPainter>
#include <QRect>

#include <memory>

// An off-screen drawing surface over a rectangle of a window. Callers draw in the window's own
// coordinates; when the object goes out of scope (or Release is called) the rectangle is copied onto
// the target in one go, so the window never shows a half-drawn picture.
class CMemDC {
public:
    // `pDC` paints on the target window and must outlive this object. The surface starts black.
    CMemDC(QPainter* pDC, const QRect& rect);
    ~CMemDC();
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    QPainter* operator->() { return m_painter.get(); }
    QPainter& Painter() { return *m_painter; }

    // Copies the surface to the target now; later calls and the destructor do nothing more.
    void Release();

private:
    std::unique_ptr<QPixmap> m_pBitmap;
    std::unique_ptr<QPainter> m_painter;
    QPainter* m_pDC;
    QRect m_rect;
};
