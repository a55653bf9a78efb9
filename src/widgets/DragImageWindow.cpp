#include "widgets/DragImageWindow.h"

#include <QGuiApplication>
#include <QPainter>

CDragImageWindow::CDragImageWindow()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

CDragImageWindow::~CDragImageWindow() { EndDrag(); }

void CDragImageWindow::BeginDrag(const QPixmap& image, QPoint hotspot)
{
    m_image = image;
    m_ptHotspot = hotspot;
    setFixedSize(image.size());
}

void CDragImageWindow::DragEnter(QPoint globalPoint)
{
    DragMove(globalPoint);
    show();
}

void CDragImageWindow::DragMove(QPoint globalPoint) { move(globalPoint - m_ptHotspot); }

void CDragImageWindow::DragLeave() { hide(); }

void CDragImageWindow::EndDrag()
{
    hide();
    m_image = QPixmap();
    if (m_bCursorSet) {
        QGuiApplication::restoreOverrideCursor();
        m_bCursorSet = false;
    }
}

void CDragImageWindow::SetDragCursor(Qt::CursorShape shape)
{
    if (m_bCursorSet) {
        QGuiApplication::changeOverrideCursor(QCursor(shape));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(shape));
        m_bCursorSet = true;
    }
}

void CDragImageWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_image);
}
